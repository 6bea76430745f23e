#include "world/open_cells.h"

#include <algorithm>

namespace steering {

namespace {

// Squared distance in 16.16 world units from position to the centre of a cell, 64-bit.
int64_t distanceToCentre(FixedVec position, int32_t column, int32_t row) {
    const int64_t cx = static_cast<int64_t>(column) * kCellUnits * 65536 + kCellUnits / 2 * 65536;
    const int64_t cy = static_cast<int64_t>(row) * kCellUnits * 65536 + kCellUnits / 2 * 65536;
    const int64_t dx = (cx - position.x) >> 8;  // 1/256 units: squares stay within 64 bits
    const int64_t dy = (cy - position.y) >> 8;
    return dx * dx + dy * dy;
}

}  // namespace

FixedVec cellCentre(CellIndex cell) {
    return {toFixed(cell.column * kCellUnits + kCellUnits / 2), toFixed(cell.row * kCellUnits + kCellUnits / 2)};
}

bool inOpenCell(const GridMap& map, FixedVec position) {
    return position.x >= 0 && position.y >= 0 && map.cellAt(map.worldToCell(position)) != kWallType;
}

bool nearestOpenCell(const GridMap& map, FixedVec position, CellIndex& found) {
    const CellIndex from = map.worldToCell(position);
    const int32_t c0 = std::clamp(from.column, 0, kReachableCells - 1);
    const int32_t r0 = std::clamp(from.row, 0, kReachableCells - 1);
    bool have = false;
    int64_t best = 0;
    // Rings of growing Chebyshev radius. A cell of ring k is at least (k - 1) cells from
    // the position, so once that exceeds the best distance no later ring can win.
    for (int32_t k = 0; k < kReachableCells; ++k) {
        if (have) {
            const int64_t nearest = static_cast<int64_t>(k - 1) * kCellUnits * 256;  // in 1/256 units
            if (nearest > 0 && nearest * nearest > best) break;
        }
        for (int32_t r = r0 - k; r <= r0 + k; ++r) {
            if (r < 0 || r >= kReachableCells) continue;
            const bool edgeRow = r == r0 - k || r == r0 + k;
            for (int32_t c = c0 - k; c <= c0 + k; c += (edgeRow || k == 0) ? 1 : 2 * k) {
                if (c < 0 || c >= kReachableCells) continue;
                if (map.cellAt(static_cast<uint32_t>(c), static_cast<uint32_t>(r)) == kWallType) continue;
                const int64_t d = distanceToCentre(position, c, r);
                if (!have || d < best || (d == best && (r < found.row || (r == found.row && c < found.column)))) {
                    have = true;
                    best = d;
                    found = {c, r};
                }
            }
        }
    }
    return have;
}

FixedVec placeInOpenCell(const GridMap& map, int32_t wholeX, int32_t wholeY) {
    const int32_t x = std::clamp(wholeX, 0, kReachableUnits - 1);
    const int32_t y = std::clamp(wholeY, 0, kReachableUnits - 1);
    const FixedVec pulledIn{toFixed(x), toFixed(y)};
    if (x == wholeX && y == wholeY && inOpenCell(map, pulledIn)) return pulledIn;
    CellIndex open;
    return nearestOpenCell(map, pulledIn, open) ? cellCentre(open) : pulledIn;
}

}  // namespace steering
