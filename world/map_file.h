#pragma once
// The one preparation of a map file, shared by the steering program, the headless driver,
// navtool and the fuzz targets, so they all build the same navigation from the same file:
// read the 65,536 bytes (missing, short and long files and cells of 255 handled as below),
// then turn the obstacle markers into obstacles and rewrite those cells to 1.
#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "world/grid_map.h"
#include "world/obstacles.h"

namespace steering {

enum class MapFileStatus {
    Complete,  // exactly 65,536 bytes
    Missing,   // could not be opened (or is a folder): every cell 0
    Short,     // fewer bytes: the rest are 0
    Long,      // more bytes: only the first 65,536 are used
};

struct MapFileRead {
    MapFileStatus status = MapFileStatus::Missing;
    std::size_t bytesRead = 0;      // bytes taken from the file, at most kMapBytes
    std::size_t reservedCells = 0;  // cells of kReservedCellValue, read as kWallType
    // One line without a line end saying why the file is not a whole map: empty when the
    // status is Complete.
    std::string problem;
};

// What a caller does with a file that is not a whole map.
enum class MapFileUse {
    PatchWhatIsWrong,  // the default map: an open map or open rest stands in, said on stderr
    WholeFileOnly,     // a map someone named: refused; the caller says so, with `problem`
};

// Reads a map file into cells[0..kMapBytes). Missing: all 0; short: zero-filled past the
// end; long: the first kMapBytes. Cells of kReservedCellValue become kWallType, said on
// stderr. With PatchWhatIsWrong the other cases are said in one line on stderr too, with
// what stands in; with WholeFileOnly `problem` ends in "not loaded" and nothing more is
// said. Never fails otherwise.
MapFileRead readMapFile(const char* path, uint8_t* cells, MapFileUse use = MapFileUse::PatchWhatIsWrong);

// Markers are turned into obstacles in rows and columns 0..kMarkerScanEnd-1 only: agents
// cannot reach beyond, and markers there keep type 14.
constexpr uint32_t kMarkerScanEnd = 127;
constexpr Fixed kMarkerObstacleRadius = 0x8C0000;  // 140.0 world units
// A cell's centre as 16.16 world units, the position of the obstacle a marker there makes.
Fixed markerCentre(uint32_t cellIndex);

// Appends one obstacle per obstacle marker (rows outer, columns inner, both 0..126) and
// rewrites each such cell's byte to 1.
void rewriteObstacleMarkers(uint8_t* cells, std::vector<Obstacle>& obstacles);

// A map ready to use: the file's bytes as authored (markers kept; what an editor saves),
// the cells after the marker rewrite (what walls and navigation see), and the obstacles.
struct PreparedMap {
    std::array<uint8_t, kMapBytes> authored{};
    std::array<uint8_t, kMapBytes> cells{};
    std::vector<Obstacle> obstacles;
    MapFileRead read;
};

// Re-derives cells and obstacles from authored (after an edit).
void prepareCells(PreparedMap& map);
// readMapFile into authored, then prepareCells.
MapFileRead prepareMapFile(const char* path, PreparedMap& map, MapFileUse use = MapFileUse::PatchWhatIsWrong);

}  // namespace steering
