// The map's closed edges as a user meets them through steering_headless: the start-up agent
// answers a left click made at any frame, and a crowd inserted at the corner stays on the map.
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
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
        fields >> row.frame >> comma >> row.index >> comma >> row.x >> comma >> row.y;
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
INSTANTIATE_TEST_SUITE_P(Frames, StartUpAgentAnswersTheClick, ::testing::Values(1, 60, 300, 900));

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
