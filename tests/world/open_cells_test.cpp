// Where an agent can stand: the nearest open cell and where an inserted agent is put.
#include "world/open_cells.h"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <cstdint>

namespace steering {
namespace {

// The committed map's shape in small: a wall ring on rows and columns 0 and 127 and a
// 3 x 3 wall block in cells 10..12; everything else open ground.
class OpenCells : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(map.init(kMapSide, kMapSide));
        for (int i = 0; i < kReachableCells; ++i) {
            wall(i, 0);
            wall(i, kReachableCells - 1);
            wall(0, i);
            wall(kReachableCells - 1, i);
        }
        for (int r = 10; r <= 12; ++r) {
            for (int c = 10; c <= 12; ++c) wall(c, r);
        }
    }
    void wall(int column, int row) { map.cells()[row * kMapSide + column] = kWallType; }
    static FixedVec whole(int32_t x, int32_t y) { return {x * 65536, y * 65536}; }
    GridMap map;
};

struct PlaceCase {
    const char* what;
    int32_t x, y;            // whole world units given
    int32_t placedX, placedY;  // whole world units where the agent stands
};

TEST_F(OpenCells, PlaceInOpenCellKeepsOpenPointsAndMovesTheRest) {
    // Cell (c, r)'s centre is (256c + 128, 256r + 128); distances worked out by hand.
    const PlaceCase cases[] = {
        {"open ground stays exactly", 1500, 4500, 1500, 4500},
        {"the open cell next to the ring stays", 256, 32511, 256, 32511},
        // (0, 0) is the ring's corner: (1, 1)'s centre (384, 384) is 543 away, nothing nearer.
        {"corner wall", 0, 0, 384, 384},
        // (2600, 2700) in block cell (10, 10): (9, 10)'s centre (2432, 2688) is 168 away,
        // (10, 9)'s (2688, 2432) 282.
        {"wall block edge", 2600, 2700, 2432, 2688},
        // The block's middle (2944, 2944): ring 1 is all wall; (11, 9), (9, 11), (13, 11)
        // and (11, 13) are all 512 away, the tie goes to the lowest row: (11, 9).
        {"wall block middle, tie", 2944, 2944, 2944, 2432},
        // Past the far edge: pulled in to (32767, 30375), the ring's cell (127, 118);
        // (126, 118)'s centre (32384, 30336) is 385 away, (126, 119)'s 440.
        {"past the far edge", 45562, 30375, 32384, 30336},
        // Left of the map: pulled in to (0, 30375), ring cell (0, 118); (1, 118) is nearest.
        {"left of the map", -19974, 30375, 384, 30336},
        // The extremes of the type: pulled in to the corner (32767, 0); (126, 1) is nearest.
        {"int32 extremes", INT32_MAX, INT32_MIN, 32384, 384},
    };
    for (const PlaceCase& c : cases) {
        EXPECT_EQ(placeInOpenCell(map, c.x, c.y), whole(c.placedX, c.placedY)) << c.what;
    }
}

TEST_F(OpenCells, AnOpenEdgeCellStillGivesACentreForAPointPulledIn) {
    // Without the ring, a point past the edge is pulled in to (32767, 100) in the open cell
    // (127, 0), whose centre (32640, 128) it takes rather than standing on the last unit.
    map.init(kMapSide, kMapSide);
    EXPECT_EQ(placeInOpenCell(map, 40000, 100), whole(32640, 128));
    EXPECT_EQ(placeInOpenCell(map, -1, -1), whole(128, 128));
    EXPECT_EQ(placeInOpenCell(map, 0, 0), whole(0, 0));
}

TEST_F(OpenCells, OtherAreasCountAsOpenAndOnlyWallsAreLeft) {
    map.cells()[17 * kMapSide + 5] = 2;  // a patch of area 2 under (1500, 4500)
    EXPECT_TRUE(inOpenCell(map, whole(1500, 4500)));
    EXPECT_EQ(placeInOpenCell(map, 1500, 4500), whole(1500, 4500));
    EXPECT_FALSE(inOpenCell(map, whole(0, 1500)));
    EXPECT_FALSE(inOpenCell(map, {-1, 65536 * 1500}));  // just left of the map
    EXPECT_FALSE(inOpenCell(map, {65536 * 1500, -1}));
}

TEST_F(OpenCells, TheOnlyOpenCellIsFoundAcrossTheMap) {
    for (int r = 0; r < kReachableCells; ++r) {
        for (int c = 0; c < kReachableCells; ++c) wall(c, r);
    }
    CellIndex found;
    EXPECT_FALSE(nearestOpenCell(map, whole(100, 100), found));
    // No open cell at all: the pulled-in point itself.
    EXPECT_EQ(placeInOpenCell(map, 40000, -5), whole(32767, 0));
    map.cells()[50 * kMapSide + 100] = 0;
    ASSERT_TRUE(nearestOpenCell(map, whole(100, 100), found));
    EXPECT_EQ(found.column, 100);
    EXPECT_EQ(found.row, 50);
    EXPECT_EQ(placeInOpenCell(map, 100, 100), whole(25728, 12928));
    // Cells past the reachable 128 are never chosen, open or not.
    map.cells()[50 * kMapSide + 100] = kWallType;
    map.cells()[200 * kMapSide + 200] = 0;
    EXPECT_FALSE(nearestOpenCell(map, whole(32000, 32000), found));
}

TEST_F(OpenCells, NearestOpenCellMatchesAScanOfEveryCell) {
    // Sparse open cells round points anywhere in their cell: the nearest is often a few
    // rings out, and a cell of the next ring can be nearer than one of this ring. Checked
    // against the exact distance to every open cell agents can reach.
    uint32_t seed = 12345;
    const auto next = [&seed] {
        seed = seed * 1664525u + 1013904223u;
        return seed >> 8;
    };
    int farther = 0;
    for (int trial = 0; trial < 600; ++trial) {
        const int32_t x = static_cast<int32_t>(next() % static_cast<uint32_t>(kReachableUnits));
        const int32_t y = static_cast<int32_t>(next() % static_cast<uint32_t>(kReachableUnits));
        for (int r = 0; r < kReachableCells; ++r) {
            for (int c = 0; c < kReachableCells; ++c) {
                map.cells()[r * kMapSide + c] = next() % 100 < 2 ? 0 : kWallType;
            }
        }
        const auto exact = [&](int c, int r) { return std::hypot(c * 256.0 + 128 - x, r * 256.0 + 128 - y); };
        double best = INFINITY;
        for (int r = 0; r < kReachableCells; ++r) {
            for (int c = 0; c < kReachableCells; ++c) {
                if (map.cells()[r * kMapSide + c] != kWallType) best = std::min(best, exact(c, r));
            }
        }
        CellIndex found;
        ASSERT_TRUE(nearestOpenCell(map, whole(x, y), found));
        ASSERT_NE(map.cells()[found.row * kMapSide + found.column], kWallType);
        const double got = exact(found.column, found.row);
        // The search compares squares of 1/256-unit steps: ties within that are either cell.
        EXPECT_LE(got, best + 0.01) << "from (" << x << ", " << y << "): cell (" << found.column << ", " << found.row
                                     << ") at " << got << ", nearest at " << best;
        farther += got > best + 0.01;
    }
    EXPECT_EQ(farther, 0);
}

}  // namespace
}  // namespace steering
