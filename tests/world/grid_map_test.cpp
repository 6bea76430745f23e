#include "world/grid_map.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <random>
#include <string>
#include <vector>

namespace steering {
namespace {

class GridMapTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(map.init(256, 256)); }
    void setByte(int column, int row, uint8_t value) { map.cells()[row * 256 + column] = value; }

    GridMap map;
};

TEST_F(GridMapTest, InitSizesTheMapAndStartsOpen) {
    EXPECT_EQ(map.width, 256u);
    EXPECT_EQ(map.height, 256u);
    EXPECT_DOUBLE_EQ(map.cellWidth, 256.0);
    EXPECT_DOUBLE_EQ(map.cellHeight, 256.0);
    EXPECT_DOUBLE_EQ(map.cellsPerUnitX, 1.0 / 256.0);
    EXPECT_DOUBLE_EQ(map.cellsPerUnitY, 1.0 / 256.0);
    for (uint32_t i = 0; i < kMapBytes; ++i) ASSERT_EQ(map.cells()[i], 0) << i;
}

TEST_F(GridMapTest, CellAtOutsideTheMapReadsOne) {
    setByte(255, 0, 15);
    setByte(0, 255, 15);
    EXPECT_EQ(map.cellAt(255, 0), 15);
    EXPECT_EQ(map.cellAt(0, 255), 15);
    EXPECT_EQ(map.cellAt(256, 0), kOutsideType);
    EXPECT_EQ(map.cellAt(0, 256), kOutsideType);
    EXPECT_EQ(map.cellAt(static_cast<uint32_t>(-1), 0), kOutsideType);
    EXPECT_EQ(map.cellAt(0, static_cast<uint32_t>(-5)), kOutsideType);
    EXPECT_EQ(map.cellAt(0xFFFFFFFFu, 0xFFFFFFFFu), kOutsideType);
}

TEST_F(GridMapTest, CellAtReadsTheLowFourBits) {
    setByte(3, 4, 0x1F);
    setByte(4, 4, 0xFE);
    setByte(5, 4, 0x23);
    EXPECT_EQ(map.cellAt(3, 4), 15);
    EXPECT_EQ(map.cellAt(4, 4), 14);
    EXPECT_EQ(map.cellAt(5, 4), 3);
    // The byte of column c, row r sits at r * 256 + c.
    EXPECT_EQ(map.cellAt(4, 3), 0);
}

TEST_F(GridMapTest, WorldToCellAtTheCellBorders) {
    const CellIndex cell = map.worldToCell({16777215, 16777216});
    EXPECT_EQ(cell.column, 0);
    EXPECT_EQ(cell.row, 1);
    const CellIndex negative = map.worldToCell({-1, -16777216 - 1});
    EXPECT_EQ(negative.column, -1);
    EXPECT_EQ(negative.row, -2);
    const CellIndex last = map.worldToCell({INT32_MAX, INT32_MIN});
    EXPECT_EQ(last.column, 127);
    EXPECT_EQ(last.row, -128);
}

TEST_F(GridMapTest, WorldToCellMatchesFloorOfWholeUnitsOver256) {
    std::mt19937 random(7);
    std::uniform_int_distribution<int32_t> any(INT32_MIN, INT32_MAX);
    for (int i = 0; i < 100000; ++i) {
        const FixedVec p{any(random), any(random)};
        const CellIndex cell = map.worldToCell(p);
        ASSERT_EQ(cell.column, static_cast<int32_t>(std::floor(p.x / 65536.0 / 256.0))) << p.x;
        ASSERT_EQ(cell.row, static_cast<int32_t>(std::floor(p.y / 65536.0 / 256.0))) << p.y;
    }
}

TEST_F(GridMapTest, CellToWorldGivesTheTopLeftCorner) {
    const FixedVec corner = map.cellToWorld(3, 2);
    EXPECT_EQ(corner.x, 50331648);
    EXPECT_EQ(corner.y, 33554432);
    for (int32_t c = -128; c < 128; ++c) {
        const FixedVec p = map.cellToWorld(c, c);
        ASSERT_EQ(p.x, c * 256 * 65536) << c;
        const CellIndex back = map.worldToCell(p);
        ASSERT_EQ(back.column, c);
    }
    // From 128 on the corner lies beyond the Fixed range and wraps.
    EXPECT_EQ(map.cellToWorld(128, 0).x, INT32_MIN);
}

// Another size after the first: cells of 512 x 1024 world units (128 columns, 64 rows), so
// each axis converts by its own cell size and a second init replaces the first's.
TEST_F(GridMapTest, ASecondInitConvertsByTheNewCellSizeOnEachAxis) {
    ASSERT_TRUE(map.init(128, 64));
    const Fixed unit = kFixedOne;
    const CellIndex inner = map.worldToCell({(3 * 512 + 511) * unit, (5 * 1024 + 1023) * unit});
    EXPECT_EQ(inner.column, 3);
    EXPECT_EQ(inner.row, 5);
    const CellIndex edge = map.worldToCell({4 * 512 * unit, 6 * 1024 * unit});
    EXPECT_EQ(edge.column, 4);
    EXPECT_EQ(edge.row, 6);
    const CellIndex negative = map.worldToCell({-1, -1});
    EXPECT_EQ(negative.column, -1);
    EXPECT_EQ(negative.row, -1);
    const FixedVec corner = map.cellToWorld(3, 5);
    EXPECT_EQ(corner.x, 3 * 512 * unit);
    EXPECT_EQ(corner.y, 5 * 1024 * unit);
    for (int32_t c = -31; c < 32; ++c) {
        const CellIndex back = map.worldToCell(map.cellToWorld(c, c));
        ASSERT_EQ(back.column, c);
        ASSERT_EQ(back.row, c);
    }
}

TEST(SameCellType, ComparesTheLowFourBits) {
    EXPECT_EQ(sameCellType(0x00, 0x00), 1);
    EXPECT_EQ(sameCellType(0x12, 0x02), 1);
    EXPECT_EQ(sameCellType(0xFF, 0x0F), 1);
    EXPECT_EQ(sameCellType(0x01, 0x00), 0);
    EXPECT_EQ(sameCellType(0x02, 0x03), 0);
    EXPECT_EQ(sameCellType(0x0E, 0x0F), 0);
}

// ---- Loading ----------------------------------------------------------------------------

std::string writeFile(const std::string& name, const std::vector<uint8_t>& bytes) {
    const std::string path = ::testing::TempDir() + name;
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    return path;
}

std::vector<uint8_t> pattern(std::size_t size) {
    std::vector<uint8_t> bytes(size);
    for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<uint8_t>(1 + i % 13);
    return bytes;
}

TEST_F(GridMapTest, LoadsAWholeFile) {
    const std::string path = writeFile("grid_map_whole.raw", pattern(kMapBytes));
    ::testing::internal::CaptureStderr();
    EXPECT_TRUE(map.load(path.c_str()));
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), "");
    for (uint32_t i = 0; i < kMapBytes; ++i) ASSERT_EQ(map.cells()[i], 1 + i % 13) << i;
    std::remove(path.c_str());
}

TEST_F(GridMapTest, MissingFileGivesAnOpenMapAndOneLine) {
    std::fill(map.cells(), map.cells() + kMapBytes, 7);
    ::testing::internal::CaptureStderr();
    EXPECT_FALSE(map.load((::testing::TempDir() + "no_such_map.raw").c_str()));
    const std::string message = ::testing::internal::GetCapturedStderr();
    EXPECT_NE(message.find("not found"), std::string::npos) << message;
    EXPECT_EQ(std::count(message.begin(), message.end(), '\n'), 1);
    for (uint32_t i = 0; i < kMapBytes; ++i) ASSERT_EQ(map.cells()[i], 0) << i;
}

TEST_F(GridMapTest, ShortFileIsZeroFilled) {
    const std::string path = writeFile("grid_map_short.raw", pattern(1000));
    ::testing::internal::CaptureStderr();
    EXPECT_FALSE(map.load(path.c_str()));
    const std::string message = ::testing::internal::GetCapturedStderr();
    EXPECT_NE(message.find("short (1000 of 65536"), std::string::npos) << message;
    EXPECT_EQ(std::count(message.begin(), message.end(), '\n'), 1);
    for (uint32_t i = 0; i < 1000; ++i) ASSERT_EQ(map.cells()[i], 1 + i % 13) << i;
    for (uint32_t i = 1000; i < kMapBytes; ++i) ASSERT_EQ(map.cells()[i], 0) << i;
    std::remove(path.c_str());
}

TEST_F(GridMapTest, EmptyFileIsAnOpenMap) {
    const std::string path = writeFile("grid_map_empty.raw", {});
    ::testing::internal::CaptureStderr();
    EXPECT_FALSE(map.load(path.c_str()));
    EXPECT_NE(::testing::internal::GetCapturedStderr().find("short (0 of"), std::string::npos);
    for (uint32_t i = 0; i < kMapBytes; ++i) ASSERT_EQ(map.cells()[i], 0) << i;
    std::remove(path.c_str());
}

TEST_F(GridMapTest, LongerFileGivesItsFirstBytes) {
    std::vector<uint8_t> bytes = pattern(kMapBytes + 500);
    const std::string path = writeFile("grid_map_long.raw", bytes);
    ::testing::internal::CaptureStderr();
    EXPECT_TRUE(map.load(path.c_str()));
    const std::string message = ::testing::internal::GetCapturedStderr();
    EXPECT_NE(message.find("longer than 65536"), std::string::npos) << message;
    EXPECT_EQ(std::count(message.begin(), message.end(), '\n'), 1);
    for (uint32_t i = 0; i < kMapBytes; ++i) ASSERT_EQ(map.cells()[i], bytes[i]) << i;
    std::remove(path.c_str());
}

TEST(GridMapBeforeInit, IsEmptyAndReadsOutsideEverywhere) {
    GridMap map;
    EXPECT_EQ(map.width, 0u);
    EXPECT_EQ(map.cells(), nullptr);
    EXPECT_EQ(map.cellAt(0, 0), kOutsideType);
    EXPECT_FALSE(map.load("maptest.raw"));
}

// ---- The committed map -------------------------------------------------------------------

class CommittedMap : public GridMapTest {
protected:
    void SetUp() override {
        GridMapTest::SetUp();
        ASSERT_TRUE(map.load(STEERING_RESOURCE_DIR "/maptest.raw"));
    }
};

TEST_F(CommittedMap, StartAreaIsOpenGround) {
    // Inside the walled corner of the first target (0, 0).
    for (uint32_t r = 1; r < 4; ++r) {
        for (uint32_t c = 1; c < 4; ++c) EXPECT_EQ(map.cellAt(c, r), 0) << c << "," << r;
    }
    const CellIndex start = map.worldToCell({98304000, 294912000});
    EXPECT_EQ(start.column, 5);
    EXPECT_EQ(start.row, 17);
    EXPECT_EQ(map.cellAt(start.column, start.row), 0);
}

TEST_F(CommittedMap, WallBorderAt0And127AndPlainGroundBeyond) {
    // Every edge of the cells agents can reach is closed: none can walk to negative
    // coordinates or past the Fixed range.
    for (uint32_t i = 0; i < 128; ++i) {
        EXPECT_EQ(map.cellAt(0, i), kWallType) << i;
        EXPECT_EQ(map.cellAt(i, 0), kWallType) << i;
        EXPECT_EQ(map.cellAt(127, i), kWallType) << i;
        EXPECT_EQ(map.cellAt(i, 127), kWallType) << i;
    }
    for (uint32_t r = 0; r < 256; ++r) {
        for (uint32_t c = 0; c < 256; ++c) {
            if (c >= 128 || r >= 128) {
                ASSERT_EQ(map.cells()[r * 256 + c], 0) << c << "," << r;
            }
        }
    }
}

TEST_F(CommittedMap, ObstacleMarkersStandInOpenGround) {
    int markers = 0;
    for (int r = 0; r < 127; ++r) {
        for (int c = 0; c < 127; ++c) {
            if (map.cellAt(c, r) != kObstacleMarkerType) continue;
            ++markers;
            for (int dr = -1; dr <= 1; ++dr) {
                for (int dc = -1; dc <= 1; ++dc) {
                    if (dr == 0 && dc == 0) continue;
                    EXPECT_EQ(map.cellAt(c + dc, r + dr), 0) << "next to the marker at " << c << "," << r;
                }
            }
        }
    }
    EXPECT_EQ(markers, 40);
}

TEST_F(CommittedMap, StartingViewShowsWallsAndObstacles) {
    // The starting view spans about 38 x 29 cells from (0, 0).
    int walls = 0;
    int markers = 0;
    for (uint32_t r = 0; r < 29; ++r) {
        for (uint32_t c = 0; c < 38; ++c) {
            walls += map.cellAt(c, r) == kWallType;
            markers += map.cellAt(c, r) == kObstacleMarkerType;
        }
    }
    EXPECT_GT(walls, 50);
    EXPECT_GE(markers, 4);
}

}  // namespace
}  // namespace steering
