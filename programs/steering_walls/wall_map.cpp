#include "programs/steering_walls/wall_map.h"

#include "programs/small_kit/double_vec.h"
#include "programs/steering_walls/walls_drawing.h"

namespace steering_walls {

void WallMap::create(uint32_t width, uint32_t height, const std::array<uint8_t, kWallColumns * kWallRows>& cells) {
    width_ = width;
    height_ = height;
    // Integer division first: 640 / 6 gives 106, so the map stops 4 pixels short of the edge.
    cellWidth_ = static_cast<double>(width / kWallColumns);
    cellHeight_ = static_cast<double>(height / kWallRows);
    cells_ = cells;
}

uint8_t WallMap::wallAt(int64_t column, int64_t row) const {
    if (column < 0 || row < 0 || column >= static_cast<int64_t>(kWallColumns) || row >= static_cast<int64_t>(kWallRows)) {
        return 1;
    }
    return cells_[static_cast<std::size_t>(row) * kWallColumns + static_cast<std::size_t>(column)];
}

void WallMap::draw(win::HDC dc, const WallsDrawingResources& r) const {
    win::SelectObject(dc, r.blackPen);
    for (uint32_t i = 0; i < kWallColumns; ++i) {
        const int32_t x = truncToInt32(i * cellWidth_);
        win::MoveToEx(dc, x, 0, nullptr);
        win::LineTo(dc, x, static_cast<int>(height_));
    }
    for (uint32_t j = 0; j < kWallRows; ++j) {
        const int32_t y = truncToInt32(j * cellHeight_);
        win::MoveToEx(dc, 0, y, nullptr);
        win::LineTo(dc, static_cast<int>(width_), y);
    }
    win::SelectObject(dc, r.greenBrush);
    for (uint32_t j = 0; j < kWallRows; ++j) {
        for (uint32_t i = 0; i < kWallColumns; ++i) {
            if (cells_[j * kWallColumns + i] == 0) continue;
            win::Rectangle(dc, truncToInt32(i * cellWidth_), truncToInt32(j * cellHeight_),
                           truncToInt32((i + 1) * cellWidth_ + 1), truncToInt32((j + 1) * cellHeight_ + 1));
        }
    }
}

}  // namespace steering_walls
