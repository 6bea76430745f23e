#include "programs/steering_walls/agent_grid.h"

#include <algorithm>

#include "programs/steering_walls/walls_agent.h"
#include "programs/steering_walls/walls_drawing.h"

namespace steering_walls {

void AgentGrid::create(uint32_t columns, uint32_t rows, uint32_t width, uint32_t height) {
    columns_ = columns;
    rows_ = rows;
    width_ = width;
    height_ = height;
    // Integer division first, as the cell size is defined in whole pixels.
    cellWidth_ = columns == 0 ? 0.0 : static_cast<double>(width / columns);
    cellHeight_ = rows == 0 ? 0.0 : static_cast<double>(height / rows);
    cells_.assign(static_cast<std::size_t>(columns) * rows, AgentGridCell{});
    for (AgentGridCell& cell : cells_) cell.agents.reserve(kCellReserve);
}

CellRange AgentGrid::cellRange(DoubleVec centre, double halfSize) const {
    CellRange range;
    if (columns_ == 0 || rows_ == 0) {
        return range;  // empty
    }
    int32_t c0 = truncToInt32((centre.x - halfSize) / cellWidth_);
    int32_t c1 = truncToInt32((centre.x + halfSize) / cellWidth_);
    int32_t r0 = truncToInt32((centre.y - halfSize) / cellHeight_);
    int32_t r1 = truncToInt32((centre.y + halfSize) / cellHeight_);
    if (c0 < 1) c0 = 0;
    if (r0 < 1) r0 = 0;
    // Unsigned comparison: a negative upper index is huge and so becomes the last index.
    if (static_cast<uint32_t>(c1) > columns_ - 1) c1 = static_cast<int32_t>(columns_ - 1);
    if (static_cast<uint32_t>(r1) > rows_ - 1) r1 = static_cast<int32_t>(rows_ - 1);
    range.firstColumn = c0;
    range.lastColumn = c1;
    range.firstRow = r0;
    range.lastRow = r1;
    return range;
}

void AgentGrid::insert(WallsAgent& agent) {
    const CellRange range = cellRange(agent.position, agent.radius);
    if (range.empty()) return;
    for (int32_t row = range.firstRow; row <= range.lastRow; ++row) {
        for (int32_t column = range.firstColumn; column <= range.lastColumn; ++column) {
            AgentGridCell& c = cells_[static_cast<std::size_t>(row) * columns_ + static_cast<std::size_t>(column)];
            if (std::find(c.agents.begin(), c.agents.end(), &agent) == c.agents.end()) {
                c.agents.push_back(&agent);
                ++c.count;
            }
        }
    }
}

void AgentGrid::remove(DoubleVec position, const WallsAgent& agent) {
    const CellRange range = cellRange(position, agent.radius);
    if (range.empty()) return;
    for (int32_t row = range.firstRow; row <= range.lastRow; ++row) {
        for (int32_t column = range.firstColumn; column <= range.lastColumn; ++column) {
            AgentGridCell& c = cells_[static_cast<std::size_t>(row) * columns_ + static_cast<std::size_t>(column)];
            const auto found = std::find(c.agents.begin(), c.agents.end(), &agent);
            if (found != c.agents.end()) {
                c.agents.erase(found);  // keeps the others in insertion order
                --c.count;
            }
        }
    }
}

void AgentGrid::move(DoubleVec oldPosition, WallsAgent& agent) {
    remove(oldPosition, agent);
    insert(agent);
}

int32_t AgentGrid::query(DoubleVec centre, double halfSize, AgentRefs& out) const {
    const CellRange range = cellRange(centre, halfSize);
    // Agents already in the list, and each one as it is appended, carry this query's number.
    const uint64_t number = ++latestQueryNumber_;
    for (const WallsAgent* agent : out) agent->queryMark = number;
    if (!range.empty()) {
        for (int32_t row = range.firstRow; row <= range.lastRow; ++row) {
            for (int32_t column = range.firstColumn; column <= range.lastColumn; ++column) {
                const AgentGridCell& c =
                    cells_[static_cast<std::size_t>(row) * columns_ + static_cast<std::size_t>(column)];
                for (WallsAgent* agent : c.agents) {
                    if (agent->queryMark != number) {
                        agent->queryMark = number;
                        out.push_back(agent);
                    }
                }
            }
        }
    }
    return static_cast<int32_t>(out.size());
}

void AgentGrid::draw(win::HDC dc, const WallsDrawingResources& r) const {
    win::SelectObject(dc, r.bluePen);
    // No closing line at the right or bottom edge.
    for (uint32_t i = 0; i < columns_; ++i) {
        const int32_t x = truncToInt32(i * cellWidth_);
        win::MoveToEx(dc, x, 0, nullptr);
        win::LineTo(dc, x, static_cast<int>(height_));
    }
    for (uint32_t j = 0; j < rows_; ++j) {
        const int32_t y = truncToInt32(j * cellHeight_);
        win::MoveToEx(dc, 0, y, nullptr);
        win::LineTo(dc, static_cast<int>(width_), y);
    }
    for (uint32_t j = 0; j < rows_; ++j) {
        for (uint32_t i = 0; i < columns_; ++i) {
            const int32_t count = cells_[static_cast<std::size_t>(j) * columns_ + i].count;
            if (count < 1) continue;
            win::SelectObject(dc, occupancyBrush(r, count));
            win::Rectangle(dc, truncToInt32(i * cellWidth_), truncToInt32(j * cellHeight_),
                           truncToInt32((i + 1) * cellWidth_ + 1), truncToInt32((j + 1) * cellHeight_ + 1));
        }
    }
}

}  // namespace steering_walls
