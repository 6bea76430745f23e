#pragma once
// The 256 x 256 terrain of the steering program, one byte per cell, read from
// "maptest.raw". The low four bits are the cell type (15 wall, 14 obstacle marker);
// navigation takes the whole byte.
#include <cstddef>
#include <cstdint>
#include <memory>

#include "world/fixed_math.h"

namespace steering {

constexpr uint32_t kMapSide = 256;          // cells per side
constexpr uint32_t kMapBytes = kMapSide * kMapSide;
constexpr int kWallType = 15;
constexpr int kObstacleMarkerType = 14;
constexpr int kOutsideType = 1;             // what every position outside the map reads as
// A cell byte the navigation cannot carry (it marks unused triangle slots); load reads it as
// kWallType, which has the same low four bits.
constexpr uint8_t kReservedCellValue = 255;

struct CellIndex {
    int32_t column = 0;
    int32_t row = 0;
};

class GridMap {
public:
    bool init(uint32_t columns, uint32_t rows);
    // Reads a map file into the cells with readMapFile (world/map_file.h): a missing file
    // leaves an open map, a short one is zero-filled, a longer one gives its first 65,536
    // bytes, 255 reads as 15. Returns true when the whole map came from the file.
    bool load(const char* path);

    // Inline: every agent reads the map several times a step.
    int cellAt(uint32_t column, uint32_t row) const {  // type, 1 outside
        if (column >= width || row >= height) return kOutsideType;
        return cells_[static_cast<std::size_t>(row) * width + column] & 0x0F;
    }
    int cellAt(CellIndex cell) const {
        return cellAt(static_cast<uint32_t>(cell.column), static_cast<uint32_t>(cell.row));
    }
    // Through the 16.16 factors init takes from the cell sizes below.
    CellIndex worldToCell(FixedVec position) const {
        return {fixMul(position.x, cellsPerUnitFactor_.x) >> 16, fixMul(position.y, cellsPerUnitFactor_.y) >> 16};
    }
    FixedVec cellToWorld(int32_t column, int32_t row) const {  // top-left corner
        return {fixMul(toFixed(column), cellSizeFactor_.x), fixMul(toFixed(row), cellSizeFactor_.y)};
    }

    uint8_t* cells() { return cells_.get(); }
    const uint8_t* cells() const { return cells_.get(); }

    uint32_t width = 0;
    uint32_t height = 0;
    // Set by init and only read after it: the conversions use factors taken from them then.
    double cellsPerUnitX = 0.0;  // cells per world unit (1/256)
    double cellsPerUnitY = 0.0;
    double cellWidth = 0.0;      // world units per cell (256.0)
    double cellHeight = 0.0;

private:
    std::unique_ptr<uint8_t[]> cells_;
    // truncToInt(cellsPerUnit * 65536.0) and truncToInt(cell size * 65536.0) on each axis:
    // every agent converts positions to cells several times a step.
    FixedVec cellsPerUnitFactor_;
    FixedVec cellSizeFactor_;
};


// 1 when the low four bits agree (navigation's link rule for the whole run), else 0.
int sameCellType(uint8_t a, uint8_t b);

}  // namespace steering
