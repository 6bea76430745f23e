// The double-precision vector helpers shared by steering_walls and steering_basic.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <random>

#include "programs/small_kit/double_vec.h"

namespace small_kit {
namespace {

constexpr double nan = std::numeric_limits<double>::quiet_NaN();
constexpr double inf = std::numeric_limits<double>::infinity();

TEST(DoubleVec, LimitAgreesWithLongDoubleReferenceOverManyInputs) {
    std::mt19937_64 engine(7);
    std::uniform_real_distribution<double> coordinate(-500.0, 500.0);
    std::uniform_real_distribution<double> limit(0.01, 400.0);
    for (int i = 0; i < 20000; ++i) {
        const DoubleVec v{coordinate(engine), coordinate(engine)};
        const double maxLength = limit(engine);
        const DoubleVec got = vecLimit(v, maxLength);
        const long double l = std::sqrt(static_cast<long double>(v.x) * v.x + static_cast<long double>(v.y) * v.y);
        const long double scale = l > maxLength ? maxLength / l : 1.0L;
        EXPECT_NEAR(got.x, static_cast<double>(v.x * scale), 1e-12 * (1.0 + std::fabs(v.x)));
        EXPECT_NEAR(got.y, static_cast<double>(v.y * scale), 1e-12 * (1.0 + std::fabs(v.y)));
        EXPECT_LE(length(got), maxLength * (1.0 + 1e-15));
    }
}

TEST(DoubleVec, NormaliseGivesUnitVectorsAlongTheInput) {
    std::mt19937_64 engine(11);
    std::uniform_real_distribution<double> coordinate(-1e6, 1e6);
    for (int i = 0; i < 20000; ++i) {
        const DoubleVec v{coordinate(engine), coordinate(engine)};
        const DoubleVec u = vecNormalise(v);
        EXPECT_NEAR(length(u), 1.0, 1e-15);
        // Same direction: the cross product vanishes and the dot product is the length.
        EXPECT_NEAR(u.x * v.y - u.y * v.x, 0.0, 1e-9 * length(v));
        EXPECT_NEAR(dot(u, v), length(v), 1e-9 * length(v));
    }
}

TEST(DoubleVec, ZeroAndNotANumberLimitAndNormaliseToZero) {
    EXPECT_EQ(vecLimit({0.0, 0.0}, 3.0), (DoubleVec{0.0, 0.0}));
    EXPECT_EQ(vecLimit({nan, 1.0}, 3.0), (DoubleVec{0.0, 0.0}));
    EXPECT_EQ(vecNormalise({0.0, 0.0}), (DoubleVec{0.0, 0.0}));
    EXPECT_EQ(vecNormalise({1.0, nan}), (DoubleVec{0.0, 0.0}));
    // A vector exactly at the limit is returned unchanged.
    EXPECT_EQ(vecLimit({3.0, 4.0}, 5.0), (DoubleVec{3.0, 4.0}));
    EXPECT_EQ(vecLimit({3.0, 4.0}, 2.5), (DoubleVec{1.5, 2.0}));
}

TEST(DoubleVec, PerpTurnsAQuarterTurnClockwiseOnScreen) {
    // x right and y down: (1, 0) turns to (0, 1), pointing down.
    EXPECT_EQ(vecPerp({1.0, 0.0}), (DoubleVec{-0.0, 1.0}));
    EXPECT_EQ(vecPerp({0.0, 1.0}), (DoubleVec{-1.0, 0.0}));
    const DoubleVec h{0.6, -0.8};
    EXPECT_EQ(dot(h, vecPerp(h)), 0.0);
}

TEST(DoubleVec, TruncationIsTowardZeroAndDefinedOutOfRange) {
    EXPECT_EQ(truncToInt32(2.9), 2);
    EXPECT_EQ(truncToInt32(-2.9), -2);
    EXPECT_EQ(truncToInt32(-0.5), 0);
    EXPECT_EQ(truncToInt32(2147483647.9), 2147483647);
    EXPECT_EQ(truncToInt32(-2147483648.0), std::numeric_limits<int32_t>::min());
    EXPECT_EQ(truncToInt32(2147483648.0), std::numeric_limits<int32_t>::min());
    EXPECT_EQ(truncToInt32(-3e12), std::numeric_limits<int32_t>::min());
    EXPECT_EQ(truncToInt32(nan), std::numeric_limits<int32_t>::min());
    EXPECT_EQ(truncToInt32(inf), std::numeric_limits<int32_t>::min());
}

struct Frame {
    DoubleVec position;
    DoubleVec heading;
    DoubleVec side;
};

TEST(DoubleVec, LocalFrameRoundTripsAndMatchesRotation) {
    std::mt19937_64 engine(3);
    std::uniform_real_distribution<double> coordinate(-600.0, 600.0);
    std::uniform_real_distribution<double> angle(-3.14159, 3.14159);
    for (int i = 0; i < 5000; ++i) {
        const double a = angle(engine);
        const DoubleVec heading{std::cos(a), std::sin(a)};
        const Frame frame{{coordinate(engine), coordinate(engine)}, heading, vecPerp(heading)};
        const DoubleVec p{coordinate(engine), coordinate(engine)};
        const DoubleVec local = toLocal(frame, p);
        const DoubleVec back = toWorld(frame, local);
        EXPECT_NEAR(back.x, p.x, 1e-9);
        EXPECT_NEAR(back.y, p.y, 1e-9);
        // The local x coordinate is the distance along the heading.
        EXPECT_NEAR(local.x, dot(p - frame.position, heading), 1e-9);
        const DoubleVec direction = toWorldDirection(frame, {1.0, 0.0});
        EXPECT_NEAR(direction.x, heading.x, 1e-15);
        EXPECT_NEAR(direction.y, heading.y, 1e-15);
    }
}

TEST(DoubleVec, ZeroHeadingCollapsesTheFrameOntoThePosition) {
    const Frame resting{{50.0, 60.0}, {0.0, 0.0}, {0.0, 0.0}};
    EXPECT_EQ(toLocal(resting, {300.0, -20.0}), (DoubleVec{0.0, 0.0}));
    EXPECT_EQ(toWorld(resting, {-40.0, 20.0}), (DoubleVec{50.0, 60.0}));
}

}  // namespace
}  // namespace small_kit
