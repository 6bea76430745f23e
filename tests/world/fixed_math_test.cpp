// Fixed-point arithmetic against double-precision references and its documented edges.
#include "world/fixed_math.h"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>
#include <random>
#include <vector>


namespace steering {
namespace {

constexpr int kSamples = 200000;

double lengthOf(FixedVec v) { return std::hypot(static_cast<double>(v.x), static_cast<double>(v.y)); }

TEST(FixMul, MatchesFlooredDoubleProductWhereExact) {
    std::mt19937 rng(7);
    // Products below 2^46: exact in double, and the shifted result fits in 32 bits.
    std::uniform_int_distribution<int32_t> any(-(1 << 23), 1 << 23);
    for (int i = 0; i < kSamples; ++i) {
        const Fixed a = any(rng);
        const Fixed b = any(rng);
        const double reference = std::floor(static_cast<double>(a) * b / 65536.0);
        ASSERT_EQ(fixMul(a, b), static_cast<int64_t>(reference)) << a << " * " << b;
    }
}

TEST(FixMul, RoundsTowardMinusInfinityAndWraps) {
    EXPECT_EQ(fixMul(-1, 1), -1);  // -1/65536 floors to -1 raw
    EXPECT_EQ(fixMul(1, 1), 0);
    EXPECT_EQ(fixMul(3 * kFixedOne, -2 * kFixedOne), -6 * kFixedOne);
    // 200 * 200 = 40000 units does not fit; the low 32 bits of the shifted product remain.
    const int64_t full = (static_cast<int64_t>(200 * kFixedOne) * (200 * kFixedOne)) >> 16;
    EXPECT_EQ(fixMul(200 * kFixedOne, 200 * kFixedOne), static_cast<int32_t>(static_cast<uint32_t>(full)));
    EXPECT_EQ(fixMul(std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::min()), 0);
}

TEST(FixDiv, MatchesTruncatedDoubleQuotient) {
    std::mt19937 rng(11);
    std::uniform_int_distribution<int32_t> any(std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max());
    int checked = 0;
    for (int i = 0; i < kSamples; ++i) {
        const Fixed a = any(rng) >> (i % 24);
        const Fixed b = any(rng) >> (i % 17);
        if (b == 0) continue;
        const double reference = std::trunc(static_cast<double>(a) * 65536.0 / b);
        if (reference > std::numeric_limits<int32_t>::max() || reference < std::numeric_limits<int32_t>::min()) continue;
        // The double quotient of a 48-bit dividend is within one raw unit of the exact one;
        // where it is not an integer, truncation must agree.
        const int64_t exact = (static_cast<int64_t>(a) * 65536) / b;
        ASSERT_LE(std::abs(static_cast<double>(exact) - reference), 1.0);
        ASSERT_EQ(fixDiv(a, b), exact) << a << " / " << b;
        ++checked;
    }
    EXPECT_GT(checked, kSamples / 4);
}

// The double quotient stands in for the 64-bit division only where it is provably the
// same: check both sides of that boundary and the operands that make it tightest (divisors
// near 2^31, quotients just below whole numbers) against the 64-bit division.
TEST(FixDiv, DoubleQuotientEqualsTheWideDivisionAtItsBounds) {
    constexpr Fixed kMax = std::numeric_limits<int32_t>::max();
    constexpr Fixed kMin = std::numeric_limits<int32_t>::min();
    std::mt19937 rng(13);
    std::uniform_int_distribution<int32_t> any(kMin, kMax);
    int doubled = 0;
    auto check = [&doubled](int64_t a64, int64_t b64) {
        if (a64 < kMin || a64 > kMax || b64 < kMin || b64 > kMax || b64 == 0) return;
        const Fixed a = static_cast<Fixed>(a64), b = static_cast<Fixed>(b64);
        const bool fits = quotientFitsDouble(a, b);
        // The rule written out: |a| < 64 |b|.
        ASSERT_EQ(fits, std::abs(a64) < 64 * std::abs(b64)) << a << " / " << b;
        if (fits) {
            ++doubled;
            ASSERT_EQ(quotientByDouble(a, b), (a64 * 65536) / b64) << a << " / " << b;
        }
        ASSERT_EQ(fixDiv(a, b), fixDivWide(a, b)) << a << " / " << b;
    };
    const int64_t divisors[] = {1, -1, 2, 3, 65535, 65536, 65537, kMax, kMax - 1, kMin, kMin + 1, 1 << 30, 46341};
    for (const int64_t b : divisors) {
        for (int64_t k = -3; k <= 3; ++k) {
            check(64 * b + k, b);       // the edge of the rule, both signs
            check(-64 * b + k, b);
            check(b + k, b);            // quotients near 65536
            check(b / 3 + k, b);
            check(k, b);
        }
    }
    for (int i = 0; i < kSamples; ++i) {
        const int64_t b = any(rng) >> (i % 31);
        // Just below a whole quotient q: a * 65536 = q * b - 1, rounded to a whole a.
        const int64_t q = (any(rng) >> (i % 29 + 3));
        const int64_t a = (q * b - 1) / 65536;
        check(a, b);
        check(a + 1, b);
        check(any(rng) >> (i % 23), b);
    }
    EXPECT_GT(doubled, kSamples);
}

TEST(FixDiv, TruncatesTowardZero) {
    EXPECT_EQ(fixDiv(kFixedOne, 3 * kFixedOne), 21845);
    EXPECT_EQ(fixDiv(-kFixedOne, 3 * kFixedOne), -21845);
    EXPECT_EQ(fixDiv(7, 2 * kFixedOne), 3);
    EXPECT_EQ(fixDiv(-7, 2 * kFixedOne), -3);
}

TEST(FixDiv, SaturatesInsteadOfTrapping) {
    constexpr Fixed kMax = std::numeric_limits<int32_t>::max();
    constexpr Fixed kMin = std::numeric_limits<int32_t>::min();
    EXPECT_EQ(fixDiv(kFixedOne, 0), kMax);
    EXPECT_EQ(fixDiv(0, 0), kMax);
    EXPECT_EQ(fixDiv(-kFixedOne, 0), kMin);
    EXPECT_EQ(fixDiv(30000 * kFixedOne, 1), kMax);    // quotient far above 32 bits
    EXPECT_EQ(fixDiv(30000 * kFixedOne, -1), kMin);
    EXPECT_EQ(fixDiv(kMin, -1), kMax);
    EXPECT_EQ(fixDiv(kMin, kFixedOne), kMin);          // exactly representable: no saturation
}

TEST(TruncToInt, TruncatesTowardZero) {
    EXPECT_EQ(truncToInt(-0.5), 0);
    EXPECT_EQ(truncToInt(-1.5), -1);
    EXPECT_EQ(truncToInt(1.99), 1);
    EXPECT_EQ(truncToInt(-1.99), -1);
    // The arithmetic shift of a negative Fixed rounds the other way.
    EXPECT_EQ(toWhole(-kFixedOne / 2), -1);
    EXPECT_EQ(toWhole(-3 * kFixedOne / 2), -2);
}

TEST(TruncToInt, KeepsLowBitsAndMapsIndefiniteValues) {
    EXPECT_EQ(truncToInt(4294967296.0 + 5.0), 5);       // 2^32 + 5: low 32 bits
    EXPECT_EQ(truncToInt(2147483648.0), std::numeric_limits<int32_t>::min());
    EXPECT_EQ(truncToInt(-2147483649.0), std::numeric_limits<int32_t>::max());
    EXPECT_EQ(truncToInt(std::nan("")), 0);
    EXPECT_EQ(truncToInt(1e30), 0);
    EXPECT_EQ(truncToInt(-1e30), 0);
    EXPECT_EQ(truncToInt(std::numeric_limits<double>::infinity()), 0);
    EXPECT_EQ(truncToInt64(std::nan("")), std::numeric_limits<int64_t>::min());
    EXPECT_EQ(truncToInt64(9223372036854775808.0), std::numeric_limits<int64_t>::min());
    EXPECT_EQ(truncToInt64(-9223372036854775808.0), std::numeric_limits<int64_t>::min());
    EXPECT_EQ(truncToInt64(9007199254740993.0), 9007199254740992);  // rounds on conversion to double
}

TEST(Isqrt, IsTheTruncatedRootAtEveryPerfectSquareBoundary) {
    for (uint32_t n = 1; n <= 65535; ++n) {
        const uint32_t square = n * n;
        ASSERT_EQ(isqrt(square), n);
        ASSERT_EQ(isqrt(square - 1), n - 1);
    }
    EXPECT_EQ(isqrt(0), 0u);
    EXPECT_EQ(isqrt(0xFFFFFFFFu), 65535u);
}

TEST(ApproxLength, NeverUnderestimatesAndStaysWithinTwelvePercent) {
    std::mt19937 rng(3);
    std::uniform_int_distribution<int32_t> any(-(1 << 30), 1 << 30);
    for (int i = 0; i < kSamples; ++i) {
        const FixedVec v{any(rng), any(rng)};
        const double truth = lengthOf(v);
        const double approx = static_cast<double>(static_cast<uint32_t>(approxLength(v)));
        ASSERT_GE(approx + 1.0, truth);  // + 1: the halving truncates
        ASSERT_LE(approx, truth * 1.1181);
    }
    EXPECT_EQ(approxLength({-3 * kFixedOne, 4 * kFixedOne}), 4 * kFixedOne + 3 * kFixedOne / 2);
    EXPECT_EQ(approxLength({5, -3}), 6);  // 5 + (3 >> 1)
}

TEST(VecLength, RangeBoundaries) {
    EXPECT_EQ(vecLength({196608, 262144}), 327680);  // 3-4-5 units
    EXPECT_EQ(vecLength({4095, 0}), 4095);           // small range: exact
    EXPECT_EQ(vecLength({4096, 0}), 4096);           // middle range
    EXPECT_EQ(vecLength({0, -4095}), 4095);
    EXPECT_EQ(vecLength({4194303, 0}), 4194303 & ~0xFF);      // last middle value: multiple of 256
    EXPECT_EQ(vecLength({4194304, 0}), 4194304);              // first large value: 64 units
    EXPECT_EQ(vecLength({4194304 + 262143, 0}), 4194304);     // large range keeps multiples of 4 units
    EXPECT_EQ(vecLength({0, 0}), 0);
}

TEST(VecLength, TracksTheTrueLengthWithinEachRangesPrecision) {
    std::mt19937 rng(5);
    for (int i = 0; i < kSamples; ++i) {
        const int shift = i % 20;  // spreads the samples over all three ranges
        std::uniform_int_distribution<int32_t> any(-(1 << (11 + shift)), 1 << (11 + shift));
        const FixedVec v{any(rng), any(rng)};
        const double truth = lengthOf(v);
        const double got = vecLength(v);
        const uint32_t bits = absRaw(v.x) | absRaw(v.y);
        // Truncating each component to the range's step loses less than one step in each,
        // and the root and the shift lose one more.
        const double step = (bits & 0xFFFFF000u) == 0 ? 1.0 : (bits & 0xFFC00000u) == 0 ? 256.0 : 262144.0;
        ASSERT_LE(got, truth + 0.001) << v.x << "," << v.y;
        ASSERT_GE(got, truth - 3.0 * step) << v.x << "," << v.y;
        ASSERT_EQ(static_cast<int64_t>(got) % static_cast<int64_t>(step), 0);
    }
}

TEST(VecLimit, ShorterVectorsPassUnchanged) {
    const FixedVec v{30 * kFixedOne, 40 * kFixedOne};  // length 50
    EXPECT_EQ(vecLimit(v, 50 * kFixedOne + 1), v);
}

TEST(VecLimit, ExactlyMaxLengthTakesTheRescalingPathAndComesBackUnchanged) {
    const FixedVec v{30 * kFixedOne, 40 * kFixedOne};
    ASSERT_EQ(vecLength(v), 50 * kFixedOne);
    EXPECT_EQ(fixDiv(50 * kFixedOne, vecLength(v)), kFixedOne);
    EXPECT_EQ(vecLimit(v, 50 * kFixedOne), v);
}

TEST(VecLimit, OneRawUnitTooLongIsCutBack) {
    // Below 1/16 unit lengths are exact: 101 raw against 100 scales by 100 * 65536 / 101 =
    // 64887 (truncated), and 101 * 64887 = 6553587 >> 16 = 99.
    EXPECT_EQ(vecLimit(FixedVec{101, 0}, 100), (FixedVec{99, 0}));
}

// The limit written out in full (measure, compare, rescale), against which the quick pass
// for short vectors must give the very same vector, limits of every sign included.
FixedVec limitedInFull(FixedVec v, Fixed maxLength) {
    const Fixed length = vecLength(v);
    if (length < maxLength) return v;
    return scaled(v, fixDiv(maxLength, length));
}

TEST(VecLimit, TheQuickPassAgreesWithTheFullRule) {
    std::mt19937 rng(27);
    std::uniform_int_distribution<int32_t> any(INT32_MIN, INT32_MAX);
    std::uniform_int_distribution<int> shift(0, 31);
    std::uniform_int_distribution<int32_t> limit(-100 * kFixedOne, 100 * kFixedOne);
    int quick = 0;
    for (int i = 0; i < 400000; ++i) {
        const FixedVec v{any(rng) >> shift(rng), any(rng) >> shift(rng)};
        const Fixed maxLength = i % 5 == 0 ? any(rng) : limit(rng);
        ASSERT_EQ(vecLimit(v, maxLength), limitedInFull(v, maxLength)) << v.x << "," << v.y << " max " << maxLength;
        if (maxLength > 0 && int64_t{absRaw(v.x)} + absRaw(v.y) < maxLength) ++quick;
    }
    EXPECT_GT(quick, 10000);
    // A negative limit never passes a vector unchanged; zero is no exception either.
    EXPECT_EQ(vecLimit(FixedVec{3 * kFixedOne, 0}, -kFixedOne), limitedInFull(FixedVec{3 * kFixedOne, 0}, -kFixedOne));
    EXPECT_NE(vecLimit(FixedVec{3 * kFixedOne, 0}, -kFixedOne), (FixedVec{3 * kFixedOne, 0}));
    EXPECT_EQ(vecLimit(FixedVec{}, 0), limitedInFull(FixedVec{}, 0));
}

TEST(VecLimit, LongerVectorsComeOutAtMaxLengthInTheSameDirection) {
    std::mt19937 rng(9);
    std::uniform_int_distribution<int32_t> component(-(1 << 28), 1 << 28);
    std::uniform_int_distribution<int32_t> limit(kFixedOne, 100 * kFixedOne);
    int limited = 0;
    for (int i = 0; i < kSamples / 4; ++i) {
        const FixedVec v{component(rng) >> (i % 12), component(rng) >> (i % 12)};
        const Fixed maxLength = limit(rng);
        const FixedVec out = vecLimit(v, maxLength);
        const Fixed measured = vecLength(v);
        if (measured < maxLength) {
            ASSERT_EQ(out, v);
            continue;
        }
        ++limited;
        // Error sources: the scale is a truncated 16.16 ratio, and the measured length is
        // short of the truth by up to a few range steps.
        const double scale = fixDiv(maxLength, measured);
        const double truth = lengthOf(v);
        const double got = lengthOf(out);
        const double expected = truth * scale / 65536.0;
        ASSERT_NEAR(got, expected, 3.0) << v.x << "," << v.y << " max " << maxLength;
        ASSERT_LE(got, maxLength * truth / measured + 3.0);
        ASSERT_GE(got, maxLength * (1.0 - 1.0 / scale) - 3.0);
        // Same direction: both components went through the same scale.
        const double cross = static_cast<double>(out.x) * v.y - static_cast<double>(out.y) * v.x;
        ASSERT_LE(std::abs(cross) / truth, 2.0);
    }
    EXPECT_GT(limited, kSamples / 8);
}

// The root by its definition (the largest r with r * r <= x), found by bisection.
uint32_t rootByDefinition(uint32_t x) {
    uint64_t low = 0, high = 65536;  // low * low <= x < high * high
    while (high - low > 1) {
        const uint64_t middle = (low + high) / 2;
        (middle * middle <= x ? low : high) = middle;
    }
    return static_cast<uint32_t>(low);
}

// The three-range length and the limit as first written (out of line, one range after the
// other), with the root by definition: the inline forms must give the same bits.
Fixed lengthAsWritten(FixedVec v) {
    const uint32_t a = absRaw(v.x);
    const uint32_t b = absRaw(v.y);
    if (((a | b) & 0xFFFFF000u) == 0) return static_cast<Fixed>(rootByDefinition(a * a + b * b));
    if (((a | b) & 0xFFC00000u) != 0) {
        return static_cast<Fixed>(rootByDefinition((a >> 18) * (a >> 18) + (b >> 18) * (b >> 18)) << 18);
    }
    return static_cast<Fixed>(rootByDefinition((a >> 8) * (a >> 8) + (b >> 8) * (b >> 8)) << 8);
}

FixedVec limitAsWritten(FixedVec v, Fixed maxLength) {
    const Fixed length = lengthAsWritten(v);
    if (length < maxLength) return v;
    return scaled(v, fixDivWide(maxLength, length));
}

// Components at every edge: zero, one, the range masks' bounds, powers of two and one
// below them, the largest magnitudes, each with both signs.
std::vector<int32_t> edgeComponents() {
    std::vector<int32_t> values = {0, 1, 2, 3, 0xFFF, 0x1000, 0x1001, 0x3FFFFF, 0x400000, 0x400001,
                                   std::numeric_limits<int32_t>::max(), 46340, 46341, 65535, 65536};
    for (int k = 1; k < 31; ++k) {
        values.push_back(int32_t{1} << k);
        values.push_back((int32_t{1} << k) - 1);
        values.push_back((int32_t{1} << k) + 1);
    }
    const std::size_t positive = values.size();
    for (std::size_t i = 0; i < positive; ++i) values.push_back(-values[i]);
    values.push_back(std::numeric_limits<int32_t>::min());
    return values;
}

TEST(Isqrt, MeetsItsDefinitionAtEdgesAndAtRandom) {
    std::vector<uint32_t> inputs = {0, 1, 2, 3, 0xFFFFFFFFu, 0xFFFFFFFEu, 0xFFFE0001u, 0xFFFE0000u, 0x80000000u};
    for (int k = 0; k < 32; ++k) {
        inputs.push_back(uint32_t{1} << k);
        inputs.push_back((uint32_t{1} << k) - 1);
        inputs.push_back((uint32_t{1} << k) + 1);
    }
    std::mt19937 rng(41);
    std::uniform_int_distribution<uint32_t> any(0, 0xFFFFFFFFu);
    for (int i = 0; i < kSamples; ++i) inputs.push_back(any(rng) >> (i % 32));
    for (const uint32_t x : inputs) ASSERT_EQ(isqrt(x), rootByDefinition(x)) << x;
}

TEST(VecLength, TheInlineFormGivesTheWrittenRulesBits) {
    const std::vector<int32_t> edges = edgeComponents();
    for (const int32_t x : edges) {
        for (const int32_t y : edges) ASSERT_EQ(vecLength({x, y}), lengthAsWritten({x, y})) << x << "," << y;
    }
    // The largest range's root times 2^18 passes 2^31 and wraps negative, as it always did.
    EXPECT_LT(vecLength({std::numeric_limits<int32_t>::min(), 0}), 0);
    EXPECT_LT(vecLength({1540000000, -1540000000}), 0);
    std::mt19937 rng(43);
    std::uniform_int_distribution<int32_t> any(std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max());
    for (int i = 0; i < kSamples; ++i) {
        const FixedVec v{any(rng) >> (i % 31), any(rng) >> ((i / 31) % 31)};
        ASSERT_EQ(vecLength(v), lengthAsWritten(v)) << v.x << "," << v.y;
    }
}

TEST(VecLimit, TheInlineFormGivesTheWrittenRulesBits) {
    const std::vector<int32_t> edges = edgeComponents();
    const Fixed limits[] = {1, 2, 0xFFF, 0x1000, 100, 255, 256, 257, 35 * kFixedOne, 50 * kFixedOne,
                            86 * kFixedOne, 0x400000, std::numeric_limits<int32_t>::max(), 0, -1,
                            std::numeric_limits<int32_t>::min()};
    int cut = 0;
    for (const Fixed maxLength : limits) {
        for (const int32_t x : edges) {
            for (const int32_t y : edges) {
                const FixedVec expected = limitAsWritten({x, y}, maxLength);
                ASSERT_EQ(vecLimit({x, y}, maxLength), expected) << x << "," << y << " max " << maxLength;
                if (!(expected == FixedVec{x, y})) ++cut;
            }
        }
    }
    EXPECT_GT(cut, 10000);
    std::mt19937 rng(47);
    std::uniform_int_distribution<int32_t> any(std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max());
    std::uniform_int_distribution<int32_t> force(0, 100 * kFixedOne);
    for (int i = 0; i < kSamples; ++i) {
        const FixedVec v{any(rng) >> (i % 31), any(rng) >> ((i / 31) % 31)};
        const Fixed maxLength = i % 3 == 0 ? any(rng) >> (i % 29) : force(rng);
        ASSERT_EQ(vecLimit(v, maxLength), limitAsWritten(v, maxLength)) << v.x << "," << v.y << " max " << maxLength;
    }
}

TEST(FixDivNegative, AgreesWithTheQuotientsSignAtEdgesAndAtRandom) {
    const std::vector<int32_t> edges = edgeComponents();
    int negative = 0;
    for (const int32_t a : edges) {
        for (const int32_t b : edges) {
            const bool expected = fixDiv(a, b) < 0;
            ASSERT_EQ(fixDivNegative(a, b), expected) << a << " / " << b;
            negative += expected ? 1 : 0;
        }
    }
    EXPECT_GT(negative, static_cast<int>(edges.size() * edges.size() / 8));
    // Around |a| * 65536 == |b|, where the truncated quotient passes between 0 and -1.
    for (const int32_t a : {1, 2, 3, 40, 255, 32767}) {
        for (const int32_t d : {-1, 0, 1}) {
            const int32_t b = a * 65536 + d;
            ASSERT_EQ(fixDivNegative(-a, b), fixDiv(-a, b) < 0) << -a << " / " << b;
            ASSERT_EQ(fixDivNegative(a, -b), fixDiv(a, -b) < 0) << a << " / " << -b;
        }
    }
    EXPECT_TRUE(fixDivNegative(-40, 40 * 65536));
    EXPECT_FALSE(fixDivNegative(-40, 40 * 65536 + 1));
    std::mt19937 rng(53);
    std::uniform_int_distribution<int32_t> any(std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max());
    for (int i = 0; i < kSamples; ++i) {
        const int32_t a = any(rng) >> (i % 32);
        const int32_t b = any(rng) >> ((i / 32) % 32);
        ASSERT_EQ(fixDivNegative(a, b), fixDiv(a, b) < 0) << a << " / " << b;
    }
}

// The signs as first read: the unit vector's components, divided out.
UnitSigns unitSignsAsWritten(FixedVec v) {
    const Fixed length = lengthAsWritten(v);
    const FixedVec unit = length != 0 ? FixedVec{fixDivWide(v.x, length), fixDivWide(v.y, length)} : v;
    return {unit.x < 0, unit.y < 0};
}

TEST(UnitSigns, GiveTheDividedUnitVectorsSignsAtEdgesAndAtRandom) {
    const auto check = [](FixedVec v) {
        const UnitSigns got = unitSigns(v);
        const UnitSigns expected = unitSignsAsWritten(v);
        ASSERT_EQ(got.xNegative, expected.xNegative) << v.x << "," << v.y;
        ASSERT_EQ(got.yNegative, expected.yNegative) << v.x << "," << v.y;
    };
    const std::vector<int32_t> edges = edgeComponents();
    for (const int32_t x : edges) {
        for (const int32_t y : edges) check({x, y});
    }
    // A component whose unit share truncates to 0 is not negative; one raw unit more and it is.
    EXPECT_FALSE(unitSigns({-38, 40 * kFixedOne}).xNegative);
    EXPECT_TRUE(unitSigns({-40, 40 * kFixedOne}).xNegative);
    EXPECT_FALSE(unitSigns({40 * kFixedOne, -39}).yNegative);
    // Past 2^31 raw the length wraps negative and the signs turn over.
    EXPECT_FALSE(unitSigns({std::numeric_limits<int32_t>::min(), 0}).xNegative);
    std::mt19937 rng(59);
    std::uniform_int_distribution<int32_t> any(std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max());
    std::uniform_int_distribution<int32_t> small(-64, 64);
    for (int i = 0; i < kSamples; ++i) {
        const int32_t big = any(rng) >> (i % 31);
        check(i % 2 == 0 ? FixedVec{big, any(rng) >> ((i / 31) % 31)} : FixedVec{small(rng), big});
    }
}

TEST(VecNormalise, DocumentedValues) {
    EXPECT_EQ(vecNormalise({0, 0}), (FixedVec{0, 0}));
    EXPECT_EQ(vecNormalise({kFixedOne, 0}), (FixedVec{65536, 0}));
    EXPECT_EQ(vecNormalise({1, 0}), (FixedVec{65536, 0}));  // d = isqrt(64) = 8, k = 65536
    EXPECT_EQ(vecNormalise({0, -1}), (FixedVec{0, -65536}));
    EXPECT_EQ(vecNormalise({0, 64 * kFixedOne}), (FixedVec{0, 65536}));   // large range: d 16, k 1024
    EXPECT_EQ(vecNormalise({-1000 * kFixedOne / 256, 0}), (FixedVec{-65536, 0}));  // middle range: d 1000
    // 100 units: d = 25 and k = 16384 / 25 truncates to 655, so the result falls a little short.
    EXPECT_EQ(vecNormalise({0, 100 * kFixedOne}), (FixedVec{0, 65500}));
}

TEST(VecNormalise, TinyVectorsStillPointTheRightWay) {
    for (int32_t x = -40; x <= 40; ++x) {
        for (int32_t y = -40; y <= 40; ++y) {
            if (x == 0 && y == 0) continue;
            const FixedVec n = vecNormalise({x, y});
            const double len = lengthOf(n);
            // Small range: k = 0x80000 / isqrt(64 * |v|^2) keeps the length within 1/8 of a unit
            // even for the tiniest vectors.
            ASSERT_NEAR(len, 65536.0, 65536.0 / 8.0) << x << "," << y;
            const double cross = static_cast<double>(n.x) * y - static_cast<double>(n.y) * x;
            ASSERT_NEAR(cross, 0.0, 1e-9);  // k * v: exactly parallel
        }
    }
}

TEST(VecNormalise, UnitLengthAcrossRangesAgainstDouble) {
    std::mt19937 rng(13);
    for (int i = 0; i < kSamples; ++i) {
        const int shift = i % 20;
        std::uniform_int_distribution<int32_t> any(-(1 << (11 + shift)), 1 << (11 + shift));
        const FixedVec v{any(rng), any(rng)};
        if (v.x == 0 && v.y == 0) continue;
        const FixedVec n = vecNormalise(v);
        const double truth = lengthOf(v);
        // Two error sources: the range's length measure is up to a few steps short of the
        // truth (result too long), and the factor k is truncated (result too short by up to
        // one k step: the whole length in the small range, length / 65536 in the others).
        const uint32_t bits = absRaw(v.x) | absRaw(v.y);
        const bool small = (bits & 0xFFFFF000u) == 0;
        const double step = small ? 1.0 / 8.0 : (bits & 0xFFC00000u) == 0 ? 256.0 : 262144.0;
        const double kStep = small ? truth : truth / 65536.0;
        const double worst = 65536.0 * (2.5 * step) / std::max(truth - 2.5 * step, 1.0) + kStep + 2.0;
        ASSERT_NEAR(lengthOf(n), 65536.0, worst) << v.x << "," << v.y;
        ASSERT_NEAR(n.x, v.x / truth * lengthOf(n), 2.0);
        ASSERT_NEAR(n.y, v.y / truth * lengthOf(n), 2.0);
    }
}

TEST(VecPerp, TurnsAQuarterTowardPositiveY) {
    EXPECT_EQ(vecPerp({kFixedOne, 0}), (FixedVec{0, kFixedOne}));
    EXPECT_EQ(vecPerp({0, kFixedOne}), (FixedVec{-kFixedOne, 0}));
    EXPECT_EQ(vecPerp({std::numeric_limits<int32_t>::min(), 3}), (FixedVec{-3, std::numeric_limits<int32_t>::min()}));
    // The negation of the most negative value wraps instead of overflowing.
    EXPECT_EQ(vecPerp({0, std::numeric_limits<int32_t>::min()}).x, std::numeric_limits<int32_t>::min());
}

TEST(WrapArithmetic, WrapsWithoutOverflow) {
    constexpr int32_t kMax = std::numeric_limits<int32_t>::max();
    constexpr int32_t kMin = std::numeric_limits<int32_t>::min();
    EXPECT_EQ(wrapAdd(kMax, 1), kMin);
    EXPECT_EQ(wrapSub(kMin, 1), kMax);
    EXPECT_EQ(wrapNeg(kMin), kMin);
    EXPECT_EQ(wrapMul(65536, 65536), 0);
    EXPECT_EQ(absRaw(kMin), 2147483648u);
    EXPECT_EQ((FixedVec{kMax, 0} + FixedVec{1, 0}).x, kMin);
}

TEST(CountBits, AgreesWithStdPopcountOnEveryWindowAndAtRandom) {
    // Every 16-bit value (the progress window is 15 bits), each also with high bits set.
    for (uint32_t x = 0; x <= 0xFFFFu; ++x) {
        ASSERT_EQ(countBits(x), std::popcount(x)) << x;
        ASSERT_EQ(countBits(x | 0xFFFF0000u), std::popcount(x | 0xFFFF0000u)) << x;
        ASSERT_EQ(countBits(x << 16), std::popcount(x << 16)) << x;
    }
    EXPECT_EQ(countBits(0xFFFFFFFFu), 32);
    EXPECT_EQ(countBits(0x80000001u), 2);
    std::mt19937 rng(71);
    for (int i = 0; i < kSamples; ++i) {
        const uint32_t x = static_cast<uint32_t>(rng());
        ASSERT_EQ(countBits(x), std::popcount(x)) << x;
    }
}

}  // namespace
}  // namespace steering
