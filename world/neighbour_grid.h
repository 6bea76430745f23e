#pragma once
// 128 x 128 buckets of 512 world units through which agents find nearby agents and
// obstacles. Results and their order follow the grid's cell order; queries allocate nothing.
#include <cstddef>
#include <algorithm>
#include <cstdint>
#include <type_traits>
#include <vector>

#include "world/cell_lists.h"
#include "world/fixed_math.h"

namespace steering {

struct Agent;
struct Obstacle;

// What the grid keeps of an agent in each of its cells, as of its last insert or
// move: the neighbour loops test distances on these and read the agent only when near.
struct NeighbourCopy {
    FixedVec position;
    Fixed radius = 0;
};

// visitAgentsScreened hands a screen the copies' words in this order.
static_assert(sizeof(NeighbourCopy) == 12 && offsetof(NeighbourCopy, position) == 0 && offsetof(NeighbourCopy, radius) == 8 &&
                  sizeof(FixedVec) == 8 && offsetof(FixedVec, y) == 4,
              "a copy is x, y, radius");

class NeighbourGrid {
public:
    bool init(uint32_t columns, uint32_t rows);
    // Agents are registered by the square of `radius` around their centre; the grid keeps
    // their addresses, positions and radii (NeighbourCopy) and never reads the agents, so it
    // needs no agent header. Whoever writes a registered agent's position moves it here.
    // Returns the agent's record number (0 when nothing was inserted): a hint that makes
    // moveAgent and visitAgents find the agent without a table look-up. A stale hint is
    // noticed and costs only that look-up.
    int32_t insertAgent(Agent* agent, FixedVec position, Fixed radius);
    // Unlinks the agent from the cells its square at position touches; cells that do not
    // hold it are left alone.
    void removeAgent(Agent* agent, FixedVec position, Fixed radius);
    // removeAgent at oldPosition then insertAgent at newPosition: the agent goes to the end of
    // every cell's list it is in afterwards, each entry holding newPosition and radius.
    // recordHint and the result: as for insertAgent.
    int32_t moveAgent(Agent* agent, FixedVec oldPosition, FixedVec newPosition, Fixed radius, int32_t recordHint = 0);
    void insertObstacle(const Obstacle* obstacle);

    // Appends each agent registered in a cell touched by the query square that the result
    // does not already hold; returns the result's size. radius is in raw Fixed units.
    // Order: columns outer, rows inner, insertion order within a cell.
    std::size_t queryAgents(FixedVec position, double radius, std::vector<Agent*>& result);
    std::size_t queryObstacles(FixedVec position, double radius, std::vector<const Obstacle*>& result);

    // visit(pointer) for each agent (obstacle) a query with the same square would return,
    // in the same order, without a result list. level (0..kVisitLevels-1) keeps nested
    // visits apart: a visit's function may query, or visit at another level, but must not
    // visit this grid's agents (obstacles) at the same level, nor insert, move or remove.
    static constexpr int kVisitLevels = CellLists<Agent, NeighbourCopy>::kVisitLevels;
    // skip (may be null) is an agent left out of the visit, skipHint its record hint (as
    // for moveAgent): a cell holding skip alone is not read. visit takes the agent, or the
    // agent and its NeighbourCopy.
    template <typename Visit>
    void visitAgents(FixedVec position, Fixed halfSize, int level, const Agent* skip, Visit&& visit,
                     int32_t skipHint = 0) {
        if constexpr (std::is_invocable_v<Visit&, Agent*, const NeighbourCopy&>) {
            agentCells_.visitDistinct(queryCells(position, halfSize), level, skip, visit, skipHint);
        } else {
            agentCells_.visitDistinct(queryCells(position, halfSize), level, skip,
                                      [&visit](Agent* agent, const NeighbourCopy&) { visit(agent); }, skipHint);
        }
    }
    // visitAgents for a function that acts only on agents whose copies pass a screen:
    // screen(x, y, radius) takes four copies' positions and radii as lanes and returns all
    // ones in the lanes of agents visit(agent, copy) may act on (at least those; see
    // CellLists::visitScreened). The others are left out.
    template <typename Screen, typename Visit>
    void visitAgentsScreened(FixedVec position, Fixed halfSize, int level, const Agent* skip, Screen&& screen,
                             Visit&& visit, int32_t skipHint = 0) {
        agentCells_.visitScreened(queryCells(position, halfSize), level, skip, screen, visit, skipHint);
    }
    // The agent's record number (recordHint as for moveAgent), or 0 when it is in no cell;
    // the grid's copy of the agent of a record (false when the record holds none); and where
    // a visit meets that agent (CellLists::visitOrder).
    int32_t agentRecord(const Agent* agent, int32_t recordHint) const { return agentCells_.recordFor(agent, recordHint); }
    bool agentCopy(int32_t record, NeighbourCopy& copy) const { return agentCells_.copyOf(record, copy); }
    bool agentVisitOrder(int32_t record, uint64_t& key) const { return agentCells_.visitOrder(record, key); }
    // The number of agents visitAgents would visit (skip null), at most limit (the count
    // stops there); a one-cell square reads the cell's count alone.
    std::size_t countAgents(FixedVec position, Fixed halfSize, int level, std::size_t limit = SIZE_MAX) {
        return agentCells_.countDistinct(queryCells(position, halfSize), level, limit);
    }
    // The obstacle visit reads only the smallest rectangle holding every occupied cell of
    // the square (found in obstacleRows_): the same cells in the same order, so an obstacle
    // is met in the same cell; a square without obstacles reads no list at all.
    template <typename Visit>
    void visitObstacles(FixedVec position, Fixed halfSize, int level, Visit&& visit) {
        CellRange occupied;
        if (!occupiedObstacleCells(queryCells(position, halfSize), occupied)) return;
        obstacleCells_.visitDistinct(occupied, level, nullptr,
                                     [&visit](const Obstacle* obstacle, const NoCopy&) { visit(obstacle); });
    }
    // f(column, row, agent, copy) for every agent entry of every cell.
    template <typename F>
    void forEachAgentEntry(F&& f) const {
        agentCells_.forEachEntry(f);
    }

    // Ask the memory for the cells a visit of the agents near position reads first, ahead of
    // it, and change nothing. For loops over many agents. recordHint (as for moveAgent) adds
    // the agent's own record, which its move reads first.
    [[gnu::always_inline]] void prefetchAgentCells(FixedVec position, Fixed halfSize, int32_t recordHint) const {
        agentCells_.prefetchCells(queryCells(position, halfSize), recordHint);
    }

    // Number of agents plus obstacles registered in a cell (for drawing and tests).
    int occupancy(uint32_t column, uint32_t row) const;
    int agentCount(uint32_t column, uint32_t row) const;
    // Entries the cell's agent list stores, vacated ones included (for tests).
    int storedAgentEntries(uint32_t column, uint32_t row) const {
        return column < columns && row < rows ? agentCells_.storedEntries(column, row) : 0;
    }
    int obstacleCount(uint32_t column, uint32_t row) const;
    // Agents registered in at least one cell.
    std::size_t registeredAgents() const { return agentCells_.registeredItems(); }

    // Cells touched by a bounding square (left, top, right, bottom in raw 16.16 units, 64-bit
    // so edges past the Fixed range do not wrap), and by a query square. Inclusive ranges
    // clamped to the grid; empty when the grid has no cells.
    CellRange boundingCells(int64_t left, int64_t top, int64_t right, int64_t bottom) const;
    CellRange queryCells(FixedVec position, double radius) const;
    // The same for a whole raw half-size (what the agents' visits pass). Inline, as are the
    // agents' own cells in a move: a range handed back from a call and read at once as one
    // 16-byte value waits on its two 8-byte halves.
    CellRange queryCells(FixedVec position, Fixed halfSize) const {
        if (powerOfTwo >= 0) return shiftedCells(position.x, position.y, halfSize);
        return queryCells(position, static_cast<double>(halfSize));
    }

    // Drops every registration (agents and obstacles); the sizes stay.
    void clear();
    // Drops the obstacles only (a new map brings its own); agents stay registered.
    void clearObstacles();

    uint32_t columns = 0;
    uint32_t rows = 0;
    double cellsPerUnitX = 0.0;  // cells per world unit (1/512)
    double cellsPerUnitY = 0.0;
    double cellWidth = 0.0;      // world units per cell (512.0)
    double cellHeight = 0.0;
    // log2 of columns and rows when both are powers of two (the 128 x 128 grid: 7), else -1.
    // Cell sizes are then powers of two and the cells follow from raw values by shifts and
    // integer division, with the same results as the general floating-point rule.
    int powerOfTwo = -1;

    // A cell number clamped to 0..count-1: a square reaching past an edge of the grid is
    // registered (and looked up) in the border cells, and one lying wholly outside only in the
    // border cells it faces. (A fractional cell: the double form in the source file.)
    static uint32_t clampedCellNumber(int64_t cell, uint32_t count) {
        if (cell <= 0) return 0u;
        if (cell >= static_cast<int64_t>(count) - 1) return count - 1;
        return static_cast<uint32_t>(cell);
    }

private:
    // The cells of the square of half-size half round (x, y) (raw 16.16, half may be negative:
    // then empty) on a power-of-two grid: raw * 2^k / 2^16, floored, then / 2^16, floored, as
    // one arithmetic shift of each edge. Both boundingCells and queryCells come to this.
    CellRange shiftedCells(int64_t x, int64_t y, int64_t half) const {
        const int shift = 32 - powerOfTwo;
        const uint32_t count = 1u << powerOfTwo;
        CellRange range;
        range.firstColumn = clampedCellNumber((x - half) >> shift, count);
        range.firstRow = clampedCellNumber((y - half) >> shift, count);
        range.lastColumn = clampedCellNumber((x + half) >> shift, count);
        range.lastRow = clampedCellNumber((y + half) >> shift, count);
        return range;
    }
    // The cells an agent of this radius at this position is registered in.
    CellRange agentCellsOf(FixedVec position, Fixed radius) const {
        if (powerOfTwo >= 0) return shiftedCells(position.x, position.y, radius);
        // 64-bit edges: a square reaching past the Fixed range does not wrap to the far side.
        const int64_t x = position.x;
        const int64_t y = position.y;
        return boundingCells(x - radius, y - radius, x + radius, y + radius);
    }

    // The part of range (inside the grid) spanned by cells holding obstacles: false when
    // none does.
    bool occupiedObstacleCells(const CellRange& range, CellRange& occupied) const {
        if (range.empty() || obstacleRows_.empty()) return false;
        uint32_t firstColumn = UINT32_MAX, lastColumn = 0, firstRow = UINT32_MAX, lastRow = 0;
        const uint32_t firstWord = range.firstRow >> 6;
        const uint32_t lastWord = range.lastRow >> 6;
        // Bits firstRow..lastRow of the words they fall in.
        const uint64_t firstMask = ~uint64_t{0} << (range.firstRow & 63u);
        const uint64_t lastMask = ~uint64_t{0} >> (63u - (range.lastRow & 63u));
        for (uint32_t c = range.firstColumn; c <= range.lastColumn; ++c) {
            const uint64_t* words = &obstacleRows_[static_cast<std::size_t>(c) * obstacleRowWords_];
            for (uint32_t w = firstWord; w <= lastWord; ++w) {
                uint64_t bits = words[w];
                if (w == firstWord) bits &= firstMask;
                if (w == lastWord) bits &= lastMask;
                if (bits == 0) continue;
                if (firstColumn == UINT32_MAX) firstColumn = c;
                lastColumn = c;
                firstRow = std::min(firstRow, w * 64u + static_cast<uint32_t>(__builtin_ctzll(bits)));
                lastRow = std::max(lastRow, w * 64u + 63u - static_cast<uint32_t>(__builtin_clzll(bits)));
            }
        }
        if (firstColumn == UINT32_MAX) return false;
        occupied.firstColumn = firstColumn;
        occupied.lastColumn = lastColumn;
        occupied.firstRow = firstRow;
        occupied.lastRow = lastRow;
        return true;
    }
    // Forgets every obstacle's cells (sizes from columns and rows).
    void resetObstacleRows();

    CellLists<Agent, NeighbourCopy> agentCells_;              // non-owning; the population owns the agents
    // Obstacle visits read the obstacle itself, so its entries carry no copy.
    CellLists<const Obstacle, NoCopy> obstacleCells_;  // non-owning; ObstacleList owns the obstacles
    // Per column, one bit per row (obstacleRowWords_ words): set where the cell holds an
    // obstacle. Obstacles only come (insertObstacle) and all go at once, so a set bit stays.
    std::vector<uint64_t> obstacleRows_;
    uint32_t obstacleRowWords_ = 0;
};


}  // namespace steering
