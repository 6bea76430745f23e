#pragma once
// The spatial grid of steering_walls: 16 x 12 cells of 40 pixels over the window, each
// listing (not owning) the agents whose bounding square overlaps it. Every neighbour
// query goes through it, so no behaviour scans the population.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "platform/win.h"
#include "programs/small_kit/double_vec.h"

namespace steering_walls {

using namespace small_kit;  // the vectors, random draws and start-up block the small programs share

struct WallsAgent;
struct WallsDrawingResources;

using AgentRefs = std::vector<WallsAgent*>;

// Cells (inclusive) that a square overlaps; empty when firstColumn > lastColumn or
// firstRow > lastRow.
struct CellRange {
    int32_t firstColumn = 0;
    int32_t lastColumn = -1;
    int32_t firstRow = 0;
    int32_t lastRow = -1;
    bool empty() const { return firstColumn > lastColumn || firstRow > lastRow; }
};

struct AgentGridCell {
    AgentRefs agents;     // insertion order; each agent at most once
    int32_t count = 0;    // agents.size(), kept as its own field for the overlay
};

class AgentGrid {
public:
    // Sets the size: columns x rows cells over width x height pixels. Empties every cell.
    void create(uint32_t columns, uint32_t rows, uint32_t width, uint32_t height);

    uint32_t columns() const { return columns_; }
    uint32_t rows() const { return rows_; }
    double cellWidth() const { return cellWidth_; }    // pixels: width / columns, integer division
    double cellHeight() const { return cellHeight_; }  // pixels: height / rows, integer division

    // Cells of the square of centre `centre` and half-size `halfSize`: each edge index
    // truncated toward zero; lower indices below 1 become 0; the upper indices are
    // clamped to the last one by an unsigned comparison, so a negative one becomes the
    // last index too.
    CellRange cellRange(DoubleVec centre, double halfSize) const;

    // Enters the agent in every cell of its bounding square at its position, once per cell.
    void insert(WallsAgent& agent);
    // Takes the agent out of the cells of the bounding square it would have at `position`.
    void remove(DoubleVec position, const WallsAgent& agent);
    // remove(oldPosition) then insert.
    void move(DoubleVec oldPosition, WallsAgent& agent);
    // Appends every agent listed in the cells of the square that `out` does not already
    // hold, in cell and list order; returns out.size(). No distance test: callers filter.
    // Allocates nothing while `out` has spare capacity, and costs in the order of the
    // listed entries, however many agents crowd into the cells.
    int32_t query(DoubleVec centre, double halfSize, AgentRefs& out) const;

    const AgentGridCell& cell(uint32_t column, uint32_t row) const { return cells_[row * columns_ + column]; }

    // Cell lines and the occupied cells shaded by their counts.
    void draw(win::HDC dc, const WallsDrawingResources& resources) const;

private:
    uint32_t columns_ = 0;
    uint32_t rows_ = 0;
    uint32_t width_ = 0;
    uint32_t height_ = 0;
    double cellWidth_ = 0.0;
    double cellHeight_ = 0.0;
    std::vector<AgentGridCell> cells_;  // row-major: row * columns + column
    // Number of this grid's latest query, compared with each agent's queryMark. An agent
    // is listed by one grid (its world's), so the marks it carries are this grid's
    // numbers; 64 bits never wrap.
    mutable uint64_t latestQueryNumber_ = 0;
};

// Entries reserved in every cell at creation: a 40-pixel cell seldom lists more than
// eight agents, so agents moving between cells do not allocate.
inline constexpr std::size_t kCellReserve = 8;

}  // namespace steering_walls
