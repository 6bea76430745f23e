// The map's closed edges as a user meets them through steering_headless: the start-up agent
// answers a left click made at any frame, agents inserted in a wall or past the map's edge
// start in the nearest open cell and answer the next click, and a crowd inserted at the corner
// stays on the map.
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace {

namespace fs = std::filesystem;

struct TraceRow {
    long frame = 0;
    int index = 0;
    double x = 0.0;  // whole world units
    double y = 0.0;
    int pathDone = 0;
    int pathCount = 0;
};

// Runs the driver on the committed map and returns the trace's agent rows.
std::vector<TraceRow> runAndTrace(const std::string& inputText, const std::string& inputFile, int frames) {
    const fs::path dir = fs::temp_directory_path() / ("map_edges_test_" + std::to_string(getpid()));
    fs::create_directories(dir);
    std::string input = inputFile;
    if (input.empty()) {
        input = (dir / "input.txt").string();
        std::ofstream(input) << inputText;
    }
    const fs::path trace = dir / "trace.csv";
    const std::string command = std::string(STEERING_BIN_DIR) + "/steering_headless steering --frames " +
                                std::to_string(frames) + " --input " + input + " --trace " + trace.string() +
                                " --workdir " + STEERING_BIN_DIR + " >/dev/null 2>&1";
    const int status = std::system(command.c_str());
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << command;
    std::vector<TraceRow> rows;
    std::ifstream in(trace);
    std::string line;
    std::getline(in, line);  // header
    while (std::getline(in, line)) {
        if (line.empty() || line[0] == '#') continue;
        TraceRow row;
        char comma;
        std::istringstream fields(line);
        double vx = 0.0, vy = 0.0;
        int waypointIndex = 0;
        // frame,index,x,y,vx,vy,pathDone,waypointIndex,pathCount,...
        fields >> row.frame >> comma >> row.index >> comma >> row.x >> comma >> row.y >> comma >> vx >> comma >> vy >>
            comma >> row.pathDone >> comma >> waypointIndex >> comma >> row.pathCount;
        rows.push_back(row);
    }
    std::error_code error;
    fs::remove_all(dir, error);
    return rows;
}

// Inside the wall ring: cells 1 to 126, that is 256 to 32,512 world units on each axis.
bool insideTheRing(const TraceRow& row) {
    return row.x >= 256.0 && row.y >= 256.0 && row.x <= 32512.0 && row.y <= 32512.0;
}

class StartUpAgentAnswersTheClick : public ::testing::TestWithParam<int> {};

TEST_P(StartUpAgentAnswersTheClick, MadeAtThisFrame) {
    // Pixel (300, 200) at the starting scale 15 is world (4500, 3000), inside the hall; the
    // agent starts at (1500, 4500) and walks in through the west doorway.
    const int clickFrame = GetParam();
    const int frames = clickFrame + 400;
    const std::vector<TraceRow> rows =
        runAndTrace(std::to_string(clickFrame) + " lclick 300 200\n", "", frames);
    ASSERT_EQ(rows.size(), static_cast<std::size_t>(frames));  // one agent, one row a frame
    for (const TraceRow& row : rows) ASSERT_TRUE(insideTheRing(row)) << "frame " << row.frame << ": " << row.x << ", " << row.y;
    const TraceRow& last = rows.back();
    EXPECT_NEAR(last.x, 4500.0, 64.0);
    EXPECT_NEAR(last.y, 3000.0, 64.0);
}

// Before it would have reached the corner, once it stands there, and much later.
// Input of frame 0 arrives before the first frame, as that of frame 1 does.
INSTANTIATE_TEST_SUITE_P(Frames, StartUpAgentAnswersTheClick, ::testing::Values(0, 1, 60, 300, 900));

std::vector<TraceRow> rowsOfFrame(const std::vector<TraceRow>& rows, long frame) {
    std::vector<TraceRow> found;
    for (const TraceRow& row : rows) {
        if (row.frame == frame) found.push_back(row);
    }
    return found;
}

// Insert puts five agents at the insert point; where that point is no place to stand they
// start in the nearest open cell, inside the ring, and the next click gives each a path.
struct InsertCase {
    const char* name;
    const char* input;  // ends with Insert at frame 10 and a left click at frame 20
    double expectedX;   // the centre of the cell the five are put in
    double expectedY;
};

void PrintTo(const InsertCase& c, std::ostream* out) { *out << c.name; }

class InsertedAgentsAnswerTheNextClick : public ::testing::TestWithParam<InsertCase> {};

TEST_P(InsertedAgentsAnswerTheNextClick, FromWhereverTheInsertPointWas) {
    const InsertCase& c = GetParam();
    const int frames = 60;
    const std::vector<TraceRow> rows = runAndTrace(c.input, "", frames);
    for (const TraceRow& row : rows) ASSERT_TRUE(insideTheRing(row)) << "frame " << row.frame << ": " << row.x << ", " << row.y;
    const std::vector<TraceRow> inserted = rowsOfFrame(rows, 11);
    ASSERT_EQ(inserted.size(), 6u);
    for (std::size_t i = 1; i < inserted.size(); ++i) {
        // One step after the Insert they are still in the cell whose centre they were put on
        // (a nearby wall or obstacle may have pushed them a little).
        EXPECT_EQ(std::floor(inserted[i].x / 256.0), std::floor(c.expectedX / 256.0)) << "agent " << i << " x " << inserted[i].x;
        EXPECT_EQ(std::floor(inserted[i].y / 256.0), std::floor(c.expectedY / 256.0)) << "agent " << i << " y " << inserted[i].y;
    }
    const std::vector<TraceRow> afterClick = rowsOfFrame(rows, 21);
    ASSERT_EQ(afterClick.size(), 6u);
    for (const TraceRow& row : afterClick) {
        EXPECT_EQ(row.pathDone, 0) << "agent " << row.index;
        EXPECT_GT(row.pathCount, 0) << "agent " << row.index;
    }
}

// World points by hand: at the starting scale a pixel is 15 units; four Page Downs make it
// 15 * 1.5^4 = 75.9375. Cell (c, r)'s centre is (256c + 128, 256r + 128).
INSTANTIATE_TEST_SUITE_P(
    Points, InsertedAgentsAnswerTheNextClick,
    ::testing::Values(
        // Before any click the insert point is (0, 0), in the corner's wall cell: the
        // nearest open centre is cell (1, 1)'s. The click sends them into the hall.
        InsertCase{"BeforeAnyClick", "10 key Insert\n20 lclick 300 200\n", 384.0, 384.0},
        // A left click on the garden wall: pixel (60, 190) is (900, 2850), in the wall cell
        // (3, 11); cell (3, 10)'s centre (896, 2688) is 162 units away, (2, 10)'s 305,
        // (3, 12)'s 350.
        InsertCase{"OnAWall", "5 ldown 60 190\n6 lup 60 190\n10 key Insert\n20 lclick 300 200\n", 896.0, 2688.0},
        // Zoomed out, a click at pixel (600, 400) is world (45562, 30375): past the map's
        // 32,768 units, where 16.16 wraps to x = -19,974. Pulled in to (32767, 30375), in
        // the ring's cell (127, 118); cell (126, 118)'s centre (32384, 30336) is nearest.
        InsertCase{"PastTheMapEdge",
                   "1 key PageDown\n2 key PageDown\n3 key PageDown\n4 key PageDown\n5 lclick 600 400\n"
                   "10 key Insert\n20 lclick 400 380\n",
                   32384.0, 30336.0}),
    [](const ::testing::TestParamInfo<InsertCase>& info) { return std::string(info.param.name); });

TEST(CornerCrowd, ThousandAgentsAtTheCornerStayOnTheMap) {
    const int frames = 150;  // the burst is over and the crowd presses on the corner's walls
    const std::vector<TraceRow> rows =
        runAndTrace("", std::string(STEERING_RESOURCE_DIR) + "/study-corner-crowd.txt", frames);
    ASSERT_EQ(rows.size(), static_cast<std::size_t>(frames) * 1001);
    double farthest = 0.0;
    for (const TraceRow& row : rows) {
        ASSERT_TRUE(insideTheRing(row)) << "frame " << row.frame << " agent " << row.index << ": " << row.x << ", "
                                        << row.y;
        if (row.index != 0) farthest = std::max(farthest, row.x + row.y);
    }
    EXPECT_GT(farthest, 300.0 + 300.0 + 1000.0);  // the crowd did spread out from (300, 300)
}

}  // namespace
