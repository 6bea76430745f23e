#include "world/grid_map.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <new>

#include "world/map_file.h"

namespace steering {


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
    cellsPerUnitFactor_ = {truncToInt(cellsPerUnitX * 65536.0), truncToInt(cellsPerUnitY * 65536.0)};
    cellSizeFactor_ = {truncToInt(cellWidth * 65536.0), truncToInt(cellHeight * 65536.0)};
    return true;
}

bool GridMap::load(const char* path) {
    // The map file is always one 256 x 256 map; other sizes exist only in tests.
    if (!cells_ || static_cast<std::size_t>(width) * height != kMapBytes) return false;
    const MapFileStatus status = readMapFile(path, cells_.get()).status;
    return status == MapFileStatus::Complete || status == MapFileStatus::Long;
}

int sameCellType(uint8_t a, uint8_t b) { return (a & 0x0F) == (b & 0x0F) ? 1 : 0; }

}  // namespace steering
