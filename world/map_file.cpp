#include "world/map_file.h"

#include <sys/stat.h>

#include <cstdio>
#include <cstring>

namespace steering {

namespace {

// Cell side in world units; the map is always 256 cells of 256 units.
constexpr double kCellUnits = 65536.0 / kMapSide;

// Sized to the text: a path may be as long as the file system allows.
std::string formatted(const char* format, const char* path, std::size_t a = 0, std::size_t b = 0) {
    const int length = std::snprintf(nullptr, 0, format, path, a, b);
    if (length <= 0) return {};
    std::string line(static_cast<std::size_t>(length) + 1, '\0');
    std::snprintf(line.data(), line.size(), format, path, a, b);
    line.resize(static_cast<std::size_t>(length));
    return line;
}

}  // namespace

MapFileRead readMapFile(const char* path, uint8_t* cells, MapFileUse use) {
    const bool patch = use == MapFileUse::PatchWhatIsWrong;
    // What is wrong with the file, then what comes of it.
    const auto outcome = [patch](const std::string& fault, const std::string& standIn) {
        return fault + ": " + (patch ? standIn : "not loaded");
    };
    MapFileRead result;
    std::memset(cells, 0, kMapBytes);
    struct stat info {};
    // A folder opens for reading on Linux and then fails every read: the same as missing.
    std::FILE* file = (stat(path, &info) == 0 && S_ISDIR(info.st_mode)) ? nullptr : std::fopen(path, "rb");
    if (file == nullptr) {
        result.problem = outcome(formatted("map \"%s\" not found", path), "using an open map (every cell 0)");
        if (patch) std::fprintf(stderr, "%s\n", result.problem.c_str());
        return result;
    }
    result.bytesRead = std::fread(cells, 1, kMapBytes, file);
    const bool longer = result.bytesRead == kMapBytes && std::fgetc(file) != EOF;
    std::fclose(file);

    // The navigation keeps the whole byte as a triangle's type, and 255 there marks an unused
    // triangle slot: such cells would leave live triangles that look unused. They read as
    // 15, which has the same low four bits (wall) for everything else.
    for (std::size_t i = 0; i < result.bytesRead; ++i) {
        if (cells[i] == kReservedCellValue) {
            cells[i] = static_cast<uint8_t>(kWallType);
            ++result.reservedCells;
        }
    }
    if (result.reservedCells != 0) {
        std::fprintf(stderr, "map \"%s\" has %zu cells of value 255, reserved by the navigation: read as 15 (wall)\n",
                     path, result.reservedCells);
    }
    if (result.bytesRead < kMapBytes) {
        result.status = MapFileStatus::Short;
        result.problem = outcome(formatted("map \"%s\" is short (%zu of %zu bytes)", path, result.bytesRead, kMapBytes),
                                 "the rest is open (0)");
    } else if (longer) {
        result.status = MapFileStatus::Long;
        result.problem = outcome(formatted("map \"%s\" is longer than %zu bytes", path, kMapBytes),
                                 "only the first " + std::to_string(kMapBytes) + " are used");
    } else {
        result.status = MapFileStatus::Complete;
    }
    if (patch && !result.problem.empty()) std::fprintf(stderr, "%s\n", result.problem.c_str());
    return result;
}

Fixed markerCentre(uint32_t cellIndex) { return truncToInt((cellIndex * 65536.0 + 32768.0) * kCellUnits); }

void rewriteObstacleMarkers(uint8_t* cells, std::vector<Obstacle>& obstacles) {
    for (uint32_t r = 0; r < kMarkerScanEnd; ++r) {
        for (uint32_t c = 0; c < kMarkerScanEnd; ++c) {
            uint8_t& cell = cells[static_cast<std::size_t>(r) * kMapSide + c];
            if ((cell & 0x0F) != kObstacleMarkerType) continue;
            obstacles.push_back(Obstacle{markerCentre(c), markerCentre(r), kMarkerObstacleRadius});
            cell = 1;
        }
    }
}

void prepareCells(PreparedMap& map) {
    map.cells = map.authored;
    map.obstacles.clear();
    rewriteObstacleMarkers(map.cells.data(), map.obstacles);
}

MapFileRead prepareMapFile(const char* path, PreparedMap& map, MapFileUse use) {
    map.read = readMapFile(path, map.authored.data(), use);
    prepareCells(map);
    return map.read;
}

}  // namespace steering
