// The one map preparation: reading rules and the marker rewrite.
#include "world/map_file.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "tests/world/map_bytes.h"

namespace steering {
namespace {

using test_maps::markedMap;
using test_maps::put;
using test_maps::writeMap;

TEST(MapFile, ReadRulesForEveryKindOfFile) {
    struct Case {
        const char* name;
        std::size_t size;
        MapFileStatus status;
        std::size_t bytesRead;
        const char* said;
    };
    const Case cases[] = {
        {"whole.raw", kMapBytes, MapFileStatus::Complete, kMapBytes, ""},
        {"short.raw", 1000, MapFileStatus::Short, 1000, "short (1000 of 65536"},
        {"empty.raw", 0, MapFileStatus::Short, 0, "short (0 of 65536"},
        {"long.raw", kMapBytes + 1, MapFileStatus::Long, kMapBytes, "longer than 65536"},
    };
    static uint8_t cells[kMapBytes];
    for (const Case& c : cases) {
        std::vector<uint8_t> bytes(c.size, 7);
        const std::string path = writeMap(std::string("map_file_") + c.name, bytes);
        ::testing::internal::CaptureStderr();
        const MapFileRead read = readMapFile(path.c_str(), cells);
        const std::string stderrText = ::testing::internal::GetCapturedStderr();
        EXPECT_EQ(read.status, c.status) << c.name;
        EXPECT_EQ(read.bytesRead, c.bytesRead) << c.name;
        EXPECT_NE(read.problem.find(c.said), std::string::npos) << c.name << ": " << read.problem;
        EXPECT_EQ(stderrText.empty(), read.problem.empty()) << c.name;
        EXPECT_EQ(cells[0], c.size == 0 ? 0 : 7) << c.name;
        EXPECT_EQ(cells[kMapBytes - 1], c.size >= kMapBytes ? 7 : 0) << c.name;
        std::remove(path.c_str());
    }
    // A file someone named is refused: no stand-in is promised, and the caller says it.
    const std::string named = writeMap("map_file_named.raw", std::vector<uint8_t>(kMapBytes + 1, 7));
    ::testing::internal::CaptureStderr();
    const MapFileRead refused = readMapFile(named.c_str(), cells, MapFileUse::WholeFileOnly);
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), "");
    EXPECT_EQ(refused.status, MapFileStatus::Long);
    EXPECT_EQ(refused.problem, "map \"" + named + "\" is longer than 65536 bytes: not loaded");
    std::remove(named.c_str());
    // A missing file and a folder both give an open map.
    for (const std::string& path : {::testing::TempDir() + "map_file_missing.raw", ::testing::TempDir()}) {
        std::fill(cells, cells + kMapBytes, 9);
        ::testing::internal::CaptureStderr();
        const MapFileRead read = readMapFile(path.c_str(), cells);
        EXPECT_NE(::testing::internal::GetCapturedStderr().find("not found"), std::string::npos) << path;
        EXPECT_EQ(read.status, MapFileStatus::Missing) << path;
        EXPECT_EQ(std::count(cells, cells + kMapBytes, 0), static_cast<long>(kMapBytes)) << path;
    }
}

TEST(MapFile, PreparationRewritesMarkersAndKeepsTheAuthoredBytes) {
    const std::vector<uint8_t> bytes = markedMap();
    const std::string path = writeMap("map_file_marked.raw", bytes);
    static PreparedMap map;
    ::testing::internal::CaptureStderr();
    const MapFileRead read = prepareMapFile(path.c_str(), map);
    EXPECT_NE(::testing::internal::GetCapturedStderr().find("10 cells of value 255"), std::string::npos);
    EXPECT_EQ(read.status, MapFileStatus::Complete);
    EXPECT_EQ(read.reservedCells, 10u);

    // Two markers in the scanned square, in row-then-column order, at the cells' centres:
    // (10, 20) -> (2688.0, 5248.0) units, (11, 20) -> (2944.0, 5248.0).
    ASSERT_EQ(map.obstacles.size(), 2u);
    EXPECT_EQ(map.obstacles[0].x, 176160768);
    EXPECT_EQ(map.obstacles[0].y, 343932928);
    EXPECT_EQ(map.obstacles[1].x, 2944 * 65536);
    EXPECT_EQ(map.obstacles[0].radius, 140 * 65536);
    EXPECT_EQ(map.cells[20 * 256 + 10], 1);
    EXPECT_EQ(map.cells[20 * 256 + 11], 1);
    EXPECT_EQ(map.cells[5 * 256 + 127], 14);
    EXPECT_EQ(map.cells[127 * 256 + 5], 14);
    EXPECT_EQ(map.cells[30 * 256 + 50], 15);
    EXPECT_EQ(map.cells[200 * 256 + 200], 254);
    // What an editor would save: the markers as written, 255 as the wall it reads as.
    EXPECT_EQ(map.authored[20 * 256 + 10], 14);
    EXPECT_EQ(map.authored[20 * 256 + 11], 0x2E);
    EXPECT_EQ(map.authored[30 * 256 + 50], 15);
    std::remove(path.c_str());
}

}  // namespace
}  // namespace steering
