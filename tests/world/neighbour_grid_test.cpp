#include "world/neighbour_grid.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cmath>
#include <deque>
#include <random>
#include <vector>

#include "steering/agent.h"
#include "world/obstacles.h"

namespace steering {
namespace {

// World units to raw 16.16, wrapping as positions do: the grid spans 65,536 units, the whole
// 32-bit range, so its far half lies at negative raw coordinates.
Fixed units(double u) { return static_cast<Fixed>(static_cast<uint32_t>(static_cast<int64_t>(u * 65536.0))); }

Agent makeAgent(double x, double y, double radius) {
    Agent agent;
    agent.position = {units(x), units(y)};
    agent.radius = units(radius);
    return agent;
}

struct CellXY {
    uint32_t column;
    uint32_t row;
    friend bool operator==(const CellXY&, const CellXY&) = default;
};

std::vector<CellXY> cellsHolding(const NeighbourGrid& grid, uint32_t columns, uint32_t rows) {
    std::vector<CellXY> cells;
    for (uint32_t c = 0; c < columns; ++c) {
        for (uint32_t r = 0; r < rows; ++r) {
            if (grid.agentCount(c, r) > 0) cells.push_back({c, r});
        }
    }
    return cells;
}

// A screen on the copies' words for visitAgentsScreened: lanes whose x + y + radius has bit
// 18 clear (about half of all agents, scattered), and the same for one agent.
CopyLanes screenByBit(CopyLanes x, CopyLanes y, CopyLanes radius) {
    using Words = uint32_t __attribute__((vector_size(16)));
    const Words sum = __builtin_bit_cast(Words, x) + __builtin_bit_cast(Words, y) + __builtin_bit_cast(Words, radius);
    return (sum & (1u << 18)) == 0;
}
bool passesScreenByBit(const Agent& agent) {
    const uint32_t sum = static_cast<uint32_t>(agent.position.x) + static_cast<uint32_t>(agent.position.y) +
                         static_cast<uint32_t>(agent.radius);
    return (sum & (1u << 18)) == 0;
}

// A screened visit against the reference's agents of the square (skip left out) that pass
// the screen, in their order; the copies handed on are the agents'.
void expectScreenedVisit(NeighbourGrid& grid, const std::vector<Agent*>& expected, FixedVec q, Fixed h, int level,
                         Agent* skip, int32_t skipHint, int round) {
    std::vector<Agent*> wanted;
    for (Agent* agent : expected) {
        if (agent != skip && passesScreenByBit(*agent)) wanted.push_back(agent);
    }
    std::vector<Agent*> visited;
    bool copiesTrue = true;
    grid.visitAgentsScreened(q, h, level, skip, screenByBit, [&](Agent* agent, const NeighbourCopy& copy) {
        visited.push_back(agent);
        copiesTrue = copiesTrue && copy.position == agent->position && copy.radius == agent->radius;
    }, skipHint);
    ASSERT_EQ(visited, wanted) << "screened, round " << round;
    ASSERT_TRUE(copiesTrue) << "screened, round " << round;
}

class NeighbourGridTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(grid.init(128, 128)); }
    NeighbourGrid grid;
};

TEST_F(NeighbourGridTest, InitSetsTheSizes) {
    EXPECT_EQ(grid.columns, 128u);
    EXPECT_EQ(grid.rows, 128u);
    EXPECT_DOUBLE_EQ(grid.cellWidth, 512.0);
    EXPECT_DOUBLE_EQ(grid.cellHeight, 512.0);
    EXPECT_DOUBLE_EQ(grid.cellsPerUnitX, 1.0 / 512.0);
    EXPECT_EQ(grid.occupancy(0, 0), 0);
}

TEST_F(NeighbourGridTest, CellsTouchedByAnAgent) {
    Agent agent = makeAgent(768, 768, 100);
    grid.insertAgent(&agent, agent.position, agent.radius);
    EXPECT_EQ(cellsHolding(grid, 128, 128), (std::vector<CellXY>{{1, 1}}));

    const FixedVec old = agent.position;
    agent.position = {units(1020), units(768)};
    grid.moveAgent(&agent, old, agent.position, agent.radius);
    EXPECT_EQ(cellsHolding(grid, 128, 128), (std::vector<CellXY>{{1, 1}, {2, 1}}));

    const FixedVec old2 = agent.position;
    agent.position = {units(600), units(600)};
    grid.moveAgent(&agent, old2, agent.position, agent.radius);
    EXPECT_EQ(cellsHolding(grid, 128, 128), (std::vector<CellXY>{{0, 0}, {0, 1}, {1, 0}, {1, 1}}));

    grid.removeAgent(&agent, agent.position, agent.radius);
    EXPECT_TRUE(cellsHolding(grid, 128, 128).empty());
}

TEST_F(NeighbourGridTest, DoubleInsertionLeavesOneEntryPerCell) {
    Agent agent = makeAgent(600, 600, 100);
    grid.insertAgent(&agent, agent.position, agent.radius);
    grid.insertAgent(&agent, agent.position, agent.radius);
    for (uint32_t c = 0; c <= 1; ++c) {
        for (uint32_t r = 0; r <= 1; ++r) EXPECT_EQ(grid.agentCount(c, r), 1);
    }
    // Registered under a second position overlapping the first in cell (1, 1): still one
    // entry there, and a removal at the first position takes that shared entry too.
    const FixedVec first = agent.position;
    agent.position = {units(900), units(900)};
    grid.insertAgent(&agent, agent.position, agent.radius);
    EXPECT_EQ(grid.agentCount(1, 1), 1);
    agent.position = {units(1300), units(600)};  // cells (2, 0) and (2, 1)
    grid.insertAgent(&agent, agent.position, agent.radius);
    grid.removeAgent(&agent, first, agent.radius);
    EXPECT_EQ(cellsHolding(grid, 128, 128), (std::vector<CellXY>{{2, 0}, {2, 1}}));
}

TEST_F(NeighbourGridTest, RemovalAtAStalePositionLeavesOtherCellsAlone) {
    Agent agent = makeAgent(768, 768, 100);
    grid.insertAgent(&agent, agent.position, agent.radius);
    grid.removeAgent(&agent, {units(5000), units(5000)}, agent.radius);  // cells that do not hold it
    EXPECT_EQ(grid.agentCount(1, 1), 1);
    Agent stranger = makeAgent(768, 768, 100);
    grid.removeAgent(&stranger, stranger.position, stranger.radius);  // never inserted
    EXPECT_EQ(grid.agentCount(1, 1), 1);
    grid.removeAgent(&agent, agent.position, agent.radius);
    EXPECT_EQ(grid.agentCount(1, 1), 0);
}

TEST_F(NeighbourGridTest, AgentsPastTheEdgesUseOnlyTheBorderCellsTheyFace) {
    // Wholly at negative x, 668..868 units down: clamped to column 0 of row 1, and nowhere
    // else (not every column of the row).
    Agent left = makeAgent(-2000, 768, 100);
    grid.insertAgent(&left, left.position, left.radius);
    EXPECT_EQ(cellsHolding(grid, 128, 128), (std::vector<CellXY>{{0, 1}}));
    std::vector<Agent*> found;
    grid.queryAgents(left.position, 0.0, found);  // the query agrees: it looks in column 0
    EXPECT_EQ(found, (std::vector<Agent*>{&left}));
    grid.removeAgent(&left, left.position, left.radius);
    EXPECT_TRUE(cellsHolding(grid, 128, 128).empty());

    Agent corner = makeAgent(-5000, -7000, 225);  // beyond both edges: the corner cell only
    grid.insertAgent(&corner, corner.position, corner.radius);
    EXPECT_EQ(cellsHolding(grid, 128, 128), (std::vector<CellXY>{{0, 0}}));
    grid.removeAgent(&corner, corner.position, corner.radius);

    Agent straddling = makeAgent(50, 768, 100);  // from negative x to column 0
    grid.insertAgent(&straddling, straddling.position, straddling.radius);
    EXPECT_EQ(cellsHolding(grid, 128, 128), (std::vector<CellXY>{{0, 1}}));
    grid.removeAgent(&straddling, straddling.position, straddling.radius);

    // Reaching past the Fixed range (32,500..32,900 units): the cells it overlaps, 63 and
    // 64, with no wrap to the far side.
    Agent far = makeAgent(32700, 32700, 200);
    grid.insertAgent(&far, far.position, far.radius);
    EXPECT_EQ(cellsHolding(grid, 128, 128), (std::vector<CellXY>{{63, 63}, {63, 64}, {64, 63}, {64, 64}}));
}

TEST_F(NeighbourGridTest, QueryFindsTheAgentItselfAndKeepsCellOrder) {
    Agent a = makeAgent(600, 600, 100);  // cells (0..1, 0..1)
    Agent b = makeAgent(300, 300, 50);   // cell (0, 0)
    Agent c = makeAgent(800, 300, 50);   // cell (1, 0)
    Agent d = makeAgent(300, 800, 50);   // cell (0, 1)
    for (Agent* agent : {&a, &b, &c, &d}) grid.insertAgent(agent, agent->position, agent->radius);
    std::vector<Agent*> result;
    EXPECT_EQ(grid.queryAgents(a.position, units(300), result), 4u);
    // Column 0 (rows 0, 1) before column 1; insertion order within a cell.
    EXPECT_EQ(result, (std::vector<Agent*>{&a, &b, &d, &c}));
    result.clear();
    EXPECT_EQ(grid.queryAgents(b.position, units(10), result), 2u);
    EXPECT_EQ(result, (std::vector<Agent*>{&a, &b}));
}

TEST_F(NeighbourGridTest, QueryAppendsToWhatTheResultHolds) {
    Agent a = makeAgent(300, 300, 50);
    Agent b = makeAgent(350, 300, 50);
    Agent outsider = makeAgent(9000, 9000, 50);
    grid.insertAgent(&a, a.position, a.radius);
    grid.insertAgent(&b, b.position, b.radius);
    grid.insertAgent(&outsider, outsider.position, outsider.radius);
    std::vector<Agent*> result{&b, &outsider};
    EXPECT_EQ(grid.queryAgents(a.position, units(10), result), 3u);
    EXPECT_EQ(result, (std::vector<Agent*>{&b, &outsider, &a}));
}

TEST_F(NeighbourGridTest, QueryAtNegativeX) {
    Agent first = makeAgent(100, 100, 50);    // column 0
    Agent right = makeAgent(32000, 100, 50);  // column 62
    grid.insertAgent(&first, first.position, first.radius);
    grid.insertAgent(&right, right.position, right.radius);
    // -3,500..-2,500 units: column 0 only, not the whole row.
    const CellRange wholly = grid.queryCells({units(-3000), units(100)}, units(500));
    EXPECT_EQ(wholly.firstColumn, 0u);
    EXPECT_EQ(wholly.lastColumn, 0u);
    std::vector<Agent*> result;
    grid.queryAgents({units(-3000), units(100)}, units(500), result);
    EXPECT_EQ(result, (std::vector<Agent*>{&first}));

    const CellRange straddling = grid.queryCells({units(-100), units(100)}, units(1200));
    EXPECT_EQ(straddling.firstColumn, 0u);
    EXPECT_EQ(straddling.lastColumn, 2u);  // 1100 units / 512
    EXPECT_EQ(straddling.firstRow, 0u);
    EXPECT_EQ(straddling.lastRow, 2u);

    // A query square reaching past the Fixed range ends in the last column, not column 0.
    const CellRange past = grid.queryCells({units(32000), units(100)}, 40000.0 * 65536.0);
    EXPECT_EQ(past.lastColumn, 127u);
    EXPECT_EQ(past.firstColumn, 0u);
}

TEST_F(NeighbourGridTest, QueryCellsAreFloorOfWholeUnitsOver512) {
    std::mt19937 random(11);
    std::uniform_int_distribution<int32_t> position(0, units(30000));
    std::uniform_real_distribution<double> radius(0, units(2000));
    for (int i = 0; i < 20000; ++i) {
        const FixedVec p{position(random), position(random)};
        const double r = radius(random);
        const CellRange range = grid.queryCells(p, r);
        const double left = std::floor((p.x - r) / 65536.0);
        const double right = std::floor((p.x + r) / 65536.0);
        ASSERT_EQ(range.firstColumn, left <= 0 ? 0u : static_cast<uint32_t>(std::floor(left / 512)));
        ASSERT_EQ(range.lastColumn, std::min(127u, static_cast<uint32_t>(std::floor(right / 512))));
    }
}

TEST_F(NeighbourGridTest, ObstaclesHaveTheirOwnLists) {
    const Obstacle o{units(700), units(700), units(140)};
    grid.insertObstacle(&o);
    grid.insertObstacle(&o);
    Agent a = makeAgent(700, 700, 100);
    grid.insertAgent(&a, a.position, a.radius);
    EXPECT_EQ(grid.obstacleCount(1, 1), 1);
    EXPECT_EQ(grid.agentCount(1, 1), 1);
    EXPECT_EQ(grid.occupancy(1, 1), 2);
    std::vector<const Obstacle*> obstacles;
    EXPECT_EQ(grid.queryObstacles({units(600), units(600)}, units(10), obstacles), 1u);
    EXPECT_EQ(obstacles.front(), &o);
    obstacles.clear();
    EXPECT_EQ(grid.queryObstacles({units(5000), units(5000)}, units(10), obstacles), 0u);
}

TEST_F(NeighbourGridTest, HundredsOfAgentsOnOnePoint) {
    std::deque<Agent> crowd;
    for (int i = 0; i < 500; ++i) crowd.push_back(makeAgent(1024, 1024, 75 + i % 150));
    for (Agent& agent : crowd) grid.insertAgent(&agent, agent.position, agent.radius);
    EXPECT_EQ(grid.agentCount(1, 1), 500);
    EXPECT_EQ(grid.agentCount(2, 2), 500);
    std::vector<Agent*> result;
    EXPECT_EQ(grid.queryAgents(crowd[0].position, units(10), result), 500u);
    for (std::size_t i = 0; i < crowd.size(); ++i) ASSERT_EQ(result[i], &crowd[i]);
    // Removing from the front keeps the others' order.
    for (int i = 0; i < 250; ++i) grid.removeAgent(&crowd[i], crowd[i].position, crowd[i].radius);
    result.clear();
    EXPECT_EQ(grid.queryAgents(crowd[0].position, units(10), result), 250u);
    for (std::size_t i = 0; i < result.size(); ++i) ASSERT_EQ(result[i], &crowd[250 + i]);
}

TEST_F(NeighbourGridTest, AMoveSendsTheAgentToTheEndOfItsCells) {
    std::deque<Agent> agents;
    for (int i = 0; i < 40; ++i) agents.push_back(makeAgent(300, 300, 50));
    for (Agent& agent : agents) grid.insertAgent(&agent, agent.position, agent.radius);
    // Moving without moving still removes and re-appends.
    for (int i = 0; i < 20; ++i) grid.moveAgent(&agents[i], agents[i].position, agents[i].position, agents[i].radius);
    for (int i = 20; i < 40; i += 2) grid.removeAgent(&agents[i], agents[i].position, agents[i].radius);
    std::vector<Agent*> expected;
    for (int i = 21; i < 40; i += 2) expected.push_back(&agents[i]);
    for (int i = 0; i < 20; ++i) expected.push_back(&agents[i]);
    std::vector<Agent*> result;
    grid.queryAgents(agents[0].position, 0.0, result);
    EXPECT_EQ(result, expected);
    EXPECT_EQ(grid.agentCount(0, 0), 30);
    // Re-inserting a removed agent puts it last.
    grid.insertAgent(&agents[20], agents[20].position, agents[20].radius);
    expected.push_back(&agents[20]);
    result.clear();
    grid.queryAgents(agents[0].position, 0.0, result);
    EXPECT_EQ(result, expected);
}

// ---- Against the literal list algorithm ------------------------------------------------

// Plain per-cell vectors with linear searches: the behaviour the grid must reproduce.
class ReferenceGrid {
public:
    explicit ReferenceGrid(const NeighbourGrid& shape) : shape_(shape), cells_(128 * 128) {}

    void insert(Agent* agent) {
        forCells(agent->position, agent->radius, [&](std::vector<Agent*>& list) {
            if (std::find(list.begin(), list.end(), agent) == list.end()) list.push_back(agent);
        });
    }
    void remove(FixedVec position, Agent* agent) {
        forCells(position, agent->radius, [&](std::vector<Agent*>& list) {
            const auto it = std::find(list.begin(), list.end(), agent);
            if (it != list.end()) list.erase(it);
        });
    }
    std::vector<Agent*> query(FixedVec position, double radius) const {
        const CellRange range = shape_.queryCells(position, radius);
        std::vector<Agent*> result;
        for (uint32_t c = range.firstColumn; c <= range.lastColumn; ++c) {
            for (uint32_t r = range.firstRow; r <= range.lastRow; ++r) {
                for (Agent* agent : cells_[r * 128 + c]) {
                    if (std::find(result.begin(), result.end(), agent) == result.end()) result.push_back(agent);
                }
            }
        }
        return result;
    }
    int count(uint32_t c, uint32_t r) const { return static_cast<int>(cells_[r * 128 + c].size()); }
    // Every cell of the grid holds as many agents as the reference's.
    void expectSameCounts(const NeighbourGrid& grid) const {
        for (uint32_t c = 0; c < 128; ++c) {
            for (uint32_t r = 0; r < 128; ++r) ASSERT_EQ(grid.agentCount(c, r), count(c, r)) << c << "," << r;
        }
    }
    // A new agent at p with radius r, in the grid and the reference.
    Agent* add(std::deque<Agent>& agents, NeighbourGrid& grid, FixedVec p, Fixed r) {
        agents.push_back(makeAgent(0, 0, 0));
        Agent* agent = &agents.back();
        agent->position = p;
        agent->radius = r;
        grid.insertAgent(agent, p, r);
        insert(agent);
        return agent;
    }

private:
    template <typename F>
    void forCells(FixedVec p, Fixed radius, F f) {
        // The bounding-square rule written out: whole cells of 512 units, clamped to 0..127.
        auto cellOf = [](int64_t raw) {
            const double cell = std::floor(static_cast<double>(raw) / 65536.0 / 512.0);
            return static_cast<uint32_t>(std::clamp(cell, 0.0, 127.0));
        };
        const uint32_t c0 = cellOf(int64_t{p.x} - radius);
        const uint32_t r0 = cellOf(int64_t{p.y} - radius);
        const uint32_t c1 = cellOf(int64_t{p.x} + radius);
        const uint32_t r1 = cellOf(int64_t{p.y} + radius);
        for (uint32_t c = c0; c <= c1; ++c) {
            for (uint32_t r = r0; r <= r1; ++r) f(cells_[r * 128 + c]);
        }
    }

    const NeighbourGrid& shape_;
    std::vector<std::vector<Agent*>> cells_;
};

TEST_F(NeighbourGridTest, MatchesTheReferenceOverRandomMoves) {
    std::mt19937 random(2024);
    std::uniform_int_distribution<int32_t> coordinate(units(-1500), units(12000));
    std::uniform_int_distribution<int32_t> step(units(-700), units(700));
    std::uniform_int_distribution<int32_t> radius(units(75), units(225));
    std::uniform_real_distribution<double> queryRadius(0, units(1500));
    std::uniform_int_distribution<int> action(0, 99);
    ReferenceGrid reference(grid);
    std::deque<Agent> agents;
    std::vector<Agent*> live;
    std::vector<Agent*> result;
    for (int round = 0; round < 6000; ++round) {
        const int what = action(random);
        if (what < 15 || live.empty()) {
            // Several agents on one point now and then, as Insert makes them.
            const Agent made = makeAgent(0, 0, 0);
            const FixedVec p{coordinate(random), coordinate(random)};
            const Fixed r = radius(random);
            const int copies = what < 3 ? 5 : 1;
            for (int k = 0; k < copies; ++k) {
                agents.push_back(made);
                agents.back().position = p;
                agents.back().radius = r;
                grid.insertAgent(&agents.back(), agents.back().position, agents.back().radius);
                reference.insert(&agents.back());
                live.push_back(&agents.back());
            }
        } else if (what < 22) {
            // The oldest leaves.
            Agent* oldest = live.front();
            grid.removeAgent(oldest, oldest->position, oldest->radius);
            reference.remove(oldest->position, oldest);
            live.erase(live.begin());
        } else if (what < 25) {
            // A removal at a stale position (cells that may not hold it).
            Agent* agent = live[random() % live.size()];
            const FixedVec stale{coordinate(random), coordinate(random)};
            grid.removeAgent(agent, stale, agent->radius);
            reference.remove(stale, agent);
            grid.insertAgent(agent, agent->position, agent->radius);
            reference.insert(agent);
        } else {
            Agent* agent = live[random() % live.size()];
            const FixedVec old = agent->position;
            agent->position = {wrapAdd(old.x, step(random)), wrapAdd(old.y, step(random))};
            grid.moveAgent(agent, old, agent->position, agent->radius);
            reference.remove(old, agent);
            reference.insert(agent);
        }
        const FixedVec q{coordinate(random), coordinate(random)};
        const double qr = queryRadius(random);
        result.clear();
        if (round % 7 == 0 && !live.empty()) result.push_back(live[random() % live.size()]);
        std::vector<Agent*> expected = result;
        for (Agent* a : reference.query(q, qr)) {
            if (std::find(expected.begin(), expected.end(), a) == expected.end()) expected.push_back(a);
        }
        ASSERT_EQ(grid.queryAgents(q, qr, result), expected.size()) << "round " << round;
        ASSERT_EQ(result, expected) << "round " << round;
    }
    reference.expectSameCounts(grid);
}

// The query square's cells written out for a grid of 512-unit cells: whole units of each
// edge floored, over 512, clamped to 0..127.
CellRange referenceQueryCells(FixedVec p, int64_t halfSize) {
    auto cellOf = [](int64_t raw) {
        const double whole = std::floor(static_cast<double>(raw) / 65536.0);
        return static_cast<uint32_t>(std::clamp(std::trunc(whole / 512.0), 0.0, 127.0));
    };
    CellRange range;
    range.firstColumn = cellOf(int64_t{p.x} - halfSize);
    range.lastColumn = cellOf(int64_t{p.x} + halfSize);
    range.firstRow = cellOf(int64_t{p.y} - halfSize);
    range.lastRow = cellOf(int64_t{p.y} + halfSize);
    return range;
}

bool sameCells(const CellRange& a, const CellRange& b) {
    return a.firstColumn == b.firstColumn && a.lastColumn == b.lastColumn && a.firstRow == b.firstRow &&
           a.lastRow == b.lastRow;
}

TEST_F(NeighbourGridTest, WholeHalfSizesFindTheCellsOfTheWrittenOutRule) {
    std::mt19937 random(31);
    std::uniform_int_distribution<int32_t> position(INT32_MIN, INT32_MAX);
    std::uniform_int_distribution<int32_t> halfSize(0, INT32_MAX);
    for (int i = 0; i < 50000; ++i) {
        const FixedVec p{position(random) >> (i % 5), position(random) >> (i % 5)};
        const Fixed h = halfSize(random) >> (i % 13);
        const CellRange expected = referenceQueryCells(p, h);
        ASSERT_TRUE(sameCells(grid.queryCells(p, h), expected)) << p.x << "," << p.y << " " << h;
        ASSERT_TRUE(sameCells(grid.queryCells(p, static_cast<double>(h)), expected)) << p.x << "," << p.y << " " << h;
    }
    // Past the Fixed range on the right: the last column, on the left: the first.
    EXPECT_TRUE(sameCells(grid.queryCells({INT32_MAX, INT32_MIN}, INT32_MAX), referenceQueryCells({INT32_MAX, INT32_MIN}, INT32_MAX)));
}

TEST_F(NeighbourGridTest, BoundingCellsFollowTheFlooredCellOfEachEdge) {
    std::mt19937_64 random(32);
    for (int i = 0; i < 50000; ++i) {
        // Up to 2^40 raw either way, and now and then far beyond (the floating-point way).
        const int bits = i % 10 == 0 ? 62 : 40;
        std::uniform_int_distribution<int64_t> edge(-(int64_t{1} << bits), int64_t{1} << bits);
        const int64_t left = edge(random), top = edge(random);
        const int64_t right = left + (edge(random) & 0xFFFFFFF), bottom = top + (edge(random) & 0xFFFFFFF);
        auto cellOf = [](int64_t raw) {
            const double cell = std::floor(static_cast<double>(raw) / 65536.0 / 512.0);
            return static_cast<uint32_t>(std::clamp(cell, 0.0, 127.0));
        };
        const CellRange range = grid.boundingCells(left, top, right, bottom);
        ASSERT_EQ(range.firstColumn, cellOf(left)) << left;
        ASSERT_EQ(range.firstRow, cellOf(top)) << top;
        ASSERT_EQ(range.lastColumn, cellOf(right)) << right;
        ASSERT_EQ(range.lastRow, cellOf(bottom)) << bottom;
    }
}

TEST_F(NeighbourGridTest, AFractionalHalfSizeTruncatesTheEdgeNotTheHalfSize) {
    // 512 units less half a raw unit truncates to 511.99 units: column 0, not 1.
    const CellRange range = grid.queryCells({units(512), units(512)}, 0.5);
    EXPECT_EQ(range.firstColumn, 0u);
    EXPECT_EQ(range.lastColumn, 1u);
    EXPECT_EQ(range.firstRow, 0u);
    // A whole half-size of one raw unit gives the same cells.
    EXPECT_TRUE(sameCells(grid.queryCells({units(512), units(512)}, Fixed{1}), range));
}

TEST(NeighbourGridOtherSizes, AGridThatIsNoPowerOfTwoKeepsItsCellWidth) {
    // 100 columns: cells of 655.36 units, truncated division.
    NeighbourGrid grid;
    ASSERT_TRUE(grid.init(100, 100));
    EXPECT_EQ(grid.powerOfTwo, -1);
    const CellRange range = grid.queryCells({units(1000), units(700)}, units(100));
    EXPECT_EQ(range.firstColumn, 1u);  // 900 / 655.36
    EXPECT_EQ(range.lastColumn, 1u);   // 1100 / 655.36
    EXPECT_EQ(range.firstRow, 0u);     // 600 / 655.36
    EXPECT_EQ(range.lastRow, 1u);      // 800 / 655.36
    EXPECT_TRUE(sameCells(grid.queryCells({units(1000), units(700)}, 100.0 * 65536.0), range));
    NeighbourGrid square;
    ASSERT_TRUE(square.init(128, 128));
    EXPECT_EQ(square.powerOfTwo, 7);
}

// Visits against the reference lists, with agents that mostly stay in their cells (a move
// within the same cells still sends the agent to the end of each) and nested visits.
TEST_F(NeighbourGridTest, VisitsAndSmallMovesMatchTheReference) {
    std::mt19937 random(77);
    std::uniform_int_distribution<int32_t> coordinate(units(0), units(6000));
    std::uniform_int_distribution<int32_t> nudge(units(-20), units(20));
    std::uniform_int_distribution<int32_t> radius(units(75), units(225));
    std::uniform_int_distribution<int32_t> reach(0, units(1200));
    std::uniform_int_distribution<int> action(0, 99);
    ReferenceGrid reference(grid);
    std::deque<Agent> agents;
    std::vector<Agent*> live;
    for (int round = 0; round < 5000; ++round) {
        const int what = action(random);
        if (what < 10 || live.size() < 3) {
            const FixedVec p{coordinate(random), coordinate(random)};
            live.push_back(reference.add(agents, grid, p, radius(random)));
        } else if (what < 14) {
            Agent* oldest = live.front();
            grid.removeAgent(oldest, oldest->position, oldest->radius);
            reference.remove(oldest->position, oldest);
            live.erase(live.begin());
        } else {
            // A nudge of a few units, or none at all: the cells mostly stay the same.
            Agent* agent = live[random() % live.size()];
            const FixedVec old = agent->position;
            if (what < 60) agent->position = {wrapAdd(old.x, nudge(random)), wrapAdd(old.y, nudge(random))};
            grid.moveAgent(agent, old, agent->position, agent->radius);
            reference.remove(old, agent);
            reference.insert(agent);
        }
        const FixedVec q{coordinate(random), coordinate(random)};
        const Fixed h = reach(random);
        const std::vector<Agent*> expected = reference.query(q, static_cast<double>(h));
        Agent* skip = what % 2 == 0 ? live[random() % live.size()] : nullptr;
        std::vector<Agent*> visited;
        bool nestedChecked = false;
        grid.visitAgents(q, h, 0, skip, [&](Agent* agent, const NeighbourCopy& copy) {
            visited.push_back(agent);
            ASSERT_TRUE(copy.position == agent->position && copy.radius == agent->radius) << "round " << round;
            if (nestedChecked) return;
            nestedChecked = true;
            // A visit and a query inside the visit see the whole square too, and leave the
            // outer visit's duplicate test alone.
            std::vector<Agent*> inner;
            grid.visitAgents(q, h, 1, nullptr, [&](Agent* other) { inner.push_back(other); });
            ASSERT_EQ(inner, expected) << "round " << round;
            inner.clear();
            grid.queryAgents(q, static_cast<double>(h), inner);
            ASSERT_EQ(inner, expected) << "round " << round;
        });
        std::vector<Agent*> expectedVisit;
        for (Agent* agent : expected) {
            if (agent != skip) expectedVisit.push_back(agent);
        }
        ASSERT_EQ(visited, expectedVisit) << "round " << round;
    }
    reference.expectSameCounts(grid);
}

// Visits and counts while some agents' cells are not one rectangle (a removal at a stale
// position, an insertion with a larger radius), and again once every such agent has left
// whole: the order and the count of each visit against the reference lists.
TEST_F(NeighbourGridTest, VisitsMatchTheReferenceWhateverShapeTheCellsTake) {
    std::mt19937 random(91);
    std::uniform_int_distribution<int32_t> coordinate(units(0), units(4000));
    std::uniform_int_distribution<int32_t> nudge(units(-300), units(300));
    std::uniform_int_distribution<int32_t> radius(units(75), units(225));
    std::uniform_int_distribution<int32_t> reach(0, units(1200));
    std::uniform_int_distribution<int> action(0, 99);
    ReferenceGrid reference(grid);
    std::deque<Agent> agents;
    std::vector<Agent*> live;
    auto checkVisits = [&](int round) {
        const FixedVec q{coordinate(random), coordinate(random)};
        const Fixed h = reach(random);
        const std::vector<Agent*> expected = reference.query(q, static_cast<double>(h));
        Agent* skip = round % 3 == 0 && !live.empty() ? live[random() % live.size()] : nullptr;
        std::vector<Agent*> visited;
        bool copiesTrue = true;
        grid.visitAgents(q, h, round % NeighbourGrid::kVisitLevels, skip, [&](Agent* agent, const NeighbourCopy& copy) {
            visited.push_back(agent);
            copiesTrue = copiesTrue && copy.position == agent->position && copy.radius == agent->radius;
        });
        ASSERT_TRUE(copiesTrue) << "round " << round;
        std::vector<Agent*> expectedVisit;
        for (Agent* agent : expected) {
            if (agent != skip) expectedVisit.push_back(agent);
        }
        ASSERT_EQ(visited, expectedVisit) << "round " << round;
        expectScreenedVisit(grid, expected, q, h, (round + 1) % NeighbourGrid::kVisitLevels, skip,
                            skip != nullptr && round % 2 == 0 ? skip->gridRecord : 0, round);
        ASSERT_EQ(grid.countAgents(q, h, 0), expected.size()) << "round " << round;
        // A count that stops at a limit: the limit when at least that many, else the count.
        const std::size_t limit = 1 + random() % 8;
        ASSERT_EQ(grid.countAgents(q, h, 1, limit), std::min(expected.size(), limit)) << "round " << round;
    };
    for (int round = 0; round < 6000; ++round) {
        const int what = action(random);
        const bool shapesAllowed = round < 3000;  // then only whole moves, after a clean-up
        if (round == 3000) {
            // Every agent leaves by a square covering all the cells it may be in, and comes
            // back whole: from here on all cells are rectangles again.
            for (Agent* agent : live) {
                const Fixed kept = agent->radius;
                agent->radius = units(30000);
                grid.removeAgent(agent, agent->position, agent->radius);
                reference.remove(agent->position, agent);
                agent->radius = kept;
                grid.insertAgent(agent, agent->position, agent->radius);
                reference.insert(agent);
            }
        }
        if (what < 10 || live.size() < 3) {
            const FixedVec p{coordinate(random), coordinate(random)};
            live.push_back(reference.add(agents, grid, p, radius(random)));
        } else if (what < 14) {
            Agent* oldest = live.front();
            const Fixed kept = oldest->radius;
            oldest->radius = units(30000);  // leaves every cell, whatever their shape
            grid.removeAgent(oldest, oldest->position, oldest->radius);
            reference.remove(oldest->position, oldest);
            oldest->radius = kept;
            live.erase(live.begin());
        } else if (what < 18 && shapesAllowed) {
            // Removal at a stale position, then back in at the real one, or a move that
            // stays where it is (its square's cells, some of which no longer hold it).
            Agent* agent = live[random() % live.size()];
            const FixedVec stale{wrapAdd(agent->position.x, nudge(random)), wrapAdd(agent->position.y, nudge(random))};
            grid.removeAgent(agent, stale, agent->radius);
            reference.remove(stale, agent);
            if (what < 16) {
                grid.insertAgent(agent, agent->position, agent->radius);
            } else {
                grid.moveAgent(agent, agent->position, agent->position, agent->radius);
                reference.remove(agent->position, agent);
            }
            reference.insert(agent);
        } else if (what < 22 && shapesAllowed) {
            // A larger square added over the cells it holds.
            Agent* agent = live[random() % live.size()];
            agent->radius = radius(random);
            grid.insertAgent(agent, agent->position, agent->radius);
            reference.insert(agent);
        } else {
            Agent* agent = live[random() % live.size()];
            const FixedVec old = agent->position;
            if (what < 70) agent->position = {wrapAdd(old.x, nudge(random)), wrapAdd(old.y, nudge(random))};
            grid.moveAgent(agent, old, agent->position, agent->radius);
            reference.remove(old, agent);
            reference.insert(agent);
        }
        checkVisits(round);
        if (testing::Test::HasFatalFailure()) return;
    }
    reference.expectSameCounts(grid);
}

// An agent whose square spans 2 x 2 cells is met once, in the first cell (columns outer, rows
// inner) that the visited square shares with it, whichever of its cells that is; the
// agents alone in one of its cells show where.
TEST_F(NeighbourGridTest, AnAgentOverSeveralCellsIsMetWhereTheSquareFirstMeetsIt) {
    // Cells of 512 units: the spanning agent covers columns 1-2 and rows 1-2.
    Agent east = makeAgent(1300, 700, 50);    // column 2, row 1
    Agent south = makeAgent(700, 1300, 50);   // column 1, row 2
    Agent corner = makeAgent(1300, 1300, 50); // column 2, row 2
    Agent spanning = makeAgent(1024, 1024, 100);
    for (Agent* agent : {&east, &south, &corner, &spanning}) grid.insertAgent(agent, agent->position, agent->radius);
    struct Case {
        double x, y, half;
        std::vector<Agent*> expected;
    };
    const Case cases[] = {
        {1024, 1024, 400, {&spanning, &south, &east, &corner}},  // columns 1-2, rows 1-2: met in (1, 1)
        {1400, 1024, 100, {&east, &spanning, &corner}},          // column 2, rows 1-2: met in (2, 1) after east
        {1024, 1400, 100, {&south, &spanning, &corner}},         // columns 1-2, row 2: met in (1, 2) after south
        {1300, 1300, 100, {&corner, &spanning}},                 // (2, 2) alone
        {1000, 1000, 0, {&spanning}},                            // a point in (1, 1)
        {700, 600, 500, {&spanning, &south, &east, &corner}},    // columns 0-2, rows 0-2: met in its own (1, 1)
    };
    for (const Case& c : cases) {
        std::vector<Agent*> visited;
        grid.visitAgents({units(c.x), units(c.y)}, units(c.half), 0, nullptr, [&](Agent* agent, const NeighbourCopy& copy) {
            visited.push_back(agent);
            EXPECT_EQ(copy.position, agent->position);
        });
        EXPECT_EQ(visited, c.expected) << c.x << "," << c.y << " half " << c.half;
        EXPECT_EQ(grid.countAgents({units(c.x), units(c.y)}, units(c.half), 0), c.expected.size());
    }
}

// Agents whose cells form no rectangle (inserted again elsewhere without a removal; removed at
// a stale position that took only part of their cells) are still met once by every visit
// and counted once, from whichever cell the visited square starts in.
TEST_F(NeighbourGridTest, AgentsWhoseCellsFormNoRectangleAreMetOnce) {
    // A: cell (1, 1), then also (2, 2).
    Agent a = makeAgent(700, 700, 100);
    grid.insertAgent(&a, a.position, a.radius);
    grid.insertAgent(&a, {units(1300), units(1300)}, a.radius);
    // B: columns and rows 5-6, then a removal whose square covers only column 5.
    Agent b = makeAgent(3072, 3072, 100);
    grid.insertAgent(&b, b.position, b.radius);
    grid.removeAgent(&b, {units(2772), units(3072)}, b.radius);
    ASSERT_EQ(grid.agentCount(5, 5), 0);
    ASSERT_EQ(grid.agentCount(6, 6), 1);
    struct Case {
        double x, y, half;
        std::vector<Agent*> expected;
    };
    const Case cases[] = {
        {1024, 1024, 100, {&a}},   // columns and rows 1-2: A's two cells
        {1024, 1024, 700, {&a}},   // columns and rows 0-3
        {1300, 1300, 100, {&a}},   // (2, 2) alone
        {3072, 3072, 100, {&b}},   // columns and rows 5-6: B in (6, 5) and (6, 6)
        {3072, 3072, 1000, {&b}},  // columns and rows 4-7
        {3300, 3300, 100, {&b}},   // (6, 6) alone
    };
    for (const Case& c : cases) {
        std::vector<Agent*> visited;
        grid.visitAgents({units(c.x), units(c.y)}, units(c.half), 0, nullptr, [&](Agent* agent) { visited.push_back(agent); });
        EXPECT_EQ(visited, c.expected) << c.x << "," << c.y << " half " << c.half;
        EXPECT_EQ(grid.countAgents({units(c.x), units(c.y)}, units(c.half), 0), c.expected.size()) << c.x << "," << c.y;
    }
}

// Where a visit meets each agent, as agentVisitOrder tells it: a crowd of agents of one to
// four cells each, moved at random over a few cells (so an agent's cells join in every order
// and entries move within and across lists), then visited over a square holding all their
// cells. The agents come in the order of their keys, strictly; an agent whose cells form no
// rectangle has none; every agent's copy is its position and radius.
TEST_F(NeighbourGridTest, AgentsAreMetInTheOrderOfTheirVisitKeys) {
    std::mt19937 random(7715);
    std::uniform_real_distribution<double> where(2400.0, 3800.0), radius(20.0, 300.0);
    std::deque<Agent> agents;
    std::vector<int32_t> records;
    for (int i = 0; i < 60; ++i) {
        agents.push_back(makeAgent(where(random), where(random), radius(random)));
        records.push_back(grid.insertAgent(&agents.back(), agents.back().position, agents.back().radius));
    }
    for (int round = 0; round < 40; ++round) {
        for (int i = 0; i < 25; ++i) {
            const std::size_t k = random() % agents.size();
            Agent& agent = agents[k];
            const FixedVec old = agent.position;
            agent.position = {units(where(random)), units(where(random))};
            records[k] = grid.moveAgent(&agent, old, agent.position, agent.radius, records[k]);
        }
        // One agent left with cells that form no rectangle: removed at a place covering one of
        // its cells only, when it has more than one.
        Agent& broken = agents[static_cast<std::size_t>(round) % agents.size()];
        const FixedVec corner = {units(3072.0), units(3072.0)};
        const FixedVec old = broken.position;
        broken.position = corner;
        records[static_cast<std::size_t>(round) % agents.size()] =
            grid.moveAgent(&broken, old, corner, broken.radius, records[static_cast<std::size_t>(round) % agents.size()]);
        grid.removeAgent(&broken, {units(3072.0 + 512.0), units(3072.0 + 512.0)}, broken.radius);

        std::vector<Agent*> met;
        grid.visitAgents({units(3072.0), units(3072.0)}, units(1500.0), 0, nullptr, [&](Agent* agent) { met.push_back(agent); });
        ASSERT_EQ(met.size(), agents.size()) << "round " << round;
        uint64_t previous = 0;
        bool first = true;
        int keyed = 0;
        for (Agent* agent : met) {
            const int32_t record = grid.agentRecord(agent, 0);
            ASSERT_GT(record, 0);
            NeighbourCopy copy;
            ASSERT_TRUE(grid.agentCopy(record, copy));
            EXPECT_EQ(copy.position, agent->position);
            EXPECT_EQ(copy.radius, agent->radius);
            uint64_t key;
            if (!grid.agentVisitOrder(record, key)) {
                EXPECT_EQ(agent, &broken) << "round " << round;
                continue;
            }
            ++keyed;
            if (!first) {
                EXPECT_LT(previous, key) << "round " << round;
            }
            previous = key, first = false;
        }
        EXPECT_GE(keyed, static_cast<int>(agents.size()) - 1);
        // Back whole for the next round.
        grid.removeAgent(&broken, broken.position, broken.radius);
        records[static_cast<std::size_t>(round) % agents.size()] = grid.insertAgent(&broken, broken.position, broken.radius);
    }
    NeighbourCopy copy;
    uint64_t key;
    EXPECT_FALSE(grid.agentCopy(0, copy));
    EXPECT_FALSE(grid.agentVisitOrder(0, key));
    EXPECT_EQ(grid.agentRecord(nullptr, 0), 0);
}

// A cell crowded with agents that keep moving within it (each move sends the agent to the
// end of the list, leaving a vacated entry, so the list is compacted again and again), some
// leaving and coming back, some stepping across a cell edge: the copies, the order and the
// counts of every visit stay the reference's.
TEST_F(NeighbourGridTest, ACrowdedCellMovedWithinKeepsCopiesAndOrderThroughCompaction) {
    std::mt19937 random(5);
    std::uniform_int_distribution<int32_t> inCell(units(100), units(1400));
    std::uniform_int_distribution<int32_t> nudge(units(-3), units(3));
    ReferenceGrid reference(grid);
    std::deque<Agent> agents;
    std::vector<Agent*> live;
    for (int i = 0; i < 80; ++i) live.push_back(reference.add(agents, grid, {inCell(random), inCell(random)}, units(60)));
    for (int round = 0; round < 3000; ++round) {
        Agent* agent = live[random() % live.size()];
        if (round % 97 == 0) {
            grid.removeAgent(agent, agent->position, agent->radius);
            reference.remove(agent->position, agent);
            agent->position = {inCell(random), inCell(random)};
            grid.insertAgent(agent, agent->position, agent->radius);
            reference.insert(agent);
        } else {
            const FixedVec old = agent->position;
            agent->position = {wrapAdd(old.x, nudge(random)), wrapAdd(old.y, nudge(random))};
            grid.moveAgent(agent, old, agent->position, agent->radius);
            reference.remove(old, agent);
            reference.insert(agent);
        }
        if (round % 10 != 0) continue;
        const FixedVec q{inCell(random), inCell(random)};
        const Fixed h = units(300) + static_cast<Fixed>(random() % units(600));
        std::vector<Agent*> visited;
        bool copiesTrue = true;
        grid.visitAgents(q, h, 0, nullptr, [&](Agent* other, const NeighbourCopy& copy) {
            visited.push_back(other);
            copiesTrue = copiesTrue && copy.position == other->position && copy.radius == other->radius;
        });
        const std::vector<Agent*> expected = reference.query(q, static_cast<double>(h));
        ASSERT_EQ(visited, expected) << "round " << round;
        ASSERT_TRUE(copiesTrue) << "round " << round;
        ASSERT_EQ(grid.countAgents(q, h, 1), expected.size()) << "round " << round;
        ASSERT_EQ(grid.countAgents(q, h, 1, 16), std::min<std::size_t>(expected.size(), 16)) << "round " << round;
    }
    reference.expectSameCounts(grid);
}

// Agents moved and visited with the record numbers the grid hands back, with another agent's
// number, and with numbers that name no record: moves, visits that skip an agent and counts
// all match the reference, whatever the hint. Lists of up to nine agents, moved within their
// cells or out of them, store no vacated entry; the crowded cell past that still matches.
TEST_F(NeighbourGridTest, RecordHintsRightOrWrongChangeNothingAndShortListsStayDense) {
    std::mt19937 random(31);
    std::uniform_int_distribution<int32_t> spread(units(0), units(4000));
    std::uniform_int_distribution<int32_t> crowd(units(5200), units(5300));
    std::uniform_int_distribution<int32_t> nudge(units(-30), units(30));
    std::uniform_int_distribution<int32_t> reach(0, units(900));
    ReferenceGrid reference(grid);
    std::deque<Agent> agents;
    std::vector<Agent*> live;
    std::vector<int32_t> hints;
    for (int i = 0; i < 60; ++i) {
        const bool crowded = i % 3 == 0;  // twenty in one cell, the others spread out
        const FixedVec p = crowded ? FixedVec{crowd(random), crowd(random)} : FixedVec{spread(random), spread(random)};
        live.push_back(reference.add(agents, grid, p, units(crowded ? 20 : 75 + (i % 5) * 30)));
        // add() inserted it; inserting again at the same place returns its record.
        hints.push_back(grid.insertAgent(live.back(), p, live.back()->radius));
        ASSERT_GT(hints.back(), 0);
    }
    auto wrongHint = [&](std::size_t i) -> int32_t {
        switch (random() % 4) {
            case 0: return hints[(i + 1 + random() % (live.size() - 1)) % live.size()];  // another agent's
            case 1: return 0;
            case 2: return -5;
            default: return 1 << 20;  // past every record
        }
    };
    for (int round = 0; round < 6000; ++round) {
        const std::size_t i = random() % live.size();
        Agent* agent = live[i];
        const bool trueHint = round % 3 != 0;
        const FixedVec old = agent->position;
        // Mostly a nudge within the cells; now and then a jump to other cells.
        if (round % 11 == 0) {
            agent->position = i % 3 == 0 ? FixedVec{crowd(random), crowd(random)} : FixedVec{spread(random), spread(random)};
        } else {
            agent->position = {wrapAdd(old.x, nudge(random)), wrapAdd(old.y, nudge(random))};
        }
        const int32_t returned = grid.moveAgent(agent, old, agent->position, agent->radius, trueHint ? hints[i] : wrongHint(i));
        ASSERT_EQ(returned, hints[i]) << "round " << round;  // an agent keeps its record while in cells
        reference.remove(old, agent);
        reference.insert(agent);

        const std::size_t s = random() % live.size();
        const FixedVec q = round % 2 == 0 ? live[s]->position : FixedVec{spread(random), spread(random)};
        const Fixed h = round % 2 == 0 ? wrapAdd(live[s]->radius, kFixedOne) : reach(random);
        std::vector<Agent*> expected;
        for (Agent* candidate : reference.query(q, static_cast<double>(h))) {
            if (candidate != live[s]) expected.push_back(candidate);
        }
        std::vector<Agent*> visited;
        grid.visitAgents(q, h, 0, live[s], [&](Agent* other) { visited.push_back(other); },
                         round % 5 == 0 ? wrongHint(s) : hints[s]);
        ASSERT_EQ(visited, expected) << "round " << round;
        ASSERT_EQ(grid.countAgents(q, h, 0), reference.query(q, static_cast<double>(h)).size()) << "round " << round;
    }
    reference.expectSameCounts(grid);
    for (uint32_t c = 0; c < 128; ++c) {
        for (uint32_t r = 0; r < 128; ++r) {
            if (reference.count(c, r) <= 9) {
                ASSERT_EQ(grid.storedAgentEntries(c, r), reference.count(c, r)) << c << "," << r;
            }
        }
    }
    // Every agent leaves through a removal: the lists empty out entirely.
    for (Agent* agent : live) grid.removeAgent(agent, agent->position, agent->radius);
    EXPECT_EQ(grid.registeredAgents(), 0u);
    EXPECT_EQ(grid.storedAgentEntries(10, 10), 0);
}

// Cells holding far more entries than a visit sorts at once, with vacated entries, agents
// over one, two and four cells and agents whose cells form no rectangle: every visit, at
// every level and whichever agent it skips, meets the reference's agents in its order.
TEST_F(NeighbourGridTest, VisitsThroughCellsOfManyEntriesMatchTheReference) {
    std::mt19937 random(77);
    std::uniform_int_distribution<int32_t> nearCorner(units(700), units(1350));
    std::uniform_int_distribution<int32_t> radius(units(10), units(200));
    std::uniform_int_distribution<int32_t> nudge(units(-2), units(2));
    ReferenceGrid reference(grid);
    std::deque<Agent> agents;
    std::vector<Agent*> live;
    for (int i = 0; i < 160; ++i) live.push_back(reference.add(agents, grid, {nearCorner(random), nearCorner(random)}, radius(random)));
    // A second insertion elsewhere: the agent's cells are the union of two squares.
    int shapeless = 0;
    for (int i = 0; i < 160; i += 16) {
        Agent* agent = live[static_cast<std::size_t>(i)];
        agent->position = {wrapAdd(agent->position.x, units(300)), wrapSub(agent->position.y, units(300))};
        grid.insertAgent(agent, agent->position, agent->radius);
        reference.insert(agent);
        ++shapeless;
    }
    ASSERT_EQ(shapeless, 10);
    int checked = 0;
    for (int round = 0; round < 400; ++round) {
        // Small moves within the cells leave vacated entries behind in the busy lists.
        Agent* moved = live[random() % live.size()];
        const FixedVec old = moved->position;
        moved->position = {wrapAdd(old.x, nudge(random)), wrapAdd(old.y, nudge(random))};
        grid.moveAgent(moved, old, moved->position, moved->radius);
        reference.remove(old, moved);
        reference.insert(moved);
        if (round % 8 != 0) continue;
        const FixedVec q{nearCorner(random), nearCorner(random)};
        const Fixed h = static_cast<Fixed>(random() % units(900));
        Agent* skip = round % 16 == 0 ? live[random() % live.size()] : nullptr;
        std::vector<Agent*> expected;
        for (Agent* agent : reference.query(q, static_cast<double>(h))) {
            if (agent != skip) expected.push_back(agent);
        }
        std::vector<Agent*> visited;
        bool copiesTrue = true;
        grid.visitAgents(q, h, (round / 8) % NeighbourGrid::kVisitLevels, skip, [&](Agent* agent, const NeighbourCopy& copy) {
            visited.push_back(agent);
            copiesTrue = copiesTrue && copy.position == agent->position && copy.radius == agent->radius;
        });
        ASSERT_EQ(visited, expected) << "round " << round;
        ASSERT_TRUE(copiesTrue) << "round " << round;
        expectScreenedVisit(grid, reference.query(q, static_cast<double>(h)), q, h, (round / 8 + 1) % NeighbourGrid::kVisitLevels,
                            skip, 0, round);
        checked += expected.size() > 64 ? 1 : 0;
    }
    EXPECT_GT(checked, 10);  // most visits read lists longer than a sorted run
    reference.expectSameCounts(grid);
}

TEST_F(NeighbourGridTest, QueryReturnsEveryAgentWithinTheRadius) {
    // The geometric promise behind the cells: nothing within reach is missed.
    std::mt19937 random(5);
    std::uniform_int_distribution<int32_t> coordinate(0, units(20000));
    std::uniform_int_distribution<int32_t> radius(units(75), units(225));
    std::deque<Agent> agents;
    for (int i = 0; i < 2000; ++i) {
        agents.push_back(makeAgent(0, 0, 0));
        agents.back().position = {coordinate(random), coordinate(random)};
        agents.back().radius = radius(random);
        grid.insertAgent(&agents.back(), agents.back().position, agents.back().radius);
    }
    std::vector<Agent*> result;
    for (int i = 0; i < 500; ++i) {
        const FixedVec q{coordinate(random), coordinate(random)};
        const double reach = units(800);
        result.clear();
        grid.queryAgents(q, reach, result);
        for (Agent& agent : agents) {
            const double dx = (agent.position.x - static_cast<double>(q.x)) / 65536.0;
            const double dy = (agent.position.y - static_cast<double>(q.y)) / 65536.0;
            if (std::sqrt(dx * dx + dy * dy) > 800.0) continue;
            ASSERT_NE(std::find(result.begin(), result.end(), &agent), result.end());
        }
        // And nothing appears twice.
        std::vector<Agent*> sorted = result;
        std::sort(sorted.begin(), sorted.end());
        ASSERT_EQ(std::adjacent_find(sorted.begin(), sorted.end()), sorted.end());
    }
}

TEST(NeighbourGridBeforeInit, IgnoresEverything) {
    NeighbourGrid grid;
    Agent agent = makeAgent(100, 100, 50);
    grid.insertAgent(&agent, agent.position, agent.radius);
    grid.removeAgent(&agent, agent.position, agent.radius);
    std::vector<Agent*> result;
    EXPECT_EQ(grid.queryAgents(agent.position, 100.0, result), 0u);
    EXPECT_EQ(grid.occupancy(0, 0), 0);
}

// Obstacles visited near a point, in visit order.
std::vector<const Obstacle*> visitedObstacles(NeighbourGrid& grid, FixedVec p, Fixed halfSize) {
    std::vector<const Obstacle*> seen;
    grid.visitObstacles(p, halfSize, 0, [&seen](const Obstacle* o) { seen.push_back(o); });
    return seen;
}

// Obstacles a visit must meet, written out: the square's cells (whole units of its edges
// over the cell width, clamped), columns outer, rows inner, each obstacle where first met;
// an obstacle lies in the cells its own square touches (raw edges times cells per unit,
// floored). Insertion order within a cell.
std::vector<const Obstacle*> obstaclesByHand(const std::deque<Obstacle>& obstacles, FixedVec p, Fixed halfSize,
                                             uint32_t columns, uint32_t rows) {
    auto clamped = [](double cell, uint32_t count) {
        return static_cast<uint32_t>(std::clamp(cell, 0.0, count - 1.0));
    };
    auto cellOf = [&](int64_t raw, uint32_t count) {
        return clamped(std::floor(std::floor(static_cast<double>(raw) * (count / 65536.0)) / 65536.0), count);
    };
    auto queryCellOf = [&](int64_t raw, uint32_t count) {
        return clamped(std::trunc(static_cast<double>(raw >> 16) / (65536.0 / count)), count);
    };
    auto covers = [&](int64_t x, int64_t y, int64_t half, uint32_t c, uint32_t r) {
        return c >= cellOf(x - half, columns) && c <= cellOf(x + half, columns) && r >= cellOf(y - half, rows) &&
               r <= cellOf(y + half, rows);
    };
    std::vector<const Obstacle*> result;
    if (halfSize < 0) return result;
    const int64_t x = p.x, y = p.y;
    for (uint32_t c = queryCellOf(x - halfSize, columns); c <= queryCellOf(x + halfSize, columns); ++c) {
        for (uint32_t r = queryCellOf(y - halfSize, rows); r <= queryCellOf(y + halfSize, rows); ++r) {
            for (const Obstacle& o : obstacles) {
                if (!covers(o.x, o.y, o.radius, c, r)) continue;
                if (std::find(result.begin(), result.end(), &o) == result.end()) result.push_back(&o);
            }
        }
    }
    return result;
}

// Sparse obstacles over grids of one and of several 64-row words per column: every visit
// meets the obstacles of the written-out rule in its order (so skipping the empty part of a
// square changes neither which cell an obstacle is met in nor the order), and the query's
// list too; after clearObstacles nothing is met until obstacles come again.
TEST(NeighbourGridObstacles, VisitsMeetWhatTheCellsHoldInOrderOnGridsOfEveryHeight) {
    struct Shape {
        uint32_t columns, rows;
    };
    for (const Shape shape : {Shape{128, 128}, Shape{64, 64}, Shape{40, 200}, Shape{7, 130}}) {
        NeighbourGrid grid;
        ASSERT_TRUE(grid.init(shape.columns, shape.rows));
        std::mt19937 random(shape.columns * 1000 + shape.rows);
        const double cellUnits = 65536.0 / shape.columns;
        std::uniform_int_distribution<int32_t> coordinate(units(-2000), units(32767));
        std::uniform_int_distribution<int32_t> near(units(-3 * cellUnits), units(3 * cellUnits));
        std::uniform_real_distribution<double> radius(0.0, 2.5 * cellUnits);
        std::deque<Obstacle> obstacles;
        int met = 0, empty = 0;
        for (int round = 0; round < 2; ++round) {
            for (int i = 0; i < 60; ++i) {
                obstacles.push_back(Obstacle{coordinate(random), coordinate(random), units(radius(random))});
                grid.insertObstacle(&obstacles.back());
            }
            for (int q = 0; q < 3000; ++q) {
                // Half the squares round an obstacle, the others anywhere (mostly empty).
                FixedVec p{coordinate(random), coordinate(random)};
                if (q % 2 == 0) {
                    const Obstacle& o = obstacles[static_cast<std::size_t>(q) % obstacles.size()];
                    p = FixedVec{o.x, o.y} + FixedVec{near(random), near(random)};  // wraps, as positions do
                }
                const Fixed half = units(std::min(radius(random) * (q % 5 == 0 ? 4.0 : 1.0), 32767.0));  // within 16.16
                const std::vector<const Obstacle*> seen = visitedObstacles(grid, p, half);
                ASSERT_EQ(seen, obstaclesByHand(obstacles, p, half, shape.columns, shape.rows))
                    << shape.columns << "x" << shape.rows << " round " << round << " query " << q;
                std::vector<const Obstacle*> listed;
                grid.queryObstacles(p, static_cast<double>(half), listed);
                ASSERT_EQ(seen, listed);
                met += static_cast<int>(seen.size());
                empty += seen.empty() ? 1 : 0;
            }
            EXPECT_GT(met, 3000);
            // On the seven-column grid obstacles up to 2.5 columns across leave no square empty.
            if (shape.columns >= 40) {
                EXPECT_GT(empty, 100) << shape.columns << "x" << shape.rows;
            }
            grid.clearObstacles();
            obstacles.clear();
            for (uint32_t c = 0; c < shape.columns; c += 3) {
                const FixedVec centre{units((c + 0.5) * cellUnits), units(1000)};
                ASSERT_TRUE(visitedObstacles(grid, centre, units(std::min(4 * cellUnits, 32767.0))).empty());
            }
        }
    }
}

}  // namespace
}  // namespace steering
