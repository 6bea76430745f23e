#include "world/grid_map.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <new>

#include "world/drawing_resources.h"
#include "world/map_file.h"
#include "world/view_state.h"

namespace steering {

GridMap gridMap;

namespace {

// Far zoomed in, a cell spans more pixels than 32 bits hold and the truncating conversion
// would wrap its edges, losing a wall that covers the window. Pixel coordinates beyond
// this far outside the window are pulled back first; nearer ones are kept as they are.
constexpr double kPixelLimit = 1 << 20;

int32_t boundedPixel(double pixel) {
    if (pixel < -kPixelLimit) return -static_cast<int32_t>(kPixelLimit);
    if (pixel > kPixelLimit) return static_cast<int32_t>(kPixelLimit);
    return truncToInt(pixel);
}

}  // namespace

bool GridMap::init(uint32_t columns, uint32_t rows) {
    const uint64_t count = static_cast<uint64_t>(columns) * rows;
    // Zero-filled so that cells the file does not supply read as open ground.
    uint8_t* block = new (std::nothrow) uint8_t[count]();
    if (block == nullptr) return false;
    cells_.reset(block);
    width = columns;
    height = rows;
    cellWidth = 65536.0 / columns;
    cellHeight = 65536.0 / rows;
    cellsPerUnitX = 1.0 / cellWidth;
    cellsPerUnitY = 1.0 / cellHeight;
    return true;
}

bool GridMap::load(const char* path) {
    // The map file is always one 256 x 256 map; other sizes exist only in tests.
    if (!cells_ || static_cast<std::size_t>(width) * height != kMapBytes) return false;
    const MapFileStatus status = readMapFile(path, cells_.get()).status;
    return status == MapFileStatus::Complete || status == MapFileStatus::Long;
}

int GridMap::cellAt(uint32_t column, uint32_t row) const {
    if (column >= width || row >= height) return kOutsideType;
    return cells_[static_cast<std::size_t>(row) * width + column] & 0x0F;
}

CellIndex GridMap::worldToCell(FixedVec position) const {
    const Fixed factorX = truncToInt(cellsPerUnitX * 65536.0);
    const Fixed factorY = truncToInt(cellsPerUnitY * 65536.0);
    return {fixMul(position.x, factorX) >> 16, fixMul(position.y, factorY) >> 16};
}

FixedVec GridMap::cellToWorld(int32_t column, int32_t row) const {
    const Fixed factorX = truncToInt(cellWidth * 65536.0);
    const Fixed factorY = truncToInt(cellHeight * 65536.0);
    return {fixMul(toFixed(column), factorX), fixMul(toFixed(row), factorY)};
}

void GridMap::draw(win::HDC dc, const WorldRect& viewRect) const {
    if (!cells_) return;
    int64_t firstColumn = truncToInt(std::floor(viewRect.left * cellsPerUnitX));
    int64_t endColumn = truncToInt(std::ceil(viewRect.right * cellsPerUnitX));
    int64_t firstRow = truncToInt(std::floor(viewRect.top * cellsPerUnitY));
    int64_t endRow = truncToInt(std::ceil(viewRect.bottom * cellsPerUnitY));
    // Cells outside the map read as type 1 and are never drawn, so the loops can stop at
    // the map's edges without changing the picture.
    firstColumn = std::max<int64_t>(firstColumn, 0);
    firstRow = std::max<int64_t>(firstRow, 0);
    endColumn = std::min<int64_t>(endColumn, width);
    endRow = std::min<int64_t>(endRow, height);

    win::SelectObject(dc, asGdiObject(drawingResources.greenBrush));
    for (int64_t c = firstColumn; c < endColumn; ++c) {
        const std::size_t columnIndex = static_cast<std::size_t>(c);
        const int left = boundedPixel((static_cast<double>(c) * cellWidth - view.viewOriginX) * view.viewInvScaleX);
        const int right =
            boundedPixel((static_cast<double>(c + 1) * cellWidth - view.viewOriginX) * view.viewInvScaleX + 1);
        for (int64_t r = firstRow; r < endRow; ++r) {
            if ((cells_[static_cast<std::size_t>(r) * width + columnIndex] & 0x0F) != kWallType) continue;
            const int top = boundedPixel((static_cast<double>(r) * cellHeight - view.viewOriginY) * view.viewInvScaleY);
            const int bottom =
                boundedPixel((static_cast<double>(r + 1) * cellHeight - view.viewOriginY) * view.viewInvScaleY + 1);
            win::Rectangle(dc, left, top, right, bottom);
        }
    }
}

int sameCellType(uint8_t a, uint8_t b) { return (a & 0x0F) == (b & 0x0F) ? 1 : 0; }

}  // namespace steering
