// steering_headless as a user runs it: exit codes, messages naming the file and line,
// frame counting, the trace, screenshots and determinism.
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace {

namespace fs = std::filesystem;

struct RunResult {
    int exitCode = -1;
    std::string output;  // stdout and stderr together
};

RunResult runDriver(const std::string& arguments) {
    const std::string command = std::string(STEERING_BIN_DIR) + "/steering_headless " + arguments + " 2>&1";
    RunResult result;
    std::FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr) return result;
    char buffer[4096];
    std::size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) result.output.append(buffer, n);
    const int status = pclose(pipe);
    result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return result;
}

class DriverRun : public ::testing::Test {
protected:
    void SetUp() override {
        dir = fs::temp_directory_path() / ("shell_driver_test_" + std::to_string(getpid()));
        fs::create_directories(dir);
    }
    void TearDown() override {
        std::error_code error;
        fs::remove_all(dir, error);
    }
    std::string file(const std::string& name, const std::string& text) {
        const fs::path path = dir / name;
        std::ofstream(path) << text;
        return path.string();
    }
    static std::vector<std::string> lines(const fs::path& path) {
        std::ifstream in(path);
        std::vector<std::string> out;
        for (std::string line; std::getline(in, line);) out.push_back(line);
        return out;
    }
    fs::path dir;
};

TEST_F(DriverRun, UnknownOptionExitsTwoWithAMessage) {
    const RunResult r = runDriver("steering --speed 3");
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_NE(r.output.find("unknown option '--speed'"), std::string::npos) << r.output;
}

TEST_F(DriverRun, MissingOrUnknownProgramExitsTwo) {
    EXPECT_EQ(runDriver("").exitCode, 2);
    const RunResult r = runDriver("steering_fast");
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_NE(r.output.find("unknown program 'steering_fast'"), std::string::npos) << r.output;
}

TEST_F(DriverRun, HelpExitsZero) {
    const RunResult r = runDriver("--help");
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_NE(r.output.find("usage: steering_headless PROGRAM"), std::string::npos);
    for (const char* key : {" Prior", " PageUp", " PageDown", " Insert", " Del", " Escape"}) {
        EXPECT_NE(r.output.find(key), std::string::npos) << "key names list " << key;
    }
}

TEST_F(DriverRun, MalformedInputNamesFileAndLine) {
    const std::string path = file("bad.txt", "# demo\n5 key Insert\n7 jump 1 2\n");
    const RunResult r = runDriver("steering --frames 10 --input " + path);
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_NE(r.output.find(path + ":3: unknown event 'jump'"), std::string::npos) << r.output;
}

TEST_F(DriverRun, UnknownKeyNameNamesFileAndLine) {
    const std::string path = file("keys.txt", "1 key Insert\n2 keyup Hyper\n");
    const RunResult r = runDriver("steering_basic --frames 10 --input " + path);
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_NE(r.output.find(path + ":2: unknown key name 'Hyper'"), std::string::npos) << r.output;
}

TEST_F(DriverRun, UnreadableInputExitsTwo) {
    const std::string missing = (dir / "missing.txt").string();
    RunResult r = runDriver("steering --input " + missing);
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_NE(r.output.find(missing + ": cannot read input file"), std::string::npos) << r.output;
    r = runDriver("steering --input " + dir.string());
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_NE(r.output.find("it is a directory"), std::string::npos) << r.output;
}

TEST_F(DriverRun, TraceCountsFramesAndAgentsAndEndsWithTheSummary) {
    // Insert before the 3rd frame: frames 1 and 2 show one agent, frames 3 to 5 six.
    const std::string input = file("insert.txt", "3 key Insert\n");
    const fs::path trace = dir / "trace.csv";
    const RunResult r = runDriver("steering --frames 5 --input " + input + " --trace " + trace.string());
    ASSERT_EQ(r.exitCode, 0) << r.output;
    EXPECT_NE(r.output.find("steering: 5 frames, 6 agents at the end, median update"), std::string::npos) << r.output;
    const std::vector<std::string> rows = lines(trace);
    ASSERT_EQ(rows.size(), 1u + 2 * 1 + 3 * 6 + 1);
    EXPECT_EQ(rows.front(), "frame,index,x,y,vx,vy,pathDone,waypointIndex,pathCount,stuckPercent");
    EXPECT_EQ(rows[1].rfind("1,0,", 0), 0u);
    EXPECT_EQ(rows[2].rfind("2,0,", 0), 0u);
    EXPECT_EQ(rows[3].rfind("3,0,", 0), 0u);
    // Before any click the insert point is (0, 0), in the corner's wall cell: the newest agent
    // stands at the centre of the nearest open cell, (1, 1).
    EXPECT_EQ(rows[8].rfind("3,5,384,384,0,0,", 0), 0u) << rows[8];
    EXPECT_EQ(rows.back().rfind("# frames=5 agents=6 median_update_ms=", 0), 0u) << rows.back();
}

TEST_F(DriverRun, EventsOfFrameOneAndZeroComeBeforeTheFirstTick) {
    const std::string input = file("early.txt", "0 key Insert\n1 key Insert\n");
    const fs::path trace = dir / "trace.csv";
    ASSERT_EQ(runDriver("steering --frames 1 --input " + input + " --trace " + trace.string()).exitCode, 0);
    const std::vector<std::string> rows = lines(trace);
    EXPECT_EQ(rows.size(), 1u + 11 + 1);  // 1 + 10 agents, all in frame 1
}

TEST_F(DriverRun, CloseEndsTheRunEarly) {
    const std::string input = file("close.txt", "3 close\n");
    const RunResult r = runDriver("steering_walls --frames 100 --input " + input);
    EXPECT_EQ(r.exitCode, 0) << r.output;
    EXPECT_NE(r.output.find("steering_walls: 2 frames"), std::string::npos) << r.output;
}

TEST_F(DriverRun, ScreenshotsAreWrittenAsPng) {
    const fs::path shots = dir / "shots";
    const fs::path last = dir / "last.png";
    const RunResult r = runDriver("steering_basic --frames 4 --screenshot-every 2 --screenshot-dir " + shots.string() +
                                  " --screenshot " + last.string());
    ASSERT_EQ(r.exitCode, 0) << r.output;
    for (const fs::path& png : {shots / "steering_basic-000002.png", shots / "steering_basic-000004.png", last}) {
        std::ifstream in(png, std::ios::binary);
        char signature[8] = {};
        in.read(signature, 8);
        EXPECT_TRUE(in.good()) << png;
        EXPECT_EQ(std::string(signature + 1, 3), "PNG") << png;
    }
    EXPECT_FALSE(fs::exists(shots / "steering_basic-000001.png"));
    EXPECT_FALSE(fs::exists(shots / "steering_basic-000003.png"));
}

TEST_F(DriverRun, SameInputGivesTheSameTrace) {
    const std::string input = file("demo.txt",
                                   "2 ldrag 60 60\n3 key Insert\n10 lclick 300 250\n20 menu 40009\n25 key Insert\n"
                                   "30 keydown Right 4\n35 key Next\n");
    const fs::path first = dir / "first.csv";
    const fs::path second = dir / "second.csv";
    ASSERT_EQ(runDriver("steering --frames 60 --input " + input + " --trace " + first.string()).exitCode, 0);
    ASSERT_EQ(runDriver("steering --frames 60 --input " + input + " --trace " + second.string()).exitCode, 0);
    std::vector<std::string> a = lines(first);
    std::vector<std::string> b = lines(second);
    ASSERT_FALSE(a.empty());
    ASSERT_FALSE(b.empty());
    a.pop_back();  // the summary holds real times
    b.pop_back();
    EXPECT_EQ(a.size(), 1u + 2 * 1 + 22 * 6 + 36 * 11);
    EXPECT_TRUE(a == b);
}

}  // namespace
