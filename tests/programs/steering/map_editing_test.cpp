// Edit mode through window messages, as a person (or a recorded session) drives it:
// strokes, undo and redo, obstacle markers, the rebuild and re-plan after a stroke, agents
// moved out of new walls, saving, and dropping map files.
#include "programs/steering/map_editing.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "navigation/nav_mesh.h"
#include "platform/drop_files.h"
#include "tests/programs/steering/steering_fixture.h"
#include "steering/agent_list.h"
#include "world/world_navigation.h"
#include "world/grid_map.h"
#include "world/neighbour_grid.h"
#include "world/obstacles.h"
#include "programs/steering/scenario_view.h"
#include "programs/steering/steering_run.h"
#include "world/map_install.h"
#include "world/open_cells.h"

namespace shell_test {
namespace {

using namespace steering;
namespace fs = std::filesystem;

constexpr win::WPARAM kControl = 0x11;

std::vector<uint8_t> fileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

void writeBytes(const std::string& path, const std::vector<uint8_t>& bytes) {
    std::ofstream(path, std::ios::binary | std::ios::trunc)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

// The steering world on an open map read from a file of its own. At the starting view a
// pixel is 15 world units, so pixel (x, y) lies in cell (x * 15 / 256, y * 15 / 256).
class MapEditing : public SteeringShell {
protected:
    void SetUp() override {
        SteeringShell::SetUp();
        folder = ::testing::TempDir() + "map_editing_" + ::testing::UnitTest::GetInstance()->current_test_info()->name();
        fs::remove_all(folder);
        fs::create_directories(folder);
        mapPath = folder + "/open.raw";
        writeBytes(mapPath, std::vector<uint8_t>(kMapBytes, 0));
        run().mapFilePath = mapPath;
        run().setupWorld();  // one agent at (1500, 4500), target (0, 0)
        ::testing::internal::CaptureStderr();
    }
    void TearDown() override {
        stderrText = ::testing::internal::GetCapturedStderr();
        run().mapFilePath = "maptest.raw";
        world().obstacleList.clear();
        SteeringShell::TearDown();
        fs::remove_all(folder);
    }
    void ctrl(win::WPARAM key) {
        keyDown(kControl);
        keyDown(key);
        keyUp(key);
        keyUp(kControl);
    }
    void stroke(win::UINT down, int x0, int y0, int x1, int y1) {
        const win::WPARAM held = down == win::WM_LBUTTONDOWN ? win::MK_LBUTTON : win::MK_RBUTTON;
        send(down, held, at(x0, y0));
        send(win::WM_MOUSEMOVE, held, at(x1, y1));
        send(down + 1, 0, at(x1, y1));  // the matching button-up
    }
    uint8_t authored(int column, int row) { return run().worldMap.authored[row * 256 + column]; }
    Agent& firstAgent() { return *world().agentList.begin(); }

    std::string folder, mapPath, stderrText;
};

TEST_F(MapEditing, ALeftDragPaintsEveryCellOnItsPathAndLeavesTheTargetAlone) {
    keyDown('E');
    keyUp('E');
    ASSERT_TRUE(run().mapEdit.editing);
    EXPECT_TRUE(isChecked(kCommandEditMap));
    EXPECT_TRUE(isChecked(kPaintChoices[0].command));  // wall is the default
    stroke(win::WM_LBUTTONDOWN, 180, 180, 400, 180);  // cells (10, 10) to (23, 10) in one move
    for (int c = 8; c <= 25; ++c) {
        const bool painted = c >= 10 && c <= 23;
        EXPECT_EQ(world().gridMap.cellAt(c, 10), painted ? kWallType : 0) << c;
        EXPECT_EQ(authored(c, 10), painted ? 15 : 0) << c;
    }
    EXPECT_EQ(firstAgent().pathTarget, (FixedVec{0, 0}));  // the click did not send the agents
    // Right drag paints open ground back; outside edit mode a click sends the agents again.
    stroke(win::WM_RBUTTONDOWN, 250, 180, 300, 180);  // cells 14..17
    EXPECT_EQ(world().gridMap.cellAt(15, 10), 0);
    EXPECT_EQ(world().gridMap.cellAt(13, 10), kWallType);
    command(kCommandEditMap);
    EXPECT_FALSE(run().mapEdit.editing);
    send(win::WM_LBUTTONDOWN, win::MK_LBUTTON, at(400, 300));
    EXPECT_EQ(firstAgent().pathTarget, (FixedVec{6000 << 16, 4500 << 16}));
    EXPECT_EQ(world().gridMap.cellAt(23, 20), 0);  // not painted
}

TEST_F(MapEditing, AButtonReleasedOutsideTheWindowEndsTheStroke) {
    keyDown('E');
    send(win::WM_LBUTTONDOWN, win::MK_LBUTTON, at(180, 180));  // cell (10, 10)
    send(win::WM_MOUSEMOVE, 0, at(400, 180));  // back over the window with the button up
    EXPECT_EQ(run().mapEdit.strokeButton, 0u);
    EXPECT_EQ(world().gridMap.cellAt(10, 10), kWallType);
    EXPECT_EQ(world().gridMap.cellAt(11, 10), 0);
    EXPECT_EQ(world().gridMap.cellAt(23, 10), 0);
}

TEST_F(MapEditing, KeysPastThePaintChoicesAndRepeatedSavesDoNothing) {
    keyDown('E');
    keyDown('2');
    keyDown('1' + kPaintChoiceCount);  // one past the last choice
    EXPECT_EQ(run().mapEdit.choice, 1u);
    ctrl('S');
    ASSERT_TRUE(fs::exists(mapPath));
    fs::remove(mapPath);
    keyDown(kControl);
    keyDown('S', 0x40000001u);  // held down: the key repeats
    keyUp(kControl);
    EXPECT_FALSE(fs::exists(mapPath));
}

TEST_F(MapEditing, UndoAndRedoWholeStrokesWithTheControlKey) {
    keyDown('E');
    stroke(win::WM_LBUTTONDOWN, 180, 180, 220, 180);  // cells 10..12 of row 10
    keyDown('2');                                      // open ground... then walls again:
    keyDown('1');
    stroke(win::WM_LBUTTONDOWN, 180, 200, 180, 240);  // cells (10, 11) to (10, 14)
    EXPECT_EQ(world().gridMap.cellAt(10, 14), kWallType);
    keyDown('Z');  // without Ctrl: not an undo
    EXPECT_EQ(world().gridMap.cellAt(10, 14), kWallType);
    ctrl('Z');
    EXPECT_EQ(world().gridMap.cellAt(10, 14), 0);
    EXPECT_EQ(world().gridMap.cellAt(12, 10), kWallType);
    ctrl('Z');
    EXPECT_EQ(world().gridMap.cellAt(12, 10), 0);
    EXPECT_EQ(authored(10, 10), 0);
    ctrl('Y');
    EXPECT_EQ(world().gridMap.cellAt(12, 10), kWallType);
    EXPECT_EQ(world().gridMap.cellAt(10, 14), 0);
    ctrl('Y');
    EXPECT_EQ(world().gridMap.cellAt(10, 14), kWallType);
    ctrl('Y');  // nothing left to redo
    EXPECT_NE(std::string(run().mapEdit.status).find("nothing to redo"), std::string::npos);
}

TEST_F(MapEditing, PaintingAnObstacleMarkerMakesAnObstacleAndErasingRemovesIt) {
    keyDown('E');
    keyDown('3');
    EXPECT_TRUE(isChecked(kPaintChoices[2].command));
    EXPECT_FALSE(isChecked(kPaintChoices[0].command));
    stroke(win::WM_LBUTTONDOWN, 350, 180, 350, 180);  // cell (20, 10)
    ASSERT_EQ(world().obstacleList.size(), 1u);
    // A copy: erasing the marker below frees the obstacle.
    const Obstacle o = **world().obstacleList.begin();
    EXPECT_EQ(o.x, (20 * 256 + 128) << 16);
    EXPECT_EQ(o.y, (10 * 256 + 128) << 16);
    EXPECT_EQ(o.radius, 140 << 16);
    EXPECT_EQ(world().gridMap.cellAt(20, 10), 1);  // rewritten as the set-up does
    EXPECT_EQ(authored(20, 10), 14);       // kept for saving
    std::vector<const Obstacle*> found;
    world().neighbourGrid.queryObstacles({o.x, o.y}, 0.0, found);
    EXPECT_EQ(found.size(), 1u);
    stroke(win::WM_RBUTTONDOWN, 350, 180, 350, 180);
    EXPECT_EQ(world().obstacleList.size(), 0u);
    found.clear();
    world().neighbourGrid.queryObstacles({o.x, o.y}, 0.0, found);
    EXPECT_TRUE(found.empty());
}

TEST_F(MapEditing, AfterAStrokeFollowingAgentsReplanAroundTheNewWall) {
    send(win::WM_LBUTTONDOWN, win::MK_LBUTTON, at(400, 300));  // to (6000, 4500): cell (23, 17)
    send(win::WM_LBUTTONUP, 0, at(400, 300));
    Agent& agent = firstAgent();
    ASSERT_FALSE(agent.pathDone);
    auto detours = [&] {
        // A waypoint above row 5 or below row 28: the route goes round the wall's ends.
        for (int i = 0; i < agent.storedCount; ++i) {
            const int32_t row = (agent.waypoints[i].y >> 16) / 256;
            if (row < 5 || row > 28) return true;
        }
        return false;
    };
    EXPECT_FALSE(detours());
    keyDown('E');
    stroke(win::WM_LBUTTONDOWN, 240, 86, 240, 479);  // column 14, rows 5..28
    EXPECT_EQ(world().gridMap.cellAt(14, 5), kWallType);
    EXPECT_EQ(world().gridMap.cellAt(14, 28), kWallType);
    EXPECT_FALSE(agent.pathDone);
    EXPECT_EQ(agent.pathTarget, (FixedVec{6000 << 16, 4500 << 16}));
    EXPECT_TRUE(detours());
    // Undone, the way is straight again.
    ctrl('Z');
    EXPECT_FALSE(detours());
}

TEST_F(MapEditing, AnAgentInsideANewWallGoesToTheNearestOpenCell) {
    // The agent stands at (1500, 4500) in cell (5, 17). Centres of the neighbouring cells:
    // (6, 17) at (1664, 4480) is 165 units away, (5, 18) at (1408, 4736) 253, (5, 16) 290.
    keyDown('E');
    stroke(win::WM_LBUTTONDOWN, 90, 300, 90, 300);  // cell (5, 17)
    EXPECT_EQ(firstAgent().position, (FixedVec{1664 << 16, 4480 << 16}));
    std::vector<Agent*> found;
    world().neighbourGrid.queryAgents(firstAgent().position, 0.0, found);
    EXPECT_EQ(found.size(), 1u);
    // Walling (6, 17) moves it again. From its centre (6, 16), (7, 17) and (6, 18) are all
    // 256 units away; the tie goes to the first in row order: (6, 16) at (1664, 4224).
    stroke(win::WM_LBUTTONDOWN, 105, 300, 105, 300);  // cell (6, 17)
    EXPECT_EQ(firstAgent().position, (FixedVec{1664 << 16, 4224 << 16}));
}

TEST_F(MapEditing, AnAgentMovedOutOfANewWallIsInTheNeighbourGridWhereItStands) {
    // A wall block over cells (0..12, 14..20) round the agent in (5, 17): it moves about
    // 1,000 units, two cells of the 512-unit neighbour grid. Every grid cell then holds
    // the agents whose bounding square overlaps it, counted from their positions.
    keyDown('E');
    for (int row = 14; row <= 20; ++row) {
        const int y = row * 256 / 15 + 8;
        stroke(win::WM_LBUTTONDOWN, 2, y, 220, y);
    }
    const Agent& agent = firstAgent();
    ASSERT_TRUE(inOpenCell(world().gridMap, agent.position));
    ASSERT_GT(std::abs(toWhole(agent.position.y) - 4500), 900);
    const auto bucket = [](int64_t raw) {
        return static_cast<int>(std::clamp<int64_t>(static_cast<int64_t>(std::floor(raw / (512.0 * 65536))), 0, 127));
    };
    int registered = 0;
    for (int r = 0; r < 128; ++r) {
        for (int c = 0; c < 128; ++c) {
            int expected = 0;
            for (const Agent& a : world().agentList) {
                expected += c >= bucket(int64_t{a.position.x} - a.radius) && c <= bucket(int64_t{a.position.x} + a.radius) &&
                            r >= bucket(int64_t{a.position.y} - a.radius) && r <= bucket(int64_t{a.position.y} + a.radius);
            }
            EXPECT_EQ(world().neighbourGrid.agentCount(static_cast<uint32_t>(c), static_cast<uint32_t>(r)), expected) << c << "," << r;
            registered += expected;
        }
    }
    EXPECT_GT(registered, 0);
}

TEST_F(MapEditing, SavingWritesTheMapAsAuthoredToItsFile) {
    keyDown('E');
    keyDown('3');
    stroke(win::WM_LBUTTONDOWN, 350, 180, 350, 180);  // marker at (20, 10)
    keyDown('1');
    stroke(win::WM_LBUTTONDOWN, 180, 180, 180, 180);  // wall at (10, 10)
    ctrl('S');
    const std::vector<uint8_t> saved = fileBytes(mapPath);
    ASSERT_EQ(saved.size(), kMapBytes);
    EXPECT_EQ(saved[10 * 256 + 20], 14);
    EXPECT_EQ(saved[10 * 256 + 10], 15);
    EXPECT_EQ(std::count(saved.begin(), saved.end(), 0), static_cast<long>(kMapBytes - 2));
    // Map, Save into a folder that has become a file's place: refused, file untouched.
    fs::remove(mapPath);
    fs::create_directories(mapPath);
    command(kCommandSaveMap);
    EXPECT_NE(std::string(run().mapEdit.status).find("it is a folder"), std::string::npos) << run().mapEdit.status;
    EXPECT_TRUE(fs::is_directory(mapPath));
}

TEST_F(MapEditing, PictureThatCannotBeWrittenSaysWhyOnTheMessageLineAndStderr) {
    // A working folder that has gone away (folder permissions would not stop the superuser).
    const fs::path start = fs::current_path();
    const fs::path gone = folder + "/gone";
    fs::create_directories(gone);
    fs::current_path(gone);
    fs::remove(gone);
    keyDown(0x7B);
    keyUp(0x7B);  // F12
    fs::current_path(start);
    const std::string expected = "no picture saved: steering-0001.png: cannot open it for writing: No such file or directory";
    EXPECT_EQ(std::string(run().mapEdit.status), expected);
    EXPECT_EQ(run().mapEdit.statusFrames, kStatusFrames);
    EXPECT_NE(::testing::internal::GetCapturedStderr().find(expected + "\n"), std::string::npos);
    ::testing::internal::CaptureStderr();
}

TEST_F(MapEditing, DroppedFilesLoadWhenWholeAndChangeNothingOtherwise) {
    std::vector<uint8_t> other(kMapBytes, 0);
    for (int c = 0; c < 40; ++c) other[30 * 256 + c] = 15;
    const std::string good = folder + "/other.raw";
    writeBytes(good, other);
    const std::string shortFile = folder + "/short.raw";
    writeBytes(shortFile, std::vector<uint8_t>(100, 15));
    const FixedVec before = firstAgent().position;

    for (const std::string& bad : {shortFile, folder + "/missing.raw", folder}) {
        send(win::WM_DROPFILES, reinterpret_cast<win::WPARAM>(win::host::makeDrop(bad)), 0);
        EXPECT_EQ(world().gridMap.cellAt(0, 30), 0) << bad;
        EXPECT_EQ(run().mapFilePath, mapPath) << bad;
        EXPECT_EQ(firstAgent().position, before) << bad;
        // The file's own name and the outcome, however deep its folder; nothing about an
        // open map standing in, which is what the same file gives at start-up.
        const std::string shown = run().mapEdit.status;
        EXPECT_NE(shown.find(fs::path(bad).filename().string() + "\""), std::string::npos) << shown;
        EXPECT_TRUE(shown.ends_with(": not loaded")) << shown;
        const std::string said = ::testing::internal::GetCapturedStderr();
        ::testing::internal::CaptureStderr();  // for TearDown
        EXPECT_EQ(said, "map \"" + bad + "\"" + (bad == shortFile ? " is short (100 of 65536 bytes)" : " not found") +
                            ": not loaded\n");
    }
    // A whole file whose navigation would not fit the tables (a checkerboard of single cells)
    // is refused too, with the running map and its navigation as they were.
    std::vector<uint8_t> checkerboard(kMapBytes, 0);
    for (std::size_t i = 0; i < kMapBytes; ++i) checkerboard[i] = static_cast<uint8_t>(((i / 256) + i) % 2 * 3);
    const std::string tooFine = folder + "/checkerboard.raw";
    writeBytes(tooFine, checkerboard);
    send(win::WM_DROPFILES, reinterpret_cast<win::WPARAM>(win::host::makeDrop(tooFine)), 0);
    EXPECT_NE(std::string(run().mapEdit.status).find("needs more navigation"), std::string::npos) << run().mapEdit.status;
    EXPECT_EQ(run().mapFilePath, mapPath);
    EXPECT_EQ(world().gridMap.cellAt(1, 0), 0);
    EXPECT_FALSE(world().navMesh.buildFailed);
    EXPECT_EQ(firstAgent().position, before);

    send(win::WM_DROPFILES, reinterpret_cast<win::WPARAM>(win::host::makeDrop(good)), 0);
    EXPECT_EQ(run().mapFilePath, good);
    EXPECT_EQ(world().gridMap.cellAt(0, 30), kWallType);
    EXPECT_EQ(world().gridMap.cellAt(40, 30), 0);
    EXPECT_NE(std::string(run().mapEdit.status).find("loaded"), std::string::npos);
}

TEST_F(MapEditing, ADroppedTestCaseReplacesGroundAndAgentsAndItsAgentsFollowTheirGoals) {
    const std::string broken = folder + "/broken.xml";
    writeBytes(broken, std::vector<uint8_t>{'<', 'S', 't'});
    const FixedVec before = firstAgent().position;
    send(win::WM_DROPFILES, reinterpret_cast<win::WPARAM>(win::host::makeDrop(broken)), 0);
    // The whole line on stderr (the status line may shorten a long path in its middle).
    const std::string said = ::testing::internal::GetCapturedStderr();
    ::testing::internal::CaptureStderr();  // for TearDown
    EXPECT_EQ(said.rfind("line 1: malformed XML: ", 0), 0u) << said;
    EXPECT_TRUE(said.ends_with(" in test case \"" + broken + "\": not opened\n")) << said;
    const std::string shown = run().mapEdit.status;
    EXPECT_EQ(shown.rfind("line 1: malformed XML", 0), 0u) << shown;
    EXPECT_TRUE(shown.ends_with("broken.xml\": not opened")) << shown;
    EXPECT_EQ(world().agentList.size(), 1u);
    EXPECT_EQ(firstAgent().position, before);
    EXPECT_EQ(world().gridMap.cellAt(0, 0), 0);

    const std::string headOn = std::string(STEERING_RESOURCE_DIR) + "/scenarios/head-on.xml";
    send(win::WM_DROPFILES, reinterpret_cast<win::WPARAM>(win::host::makeDrop(headOn)), 0);
    EXPECT_NE(std::string(run().mapEdit.status).find("opened test case"), std::string::npos) << run().mapEdit.status;
    ASSERT_EQ(world().agentList.size(), 2u);
    // The case's 40 x 40 m square from cell (1, 1), walls round it; its agents at (-8, 0)
    // and (8, 0) m: world x (12 + 1) * 256 and (28 + 1) * 256, y (20 + 1) * 256.
    EXPECT_EQ(world().gridMap.cellAt(0, 0), kWallType);
    EXPECT_EQ(world().gridMap.cellAt(1, 1), 0);
    EXPECT_EQ(world().gridMap.cellAt(41, 1), kWallType);
    EXPECT_EQ(firstAgent().position, (FixedVec{toFixed(13 * 256), toFixed(21 * 256)}));
    EXPECT_EQ(firstAgent().radius, toFixed(128));
    // The view is centred on the case's suggested point, (0, 0) m: world (21 * 256, 21 * 256).
    EXPECT_DOUBLE_EQ(run().view.viewOriginX + 320 * run().view.viewScaleX, 21 * 256.0);
    EXPECT_DOUBLE_EQ(run().view.viewOriginY + 240 * run().view.viewScaleY, 21 * 256.0);
    // Both walk 16 m at 1.3 m/s (about 62 steps of 0.2 s) and leave on arrival.
    for (int frame = 0; frame < 100 && !world().agentList.empty(); ++frame) {
        world().agentList.updateAll();
        scenarioAfterStep(run());
    }
    EXPECT_TRUE(world().agentList.empty());
}

// A refused map whose path is longer than the status line: the line keeps the reason (it
// comes first) and stderr has the whole message, path included.
TEST_F(MapEditing, LongPathKeepsTheReasonInTheStatusLine) {
    std::vector<uint8_t> checkerboard(kMapBytes, 0);
    for (std::size_t i = 0; i < kMapBytes; ++i) checkerboard[i] = static_cast<uint8_t>(((i / 256) + i) % 2 * 3);
    const std::string longName = folder + "/" + std::string(150, 'c') + ".raw";
    ASSERT_GT(longName.size(), kStatusSize);
    writeBytes(longName, checkerboard);
    send(win::WM_DROPFILES, reinterpret_cast<win::WPARAM>(win::host::makeDrop(longName)), 0);
    const std::string said = ::testing::internal::GetCapturedStderr();
    ::testing::internal::CaptureStderr();  // for TearDown
    EXPECT_EQ(std::string(run().mapEdit.status).rfind("not loaded: the map needs more navigation", 0), 0u) << run().mapEdit.status;
    EXPECT_NE(said.find("not loaded: the map needs more navigation than the tables hold (\"" + longName + "\")\n"),
              std::string::npos)
        << said;
    EXPECT_EQ(run().mapFilePath, mapPath);
}

// A deep folder must not push the reason off the line: CI's clean clones live deeper than ours.
TEST(StatusLine, ALongPathGivesWayInTheMiddleSoReasonAndFileNameStay) {
    char line[kStatusSize];
    fitStatusLine("saved map \"/a/b.raw\"", line, sizeof line);
    EXPECT_STREQ(line, "saved map \"/a/b.raw\"");

    const std::string path = "/" + std::string(200, 'f') + "/open.raw";
    fitStatusLine("cannot save \"" + path + "\": it is a folder", line, sizeof line);
    const std::string fitted = line;
    EXPECT_EQ(fitted.size(), kStatusSize - 1) << fitted;
    EXPECT_EQ(fitted.rfind("cannot save \"/fff", 0), 0u) << fitted;
    EXPECT_NE(fitted.find("f...f"), std::string::npos) << fitted;
    EXPECT_TRUE(fitted.ends_with("ffff/open.raw\": it is a folder")) << fitted;

    // Exactly full: nothing given up.
    const std::string full = "\"" + std::string(kStatusSize - 3, 'x') + "\"";
    fitStatusLine(full, line, sizeof line);
    EXPECT_EQ(std::string(line), full);
    // Without a quoted path, or with one too short to give way, the end is cut.
    const std::string plain(kStatusSize + 20, 'p');
    fitStatusLine(plain, line, sizeof line);
    EXPECT_EQ(std::string(line), plain.substr(0, kStatusSize - 1));
    const std::string shortQuote = "\"ab\" " + std::string(kStatusSize, 'r');
    fitStatusLine(shortQuote, line, sizeof line);
    EXPECT_EQ(std::string(line), shortQuote.substr(0, kStatusSize - 1));
}

}  // namespace
}  // namespace shell_test
