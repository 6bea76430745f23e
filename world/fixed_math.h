#pragma once
// 16.16 fixed-point world units and the small numeric operations shared by the map,
// the neighbour grid, the agents and the behaviours. Every wrap is explicit (unsigned
// or 64-bit arithmetic), so no operation here has undefined behaviour.
#include <cmath>
#include <cstdint>

namespace steering {

using Fixed = int32_t;  // world units, 16.16: 65536 raw = 1.0 unit

constexpr Fixed kFixedOne = 65536;

struct FixedVec {
    Fixed x = 0;  // world units, 16.16
    Fixed y = 0;  // world units, 16.16
    friend bool operator==(const FixedVec&, const FixedVec&) = default;
};

// The visible part of the world, in whole world units.
struct WorldRect {
    int32_t left = 0;
    int32_t top = 0;
    int32_t right = 0;
    int32_t bottom = 0;
};

constexpr Fixed toFixed(int32_t wholeUnits) {
    return static_cast<Fixed>(static_cast<uint32_t>(wholeUnits) << 16);
}
// Whole world units: arithmetic shift, rounds toward minus infinity.
constexpr int32_t toWhole(Fixed value) { return value >> 16; }

// Two's-complement wrapping arithmetic on 32-bit values.
constexpr int32_t wrapAdd(int32_t a, int32_t b) {
    return static_cast<int32_t>(static_cast<uint32_t>(a) + static_cast<uint32_t>(b));
}
constexpr int32_t wrapSub(int32_t a, int32_t b) {
    return static_cast<int32_t>(static_cast<uint32_t>(a) - static_cast<uint32_t>(b));
}
constexpr int32_t wrapNeg(int32_t a) { return static_cast<int32_t>(0u - static_cast<uint32_t>(a)); }
constexpr int32_t wrapMul(int32_t a, int32_t b) {
    return static_cast<int32_t>(static_cast<uint32_t>(a) * static_cast<uint32_t>(b));
}
constexpr uint32_t absRaw(int32_t a) {
    return a < 0 ? 0u - static_cast<uint32_t>(a) : static_cast<uint32_t>(a);
}

// Full 64-bit product shifted right arithmetically by 16; the low 32 bits are kept.
constexpr Fixed fixMul(Fixed a, Fixed b) {
    return static_cast<Fixed>((static_cast<int64_t>(a) * static_cast<int64_t>(b)) >> 16);
}

// The common case of fixDiv without a 64-bit integer division, which costs several times a
// double one. When |a| < 64 |b| the quotient's magnitude is below 2^22; |b| being at most
// 2^31, a remainder keeps the exact quotient at least 1/|b| >= 2^-31 from the next whole
// number, while the double quotient is within 2^-32 of it (half a unit in the last place
// of a value below 2^22). Truncating the double quotient therefore gives the integer one,
// bit for bit. The dividend (below 2^48) and the divisor are exact in a double.
constexpr bool quotientFitsDouble(Fixed a, Fixed b) {
    return b != 0 && uint64_t{absRaw(a)} < (uint64_t{absRaw(b)} << 6);
}
inline Fixed quotientByDouble(Fixed a, Fixed b) {
    return static_cast<Fixed>(static_cast<double>(a) * 65536.0 / static_cast<double>(b));
}
// fixDiv by a 64-bit integer division, for every operand.
Fixed fixDivWide(Fixed a, Fixed b);

// (a << 16) / b, truncating toward zero. A zero divisor or a quotient outside 32 bits
// (which would trap on x86) saturates instead: INT32_MAX when the true quotient is
// positive or the dividend is non-negative over zero, INT32_MIN when it is negative.
// Inline: the neighbour loops divide by every touching neighbour's distance.
inline Fixed fixDiv(Fixed a, Fixed b) { return quotientFitsDouble(a, b) ? quotientByDouble(a, b) : fixDivWide(a, b); }
// fixDiv(a, b) < 0 without dividing. A truncated quotient is at most -1 exactly when the
// signs differ and |a| * 65536 >= |b|; saturation keeps the sign; a zero divisor gives
// INT32_MIN for a negative dividend only.
constexpr bool fixDivNegative(Fixed a, Fixed b) {
    if (b == 0) return a < 0;
    return (a < 0) != (b < 0) && (uint64_t{absRaw(a)} << 16) >= absRaw(b);
}

// Double to integer, truncating toward zero; the low 32 bits of the 64-bit result.
// NaN and values outside the 64-bit range give the x86 "integer indefinite"
// 0x8000000000000000, whose low 32 bits are 0.
// Inline: the map's cell of a position takes two.
inline int64_t truncToInt64(double value) {
    constexpr double kTwoTo63 = 9223372036854775808.0;  // exactly representable
    if (std::isnan(value) || value >= kTwoTo63 || value < -kTwoTo63) {
        return INT64_MIN;  // x86 "integer indefinite"
    }
    return static_cast<int64_t>(value);
}
inline int32_t truncToInt(double value) {
    return static_cast<int32_t>(static_cast<uint32_t>(static_cast<uint64_t>(truncToInt64(value))));
}

// Truncated square root of an unsigned 32-bit value. A double holds every 32-bit value
// exactly, and its correctly rounded square root never crosses an integer boundary for
// such inputs, so truncation gives the integer root. Inline: every length and the
// obstacle push take one.
inline uint32_t isqrt(uint32_t x) { return static_cast<uint32_t>(std::sqrt(static_cast<double>(x))); }

// The number of set bits of x, as std::popcount gives it. Spelled out in shifts and masks:
// the builds target every x86-64, where std::popcount becomes a library call.
constexpr int countBits(uint32_t x) {
    x = x - ((x >> 1) & 0x55555555u);
    x = (x & 0x33333333u) + ((x >> 2) & 0x33333333u);
    x = (x + (x >> 4)) & 0x0F0F0F0Fu;
    return static_cast<int>((x * 0x01010101u) >> 24);
}

// max(|x|, |y|) + min(|x|, |y|) / 2 on raw values: never below the true length, at most
// about 12 percent above it. Inline: every neighbour visit measures with it.
constexpr Fixed approxLength(FixedVec v) {
    const uint32_t a = absRaw(v.x);
    const uint32_t b = absRaw(v.y);
    const uint32_t big = a > b ? a : b;
    const uint32_t small = a > b ? b : a;
    return static_cast<Fixed>(big + (small >> 1));
}

// Three-range integer length: exact (truncated) while both components are below 1/16
// unit, in multiples of 256 raw below 64 units, in multiples of 4 units above. The square
// root of the largest range's sum reaches 2^13.5, so its shifted result wraps negative for
// vectors about 2^31 raw long; callers get that value as it stands.
constexpr uint32_t kLengthSmallMask = 0xFFFFF000u;  // both components below 1/16 unit
constexpr uint32_t kLengthLargeMask = 0xFFC00000u;  // either component at least 64 units
inline Fixed vecLength(FixedVec v) {
    const uint32_t a = absRaw(v.x);
    const uint32_t b = absRaw(v.y);
    if (((a | b) & kLengthSmallMask) == 0) return static_cast<Fixed>(isqrt(a * a + b * b));
    if (((a | b) & kLengthLargeMask) != 0) {
        const uint32_t c = a >> 18, d = b >> 18;
        return static_cast<Fixed>(isqrt(c * c + d * d) << 18);
    }
    const uint32_t c = a >> 8, d = b >> 8;
    return static_cast<Fixed>(isqrt(c * c + d * d) << 8);
}
// vecLimit for a vector that may be at least maxLength long: measures it and scales it.
// Inline: most calls scale, and the square root and the division are slow instructions
// whose wait the caller's own work can fill (an agent's update limits seven vectors).
inline FixedVec vecLimitMeasured(FixedVec v, Fixed maxLength);
// v when shorter than maxLength, else v scaled to maxLength. maxLength must be positive.
// vecLength never exceeds |x| + |y|: a vector below the limit by that sum is returned as
// the full test would, without the square root. Inline: most forces pass that way.
inline FixedVec vecLimit(FixedVec v, Fixed maxLength) {
    if (maxLength > 0 && uint64_t{absRaw(v.x)} + absRaw(v.y) < static_cast<uint64_t>(maxLength)) return v;
    return vecLimitMeasured(v, maxLength);
}
// Which components of v's unit direction (divided(v, vecLength(v)), or v itself when that
// length is 0) are negative, without the divisions and mostly without the square root.
// While |x| + |y| is below 2^31 the length lies in [0, |x| + |y|], so a component that is 0
// or whose magnitude times 65536 reaches that sum keeps its own sign; only a component too
// small for that needs the measured length.
struct UnitSigns {
    bool xNegative;
    bool yNegative;
};
inline UnitSigns unitSigns(FixedVec v) {
    const uint64_t sum = uint64_t{absRaw(v.x)} + absRaw(v.y);
    const auto plain = [sum](Fixed c) { return c == 0 || (uint64_t{absRaw(c)} << 16) >= sum; };
    if (sum < (uint64_t{1} << 31) && plain(v.x) && plain(v.y)) return {v.x < 0, v.y < 0};
    const Fixed length = vecLength(v);
    return {fixDivNegative(v.x, length), fixDivNegative(v.y, length)};
}
// v scaled to a length of about 65536 raw; (0, 0) stays (0, 0).
FixedVec vecNormalise(FixedVec v);
constexpr FixedVec vecPerp(FixedVec v) { return {wrapNeg(v.y), v.x}; }

constexpr FixedVec operator+(FixedVec a, FixedVec b) { return {wrapAdd(a.x, b.x), wrapAdd(a.y, b.y)}; }
constexpr FixedVec operator-(FixedVec a, FixedVec b) { return {wrapSub(a.x, b.x), wrapSub(a.y, b.y)}; }
constexpr FixedVec operator-(FixedVec a) { return {wrapNeg(a.x), wrapNeg(a.y)}; }
constexpr FixedVec& operator+=(FixedVec& a, FixedVec b) { return a = a + b; }
constexpr FixedVec& operator-=(FixedVec& a, FixedVec b) { return a = a - b; }
// v scaled by k: both components through fixMul.
constexpr FixedVec scaled(FixedVec v, Fixed k) { return {fixMul(v.x, k), fixMul(v.y, k)}; }
inline FixedVec vecLimitMeasured(FixedVec v, Fixed maxLength) {
    const Fixed length = vecLength(v);
    if (length < maxLength) return v;
    const Fixed scale = fixDiv(maxLength, length);
    return scaled(v, scale);
}
// v divided by k: both components through fixDiv.
inline FixedVec divided(FixedVec v, Fixed k) { return {fixDiv(v.x, k), fixDiv(v.y, k)}; }
// Dot product of two vectors with fixMul products.
constexpr Fixed dotFixed(FixedVec a, FixedVec b) { return wrapAdd(fixMul(a.x, b.x), fixMul(a.y, b.y)); }

}  // namespace steering
