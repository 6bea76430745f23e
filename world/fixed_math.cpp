#include "world/fixed_math.h"

#include <cmath>
#include <limits>

namespace steering {

Fixed fixDivWide(Fixed a, Fixed b) {
    const int64_t dividend = static_cast<int64_t>(a) * 65536;
    if (b == 0) {
        return a < 0 ? std::numeric_limits<int32_t>::min() : std::numeric_limits<int32_t>::max();
    }
    const int64_t quotient = dividend / b;
    if (quotient > std::numeric_limits<int32_t>::max()) return std::numeric_limits<int32_t>::max();
    if (quotient < std::numeric_limits<int32_t>::min()) return std::numeric_limits<int32_t>::min();
    return static_cast<Fixed>(quotient);
}

int64_t truncToInt64(double value) {
    constexpr double kTwoTo63 = 9223372036854775808.0;  // exactly representable
    if (std::isnan(value) || value >= kTwoTo63 || value < -kTwoTo63) {
        return std::numeric_limits<int64_t>::min();  // x86 "integer indefinite"
    }
    return static_cast<int64_t>(value);
}

int32_t truncToInt(double value) {
    return static_cast<int32_t>(static_cast<uint32_t>(static_cast<uint64_t>(truncToInt64(value))));
}

uint32_t isqrt(uint32_t x) {
    // A double holds every 32-bit value exactly, and its correctly rounded square root
    // never crosses an integer boundary for such inputs, so truncation matches the
    // extended-precision result.
    return static_cast<uint32_t>(std::sqrt(static_cast<double>(x)));
}

namespace {
constexpr uint32_t kSmallMask = 0xFFFFF000u;  // both components below 1/16 unit
constexpr uint32_t kLargeMask = 0xFFC00000u;  // either component at least 64 units

uint32_t sumOfSquares(uint32_t a, uint32_t b) { return a * a + b * b; }
}  // namespace

Fixed vecLength(FixedVec v) {
    const uint32_t a = absRaw(v.x);
    const uint32_t b = absRaw(v.y);
    if (((a | b) & kSmallMask) == 0) {
        return static_cast<Fixed>(isqrt(sumOfSquares(a, b)));  // exact, truncated
    }
    if (((a | b) & kLargeMask) != 0) {
        return static_cast<Fixed>(isqrt(sumOfSquares(a >> 18, b >> 18)) << 18);  // multiples of 4 units
    }
    return static_cast<Fixed>(isqrt(sumOfSquares(a >> 8, b >> 8)) << 8);  // multiples of 256 raw
}

FixedVec vecLimit(FixedVec v, Fixed maxLength) {
    // vecLength never exceeds the true length, nor that |x| + |y|: below maxLength the
    // vector is returned as the full test would, without the square root.
    if (maxLength > 0 && uint64_t{absRaw(v.x)} + absRaw(v.y) < static_cast<uint64_t>(maxLength)) return v;
    const Fixed length = vecLength(v);
    if (length < maxLength) return v;
    const Fixed scale = fixDiv(maxLength, length);
    return scaled(v, scale);
}

FixedVec vecNormalise(FixedVec v) {
    const uint32_t a = absRaw(v.x);
    const uint32_t b = absRaw(v.y);
    if (((a | b) & kSmallMask) == 0) {
        const uint32_t d = isqrt(sumOfSquares(a, b) << 6);  // eight times the length
        const int32_t k = d == 0 ? 0 : static_cast<int32_t>(0x80000 / d);
        return {wrapMul(k, v.x), wrapMul(k, v.y)};
    }
    if (((a | b) & kLargeMask) == 0) {
        const uint32_t d = isqrt(sumOfSquares(a >> 8, b >> 8));
        const int32_t k = d == 0 ? 0 : static_cast<int32_t>(0x1000000 / d);
        return scaled(v, k);
    }
    const uint32_t d = isqrt(sumOfSquares(a >> 18, b >> 18));
    const int32_t k = d == 0 ? 0 : static_cast<int32_t>(0x4000 / d);
    return scaled(v, k);
}

}  // namespace steering
