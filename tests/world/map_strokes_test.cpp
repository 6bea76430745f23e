// Painting strokes and undoing them, against cells worked out by hand.
#include "world/map_strokes.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <memory>
#include <set>
#include <utility>
#include <vector>

namespace steering {
namespace {

class Strokes : public ::testing::Test {
protected:
    uint8_t& at(int column, int row) { return cells[static_cast<std::size_t>(row) * kMapSide + column]; }
    std::set<std::pair<int, int>> cellsOf(uint8_t value) {
        std::set<std::pair<int, int>> found;
        for (int r = 0; r < 256; ++r) {
            for (int c = 0; c < 256; ++c) {
                if (at(c, r) == value) found.insert({c, r});
            }
        }
        return found;
    }
    std::vector<uint8_t> cells = std::vector<uint8_t>(kMapBytes, 0);
    std::unique_ptr<MapStrokes> strokes = std::make_unique<MapStrokes>();
};

TEST_F(Strokes, LinesBetweenSamplesHaveNoGapsAndNoDiagonalSteps) {
    struct Case {
        int x0, y0, x1, y1;
    };
    const Case cases[] = {{10, 10, 10, 10}, {0, 0, 3, 3},   {5, 9, 30, 12},  {30, 12, 5, 9},
                          {40, 0, 41, 60},  {200, 100, 100, 150}, {255, 255, 250, 0}};
    for (const Case& c : cases) {
        std::fill(cells.begin(), cells.end(), 0);
        strokes->begin(15);
        strokes->paintTo(cells.data(), c.x0, c.y0);
        const int changed = strokes->paintTo(cells.data(), c.x1, c.y1);
        strokes->end();
        const std::set<std::pair<int, int>> painted = cellsOf(15);
        const int dx = std::abs(c.x1 - c.x0), dy = std::abs(c.y1 - c.y0);
        // A 4-connected line from end to end visits exactly dx + dy + 1 cells.
        EXPECT_EQ(static_cast<int>(painted.size()), dx + dy + 1) << c.x0 << "," << c.y0 << " to " << c.x1 << "," << c.y1;
        EXPECT_EQ(changed + 1, static_cast<int>(painted.size()));  // the first sample painted one
        EXPECT_TRUE(painted.count({c.x0, c.y0}) && painted.count({c.x1, c.y1}));
        // Every cell lies within one cell of the ideal segment.
        for (const auto& [x, y] : painted) {
            const double cross = static_cast<double>(c.x1 - c.x0) * (y - c.y0) - static_cast<double>(c.y1 - c.y0) * (x - c.x0);
            const double length = std::hypot(c.x1 - c.x0, c.y1 - c.y0);
            if (length > 0) {
                EXPECT_LE(std::abs(cross) / length, 1.0) << x << "," << y;
            }
        }
    }
    // (0,0) to (3,3) by hand: right, down, right, down, ...
    std::fill(cells.begin(), cells.end(), 0);
    strokes->begin(15);
    strokes->paintTo(cells.data(), 0, 0);
    strokes->paintTo(cells.data(), 3, 3);
    EXPECT_EQ(cellsOf(15), (std::set<std::pair<int, int>>{{0, 0}, {1, 0}, {1, 1}, {2, 1}, {2, 2}, {3, 2}, {3, 3}}));
}

TEST_F(Strokes, OffMapPointsAreClippedAndFarPointsCostNothingExtra) {
    strokes->begin(15);
    strokes->paintTo(cells.data(), -5, 3);
    strokes->paintTo(cells.data(), 2, 3);        // enters the map at column 0
    EXPECT_EQ(cellsOf(15), (std::set<std::pair<int, int>>{{0, 3}, {1, 3}, {2, 3}}));
    strokes->paintTo(cells.data(), 2, -2000000000);  // far above: column 2 up to row 0
    EXPECT_EQ(cellsOf(15), (std::set<std::pair<int, int>>{{0, 3}, {1, 3}, {2, 3}, {2, 2}, {2, 1}, {2, 0}}));
    EXPECT_EQ(at(2, 0), 15);
    strokes->paintTo(cells.data(), 2000000000, -2000000000);  // entirely outside
    EXPECT_EQ(cellsOf(15).size(), 6u);
    EXPECT_TRUE(strokes->end());
}

TEST_F(Strokes, UndoAndRedoWholeStrokes) {
    at(5, 5) = 3;
    strokes->begin(15);
    strokes->paintTo(cells.data(), 4, 5);
    strokes->paintTo(cells.data(), 6, 5);  // over the 3
    strokes->paintTo(cells.data(), 4, 5);  // back over its own cells: their "before" stays
    EXPECT_TRUE(strokes->end());
    strokes->begin(0);
    strokes->paintTo(cells.data(), 5, 5);
    strokes->paintTo(cells.data(), 5, 6);
    EXPECT_TRUE(strokes->end());
    EXPECT_EQ(cellsOf(15), (std::set<std::pair<int, int>>{{4, 5}, {6, 5}}));

    ASSERT_TRUE(strokes->undo(cells.data()));
    EXPECT_EQ(cellsOf(15), (std::set<std::pair<int, int>>{{4, 5}, {5, 5}, {6, 5}}));
    ASSERT_TRUE(strokes->undo(cells.data()));
    EXPECT_TRUE(cellsOf(15).empty());
    EXPECT_EQ(at(5, 5), 3);
    EXPECT_FALSE(strokes->undo(cells.data()));
    ASSERT_TRUE(strokes->redo(cells.data()));
    ASSERT_TRUE(strokes->redo(cells.data()));
    EXPECT_FALSE(strokes->redo(cells.data()));
    EXPECT_EQ(cellsOf(15), (std::set<std::pair<int, int>>{{4, 5}, {6, 5}}));

    // A new stroke after an undo drops the undone one.
    strokes->undo(cells.data());
    strokes->begin(7);
    strokes->paintTo(cells.data(), 100, 100);
    strokes->end();
    EXPECT_EQ(strokes->redoableStrokes(), 0u);
    EXPECT_EQ(strokes->undoableStrokes(), 2u);
    EXPECT_FALSE(strokes->redo(cells.data()));
    // A stroke that changes nothing is not an undo step.
    strokes->begin(7);
    strokes->paintTo(cells.data(), 100, 100);
    EXPECT_FALSE(strokes->end());
    EXPECT_EQ(strokes->undoableStrokes(), 2u);
}

TEST_F(Strokes, HistoryStaysWithinItsBudget) {
    // Whole-map strokes of 65,536 changes: the budget holds 16; older ones are forgotten,
    // and the remaining ones still undo to the right cells.
    for (int s = 0; s < 20; ++s) {
        strokes->begin(static_cast<uint8_t>(s + 1));
        for (int r = 0; r < 256; ++r) {
            strokes->paintTo(cells.data(), 0, r);
            strokes->paintTo(cells.data(), 255, r);
        }
        ASSERT_TRUE(strokes->end());
    }
    EXPECT_EQ(strokes->undoableStrokes(), kMaxHistoryChanges / kMapBytes);
    for (std::size_t s = 0; s < kMaxHistoryChanges / kMapBytes; ++s) ASSERT_TRUE(strokes->undo(cells.data()));
    EXPECT_FALSE(strokes->undo(cells.data()));
    EXPECT_EQ(cellsOf(static_cast<uint8_t>(20 - kMaxHistoryChanges / kMapBytes)).size(), kMapBytes);
}

TEST_F(Strokes, HistoryKeepsExactlyItsStrokeLimit) {
    // One cell a stroke, each its own: 4,096 strokes are all kept ...
    const auto paintOne = [&](std::size_t i) {
        strokes->begin(15);
        strokes->paintTo(cells.data(), static_cast<int32_t>(i % 256), static_cast<int32_t>(i / 256));
        return strokes->end();
    };
    for (std::size_t i = 0; i < kMaxHistoryStrokes; ++i) ASSERT_TRUE(paintOne(i));
    EXPECT_EQ(strokes->undoableStrokes(), kMaxHistoryStrokes);
    // ... and one more forgets the first: undoing everything leaves its cell alone.
    ASSERT_TRUE(paintOne(kMaxHistoryStrokes));
    EXPECT_EQ(strokes->undoableStrokes(), kMaxHistoryStrokes);
    std::size_t undone = 0;
    while (strokes->undo(cells.data())) ++undone;
    EXPECT_EQ(undone, kMaxHistoryStrokes);
    EXPECT_EQ(cellsOf(15), (std::set<std::pair<int, int>>{{0, 0}}));
    EXPECT_EQ(strokes->redoableStrokes(), kMaxHistoryStrokes);
}

TEST_F(Strokes, HistoryKeepsExactlyItsChangeBudget) {
    // Sixteen whole-map strokes are exactly the budget of changes: all kept; a seventeenth
    // change (one cell) makes room by forgetting the oldest stroke.
    const std::size_t whole = kMaxHistoryChanges / kMapBytes;
    ASSERT_EQ(whole * kMapBytes, kMaxHistoryChanges);
    for (std::size_t s = 0; s < whole; ++s) {
        strokes->begin(static_cast<uint8_t>(s + 1));
        for (int r = 0; r < 256; ++r) {
            strokes->paintTo(cells.data(), 0, r);
            strokes->paintTo(cells.data(), 255, r);
        }
        ASSERT_TRUE(strokes->end());
    }
    EXPECT_EQ(strokes->undoableStrokes(), whole);
    strokes->begin(100);
    strokes->paintTo(cells.data(), 7, 7);
    ASSERT_TRUE(strokes->end());
    EXPECT_EQ(strokes->undoableStrokes(), whole);
    while (strokes->undo(cells.data())) {
    }
    EXPECT_EQ(cellsOf(1).size(), kMapBytes);  // the first stroke can no longer be undone
}

}  // namespace
}  // namespace steering
