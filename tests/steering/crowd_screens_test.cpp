// The screens of the two crowd loops, four neighbours' copies at a time: "separation"'s
// passes exactly the touching neighbours, the correction's passes every neighbour it parts
// from (and leaves out the far ones). Each lane is held against the loop's own test.
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstdint>
#include <random>
#include <vector>

#include "steering/crowd_separation.h"
#include "steering/separation.h"
#include "world/fixed_math.h"

namespace steering {
namespace {

struct Neighbour {
    FixedVec position;
    Fixed radius;
};

// The separation loop's test of one neighbour, written out.
bool touches(FixedVec position, Fixed radius, const Neighbour& other) {
    const Fixed a = approxLength(position - other.position);
    return a < wrapAdd(wrapAdd(radius, other.radius), kFixedOne) && a != 0;
}

// The correction's test of one neighbour, written out: nearer than the kept share of the
// radii (centre to centre, exact squares).
bool near(FixedVec position, Fixed radius, const Neighbour& other) {
    const int64_t dx = wrapSub(position.x, other.position.x);
    const int64_t dy = wrapSub(position.y, other.position.y);
    const int64_t keep = (int64_t{radius} + other.radius) * kSeparationTenths / 10;
    return static_cast<uint64_t>(dx * dx) + static_cast<uint64_t>(dy * dy) < static_cast<uint64_t>(keep * keep);
}

// Runs a screen over the neighbours four at a time; lane results in order.
template <typename Screen>
std::vector<bool> screened(const std::vector<Neighbour>& neighbours, Screen screen) {
    std::vector<bool> passed;
    for (std::size_t k = 0; k < neighbours.size(); k += 4) {
        CopyLanes x{}, y{}, r{};
        for (std::size_t i = 0; i < 4 && k + i < neighbours.size(); ++i) {
            x[i] = neighbours[k + i].position.x;
            y[i] = neighbours[k + i].position.y;
            r[i] = neighbours[k + i].radius;
        }
        const CopyLanes lanes = screen(x, y, r);
        for (std::size_t i = 0; i < 4 && k + i < neighbours.size(); ++i) {
            EXPECT_TRUE(lanes[i] == 0 || lanes[i] == -1) << "lane " << i << " is neither all ones nor zero";
            passed.push_back(lanes[i] != 0);
        }
    }
    return passed;
}

// Neighbours round an agent: along each axis and the diagonals at distances just inside and
// outside both loops' thresholds, on the same point, past the wrap, with huge and negative
// radii, then random ones at distances of the same order.
std::vector<Neighbour> neighboursOf(FixedVec p, Fixed radius, std::mt19937& random) {
    std::vector<Neighbour> out;
    const Fixed radii[] = {radius, radius / 3, wrapMul(2, radius), 0, -radius, INT32_MAX, INT32_MIN, (1 << 30) - 1, 1 << 30};
    for (const Fixed r : radii) {
        const int64_t sum = int64_t{radius} + r;
        const int64_t keep = sum * kSeparationTenths / 10;
        const int64_t touch = sum + kFixedOne;
        for (const int64_t d : {keep - 1, keep, keep + 1, touch - 1, touch, touch + 1, int64_t{0}, int64_t{1}}) {
            const Fixed step = static_cast<Fixed>(d);
            const Fixed diagonal = static_cast<Fixed>(d * 7 / 10);
            for (const FixedVec offset : {FixedVec{step, 0}, FixedVec{0, wrapNeg(step)}, FixedVec{diagonal, diagonal},
                                          FixedVec{wrapNeg(diagonal), diagonal}, FixedVec{step, diagonal / 2}}) {
                out.push_back({p + offset, r});
            }
        }
    }
    // Differences at the ends of the 32-bit range.
    out.push_back({{wrapSub(p.x, INT32_MIN), p.y}, radius});
    out.push_back({{p.x, wrapAdd(p.y, INT32_MAX)}, radius});
    out.push_back({{wrapAdd(p.x, INT32_MIN), wrapAdd(p.y, INT32_MIN)}, INT32_MAX});
    const int32_t scale = std::clamp<int32_t>(radius, 1 << 16, 1 << 28);
    std::uniform_int_distribution<int32_t> spread(-3 * scale, 3 * scale);
    std::uniform_int_distribution<int32_t> size(0, 2 * scale);
    for (int i = 0; i < 400; ++i) out.push_back({{wrapAdd(p.x, spread(random)), wrapAdd(p.y, spread(random))}, size(random)});
    return out;
}

TEST(CrowdScreensTest, SeparationPassesExactlyTheTouchingNeighbours) {
    std::mt19937 random(5);
    int touching = 0, apart = 0;
    const FixedVec places[] = {{100 << 16, 200 << 16}, {0, 0}, {INT32_MAX, INT32_MIN}, {-(7 << 16), 3 << 16}};
    for (const FixedVec p : places) {
        for (const Fixed radius : {Fixed{16 << 16}, Fixed{100 << 16}, Fixed{0}, Fixed{1}, Fixed{INT32_MAX - 5}, Fixed{-(20 << 16)}}) {
            const std::vector<Neighbour> neighbours = neighboursOf(p, radius, random);
            const std::vector<bool> passed = screened(neighbours, [&](CopyLanes x, CopyLanes y, CopyLanes r) {
                return touchingLanes(p, radius, x, y, r);
            });
            for (std::size_t i = 0; i < neighbours.size(); ++i) {
                const bool expected = touches(p, radius, neighbours[i]);
                ASSERT_EQ(passed[i], expected) << "neighbour " << i << " radius " << radius;
                (expected ? touching : apart) += 1;
            }
        }
    }
    EXPECT_GT(touching, 1000);
    EXPECT_GT(apart, 1000);
}

TEST(CrowdScreensTest, TheCorrectionPassesEveryNearNeighbourAndFewFarOnes) {
    std::mt19937 random(6);
    int nearOnes = 0, farRejected = 0, farPassed = 0;
    const FixedVec places[] = {{100 << 16, 200 << 16}, {0, 0}, {INT32_MAX, INT32_MIN}, {-(7 << 16), 3 << 16}};
    for (const FixedVec p : places) {
        for (const Fixed radius : {Fixed{16 << 16}, Fixed{100 << 16}, Fixed{0}, Fixed{1}, Fixed{(1 << 30) - 1},
                                   Fixed{1 << 30}, Fixed{-(20 << 16)}}) {
            const std::vector<Neighbour> neighbours = neighboursOf(p, radius, random);
            const std::vector<bool> passed = screened(neighbours, [&](CopyLanes x, CopyLanes y, CopyLanes r) {
                return mayBeNearLanes(p, radius, x, y, r);
            });
            for (std::size_t i = 0; i < neighbours.size(); ++i) {
                if (near(p, radius, neighbours[i])) {
                    ASSERT_TRUE(passed[i]) << "near neighbour " << i << " radius " << radius;
                    ++nearOnes;
                    continue;
                }
                // Far by a clear margin (twice the kept share and a raw unit, in range radii): left out.
                const Neighbour& n = neighbours[i];
                const bool inRange = radius >= 0 && radius < (1 << 30) && n.radius >= 0 && n.radius < (1 << 30);
                if (!inRange) {
                    farPassed += passed[i] ? 1 : 0;
                    continue;
                }
                const int64_t dx = wrapSub(p.x, n.position.x), dy = wrapSub(p.y, n.position.y);
                const int64_t keep = (int64_t{radius} + n.radius) * kSeparationTenths / 10;
                if (static_cast<uint64_t>(dx * dx) + static_cast<uint64_t>(dy * dy) >= static_cast<uint64_t>(4 * (keep + 1) * (keep + 1))) {
                    ASSERT_FALSE(passed[i]) << "far neighbour " << i << " radius " << radius;
                    ++farRejected;
                }
            }
        }
    }
    EXPECT_GT(nearOnes, 500);
    EXPECT_GT(farRejected, 1000);
    // Radii past the screen's range are passed untested.
    EXPECT_GT(farPassed, 0);
}

}  // namespace
}  // namespace steering
