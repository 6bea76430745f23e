#include "world/map_strokes.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace steering {

namespace {

// Far zoomed out a pointer move spans millions of cells; the line is clipped to the map
// with one cell of margin first, so its cost is bounded by the map's size.
constexpr double kClipLow = -1.0;
constexpr double kClipHigh = kMapSide;

// Liang-Barsky clipping of the segment to [kClipLow, kClipHigh] on both axes, rounded
// back to cells. False when the segment misses the box. Ends inside stay exactly as given.
bool clipToMargin(int32_t& x0, int32_t& y0, int32_t& x1, int32_t& y1) {
    auto inside = [](int32_t v) { return v >= kClipLow && v <= kClipHigh; };
    if (inside(x0) && inside(y0) && inside(x1) && inside(y1)) return true;
    const double px = x0, py = y0, dx = static_cast<double>(x1) - x0, dy = static_cast<double>(y1) - y0;
    double t0 = 0.0, t1 = 1.0;
    const double p[4] = {-dx, dx, -dy, dy};
    const double q[4] = {px - kClipLow, kClipHigh - px, py - kClipLow, kClipHigh - py};
    for (int i = 0; i < 4; ++i) {
        if (p[i] == 0.0) {
            if (q[i] < 0.0) return false;
            continue;
        }
        const double t = q[i] / p[i];
        if (p[i] < 0.0) t0 = std::max(t0, t);
        else t1 = std::min(t1, t);
        if (t0 > t1) return false;
    }
    auto cell = [](double v) { return static_cast<int32_t>(std::lround(std::clamp(v, kClipLow, kClipHigh))); };
    const int32_t nx0 = cell(px + t0 * dx), ny0 = cell(py + t0 * dy);
    const int32_t nx1 = cell(px + t1 * dx), ny1 = cell(py + t1 * dy);
    x0 = nx0;
    y0 = ny0;
    x1 = nx1;
    y1 = ny1;
    return true;
}

}  // namespace

MapStrokes::MapStrokes() : paintedMark_(kMapBytes, 0) {
    changes_.reserve(kMaxHistoryChanges);
    strokeStarts_.reserve(kMaxHistoryStrokes);
}

void MapStrokes::clear() {
    changes_.clear();
    strokeStarts_.clear();
    undone_ = 0;
    painting_ = false;
}

void MapStrokes::begin(uint8_t value) {
    if (painting_) end();
    // Undone strokes end where the redo-able part begins.
    if (undone_ != 0) {
        changes_.resize(strokeStarts_[strokeStarts_.size() - undone_]);
        strokeStarts_.resize(strokeStarts_.size() - undone_);
        undone_ = 0;
    }
    if (strokeStarts_.size() == kMaxHistoryStrokes) dropOldestStroke();
    strokeStarts_.push_back(changes_.size());
    painting_ = true;
    value_ = value;
    hasLast_ = false;
    // A new stamp marks this stroke's cells; on wrap-around the marks start afresh.
    if (++strokeStamp_ == 0) {
        std::fill(paintedMark_.begin(), paintedMark_.end(), 0);
        strokeStamp_ = 1;
    }
}

void MapStrokes::dropOldestStroke() {
    // The stroke in progress (the last entry) is never dropped.
    if (strokeStarts_.size() < 2) return;
    const std::size_t length = strokeStarts_[1];
    changes_.erase(changes_.begin(), changes_.begin() + static_cast<std::ptrdiff_t>(length));
    strokeStarts_.erase(strokeStarts_.begin());
    for (std::size_t& start : strokeStarts_) start -= length;
}

void MapStrokes::paintCell(uint8_t* cells, int32_t column, int32_t row, int& changed) {
    if (column < 0 || row < 0 || column >= static_cast<int32_t>(kMapSide) || row >= static_cast<int32_t>(kMapSide)) {
        return;
    }
    const uint32_t index = static_cast<uint32_t>(row) * kMapSide + static_cast<uint32_t>(column);
    if (paintedMark_[index] == strokeStamp_) return;  // once per stroke: its first "before" is kept
    paintedMark_[index] = strokeStamp_;
    if (cells[index] == value_) return;
    if (changes_.size() == kMaxHistoryChanges) dropOldestStroke();
    changes_.push_back({static_cast<uint16_t>(index), cells[index], value_});
    cells[index] = value_;
    ++changed;
}

int MapStrokes::paintTo(uint8_t* cells, int32_t column, int32_t row) {
    if (!painting_) return 0;
    int changed = 0;
    int32_t x = hasLast_ ? lastColumn_ : column, y = hasLast_ ? lastRow_ : row;
    int32_t toColumn = column, toRow = row;
    lastColumn_ = column;
    lastRow_ = row;
    hasLast_ = true;
    if (!clipToMargin(x, y, toColumn, toRow)) return 0;
    // Bresenham's line, with a diagonal step taken as two straight ones (x first), so
    // consecutive cells always share a side.
    const int64_t dx = std::abs(static_cast<int64_t>(toColumn) - x);
    const int64_t dy = -std::abs(static_cast<int64_t>(toRow) - y);
    const int32_t sx = x < toColumn ? 1 : -1, sy = y < toRow ? 1 : -1;
    int64_t error = dx + dy;
    paintCell(cells, x, y, changed);
    while (x != toColumn || y != toRow) {
        const int64_t doubled = 2 * error;
        const bool stepX = doubled >= dy;
        const bool stepY = doubled <= dx;  // at least one holds, since dy <= 0 <= dx
        if (stepX) {
            error += dy;
            x += sx;
            paintCell(cells, x, y, changed);
        }
        if (stepY) {
            error += dx;
            y += sy;
            paintCell(cells, x, y, changed);
        }
    }
    return changed;
}

bool MapStrokes::end() {
    if (!painting_) return false;
    painting_ = false;
    if (changes_.size() == strokeStarts_.back()) {
        strokeStarts_.pop_back();  // nothing changed: nothing to undo
        return false;
    }
    return true;
}

bool MapStrokes::undo(uint8_t* cells) {
    if (painting_) end();
    if (undoableStrokes() == 0) return false;
    const std::size_t stroke = strokeStarts_.size() - undone_ - 1;
    const std::size_t first = strokeStarts_[stroke];
    const std::size_t last = stroke + 1 < strokeStarts_.size() ? strokeStarts_[stroke + 1] : changes_.size();
    for (std::size_t i = last; i > first; --i) cells[changes_[i - 1].index] = changes_[i - 1].before;
    ++undone_;
    return true;
}

bool MapStrokes::redo(uint8_t* cells) {
    if (painting_) end();
    if (undone_ == 0) return false;
    const std::size_t stroke = strokeStarts_.size() - undone_;
    const std::size_t first = strokeStarts_[stroke];
    const std::size_t last = stroke + 1 < strokeStarts_.size() ? strokeStarts_[stroke + 1] : changes_.size();
    for (std::size_t i = first; i < last; ++i) cells[changes_[i].index] = changes_[i].after;
    --undone_;
    return true;
}

}  // namespace steering
