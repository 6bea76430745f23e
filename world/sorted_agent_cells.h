#pragma once
// A second index of the agents for the tight neighbour loops of a crowd: each agent once, by
// its centre, in an array sorted by small cells (rows of cells, a cell's agents in a run),
// with dense copies of its position and radius. A query reads one run per row of cells.
//
// Agents move many times between sorts: a move rewrites the agent's copy in place and the
// index remembers the furthest any agent has drifted from the point it was sorted at; a
// query widens its square by that drift, so it still finds every agent whose centre lies in
// the square. Inserts and removals and a drift past a cell's size sort again, at the next
// query. Arrays keep their capacity: once grown to the population, nothing is allocated.
//
// The neighbour grid feeds it the same insert, move, remove and clear calls it gets itself,
// but only while the index is active: dormant (the default), it costs one test per call. It
// is built from the grid's own entries when first queried (activate) and says when it cannot
// stand in for the grid (usable): an agent with a negative coordinate or a radius outside
// 0..kMaxRadius, a grid of cells wider than 1,024 units, or calls the grid would not have
// kept as one square per agent (a second insert, a move or removal from another place). Then
// the callers read the grid as before.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "world/fixed_math.h"

namespace steering {

struct Agent;
class NeighbourGrid;

// What the index holds of an agent: its centre and radius as of its last insert or move.
struct SortedCopy {
    FixedVec position;
    Fixed radius = 0;
};

class SortedAgentCells {
public:
    // Radii beyond this (raw 16.16) make the index step aside (4,096 world units).
    static constexpr Fixed kMaxRadius = Fixed{4096} << 16;

    bool active() const { return active_; }
    // Follows the grid from now on, starting from the agents registered in it.
    void activate(const NeighbourGrid& grid);
    // Stops following the grid and forgets the agents (capacity stays).
    void deactivate();
    // Whether queries stand in for the grid's visits: active, and nothing seen that the
    // proof of equal results does not cover.
    bool usable() const { return active_ && outliers_ == 0 && !broken_ && !wideCells_; }

    // usable(), and a query round this point for an agent of this radius is covered too.
    bool covers(FixedVec position, Fixed radius) const { return usable() && !outlier(position, radius); }

    void insert(Agent* agent, FixedVec position, Fixed radius);
    void remove(const Agent* agent, FixedVec position, Fixed radius);
    void move(Agent* agent, FixedVec oldPosition, FixedVec newPosition, Fixed radius);
    void clear();

    // The largest radius of a held agent, or more (raw).
    Fixed maxRadius() const { return maxRadius_; }
    std::size_t size() const { return agents_.size(); }

    // Sorts when an insert or removal or a drift past the limit calls for it. The arrays
    // (xs, ys, radii) are valid from here until the next insert, move or removal.
    void prepare() {
        if (dirty_ || drift_ > driftLimit_) sort();
    }
    // f(begin, end, skipped) for runs of indices that hold every agent (and others near it) whose
    // centre may lie in the square of half-size halfSize (raw, at least 0) round position,
    // each once; the agents' copies are x(k), y(k), radius(k) and the agent agentAt(k).
    // The order is that of the sorted array. Call only when usable(); the function must not
    // insert, move or remove agents. skipped is the index of skip (kNone when not held).
    template <typename Runs>
    void forEachRun(FixedVec position, int64_t halfSize, const Agent* skip, Runs&& runs) {
        prepare();
        const uint32_t skipped = skip == nullptr ? kNone : find(skip);
        const int64_t reach = halfSize + drift_;
        int64_t x0 = (int64_t{position.x} - reach - originX_) >> shift_;
        int64_t x1 = (int64_t{position.x} + reach - originX_) >> shift_;
        int64_t y0 = (int64_t{position.y} - reach - originY_) >> shift_;
        int64_t y1 = (int64_t{position.y} + reach - originY_) >> shift_;
        if (x1 < 0 || y1 < 0 || x0 >= columns_ || y0 >= rows_) return;
        if (x0 < 0) x0 = 0;
        if (y0 < 0) y0 = 0;
        if (x1 >= columns_) x1 = columns_ - 1;
        if (y1 >= rows_) y1 = rows_ - 1;
        const uint32_t* const starts = cellStart_.data();
        for (int64_t row = y0; row <= y1; ++row) {
            const std::size_t base = static_cast<std::size_t>(row * columns_);
            const uint32_t begin = starts[base + static_cast<std::size_t>(x0)];
            const uint32_t end = starts[base + static_cast<std::size_t>(x1) + 1];
            if (begin < end) runs(begin, end, skipped);
        }
    }
    // visit(copy, agent) for every agent of those runs but skip.
    template <typename Visit>
    void visitNear(FixedVec position, int64_t halfSize, const Agent* skip, Visit&& visit) {
        forEachRun(position, halfSize, skip, [&](uint32_t begin, uint32_t end, uint32_t skipped) {
            for (uint32_t k = begin; k < end; ++k) {
                if (k != skipped) visit(SortedCopy{FixedVec{xs_[k], ys_[k]}, radii_[k]}, *agents_[k]);
            }
        });
    }
    const Fixed* xs() const { return xs_.data(); }
    const Fixed* ys() const { return ys_.data(); }
    const Fixed* radii() const { return radii_.data(); }
    Agent& agentAt(uint32_t k) const { return *agents_[k]; }
    static constexpr uint32_t kNone = UINT32_MAX;

    // Sorts again now if any agent moved since the last sort (callers do this between
    // passes that move every agent once, so that a pass's queries widen by its own moves
    // only).
    void refresh() {
        if (dirty_ || drift_ > 0) sort();
    }

    // For tests: f(agent, copy, sortedPosition) for every held agent.
    template <typename F>
    void forEachHeld(F&& f) const {
        for (std::size_t k = 0; k < agents_.size(); ++k) {
            f(agents_[k], SortedCopy{FixedVec{xs_[k], ys_[k]}, radii_[k]}, sortedAt_[k]);
        }
    }
    // The drift the queries allow for (raw).
    int64_t drift() const { return drift_; }

private:
    uint32_t find(const Agent* agent) const;
    void place(const Agent* agent, uint32_t index);  // in the hash; the agent is not there
    void rehash();
    void append(Agent* agent, FixedVec position, Fixed radius);
    void sort();
    static bool outlier(FixedVec position, Fixed radius) {
        return position.x < 0 || position.y < 0 || radius < 0 || radius > kMaxRadius;
    }

    bool active_ = false;
    bool broken_ = false;
    bool wideCells_ = false;  // the grid followed has cells wider than 1,024 units
    bool dirty_ = false;
    int outliers_ = 0;
    Fixed maxRadius_ = 0;
    int64_t drift_ = 0;
    int64_t driftLimit_ = 0;
    // Held agents, their copies and where they stood at the last sort, in sorted order
    // (appended ones after, until the next sort).
    std::vector<Agent*> agents_;
    std::vector<Fixed> xs_;
    std::vector<Fixed> ys_;
    std::vector<Fixed> radii_;
    std::vector<FixedVec> sortedAt_;
    // Open-addressed hash from agent to index (kNone: empty slot), a power of two long.
    std::vector<Agent*> hashKeys_;
    std::vector<uint32_t> hashValues_;
    // Cells of the last sort: 2^shift_ raw units a side from (originX_, originY_); cell
    // (c, r)'s agents are indices cellStart_[r * columns_ + c] up to the next start.
    int64_t originX_ = 0;
    int64_t originY_ = 0;
    int shift_ = 22;
    int64_t columns_ = 0;
    int64_t rows_ = 0;
    std::vector<uint32_t> cellStart_;
    // Scratch of the sort.
    std::vector<uint32_t> cellOf_;
    std::vector<Agent*> agentsScratch_;
    std::vector<Fixed> fixedScratch_;
};

}  // namespace steering
