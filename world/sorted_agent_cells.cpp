#include "world/sorted_agent_cells.h"

#include <algorithm>

#include "world/neighbour_grid.h"

namespace steering {

namespace {

// Cells at least this many raw units a side (2^(16 + 6): 64 world units).
constexpr int kSmallestShift = 22;
// The sort widens its cells until there are at most this many, or kCellsPerAgent per agent.
constexpr int64_t kFewestCellsAllowed = 4096;
constexpr int64_t kCellsPerAgent = 32;

std::size_t slotOf(const Agent* agent, std::size_t mask) {
    const uint64_t key = static_cast<uint64_t>(reinterpret_cast<uintptr_t>(agent)) >> 4;
    return static_cast<std::size_t>((key * 0x9E3779B97F4A7C15ull) >> 32) & mask;
}

int64_t distance(int64_t a, int64_t b) { return a > b ? a - b : b - a; }

}  // namespace

uint32_t SortedAgentCells::find(const Agent* agent) const {
    if (hashKeys_.empty()) return kNone;
    const std::size_t mask = hashKeys_.size() - 1;
    for (std::size_t slot = slotOf(agent, mask);; slot = (slot + 1) & mask) {
        if (hashKeys_[slot] == agent) return hashValues_[slot];
        if (hashValues_[slot] == kNone) return kNone;
    }
}

void SortedAgentCells::place(const Agent* agent, uint32_t index) {
    const std::size_t mask = hashKeys_.size() - 1;
    std::size_t slot = slotOf(agent, mask);
    while (hashValues_[slot] != kNone) slot = (slot + 1) & mask;
    hashKeys_[slot] = const_cast<Agent*>(agent);
    hashValues_[slot] = index;
}

void SortedAgentCells::rehash() {
    std::size_t size = 16;
    while (size < 2 * agents_.size() + 2) size *= 2;
    hashKeys_.assign(size, nullptr);
    hashValues_.assign(size, kNone);
    for (std::size_t k = 0; k < agents_.size(); ++k) place(agents_[k], static_cast<uint32_t>(k));
}

void SortedAgentCells::deactivate() {
    active_ = false;
    wideCells_ = false;
    clear();
}

void SortedAgentCells::clear() {
    agents_.clear();
    xs_.clear();
    ys_.clear();
    radii_.clear();
    sortedAt_.clear();
    std::fill(hashKeys_.begin(), hashKeys_.end(), nullptr);
    std::fill(hashValues_.begin(), hashValues_.end(), kNone);
    broken_ = false;
    outliers_ = 0;
    maxRadius_ = 0;
    drift_ = 0;
    dirty_ = true;
}

void SortedAgentCells::activate(const NeighbourGrid& grid) {
    clear();
    active_ = true;
    // Cells wider than 1,024 units let the grid's candidates lie far enough apart for the
    // distance tests' sums to wrap; the proof of equal results does not cover that.
    wideCells_ = grid.columns < 64 || grid.rows < 64;
    // Each agent once, with its copy; every entry of an agent must hold the same copy, and
    // its entries must be exactly the cells of its square (as insert and move keep them).
    std::vector<uint32_t> entries;  // once per activation, not per step
    grid.forEachAgentEntry([&](uint32_t column, uint32_t row, Agent* agent, const NeighbourCopy& copy) {
        uint32_t index = find(agent);
        if (index == kNone) {
            append(agent, copy.position, copy.radius);
            index = static_cast<uint32_t>(agents_.size() - 1);
            entries.push_back(0);
        }
        const int64_t x = copy.position.x, y = copy.position.y;
        const CellRange cells = grid.boundingCells(x - copy.radius, y - copy.radius, x + copy.radius, y + copy.radius);
        if (xs_[index] != copy.position.x || ys_[index] != copy.position.y || radii_[index] != copy.radius ||
            !cells.contains(column, row)) {
            broken_ = true;
        }
        ++entries[index];
    });
    for (std::size_t k = 0; k < agents_.size(); ++k) {
        const int64_t x = xs_[k], y = ys_[k], r = radii_[k];
        const CellRange cells = grid.boundingCells(x - r, y - r, x + r, y + r);
        const uint64_t area = cells.empty() ? 0
                                            : uint64_t{cells.lastColumn - cells.firstColumn + 1} *
                                                  (cells.lastRow - cells.firstRow + 1);
        if (area != entries[k]) broken_ = true;
    }
}

void SortedAgentCells::append(Agent* agent, FixedVec position, Fixed radius) {
    agents_.push_back(agent);
    xs_.push_back(position.x);
    ys_.push_back(position.y);
    radii_.push_back(radius);
    sortedAt_.push_back(position);
    if (hashKeys_.size() < 2 * agents_.size() + 2) {
        rehash();
    } else {
        place(agent, static_cast<uint32_t>(agents_.size() - 1));
    }
    if (outlier(position, radius)) ++outliers_;
    maxRadius_ = std::max(maxRadius_, radius);
    dirty_ = true;
}

void SortedAgentCells::insert(Agent* agent, FixedVec position, Fixed radius) {
    if (!active_) return;
    // The grid registers nothing for a negative radius (an empty square), and a second
    // insert leaves the agent in its old cells as well: neither is one square per agent.
    if (radius < 0 || find(agent) != kNone) {
        broken_ = true;
        return;
    }
    append(agent, position, radius);
}

void SortedAgentCells::remove(const Agent* agent, FixedVec position, Fixed radius) {
    if (!active_) return;
    const uint32_t index = find(agent);
    if (index == kNone) return;
    // Removed from elsewhere, the grid keeps whatever cells of the square lie outside.
    if (xs_[index] != position.x || ys_[index] != position.y || radii_[index] != radius) {
        broken_ = true;
        return;
    }
    if (outlier(position, radius)) --outliers_;
    // Delete from the hash by shifting back the entries of its probe run.
    const std::size_t mask = hashKeys_.size() - 1;
    std::size_t hole = slotOf(agent, mask);
    while (hashKeys_[hole] != agent) hole = (hole + 1) & mask;
    for (std::size_t next = (hole + 1) & mask; hashValues_[next] != kNone; next = (next + 1) & mask) {
        const std::size_t home = slotOf(hashKeys_[next], mask);
        // The entry at next may fill the hole when its home is not in (hole, next].
        const bool homeBetween = hole < next ? (home > hole && home <= next) : (home > hole || home <= next);
        if (homeBetween) continue;
        hashKeys_[hole] = hashKeys_[next];
        hashValues_[hole] = hashValues_[next];
        hole = next;
    }
    hashKeys_[hole] = nullptr;
    hashValues_[hole] = kNone;
    // The last agent takes the removed one's place.
    const uint32_t last = static_cast<uint32_t>(agents_.size() - 1);
    if (index != last) {
        agents_[index] = agents_[last];
        xs_[index] = xs_[last];
        ys_[index] = ys_[last];
        radii_[index] = radii_[last];
        sortedAt_[index] = sortedAt_[last];
        const std::size_t lastSlot = [&] {
            std::size_t slot = slotOf(agents_[index], mask);
            while (hashKeys_[slot] != agents_[index]) slot = (slot + 1) & mask;
            return slot;
        }();
        hashValues_[lastSlot] = index;
    }
    agents_.pop_back();
    xs_.pop_back();
    ys_.pop_back();
    radii_.pop_back();
    sortedAt_.pop_back();
    dirty_ = true;
}

void SortedAgentCells::move(Agent* agent, FixedVec oldPosition, FixedVec newPosition, Fixed radius) {
    if (!active_) return;
    const uint32_t index = find(agent);
    if (index == kNone) {
        // The grid inserts an agent it does not hold.
        insert(agent, newPosition, radius);
        return;
    }
    if (xs_[index] != oldPosition.x || ys_[index] != oldPosition.y || radii_[index] != radius) {
        broken_ = true;
        return;
    }
    outliers_ += (outlier(newPosition, radius) ? 1 : 0) - (outlier(oldPosition, radius) ? 1 : 0);
    xs_[index] = newPosition.x;
    ys_[index] = newPosition.y;
    const FixedVec sortedAt = sortedAt_[index];
    drift_ = std::max({drift_, distance(newPosition.x, sortedAt.x), distance(newPosition.y, sortedAt.y)});
}

void SortedAgentCells::sort() {
    const std::size_t count = agents_.size();
    dirty_ = false;
    drift_ = 0;
    maxRadius_ = 0;
    if (count == 0) {
        columns_ = rows_ = 0;
        return;
    }
    int64_t left = xs_[0], right = left, top = ys_[0], bottom = top;
    for (std::size_t k = 0; k < count; ++k) {
        left = std::min<int64_t>(left, xs_[k]);
        right = std::max<int64_t>(right, xs_[k]);
        top = std::min<int64_t>(top, ys_[k]);
        bottom = std::max<int64_t>(bottom, ys_[k]);
        maxRadius_ = std::max(maxRadius_, radii_[k]);
    }
    const int64_t cellLimit = std::max<int64_t>(kFewestCellsAllowed, kCellsPerAgent * static_cast<int64_t>(count));
    int shift = kSmallestShift;
    while ((((right - left) >> shift) + 1) * (((bottom - top) >> shift) + 1) > cellLimit) ++shift;
    shift_ = shift;
    originX_ = left;
    originY_ = top;
    columns_ = ((right - left) >> shift) + 1;
    rows_ = ((bottom - top) >> shift) + 1;
    // Allow a drift of four cells before sorting again.
    driftLimit_ = int64_t{4} << shift;
    // Counting sort by cell, keeping the order within a cell.
    const std::size_t cells = static_cast<std::size_t>(columns_ * rows_);
    cellStart_.reserve(static_cast<std::size_t>(cellLimit) + 1);  // grows with the population only
    cellStart_.assign(cells + 1, 0);
    cellOf_.resize(count);
    for (std::size_t k = 0; k < count; ++k) {
        const int64_t column = (xs_[k] - left) >> shift;
        const int64_t row = (ys_[k] - top) >> shift;
        cellOf_[k] = static_cast<uint32_t>(row * columns_ + column);
        ++cellStart_[cellOf_[k] + 1];
    }
    for (std::size_t c = 0; c < cells; ++c) cellStart_[c + 1] += cellStart_[c];
    agentsScratch_.resize(count);
    fixedScratch_.resize(count);
    for (std::size_t k = 0; k < count; ++k) {
        const uint32_t to = cellStart_[cellOf_[k]]++;
        agentsScratch_[to] = agents_[k];
        cellOf_[k] = to;  // from here on: where agent k goes
    }
    agents_.swap(agentsScratch_);
    for (std::vector<Fixed>* values : {&xs_, &ys_, &radii_}) {
        for (std::size_t k = 0; k < count; ++k) fixedScratch_[cellOf_[k]] = (*values)[k];
        values->swap(fixedScratch_);
    }
    // The starts moved one cell on while filling: shift them back.
    for (std::size_t c = cells; c > 0; --c) cellStart_[c] = cellStart_[c - 1];
    cellStart_[0] = 0;
    for (std::size_t k = 0; k < count; ++k) sortedAt_[k] = FixedVec{xs_[k], ys_[k]};
    rehash();
}

}  // namespace steering
