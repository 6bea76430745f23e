// The agent grid of steering_walls: its cell-range rule, its lists against a brute-force
// scan, and the wall map's table and outside-is-wall rule.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <random>
#include <set>
#include <vector>

#include "programs/steering_walls/agent_grid.h"
#include "programs/steering_walls/wall_map.h"
#include "programs/steering_walls/walls_agent.h"

namespace steering_walls {
namespace {

AgentGrid windowGrid() {
    AgentGrid grid;
    grid.create(16, 12, 640, 480);
    return grid;
}

TEST(AgentGrid, CellsAreFortyPixelsSquare) {
    const AgentGrid grid = windowGrid();
    EXPECT_EQ(grid.cellWidth(), 40.0);
    EXPECT_EQ(grid.cellHeight(), 40.0);
}

TEST(AgentGrid, RangeCoversTheCellsOfTheSquare) {
    const AgentGrid grid = windowGrid();
    const CellRange r = grid.cellRange({100.0, 100.0}, 15.0);  // 85..115
    EXPECT_EQ(r.firstColumn, 2);
    EXPECT_EQ(r.lastColumn, 2);
    const CellRange straddling = grid.cellRange({120.0, 80.0}, 5.0);  // 115..125, 75..85
    EXPECT_EQ(straddling.firstColumn, 2);
    EXPECT_EQ(straddling.lastColumn, 3);
    EXPECT_EQ(straddling.firstRow, 1);
    EXPECT_EQ(straddling.lastRow, 2);
}

TEST(AgentGrid, RangeClampsAtTheFarEdges) {
    const AgentGrid grid = windowGrid();
    const CellRange r = grid.cellRange({630.0, 470.0}, 50.0);
    EXPECT_EQ(r.lastColumn, 15);
    EXPECT_EQ(r.lastRow, 11);
    EXPECT_EQ(r.firstColumn, 14);
    EXPECT_EQ(r.firstRow, 10);
}

TEST(AgentGrid, SquareFortyOrMorePixelsLeftOfZeroCoversEveryColumn) {
    const AgentGrid grid = windowGrid();
    // Right edge at -40: truncation gives -1, which the unsigned clamp makes the last column.
    const CellRange r = grid.cellRange({-60.0, 100.0}, 20.0);
    EXPECT_EQ(r.firstColumn, 0);
    EXPECT_EQ(r.lastColumn, 15);
    const CellRange far = grid.cellRange({-1000.0, 100.0}, 5.0);
    EXPECT_EQ(far.firstColumn, 0);
    EXPECT_EQ(far.lastColumn, 15);
}

TEST(AgentGrid, SquareLessThanFortyPixelsLeftOfZeroCoversColumnZeroOnly) {
    const AgentGrid grid = windowGrid();
    // Right edge at -39.9: truncation toward zero gives column 0.
    const CellRange r = grid.cellRange({-59.9, 100.0}, 20.0);
    EXPECT_EQ(r.firstColumn, 0);
    EXPECT_EQ(r.lastColumn, 0);
}

TEST(AgentGrid, SameRulesHoldForRowsAboveZero) {
    const AgentGrid grid = windowGrid();
    const CellRange allRows = grid.cellRange({100.0, -45.0}, 5.0);  // bottom edge -40
    EXPECT_EQ(allRows.firstRow, 0);
    EXPECT_EQ(allRows.lastRow, 11);
    const CellRange rowZero = grid.cellRange({100.0, -30.0}, 5.0);  // bottom edge -25
    EXPECT_EQ(rowZero.firstRow, 0);
    EXPECT_EQ(rowZero.lastRow, 0);
}

TEST(AgentGrid, SquareBeyondTheRightEdgeIsEmpty) {
    const AgentGrid grid = windowGrid();
    EXPECT_TRUE(grid.cellRange({800.0, 100.0}, 10.0).empty());
    EXPECT_TRUE(grid.cellRange({100.0, 700.0}, 10.0).empty());
}

TEST(AgentGrid, StraddlingAgentIsInFourCellsAndQueriedOnce) {
    AgentGrid grid = windowGrid();
    WallsAgent agent;
    agent.position = {120.0, 80.0};
    agent.radius = 10.0;
    grid.insert(agent);
    int cells = 0;
    for (uint32_t row = 0; row < grid.rows(); ++row) {
        for (uint32_t column = 0; column < grid.columns(); ++column) {
            cells += grid.cell(column, row).count;
        }
    }
    EXPECT_EQ(cells, 4);
    AgentRefs found;
    EXPECT_EQ(grid.query({120.0, 80.0}, 60.0, found), 1);
    // Inserting again does not list it twice.
    grid.insert(agent);
    EXPECT_EQ(grid.cell(2, 1).count, 1);
}

TEST(AgentGrid, LargestObstacleSpansNineCells) {
    AgentGrid grid = windowGrid();
    WallsAgent obstacle;
    obstacle.position = {100.0, 100.0};  // 75..125 in both axes: cells 1..3
    obstacle.radius = 25.0;
    grid.insert(obstacle);
    int cells = 0;
    for (uint32_t row = 1; row <= 3; ++row) {
        for (uint32_t column = 1; column <= 3; ++column) cells += grid.cell(column, row).count;
    }
    EXPECT_EQ(cells, 9);
}

TEST(AgentGrid, QueryAppendsOnlyWhatTheListLacks) {
    AgentGrid grid = windowGrid();
    WallsAgent a, b;
    a.position = {50.0, 50.0};
    b.position = {60.0, 55.0};
    grid.insert(a);
    grid.insert(b);
    AgentRefs out{&b};
    EXPECT_EQ(grid.query({55.0, 50.0}, 20.0, out), 2);
    EXPECT_EQ(out[0], &b);
    EXPECT_EQ(out[1], &a);
}

TEST(AgentGrid, QueryWithSpareCapacityAllocatesNothing) {
    AgentGrid grid = windowGrid();
    std::vector<WallsAgent> agents(20);
    for (std::size_t i = 0; i < agents.size(); ++i) {
        agents[i].position = {30.0 * static_cast<double>(i), 200.0};
        grid.insert(agents[i]);
    }
    AgentRefs out;
    out.reserve(64);
    const WallsAgent* const* storage = out.data();
    for (int i = 0; i < 100; ++i) {
        out.clear();
        grid.query({300.0, 200.0}, 400.0, out);
    }
    EXPECT_EQ(out.size(), agents.size());
    EXPECT_EQ(out.data(), storage);
}

// Moves agents at random (some far outside the window) and compares every cell list
// with a brute-force listing of the agents whose square overlaps the cell.
TEST(AgentGrid, ListsMatchABruteForceScanAfterRandomMoves) {
    AgentGrid grid = windowGrid();
    std::mt19937 engine(5);
    std::uniform_real_distribution<double> x(-100.0, 740.0), y(-100.0, 580.0), r(3.0, 25.0);
    std::vector<std::unique_ptr<WallsAgent>> agents;
    for (int i = 0; i < 40; ++i) {
        agents.push_back(std::make_unique<WallsAgent>());
        agents.back()->position = {x(engine), y(engine)};
        agents.back()->radius = r(engine);
        grid.insert(*agents.back());
    }
    for (int step = 0; step < 200; ++step) {
        WallsAgent& agent = *agents[static_cast<std::size_t>(step) % agents.size()];
        const DoubleVec old = agent.position;
        agent.position = {x(engine), y(engine)};
        grid.move(old, agent);
    }
    for (uint32_t row = 0; row < grid.rows(); ++row) {
        for (uint32_t column = 0; column < grid.columns(); ++column) {
            std::set<const WallsAgent*> expected;
            for (const auto& agent : agents) {
                const CellRange cr = grid.cellRange(agent->position, agent->radius);
                if (!cr.empty() && static_cast<int32_t>(column) >= cr.firstColumn &&
                    static_cast<int32_t>(column) <= cr.lastColumn && static_cast<int32_t>(row) >= cr.firstRow &&
                    static_cast<int32_t>(row) <= cr.lastRow) {
                    expected.insert(agent.get());
                }
            }
            const AgentGridCell& cell = grid.cell(column, row);
            const std::set<const WallsAgent*> actual(cell.agents.begin(), cell.agents.end());
            EXPECT_EQ(actual, expected) << "cell " << column << "," << row;
            EXPECT_EQ(cell.count, static_cast<int32_t>(cell.agents.size()));
        }
    }
}

// A query's result is the union of the range's cell lists in cell and list order, each
// agent once, after what the list already held; compared with a plain search-based union.
TEST(AgentGrid, QueryMatchesAnOrderedUnionOfTheCellLists) {
    AgentGrid grid = windowGrid();
    std::mt19937 engine(9);
    std::uniform_real_distribution<double> x(-60.0, 700.0), y(-60.0, 540.0), r(3.0, 30.0), half(0.0, 120.0);
    std::vector<std::unique_ptr<WallsAgent>> agents;
    for (int i = 0; i < 60; ++i) {
        agents.push_back(std::make_unique<WallsAgent>());
        agents.back()->position = {x(engine), y(engine)};
        agents.back()->radius = r(engine);
        grid.insert(*agents.back());
    }
    for (int q = 0; q < 300; ++q) {
        const DoubleVec centre{x(engine), y(engine)};
        const double halfSize = half(engine);
        AgentRefs expected;
        AgentRefs got;
        if (q % 3 == 0) {  // a list that already holds some agents
            expected.push_back(agents[static_cast<std::size_t>(q) % agents.size()].get());
            got = expected;
        }
        const CellRange range = grid.cellRange(centre, halfSize);
        for (int32_t row = range.firstRow; !range.empty() && row <= range.lastRow; ++row) {
            for (int32_t column = range.firstColumn; column <= range.lastColumn; ++column) {
                for (WallsAgent* agent : grid.cell(static_cast<uint32_t>(column), static_cast<uint32_t>(row)).agents) {
                    if (std::find(expected.begin(), expected.end(), agent) == expected.end()) expected.push_back(agent);
                }
            }
        }
        EXPECT_EQ(grid.query(centre, halfSize, got), static_cast<int32_t>(expected.size()));
        EXPECT_EQ(got, expected) << "query " << q;
    }
}

TEST(WallMap, CellsAre106By80PixelsAndHoldTheTable) {
    WallMap map;
    map.create(640, 480, kWallTable);
    EXPECT_EQ(map.cellWidth(), 106.0);
    EXPECT_EQ(map.cellHeight(), 80.0);
    EXPECT_EQ(map.wallAt(3, 0), 0);  // the gap in the top band
    EXPECT_EQ(map.wallAt(0, 0), 1);
    EXPECT_EQ(map.wallAt(5, 1), 0);
    EXPECT_EQ(map.wallAt(2, 4), 1);
    int walls = 0;
    for (int row = 0; row < 6; ++row) {
        for (int column = 0; column < 6; ++column) walls += map.wallAt(column, row);
    }
    EXPECT_EQ(walls, 17);
}

TEST(WallMap, OutsideTheMapIsWall) {
    WallMap map;
    map.create(640, 480, kWallTable);
    EXPECT_EQ(map.wallAt(-1, 1), 1);
    EXPECT_EQ(map.wallAt(6, 1), 1);
    EXPECT_EQ(map.wallAt(1, -1), 1);
    EXPECT_EQ(map.wallAt(1, 6), 1);
    EXPECT_EQ(map.wallAt(INT64_MIN, INT64_MAX), 1);
}

TEST(WallMap, TheFourPixelStripAtTheRightEdgeIsWall) {
    WallMap map;
    map.create(640, 480, kWallTable);
    for (double x : {636.0, 637.5, 639.99}) {
        const auto column = static_cast<int64_t>(x / map.cellWidth());
        EXPECT_EQ(column, 6) << x;
        EXPECT_EQ(map.wallAt(column, 1), 1) << x;  // row 1 is open inside the map
    }
    EXPECT_EQ(map.wallAt(static_cast<int64_t>(635.9 / map.cellWidth()), 1), 0);
}

}  // namespace
}  // namespace steering_walls
