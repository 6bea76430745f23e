#pragma once
// The coarse wall blocks of steering_walls: 6 x 6 cells over the window, whose cell
// width is 640 / 6 in integer division (106 pixels), so the map ends at x = 636 and the
// strip beyond it, being outside the map, counts as wall.
#include <array>
#include <cstdint>

#include "platform/win.h"

namespace steering_walls {

struct WallsDrawingResources;

inline constexpr uint32_t kWallColumns = 6;
inline constexpr uint32_t kWallRows = 6;

class WallMap {
public:
    // Sets the size and copies the cell bytes (row-major, non-zero = wall).
    void create(uint32_t width, uint32_t height, const std::array<uint8_t, kWallColumns * kWallRows>& cells);

    uint32_t columns() const { return kWallColumns; }
    uint32_t rows() const { return kWallRows; }
    double cellWidth() const { return cellWidth_; }    // pixels: width / 6, integer division
    double cellHeight() const { return cellHeight_; }  // pixels: height / 6, integer division

    // The cell byte, or 1 (wall) for any cell outside the map.
    uint8_t wallAt(int64_t column, int64_t row) const;

    // Cell lines and the wall cells filled green.
    void draw(win::HDC dc, const WallsDrawingResources& resources) const;

private:
    uint32_t width_ = 0;
    uint32_t height_ = 0;
    double cellWidth_ = 0.0;
    double cellHeight_ = 0.0;
    std::array<uint8_t, kWallColumns * kWallRows> cells_{};
};

// The program's wall layout: row 0 is the top band, column 0 the left; 1 = wall.
inline constexpr std::array<uint8_t, kWallColumns * kWallRows> kWallTable = {
    1, 1, 1, 0, 1, 1,  //
    0, 0, 0, 0, 0, 0,  //
    1, 1, 0, 1, 0, 1,  //
    1, 0, 0, 1, 0, 0,  //
    1, 0, 1, 0, 0, 1,  //
    1, 0, 1, 0, 0, 1,  //
};

}  // namespace steering_walls
