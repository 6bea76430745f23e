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

namespace {
uint32_t sumOfSquares(uint32_t a, uint32_t b) { return a * a + b * b; }
}  // namespace

FixedVec vecNormalise(FixedVec v) {
    const uint32_t a = absRaw(v.x);
    const uint32_t b = absRaw(v.y);
    if (((a | b) & kLengthSmallMask) == 0) {
        const uint32_t d = isqrt(sumOfSquares(a, b) << 6);  // eight times the length
        const int32_t k = d == 0 ? 0 : static_cast<int32_t>(0x80000 / d);
        return {wrapMul(k, v.x), wrapMul(k, v.y)};
    }
    if (((a | b) & kLengthLargeMask) == 0) {
        const uint32_t d = isqrt(sumOfSquares(a >> 8, b >> 8));
        const int32_t k = d == 0 ? 0 : static_cast<int32_t>(0x1000000 / d);
        return scaled(v, k);
    }
    const uint32_t d = isqrt(sumOfSquares(a >> 18, b >> 18));
    const int32_t k = d == 0 ? 0 : static_cast<int32_t>(0x4000 / d);
    return scaled(v, k);
}

}  // namespace steering
