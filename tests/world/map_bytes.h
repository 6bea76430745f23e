#pragma once
// Map files for tests: raw bytes written to the test's temporary folder, and a map holding
// every case the map preparation rewrites or keeps.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdint>
#include <fstream>
#include <string>
#include <vector>

#include "world/grid_map.h"
#include "world/map_file.h"

namespace steering::test_maps {

// The name carries the process id: ctest may run a test alone and in its executable's
// shuffled rerun at the same time, and the two must not write each other's file.
inline std::string writeMap(const std::string& name, const std::vector<uint8_t>& bytes) {
    const std::string path = ::testing::TempDir() + std::to_string(::getpid()) + "-" + name;
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    return path;
}

inline void put(std::vector<uint8_t>& map, int column, int row, uint8_t value) {
    map[static_cast<std::size_t>(row) * kMapSide + column] = value;
}

// Markers inside and outside the scanned square, a marker byte with high bits, cells of
// 255, walls, other values, and 254 (next to the reserved value, not scanned: kept).
inline std::vector<uint8_t> markedMap() {
    std::vector<uint8_t> map(kMapBytes, 0);
    for (int i = 0; i < 256; ++i) {
        put(map, i, 0, 15);
        put(map, 0, i, 15);
    }
    for (int r = 30; r < 40; ++r) put(map, 50, r, 255);  // a wall written as 255
    for (int c = 60; c < 70; ++c) put(map, c, 60, 3);
    put(map, 10, 20, 14);
    put(map, 11, 20, 0x2E);   // low bits 14: also a marker
    put(map, 127, 5, 14);     // column 127: not scanned
    put(map, 5, 127, 14);     // row 127: not scanned
    put(map, 200, 200, 254);
    return map;
}

}  // namespace steering::test_maps
