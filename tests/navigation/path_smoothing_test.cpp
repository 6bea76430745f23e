// Funnel walk, gate choice, gate cutting and gate waypoints on hand-made corridors.
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <memory>
#include <random>
#include <cstring>
#include <string>
#include <vector>

#include "navigation/path_smoothing.h"
#include "navigation/route_planning.h"
#include "tests/navigation/route_test_support.h"
#include "tests/navigation/test_store.h"

namespace {

using nav::Gate;
using nav::GatePath;
using nav::PathPoint;
using nav::PathResult;
using navtest::GridMesh;

constexpr uint8_t kOpen = 0;
constexpr uint8_t kWall = 15;

// Corridor of the open squares of a grid mesh from square a to square b, found by the
// search with the same-type rule and no clearance limit; returns the step count.
int corridor(int seed, int target, PathPoint targetPoint) {
    testMesh.linkRule = navtest::sameLowBits;
    testSearch.passTableIndex = 1;  // every edge passes, whatever an earlier query chose
    const int steps = nav::searchRoute(testMesh, testSearch, seed, target, targetPoint.x, targetPoint.y);
    if (steps > 0) std::reverse(testSearch.route, testSearch.route + steps + 1);
    return steps;
}

// Cells of a grid mesh's squares as a 256 x 256 map (squares of `size` cells); squares
// beyond the map are left out.
std::vector<uint8_t> cellsOf(int columns, int rows, int size, const std::vector<std::string>& rowsText) {
    std::vector<uint8_t> cells(navtest::kMapCells, kWall);
    rows = std::min(rows, navtest::kMapSide / size);
    columns = std::min(columns, navtest::kMapSide / size);
    for (int r = 0; r < rows; ++r)
        for (int c = 0; c < columns; ++c)
            for (int y = r * size; y < (r + 1) * size; ++y)
                for (int x = c * size; x < (c + 1) * size; ++x)
                    cells[y * navtest::kMapSide + x] = rowsText[r][c] == '.' ? kOpen : kWall;
    return cells;
}

GridMesh buildFromText(const std::vector<std::string>& rowsText, int size) {
    const int rows = static_cast<int>(rowsText.size()), columns = static_cast<int>(rowsText[0].size());
    GridMesh mesh(columns, rows, size);
    mesh.build([&](int c, int r) { return rowsText[r][c] == '.' ? kOpen : kWall; });
    return mesh;
}

double length(PathPoint a, PathPoint b) { return std::hypot(double(b.x) - a.x, double(b.y) - a.y); }

// ---- edgePoints and the funnel side test ------------------------------------------------

TEST(PathPortals, EdgePointsGiveEndVertexOnTheLeft) {
    GridMesh mesh(2, 1, 4);
    mesh.build([](int, int) { return kOpen; });
    // Upper-right half of square 0 into its lower-left half: the shared diagonal runs from
    // (0, 0) to (4, 4) cells; travelling from the upper-right triangle the end vertex of the
    // edge in that triangle's slot order is on the left.
    const int t = mesh.triangle(0, 0, 0), n = mesh.triangle(0, 0, 1);
    PathPoint left{-1, -1}, right{-1, -1};
    ASSERT_TRUE(nav::edgePoints(testMesh, t, n, left, right));
    const int slot = nav::neighbourSlot(testMesh, t, n);
    const nav::NavPoint& end = nav::vertexOf(testMesh, t, nav::next(slot));
    const nav::NavPoint& start = nav::vertexOf(testMesh, t, slot);
    EXPECT_EQ(left.x, end.x * 256);
    EXPECT_EQ(left.y, end.y * 256);
    EXPECT_EQ(right.x, start.x * 256);
    EXPECT_EQ(right.y, start.y * 256);
    // Seen from inside t (the centroid), facing n, left must be on the left: with y down,
    // (left - c) x (right - c) is positive for a left point to the left of the right one.
    const PathPoint c{(0 + 4 + 4) * 256 / 3, (0 + 0 + 4) * 256 / 3};
    EXPECT_GT(double(left.x - c.x) * (right.y - c.y) - double(left.y - c.y) * (right.x - c.x), 0.0);
}

TEST(PathPortals, EdgePointsOfNonNeighboursKeepTheOutputsAndSayWhy) {
    GridMesh mesh(2, 1, 4);
    mesh.build([](int, int) { return kOpen; });
    nav::clearPathDiagnostic(testMesh);
    PathPoint left{11, 12}, right{13, 14};
    EXPECT_FALSE(nav::edgePoints(testMesh, 0, 2, left, right));  // squares 0 and 1 share no edge here
    EXPECT_EQ(left.x, 11);
    EXPECT_EQ(left.y, 12);
    EXPECT_EQ(right.x, 13);
    EXPECT_EQ(right.y, 14);
    EXPECT_STREQ(nav::pathDiagnosticText(testMesh), "edge_points : edge not found 0->2");
}

TEST(PathPortals, FunnelSideSeparatesLeftInsideAndRight) {
    // Apex at the origin looking up the screen (y negative): left is toward -x.
    const nav::Funnel f{{0, 0}, {-100, -1000}, {100, -1000}};
    EXPECT_EQ(nav::funnelSide(f, {-500, -1000}), -1);
    EXPECT_EQ(nav::funnelSide(f, {500, -1000}), 1);
    EXPECT_EQ(nav::funnelSide(f, {0, -1000}), 0);
    EXPECT_EQ(nav::funnelSide(f, {-100, -1000}), 0);  // on the left side
    EXPECT_EQ(nav::funnelSide(f, {100, -1000}), 0);   // on the right side
}

// Every pair of triangles of a mesh, neighbours or not: the portal is the pair of vertices
// neighbourSlot names, and a pair that shares no edge leaves the outputs alone.
TEST(PathPortals, EdgePointsOfEveryPairFollowTheNeighbourSlot) {
    GridMesh mesh(4, 3, 8);
    mesh.build([](int c, int r) { return (c + r) % 3 == 0 ? kWall : kOpen; });
    int portals = 0, strangers = 0;
    for (int t = 0; t < testMesh.triangleHighWater; ++t) {
        if (!nav::isLive(testMesh.triangles[t])) continue;
        for (int n = -1; n < testMesh.triangleHighWater; ++n) {
            PathPoint left{-7, -8}, right{-9, -10};
            const int slot = nav::neighbourSlot(testMesh, t, n);
            ASSERT_EQ(nav::edgePoints(testMesh, t, n, left, right), slot >= 0) << t << " -> " << n;
            if (slot < 0) {
                ++strangers;
                EXPECT_EQ(left.x, -7);
                EXPECT_EQ(right.y, -10);
                continue;
            }
            ++portals;
            const PathPoint end = nav::vertexWorld(testMesh, t, nav::next(slot));
            const PathPoint start = nav::vertexWorld(testMesh, t, slot);
            ASSERT_EQ(left.x, end.x) << t << " -> " << n;
            ASSERT_EQ(left.y, end.y) << t << " -> " << n;
            ASSERT_EQ(right.x, start.x) << t << " -> " << n;
            ASSERT_EQ(right.y, start.y) << t << " -> " << n;
        }
    }
    EXPECT_GT(portals, 40);
    EXPECT_GT(strangers, 400);
}

// The side test against the cross product taken in 128 bits, for points on the map (small
// differences) and far beyond it (differences past 32 bits, products past 64 bits).
TEST(PathPortals, FunnelSideAgreesWithTheWideCrossProductNearAndFar) {
    std::mt19937 random(27);
    auto crossReference = [](PathPoint o, PathPoint a, PathPoint b) {
        const __int128 p = static_cast<__int128>(static_cast<int64_t>(a.x) - o.x) * (static_cast<int64_t>(b.y) - o.y);
        const __int128 q = static_cast<__int128>(static_cast<int64_t>(a.y) - o.y) * (static_cast<int64_t>(b.x) - o.x);
        return (p > q) - (p < q);
    };
    const int32_t spans[] = {300, 131072, INT32_MAX};
    int sides[3] = {0, 0, 0};
    for (int round = 0; round < 30000; ++round) {
        const int32_t span = spans[round % 3];
        std::uniform_int_distribution<int32_t> coordinate(span == INT32_MAX ? INT32_MIN : -span, span);
        auto point = [&] { return PathPoint{coordinate(random), coordinate(random)}; };
        nav::Funnel f{point(), point(), point()};
        PathPoint p = point();
        if (round % 7 == 0) {
            // On the left side's line (wrapped to 32 bits when that lies off the range).
            p = {static_cast<int32_t>(2 * int64_t{f.left.x} - f.apex.x), static_cast<int32_t>(2 * int64_t{f.left.y} - f.apex.y)};
        }
        int expected = 0;
        if (crossReference(f.apex, f.left, p) < 0) {
            expected = -1;
        } else if (crossReference(f.apex, f.right, p) > 0) {
            expected = 1;
        }
        ASSERT_EQ(nav::funnelSide(f, p), expected) << "round " << round;
        ++sides[expected + 1];
    }
    EXPECT_GT(sides[0], 5000);
    EXPECT_GT(sides[1], 1000);
    EXPECT_GT(sides[2], 5000);
}

// ---- tautPath ----------------------------------------------------------------------------------

TEST(PathFunnel, ZeroStepsGiveTheDestinationAlone) {
    GridMesh mesh(1, 1, 4);
    mesh.build([](int, int) { return kOpen; });
    const int32_t route[1] = {0};
    PathResult out;
    EXPECT_EQ(nav::tautPath(testMesh, {100, 900}, {300, 700}, route, 0, out), 1);
    EXPECT_EQ(out.waypointCount, 1);
    EXPECT_EQ(out.waypoints[0].x, 300);
    EXPECT_EQ(out.waypoints[0].y, 700);
    EXPECT_EQ(out.fromX, 100);
    EXPECT_EQ(out.toY, 700);
}

TEST(PathFunnel, StraightCorridorNeedsNoCorner) {
    const GridMesh mesh = buildFromText({"......"}, 4);
    const PathPoint from = mesh.centre(0, 0), to = mesh.centre(5, 0);
    const int steps = corridor(mesh.triangle(0, 0, 1), mesh.triangle(5, 0, 0), to);
    ASSERT_GT(steps, 0);
    PathResult out;
    EXPECT_EQ(nav::tautPath(testMesh, from, to, testSearch.route, steps, out), 1);
    EXPECT_EQ(out.waypoints[0].x, to.x);
    EXPECT_EQ(out.waypoints[0].y, to.y);
}

TEST(PathFunnel, TurnsAtTheWallCornersTheStraightLineWouldCut) {
    struct Case {
        std::vector<std::string> text;
        int fromColumn, fromRow, toColumn, toRow;
        std::vector<PathPoint> corners;  // cells
    };
    const Case cases[] = {
        // An L: the top-left corner of square (2, 1).
        {{"...", "##.", "##."}, 0, 0, 2, 2, {{8, 4}}},
        // A staircase narrowing to the left: from (10, 2) the line to (2, 18) cuts the
        // top-left corner of wall square (2, 1), and from there the line to (2, 18) cuts
        // the top-left corner of the block below. The funnel closes on the first corner
        // several portals after its side was last set there; it finds the second corner
        // only by walking again the portals after that one.
        {{"...", "..#", "..#", ".##", ".##"}, 2, 0, 0, 4, {{8, 4}, {4, 12}}},
    };
    for (const Case& c : cases) {
        const GridMesh mesh = buildFromText(c.text, 4);
        const PathPoint from = mesh.centre(c.fromColumn, c.fromRow), to = mesh.centre(c.toColumn, c.toRow);
        const int steps =
            corridor(mesh.triangle(c.fromColumn, c.fromRow, 0), mesh.triangle(c.toColumn, c.toRow, 1), to);
        ASSERT_GT(steps, 0) << c.text[0];
        PathResult out;
        const int n = static_cast<int>(c.corners.size());
        ASSERT_EQ(nav::tautPath(testMesh, from, to, testSearch.route, steps, out), n + 1) << c.text[1];
        for (int i = 0; i < n; ++i) {
            EXPECT_EQ(out.waypoints[i].x, c.corners[i].x * 256) << c.text[1] << " corner " << i;
            EXPECT_EQ(out.waypoints[i].y, c.corners[i].y * 256) << c.text[1] << " corner " << i;
        }
        EXPECT_EQ(out.waypoints[n].x, to.x);
        EXPECT_EQ(out.waypoints[n].y, to.y);
    }
}

TEST(PathFunnel, SerpentineTautPathStaysInTheCorridorAndIsNoLongerThanTheCentreLine) {
    // Open rows joined alternately at the right and the left end.
    std::vector<std::string> text;
    for (int r = 0; r < 9; ++r) text.push_back(r % 2 == 0 ? "......" : (r % 4 == 1 ? "#####." : ".#####"));
    const GridMesh mesh = buildFromText(text, 2);
    const auto cells = cellsOf(6, 9, 2, text);
    const PathPoint from = mesh.centre(0, 0), to = mesh.centre(5, 8);
    const int steps = corridor(mesh.triangle(0, 0, 0), mesh.triangle(5, 8, 0), to);
    ASSERT_GT(steps, 0);
    PathResult out;
    const int n = nav::tautPath(testMesh, from, to, testSearch.route, steps, out);
    ASSERT_GE(n, 2 * 4 + 1);  // at least two corners per bend
    double taut = 0;
    PathPoint prev = from;
    for (int i = 0; i < n; ++i) {
        EXPECT_FALSE(navtest::segmentEntersForeignCell(cells, prev, out.waypoints[i], 0)) << "waypoint " << i;
        taut += length(prev, out.waypoints[i]);
        prev = out.waypoints[i];
    }
    // The centre line of the serpentine: five runs of 5 squares and four drops of 2.
    const double centreLine = (5 * 5 + 4 * 2) * 2 * 256.0;
    EXPECT_LT(taut, centreLine);
}

// Shortest length from `from` to `to` through the closed open squares of a map of squares
// `size` cells wide: Dijkstra over the square corners, a segment allowed when every sample
// along it lies on an open square. An independent reference for the funnel on corridors
// without loops, where the shortest way is the taut one.
double shortestOpenLength(const std::vector<std::string>& text, int size, PathPoint from, PathPoint to) {
    const int rows = static_cast<int>(text.size()), columns = static_cast<int>(text[0].size());
    const double side = size * 256.0;
    auto onOpen = [&](double x, double y) {
        for (int r = static_cast<int>(std::floor(y / side)) - 1; r <= static_cast<int>(std::floor(y / side)); ++r)
            for (int c = static_cast<int>(std::floor(x / side)) - 1; c <= static_cast<int>(std::floor(x / side)); ++c)
                if (r >= 0 && c >= 0 && r < rows && c < columns && text[r][c] == '.' && x >= c * side - 1e-9 &&
                    x <= (c + 1) * side + 1e-9 && y >= r * side - 1e-9 && y <= (r + 1) * side + 1e-9)
                    return true;
        return false;
    };
    std::vector<std::pair<double, double>> nodes{{from.x, from.y}, {to.x, to.y}};
    for (int r = 0; r <= rows; ++r)
        for (int c = 0; c <= columns; ++c) nodes.emplace_back(c * side, r * side);
    auto visible = [&](std::size_t a, std::size_t b) {
        for (int i = 1; i < 256; ++i) {
            const double t = i / 256.0;
            if (!onOpen(nodes[a].first + t * (nodes[b].first - nodes[a].first),
                        nodes[a].second + t * (nodes[b].second - nodes[a].second)))
                return false;
        }
        return onOpen(nodes[b].first, nodes[b].second);
    };
    std::vector<double> best(nodes.size(), 1e300);
    std::vector<bool> done(nodes.size(), false);
    best[0] = 0;
    for (;;) {
        std::size_t u = nodes.size();
        for (std::size_t i = 0; i < nodes.size(); ++i)
            if (!done[i] && best[i] < 1e300 && (u == nodes.size() || best[i] < best[u])) u = i;
        if (u == nodes.size() || u == 1) break;
        done[u] = true;
        for (std::size_t v = 0; v < nodes.size(); ++v)
            if (!done[v] && visible(u, v))
                best[v] = std::min(best[v], best[u] + std::hypot(nodes[v].first - nodes[u].first,
                                                                   nodes[v].second - nodes[u].second));
    }
    return best[1];
}

TEST(PathFunnel, TautPathsOfTurnsAndUTurnsInEveryOrientationAreTheShortest) {
    struct Case {
        std::vector<std::string> text;
        int fromColumn, fromRow, toColumn, toRow;
    };
    const Case cases[] = {
        {{"......", "#####.", "......"}, 0, 0, 0, 2},          // U-turn around a wall end on the right
        {{"......", ".#####", "......"}, 5, 0, 5, 2},          // ... on the left
        {{"...", ".#.", ".#.", ".#.", ".#."}, 0, 4, 2, 4},     // up, over and down
        {{".#.", ".#.", ".#.", ".#.", "..."}, 0, 0, 2, 0},     // down, under and up
        {{"...#", "##.#", "##.."}, 0, 0, 3, 2},                // Z
        {{"#...", "#.##", "..##"}, 3, 0, 0, 2},                // mirrored Z
        {{"..##", "#..#", "##.."}, 0, 0, 3, 2},                // staircase
        {{".....", "####.", "...#.", ".#...", ".####", "....."}, 0, 0, 4, 5},  // two U-turns
    };
    for (const Case& c : cases) {
        const int columns = static_cast<int>(c.text[0].size()), rows = static_cast<int>(c.text.size());
        const GridMesh mesh = buildFromText(c.text, 4);
        const auto cells = cellsOf(columns, rows, 4, c.text);
        const PathPoint from = mesh.centre(c.fromColumn, c.fromRow), to = mesh.centre(c.toColumn, c.toRow);
        const int steps =
            corridor(mesh.triangle(c.fromColumn, c.fromRow, 0), mesh.triangle(c.toColumn, c.toRow, 1), to);
        ASSERT_GT(steps, 0) << c.text[0];
        PathResult out;
        const int n = nav::tautPath(testMesh, from, to, testSearch.route, steps, out);
        double taut = 0;
        PathPoint prev = from;
        for (int i = 0; i < n; ++i) {
            EXPECT_FALSE(navtest::segmentEntersForeignCell(cells, prev, out.waypoints[i], 0)) << c.text[0] << " " << i;
            taut += length(prev, out.waypoints[i]);
            prev = out.waypoints[i];
        }
        EXPECT_EQ(out.waypoints[n - 1].x, to.x);
        EXPECT_EQ(out.waypoints[n - 1].y, to.y);
        EXPECT_NEAR(taut, shortestOpenLength(c.text, 4, from, to), 1e-6) << c.text[0];
    }
}

// A serpentine with more bends than a path or gate list can hold.
class PathLimit : public ::testing::Test {
protected:
    void SetUp() override {
        for (int r = 0; r < kRows; ++r) text_.push_back(r % 2 == 0 ? "..." : (r % 4 == 1 ? "##." : ".##"));
        mesh_ = std::make_unique<GridMesh>(buildFromText(text_, 1));
        from_ = mesh_->centre(0, 0);
        to_ = mesh_->centre(1, kRows - 1);
        steps_ = corridor(mesh_->triangle(0, 0, 0), mesh_->triangle(1, kRows - 1, 0), to_);
    }
    static constexpr int kRows = 301;
    std::vector<std::string> text_;
    std::unique_ptr<GridMesh> mesh_;
    PathPoint from_, to_;
    int steps_ = -1;
};

TEST_F(PathLimit, RtpStopsAtTheLimitWithTheDestinationLast) {
    ASSERT_GT(steps_, 0);
    nav::clearPathDiagnostic(testMesh);
    PathResult out;
    EXPECT_EQ(nav::tautPath(testMesh, from_, to_, testSearch.route, steps_, out), nav::kMaxPathWaypoints);
    EXPECT_EQ(out.waypointCount, nav::kMaxPathWaypoints);
    EXPECT_EQ(out.waypoints[nav::kMaxPathWaypoints - 1].x, to_.x);
    EXPECT_EQ(out.waypoints[nav::kMaxPathWaypoints - 1].y, to_.y);
    EXPECT_EQ(std::string(nav::pathDiagnosticText(testMesh)).rfind("rtp:Exceeded max path length (i:", 0), 0u)
        << nav::pathDiagnosticText(testMesh);
}

TEST_F(PathLimit, GrtcStopsAtTheLimitWithTheDestinationGateLast) {
    ASSERT_GT(steps_, 0);
    nav::clearPathDiagnostic(testMesh);
    GatePath& gates = testSearch.gatePath;
    EXPECT_EQ(nav::cutGates(testMesh, testSearch, from_, to_, testSearch.route, steps_, gates, nav::kGateClearance),
              nav::kMaxGates);
    const Gate& last = gates.gates[nav::kMaxGates - 1];
    EXPECT_EQ(last.x0, to_.x);
    EXPECT_EQ(last.y1, to_.y);
    EXPECT_EQ(std::string(nav::pathDiagnosticText(testMesh)).rfind("grtc:Exceeded max path length (i:", 0), 0u)
        << nav::pathDiagnosticText(testMesh);
    PathResult out;
    nav::gateWaypoints(gates, out, nav::kAgentGateFraction);
    EXPECT_EQ(out.waypointCount, nav::kMaxPathWaypoints);
    EXPECT_EQ(out.waypoints[nav::kMaxPathWaypoints - 1].x, to_.x);
    // Every leg within the map's 256 rows stays in the serpentine.
    const auto cells = cellsOf(3, kRows, 1, text_);
    PathPoint prev = from_;
    for (int i = 0; i < nav::kMaxPathWaypoints - 1 && out.waypoints[i].y < 255 * 256; ++i) {
        EXPECT_FALSE(navtest::segmentEntersForeignCell(cells, prev, out.waypoints[i], 0)) << "waypoint " << i;
        prev = out.waypoints[i];
    }
}

// ---- cutGates -------------------------------------------------------------------------------------

TEST(PathGates, ZeroStepsGiveTheDestinationAsOnePointGate) {
    GridMesh mesh(1, 1, 4);
    mesh.build([](int, int) { return kOpen; });
    const int32_t route[1] = {0};
    GatePath gates;
    EXPECT_EQ(nav::cutGates(testMesh, testSearch, {100, 100}, {700, 300}, route, 0, gates, nav::kGateClearance), 1);
    EXPECT_EQ(gates.gateCount, 1);
    EXPECT_EQ(gates.gates[0].x0, 700);
    EXPECT_EQ(gates.gates[0].y0, 300);
    EXPECT_EQ(gates.gates[0].x1, 700);
    EXPECT_EQ(gates.gates[0].y1, 300);
    EXPECT_EQ(gates.gates[0].side, 0);
    PathResult out;
    nav::gateWaypoints(gates, out, nav::kAgentGateFraction);
    EXPECT_EQ(out.waypointCount, 1);
    EXPECT_EQ(out.waypoints[0].x, 700);
    EXPECT_EQ(out.waypoints[0].y, 300);
}

TEST(PathGates, VisibleDestinationGivesOnlyTheFinalGate) {
    const GridMesh mesh = buildFromText({"........"}, 4);
    const PathPoint from = mesh.centre(0, 0), to = mesh.centre(7, 0);
    const int steps = corridor(mesh.triangle(0, 0, 1), mesh.triangle(7, 0, 0), to);
    ASSERT_GT(steps, 2);
    GatePath gates;
    EXPECT_EQ(nav::cutGates(testMesh, testSearch, from, to, testSearch.route, steps, gates, nav::kGateClearance), 1);
    PathResult out;
    nav::gateWaypoints(gates, out, nav::kAgentGateFraction);
    ASSERT_EQ(out.waypointCount, 1);
    EXPECT_EQ(out.waypoints[0].x, to.x);
    EXPECT_EQ(out.waypoints[0].y, to.y);
}

TEST(PathGates, LCorridorGateWaypointsStayInsideAndEndAtTheDestination) {
    const std::vector<std::string> text = {"......", "......", "####..", "####..", "####.."};
    const GridMesh mesh = buildFromText(text, 24);
    const auto cells = cellsOf(6, 5, 24, text);
    const PathPoint from = mesh.centre(0, 0), to = mesh.centre(4, 4);
    const int steps = corridor(mesh.triangle(0, 0, 0), mesh.triangle(4, 4, 1), to);
    ASSERT_GT(steps, 0);
    GatePath gates;
    const int count = nav::cutGates(testMesh, testSearch, from, to, testSearch.route, steps, gates, nav::kGateClearance);
    ASSERT_GE(count, 2);
    for (int i = 0; i + 1 < count; ++i) {
        EXPECT_TRUE(gates.gates[i].side == 0 || gates.gates[i].side == 1) << i;
        // Cut gates are never longer than the clearance, up to the rounding of the cut.
        const double len = std::hypot(double(gates.gates[i].x1) - gates.gates[i].x0,
                                      double(gates.gates[i].y1) - gates.gates[i].y0);
        EXPECT_LE(len, nav::kGateClearance + 24.0) << i;
    }
    PathResult out;
    nav::gateWaypoints(gates, out, nav::kAgentGateFraction);
    ASSERT_EQ(out.waypointCount, count);
    EXPECT_EQ(out.waypoints[count - 1].x, to.x);
    EXPECT_EQ(out.waypoints[count - 1].y, to.y);
    PathPoint prev = from;
    for (int i = 0; i < count; ++i) {
        EXPECT_FALSE(navtest::segmentEntersForeignCell(cells, prev, out.waypoints[i], 0)) << "waypoint " << i;
        prev = out.waypoints[i];
    }
}

TEST(PathGates, GateTouchingTheTautCornerIsCutFromThatCorner) {
    const std::vector<std::string> text = {"......", "......", "####..", "####..", "####.."};
    const GridMesh mesh = buildFromText(text, 24);
    const PathPoint from = mesh.centre(0, 0), to = mesh.centre(4, 4);
    const int steps = corridor(mesh.triangle(0, 0, 0), mesh.triangle(4, 4, 1), to);
    ASSERT_GT(steps, 0);
    GatePath gates;
    const int count = nav::cutGates(testMesh, testSearch, from, to, testSearch.route, steps, gates, nav::kGateClearance);
    // The taut path bends at the wall's corner, the top-left corner of square (4, 2).
    const PathPoint corner{4 * 24 * 256, 2 * 24 * 256};
    const nav::PathResult& ref = testSearch.referencePath;
    ASSERT_EQ(ref.waypointCount, 2);
    ASSERT_EQ(ref.waypoints[0].x, corner.x);
    ASSERT_EQ(ref.waypoints[0].y, corner.y);
    PathResult out;
    nav::gateWaypoints(gates, out, nav::kAgentGateFraction);
    int atCorner = 0;
    for (int i = 0; i + 1 < count; ++i) {
        const Gate& g = gates.gates[i];
        const bool end0AtCorner = g.x0 == corner.x && g.y0 == corner.y;
        const bool end1AtCorner = g.x1 == corner.x && g.y1 == corner.y;
        if (!end0AtCorner && !end1AtCorner) continue;
        ++atCorner;
        // Measured from the corner end, 15 cells long, waypoint half way along.
        EXPECT_EQ(g.side, end1AtCorner ? 1 : 0) << i;
        EXPECT_NEAR(length({g.x0, g.y0}, {g.x1, g.y1}), 3840.0, 24.0) << i;
        EXPECT_NEAR(length(corner, out.waypoints[i]), 1920.0, 16.0) << i;
    }
    EXPECT_GE(atCorner, 1);
}

// ---- Gate cutting ---------------------------------------------------------------------------

Gate gate(int x0, int y0, int x1, int y1) {
    Gate g;
    g.x0 = x0;
    g.y0 = y0;
    g.x1 = x1;
    g.y1 = y1;
    return g;
}

TEST(PathGateCut, GatesShorterThanTheClearanceAreNotCut) {
    for (int side = 0; side <= 1; ++side) {
        Gate g = gate(1000, 1000, 1000 + 4095, 1000);
        nav::gateEndCut(g, side, nav::kGateClearance);
        EXPECT_EQ(g.x0, 1000);
        EXPECT_EQ(g.x1, 1000 + 4095);
        // A diagonal gate whose approximate length is just below the clearance.
        Gate d = gate(0, 0, 2730, 2730);  // 2730 + 1365 = 4095
        nav::gateEndCut(d, side, nav::kGateClearance);
        EXPECT_EQ(d.x1, 2730);
        EXPECT_EQ(d.y1, 2730);
        EXPECT_EQ(d.x0, 0);
    }
}

TEST(PathGateCut, SlantedGateOverstatedByTheApproximateDistanceIsNotLengthened) {
    // 3300 by 1650: approximate length 4125, true length about 3689, below the 3840 cut.
    for (int side = 0; side <= 1; ++side) {
        Gate g = gate(5000, 5000, 5000 + 3300, 5000 + 1650);
        nav::gateEndCut(g, side, nav::kGateClearance);
        EXPECT_EQ(g.x0, 5000);
        EXPECT_EQ(g.y0, 5000);
        EXPECT_EQ(g.x1, 5000 + 3300);
        EXPECT_EQ(g.y1, 5000 + 1650);
    }
    // Slightly longer than the cut in truth: cut, and never beyond the original ends.
    Gate g = gate(5000, 5000, 5000 + 3500, 5000 + 1750);
    nav::gateEndCut(g, 0, nav::kGateClearance);
    EXPECT_LE(g.x1, 5000 + 3500);
    EXPECT_LE(g.y1, 5000 + 1750);
    EXPECT_NEAR(std::hypot(double(g.x1) - g.x0, double(g.y1) - g.y0), 3840.0, 24.0);
}

TEST(PathGateCut, EndCutKeeps3840UnitsFromTheMeasuringEnd) {
    Gate g = gate(10000, 5000, 10000, 5000 + 9000);
    nav::gateEndCut(g, 0, nav::kGateClearance);
    EXPECT_EQ(g.x0, 10000);
    EXPECT_EQ(g.y0, 5000);
    EXPECT_EQ(g.x1, 10000);
    EXPECT_EQ(g.y1, 5000 + 3840);
    Gate h = gate(10000, 5000, 10000 + 9000, 5000);
    nav::gateEndCut(h, 1, nav::kGateClearance);
    EXPECT_EQ(h.x1, 19000);
    EXPECT_EQ(h.x0, 19000 - 3840);
    EXPECT_EQ(h.y0, 5000);
}

TEST(PathGateCut, EndCutLengthMatchesADoubleReferenceInAnyDirection) {
    navtest::TestRandom rnd(7);
    for (int i = 0; i < 2000; ++i) {
        const int x0 = rnd.below(65536), y0 = rnd.below(65536), x1 = rnd.below(65536), y1 = rnd.below(65536);
        Gate g = gate(x0, y0, x1, y1);
        const int side = rnd.below(2);
        if (nav::approxDistance(x1 - x0, y1 - y0) < nav::kGateClearance) continue;
        nav::gateEndCut(g, side, nav::kGateClearance);
        if (std::hypot(double(x1) - x0, double(y1) - y0) <= 3840.0) {
            // Truly shorter than the cut: left whole.
            EXPECT_TRUE(g.x0 == x0 && g.y0 == y0 && g.x1 == x1 && g.y1 == y1);
            continue;
        }
        const double kept = std::hypot(double(g.x1) - g.x0, double(g.y1) - g.y0);
        EXPECT_NEAR(kept, 3840.0, 40.0) << x0 << "," << y0 << " " << x1 << "," << y1;
        // The kept part points the same way as the original gate.
        const double dot = (double(g.x1) - g.x0) * (double(x1) - x0) + (double(g.y1) - g.y0) * (double(y1) - y0);
        EXPECT_GT(dot, 0.0);
        if (side == 1) {
            EXPECT_EQ(g.x1, x1);
            EXPECT_EQ(g.y1, y1);
        } else {
            EXPECT_EQ(g.x0, x0);
            EXPECT_EQ(g.y0, y0);
        }
    }
}

TEST(PathGateCut, WindowIsCentredOnTheCrossing) {
    Gate g = gate(4096, 20000, 4096 + 16384, 20000);
    g.cx = 12000;
    g.cy = 20000;
    nav::gateWindowCut(g, nav::kGateClearance);
    EXPECT_EQ(g.x0, 12000 - 2048);
    EXPECT_EQ(g.x1, 12000 + 2048);
    EXPECT_EQ(g.y0, 20000);
    EXPECT_EQ(g.y1, 20000);
    PathResult out;
    GatePath gates;
    gates.gateCount = 2;
    gates.gates[0] = g;
    gates.gates[0].side = 0;
    nav::gateWaypoints(gates, out, nav::kAgentGateFraction);
    EXPECT_EQ(out.waypoints[0].x, 12000);
    EXPECT_EQ(out.waypoints[0].y, 20000);
}

TEST(PathGateCut, DiagonalWindowPutsTheMiddleWaypointOnTheCrossing) {
    navtest::TestRandom rnd(11);
    for (int i = 0; i < 500; ++i) {
        const int x0 = rnd.below(30000), y0 = rnd.below(30000);
        const int dx = 8000 + rnd.below(20000), dy = rnd.below(20000) - 10000;
        Gate g = gate(x0, y0, x0 + dx, y0 + dy);
        const double t = 0.35 + 0.3 * rnd.below(1000) / 1000.0;
        g.cx = x0 + static_cast<int>(t * dx);
        g.cy = y0 + static_cast<int>(t * dy);
        nav::gateWindowCut(g, nav::kGateClearance);
        EXPECT_NEAR(std::hypot(double(g.x1) - g.x0, double(g.y1) - g.y0), 4096.0, 48.0);
        GatePath gates;
        gates.gateCount = 2;
        gates.gates[0] = g;
        gates.gates[0].side = rnd.below(2);
        PathResult out;
        nav::gateWaypoints(gates, out, nav::kAgentGateFraction);
        EXPECT_NEAR(out.waypoints[0].x, g.cx, 24);
        EXPECT_NEAR(out.waypoints[0].y, g.cy, 24);
    }
}

TEST(PathGateCut, WindowNearAnEndBecomesAnEndCut) {
    Gate g = gate(0, 0, 16384, 0);
    g.cx = 1500;
    g.cy = 0;
    nav::gateWindowCut(g, nav::kGateClearance);
    EXPECT_EQ(g.x0, 0);
    EXPECT_EQ(g.x1, 3840);
    Gate h = gate(0, 0, 16384, 0);
    h.cx = 16384 - 2048;  // exactly 2048 from end 1: still near (below 2049)
    h.cy = 0;
    nav::gateWindowCut(h, nav::kGateClearance);
    EXPECT_EQ(h.x1, 16384);
    EXPECT_EQ(h.x0, 16384 - 3840);
    Gate s = gate(0, 0, 4000, 0);  // both ends within 2048 of the crossing: unchanged
    s.cx = 2000;
    s.cy = 0;
    nav::gateWindowCut(s, nav::kGateClearance);
    EXPECT_EQ(s.x0, 0);
    EXPECT_EQ(s.x1, 4000);
}

TEST(PathGateCut, LineCrossingMatchesADoubleReference) {
    navtest::TestRandom rnd(3);
    int crossings = 0;
    for (int i = 0; i < 5000; ++i) {
        Gate g = gate(rnd.below(65536), rnd.below(65536), rnd.below(65536), rnd.below(65536));
        const PathPoint a{rnd.below(65536), rnd.below(65536)}, b{rnd.below(65536), rnd.below(65536)};
        const double ex = double(g.x1) - g.x0, ey = double(g.y1) - g.y0;
        const double lx = double(b.x) - a.x, ly = double(b.y) - a.y;
        const double den = ex * ly - ey * lx;
        if (std::fabs(den) < 1e6) continue;  // nearly parallel: rounding decides
        const double t = (lx * (double(a.y) - g.y0) - ly * (double(a.x) - g.x0)) / -den;
        const bool crosses = nav::gateLineCrossing(g, a, b);
        // Away from the ends, the answer agrees with the exact one.
        if (t > 0.01 && t < 0.99) {
            EXPECT_TRUE(crosses) << i;
            ++crossings;
            EXPECT_NEAR(g.cx, g.x0 + t * ex, 3.0 + std::fabs(ex) * 2e-4) << i;
            EXPECT_NEAR(g.cy, g.y0 + t * ey, 3.0 + std::fabs(ey) * 2e-4) << i;
        } else if (t < -0.01 || t > 1.01) {
            EXPECT_FALSE(crosses) << i;
        }
    }
    EXPECT_GT(crossings, 500);
}

TEST(PathGateCut, ParallelLinesNeverCross) {
    Gate g = gate(0, 0, 10000, 0);
    EXPECT_FALSE(nav::gateLineCrossing(g, {0, 500}, {7000, 500}));
    EXPECT_FALSE(nav::gateLineCrossing(g, {0, 0}, {7000, 0}));  // collinear
}

TEST(PathGateCut, ExtremeCoordinatesStayDefined) {
    // Far beyond anything a query produces; the arithmetic must still be defined.
    Gate g = gate(INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX);
    nav::gateEndCut(g, 0, nav::kGateClearance);
    EXPECT_EQ(g.x0, INT32_MIN);
    EXPECT_EQ(g.y0, INT32_MIN);
    Gate h = gate(INT32_MIN, 0, INT32_MAX, 0);
    nav::gateLineCrossing(h, {0, INT32_MIN}, {0, INT32_MAX});
    h.cx = 0;
    h.cy = 0;
    nav::gateWindowCut(h, nav::kGateClearance);
    EXPECT_EQ(h.y0, 0);
    EXPECT_EQ(h.y1, 0);
    GatePath gates;
    gates.gateCount = 2;
    gates.gates[0] = gate(INT32_MIN, INT32_MAX, INT32_MAX, INT32_MIN);
    gates.gates[0].side = 0;
    PathResult out;
    nav::gateWaypoints(gates, out, 0);
    EXPECT_EQ(out.waypoints[0].x, INT32_MIN);
    EXPECT_EQ(out.waypoints[0].y, INT32_MAX);
}

// ---- gateWaypoints ------------------------------------------------------------------------

TEST(PathGateWaypoints, FractionIsClampedToTheGate) {
    GatePath gates;
    gates.fromX = 1;
    gates.toX = 50000;
    gates.toY = 60000;
    gates.gateCount = 3;
    gates.gates[0] = gate(1000, 2000, 1000 + 16384, 2000 + 8192);
    gates.gates[0].side = 0;
    gates.gates[1] = gate(1000, 2000, 1000 + 16384, 2000 + 8192);
    gates.gates[1].side = 1;
    PathResult out;
    nav::gateWaypoints(gates, out, 20000);  // read as 16383
    EXPECT_EQ(out.waypoints[0].x, 1000 + 16383);
    EXPECT_EQ(out.waypoints[0].y, 2000 + 8191);
    EXPECT_EQ(out.waypoints[1].x, 1000 + 16384 - 16383);
    EXPECT_EQ(out.waypoints[1].y, 2000 + 8192 - 8192 * 16383 / 16384);
    nav::gateWaypoints(gates, out, -5);  // read as 0: the measuring end itself
    EXPECT_EQ(out.waypoints[0].x, 1000);
    EXPECT_EQ(out.waypoints[0].y, 2000);
    EXPECT_EQ(out.waypoints[1].x, 1000 + 16384);
    EXPECT_EQ(out.waypoints[1].y, 2000 + 8192);
    EXPECT_EQ(out.waypointCount, 3);
    EXPECT_EQ(out.waypoints[2].x, 50000);
    EXPECT_EQ(out.waypoints[2].y, 60000);
    EXPECT_EQ(out.fromX, 1);
}

TEST(PathGateWaypoints, NoGatesWriteNoWaypointButPlaceTheDestination) {
    GatePath gates;
    gates.toX = 777;
    gates.toY = 888;
    gates.gateCount = 0;
    PathResult out;
    out.waypoints[0] = {1, 2};
    nav::gateWaypoints(gates, out, nav::kAgentGateFraction);
    EXPECT_EQ(out.waypointCount, 0);
    EXPECT_EQ(out.waypoints[0].x, 777);
    EXPECT_EQ(out.waypoints[0].y, 888);
}

}  // namespace
