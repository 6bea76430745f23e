// The corner-move rule against a brute-force search: for an end within the clearance of
// the corner, the waypoint must give the shortest way P -> W -> N with the corner inside
// the triangle P W N (the path goes round it, on the side away from the wall) and each leg
// at least its clearance from the corner: the plain move's clearance for that leg, but no
// more than half the nearer end's distance. The search tries every W on a 2-unit grid, then a
// 0.05-unit grid round the best.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "navigation/corner_move.h"

namespace {

using nav::CornerMovePoint;
using P = CornerMovePoint;

constexpr double kClearance = 150;

double dist(P a, P b) { return std::hypot(a.x - b.x, a.y - b.y); }
double crossAt(P o, P a, P b) { return (a.x - o.x) * (b.y - o.y) - (a.y - o.y) * (b.x - o.x); }

// Distance from c to the segment a b.
double segmentDistance(P c, P a, P b) {
    const double dx = b.x - a.x, dy = b.y - a.y, l2 = dx * dx + dy * dy;
    double t = l2 > 0 ? ((c.x - a.x) * dx + (c.y - a.y) * dy) / l2 : 0;
    t = std::clamp(t, 0.0, 1.0);
    return dist(c, P{a.x + t * dx, a.y + t * dy});
}

// Distance from c to the whole line through a and b.
double lineDistance(P c, P a, P b) { return std::fabs(crossAt(a, b, c)) / dist(a, b); }

bool strictlyInside(P c, P a, P b, P d) {
    const double s1 = crossAt(a, b, c), s2 = crossAt(b, d, c), s3 = crossAt(d, a, c);
    return (s1 > 0 && s2 > 0 && s3 > 0) || (s1 < 0 && s2 < 0 && s3 < 0);
}

struct Wanted {
    double c0, c1;  // the clearances the legs must keep
    double length;  // the shortest P -> W -> N that keeps them, found by search
};

// The plain move worked out directly: the corner pushed `kClearance` against the sum of
// the unit vectors towards the two ends.
P plainMove(P p, P c, P n) {
    const double ux = (p.x - c.x) / dist(p, c) + (n.x - c.x) / dist(n, c);
    const double uy = (p.y - c.y) / dist(p, c) + (n.y - c.y) / dist(n, c);
    const double l = std::hypot(ux, uy);
    return {c.x - ux * kClearance / l, c.y - uy * kClearance / l};
}

// The shortest feasible P -> W -> N with W on a grid of `step` round `at`, half-width `half`.
double searchGrid(P p, P c, P n, const Wanted& w, P at, double half, double step, P& best) {
    double shortest = 1e300;
    for (double x = at.x - half; x <= at.x + half; x += step) {
        for (double y = at.y - half; y <= at.y + half; y += step) {
            const P q{x, y};
            const double length = dist(p, q) + dist(q, n);
            if (length >= shortest || !strictlyInside(c, p, q, n)) continue;
            if (segmentDistance(c, p, q) < w.c0 - 1e-9 || segmentDistance(c, q, n) < w.c1 - 1e-9) continue;
            shortest = length;
            best = q;
        }
    }
    return shortest;
}

Wanted search(P p, P c, P n) {
    const P w0 = plainMove(p, c, n);
    const double cap = 0.5 * std::min(dist(p, c), dist(n, c));
    Wanted out{std::min(lineDistance(c, p, w0), cap), std::min(lineDistance(c, n, w0), cap), 1e300};
    P best{};
    if (searchGrid(p, c, n, out, c, 400, 2, best) < 1e300) out.length = searchGrid(p, c, n, out, best, 8, 0.05, best);
    return out;
}

// Moves the corner and checks the result against the search: the legs keep their
// clearances, and the way is as short as the search's best (to the grid's step).
void expectShortestKeepingClearances(P p, P c, P n) {
    CornerMovePoint w{};
    ASSERT_TRUE(nav::nearEndCornerMove(p, c, n, kClearance, w));
    const Wanted wanted = search(p, c, n);
    ASSERT_LT(wanted.length, 1e300);
    EXPECT_GE(segmentDistance(c, p, w), wanted.c0 - 1e-6);
    EXPECT_GE(segmentDistance(c, w, n), wanted.c1 - 1e-6);
    EXPECT_TRUE(strictlyInside(c, p, w, n));
    const double length = dist(p, w) + dist(w, n);
    EXPECT_LE(length, wanted.length + 1e-6);
    EXPECT_GE(length, wanted.length - 0.25);  // the grid's step near a clearance's edge
    const P w0 = plainMove(p, c, n);
    EXPECT_LT(length, dist(p, w0) + dist(w0, n));
}

// A right-angled wall corner at the origin (the wall fills x > 0, y < 0), the far end
// 1000 below it, the near end 20, 75, 100 and 149 (just inside the clearance) to its right.
TEST(CornerMove, RightAngleWithTheGoalCloseToTheCorner) {
    for (const double d : {20.0, 75.0, 100.0, 149.0}) {
        SCOPED_TRACE(d);
        expectShortestKeepingClearances({-1, -1000}, {0, 0}, {d, 1});
        expectShortestKeepingClearances({d, 1}, {0, 0}, {-1, -1000});  // the start close instead
    }
}

// Shallow turns (a few degrees), the shape of the worst agent pair of maptest.raw: a goal
// 20 units past the corner and the start 390 before it, and both ends close.
TEST(CornerMove, ShallowTurnWithAnEndNearTheCorner) {
    expectShortestKeepingClearances({382, -62}, {0, 0}, {-19, 5});
    expectShortestKeepingClearances({-19, 5}, {0, 0}, {382, -62});
    expectShortestKeepingClearances({60, -8}, {0, 0}, {-70, 3});
}

// Sharp turns (the path doubles back round the end of a wall, 130 to 140 degrees), the near
// end 30 and 60 units from the corner.
TEST(CornerMove, SharpTurnWithAnEndNearTheCorner) {
    expectShortestKeepingClearances({-40, -600}, {0, 0}, {19.3, -23.0});
    expectShortestKeepingClearances({19.3, -23.0}, {0, 0}, {-40, -600});
    expectShortestKeepingClearances({-40, -600}, {0, 0}, {46.0, -38.6});
}

// Where the rule leaves the plain move alone: an end exactly at the clearance or farther
// (just inside it the far leg's 149.5 drops to 74.5), an end on the corner itself, legs
// straight through the corner, no clearance; and a sharp turn whose plain legs already keep
// less than half the near end's distance (35.2 and 17.6 against 50).
TEST(CornerMove, KeepsThePlainMoveWhereNoEndIsNear) {
    CornerMovePoint w{};
    EXPECT_FALSE(nav::nearEndCornerMove({-2000, -20}, {0, 0}, {150, 0}, kClearance, w));
    EXPECT_FALSE(nav::nearEndCornerMove({-2000, -20}, {0, 0}, {151, 0}, kClearance, w));
    EXPECT_TRUE(nav::nearEndCornerMove({-2000, -20}, {0, 0}, {149, 0}, kClearance, w));
    expectShortestKeepingClearances({-2000, -20}, {0, 0}, {149, 0});
    EXPECT_FALSE(nav::nearEndCornerMove({-1, -1000}, {0, 0}, {0, 0}, kClearance, w));
    EXPECT_FALSE(nav::nearEndCornerMove({-100, 0}, {0, 0}, {100, 0}, kClearance, w));
    EXPECT_FALSE(nav::nearEndCornerMove({-1, -1000}, {0, 0}, {20, 1}, 0, w));
    EXPECT_FALSE(nav::nearEndCornerMove({-40, -600}, {0, 0}, {50, -86.6}, kClearance, w));
}

// The plain move itself: 150 along the outer bisector (a right angle: 106.07 on each axis).
TEST(CornerMove, PlainMoveGoesTheWholeClearanceAlongTheBisector) {
    CornerMovePoint w{};
    ASSERT_TRUE(nav::bisectorCornerMove({0, -1000}, {0, 0}, {1000, 0}, kClearance, w));
    EXPECT_NEAR(w.x, -106.066, 1e-3);
    EXPECT_NEAR(w.y, 106.066, 1e-3);
    EXPECT_FALSE(nav::bisectorCornerMove({0, 0}, {0, 0}, {1000, 0}, kClearance, w));
}

}  // namespace
