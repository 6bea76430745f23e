// The navigation trace: its switch, its file and the exact lines a path query writes.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <memory>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "navigation/nav_log.h"
#include "navigation/navigation.h"
#include "navigation/route_planning.h"
#include "tests/navigation/route_test_support.h"
#include "tests/navigation/test_store.h"

namespace {

// Runs each test in a fresh temporary working directory, with the trace closed and off.
class LogTrace : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/navlogXXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        dir_ = pattern;
        char cwd[4096];
        ASSERT_NE(getcwd(cwd, sizeof cwd), nullptr);
        previous_ = cwd;
        ASSERT_EQ(chdir(dir_.c_str()), 0);
        log_ = std::make_unique<nav::NavLog>();
        testMesh.log = log_.get();
    }
    void TearDown() override {
        testMesh.log = nullptr;
        log_.reset();  // closes the file
        (void)chdir(previous_.c_str());
        (void)std::system(("rm -rf " + dir_).c_str());
    }
    std::string logText() {
        log_->flush();
        std::ifstream in(dir_ + "/nav.log", std::ios::binary);
        std::stringstream s;
        s << in.rdbuf();
        return s.str();
    }
    bool logExists() { return access((dir_ + "/nav.log").c_str(), F_OK) == 0; }
    // A map split by a wall across rows 120 and 121.
    static void buildSplitMap() {
        std::vector<uint8_t> cells(navtest::kMapCells, 0);
        for (int x = 0; x < 256; ++x) cells[120 * 256 + x] = cells[121 * 256 + x] = 15;
        testMesh.linkRule = navtest::sameLowBits;
        ASSERT_TRUE(nav::buildNavigation(testMesh, cells.data()));
    }
    // Advances the trace's frame counter to `frame` (it counts only while the trace is on).
    void toFrame(int frame) {
        while (log_->frame() < frame) log_->advanceFrame();
    }
    std::string dir_, previous_;
    std::unique_ptr<nav::NavLog> log_;
    nav::PathResult result_;
};

TEST_F(LogTrace, OffByDefaultWritesNothing) {
    EXPECT_FALSE(log_->on());
    buildSplitMap();
    nav::requestAgentPath(testMesh, testSearch, result_, 50, 7, 60, 40000, nav::kAgentGateFraction);
    log_->advanceFrame();
    EXPECT_EQ(log_->frame(), 0);  // frames count only while the trace is on
    EXPECT_FALSE(logExists());
}

TEST_F(LogTrace, QueriesWriteTheirLinesFramePerLine) {
    buildSplitMap();
    log_->setOn(true);
    toFrame(3);
    nav::requestAgentPath(testMesh, testSearch, result_, 50, 7, 60, 40000, nav::kAgentGateFraction);  // unreachable: fill, retC
    ASSERT_EQ(result_.waypointCount, 0);
    nav::requestAgentPath(testMesh, testSearch, result_, 50, 7, 3000, 9000, nav::kAgentGateFraction);  // region known: no fill
    ASSERT_GT(result_.waypointCount, 0);
    log_->advanceFrame();
    EXPECT_EQ(log_->frame(), 4);
    nav::requestAgentPath(testMesh, testSearch, result_, 1000, 40000, 40000, 50000, nav::kAgentGateFraction);  // other side: fill
    nav::releaseRegion(testMesh, 200);
    const std::string text = logText();
    const std::regex expected(
        "\nF=3 Path    050,007 060,40000 fill c=-?[0-9]+  retC"
        "\nF=3 Path    050,007 3000,9000 gate"
        "\n"
        "\nF=4 Path    1000,40000 40000,50000 fill gate garbage");
    EXPECT_TRUE(std::regex_match(text, expected)) << "[" << text << "]";
}

TEST_F(LogTrace, ABuildWritesItsAreaAndTheTrianglesItStartedWith) {
    // An open map leaves the 768-unit bounding square with the map's four corners inside:
    // 8 vertices, 4 on the hull, so 2 * 8 - 4 - 2 = 10 triangles when the next build starts.
    std::vector<uint8_t> open(navtest::kMapCells, 0);
    ASSERT_TRUE(nav::buildNavigation(testMesh, open.data()));
    log_->setOn(true);
    toFrame(2);
    buildSplitMap();
    const std::string text = logText();
    EXPECT_TRUE(std::regex_match(text, std::regex("\nF=2 Area 000,000 256,256 T=0010 c=-?[0-9]+ "))) << "[" << text
                                                                                                   << "]";
}

TEST_F(LogTrace, FileIsTruncatedWhenOpened) {
    {
        std::ofstream old(dir_ + "/nav.log");
        old << "old text that must go";
    }
    log_->setOn(true);
    log_->write("abc");
    log_->writef(" %03d|%s", 7, "x");
    EXPECT_EQ(logText(), "abc 007|x");
}

TEST_F(LogTrace, UnopenableFileIsReportedOnceAndQueriesGoOn) {
    ASSERT_EQ(mkdir((dir_ + "/nav.log").c_str(), 0755), 0);  // a directory cannot be opened as the log
    buildSplitMap();
    log_->setOn(true);
    ::testing::internal::CaptureStderr();
    nav::requestAgentPath(testMesh, testSearch, result_, 50, 7, 3000, 9000, nav::kAgentGateFraction);
    const int first = result_.waypointCount;
    nav::requestAgentPath(testMesh, testSearch, result_, 50, 7, 3000, 9000, nav::kAgentGateFraction);
    const std::string err = ::testing::internal::GetCapturedStderr();
    EXPECT_GT(first, 0);
    EXPECT_EQ(result_.waypointCount, first);
    EXPECT_NE(err.find("nav.log"), std::string::npos) << err;
    EXPECT_EQ(err.find('\n'), err.size() - 1) << "exactly one line: " << err;
}

// The environment is read once per log.
TEST(LogSwitch, EnvironmentSwitchesTheTraceOnOnlyWithOne) {
    const char* saved = std::getenv("STEERING_NAV_LOG");
    const std::string savedValue = saved != nullptr ? saved : "";
    setenv("STEERING_NAV_LOG", "1", 1);
    nav::NavLog one;
    one.configureFromEnvironment();
    EXPECT_TRUE(one.on());
    setenv("STEERING_NAV_LOG", "0", 1);
    nav::NavLog zero;
    zero.configureFromEnvironment();
    EXPECT_FALSE(zero.on());
    unsetenv("STEERING_NAV_LOG");
    nav::NavLog unset;
    unset.configureFromEnvironment();
    setenv("STEERING_NAV_LOG", "1", 1);
    unset.configureFromEnvironment();  // read once: the change is not seen
    EXPECT_FALSE(unset.on());
    nav::NavLog other;  // another log reads it afresh
    other.configureFromEnvironment();
    EXPECT_TRUE(other.on());
    if (saved != nullptr) {
        setenv("STEERING_NAV_LOG", savedValue.c_str(), 1);
    } else {
        unsetenv("STEERING_NAV_LOG");
    }
}

TEST(LogSwitch, SetterAndFrameCounter) {
    nav::NavLog log;
    log.setOn(true);
    log.advanceFrame();
    log.advanceFrame();
    EXPECT_EQ(log.frame(), 2);
    log.setOn(false);
    log.advanceFrame();
    EXPECT_EQ(log.frame(), 2);
    EXPECT_FALSE(log.on());
}

// Two logs are two traces: a mesh writes to its own log only.
TEST(LogSwitch, EachMeshWritesToItsOwnLog) {
    auto quiet = std::make_unique<nav::NavMesh>();
    auto traced = std::make_unique<nav::NavMesh>();
    nav::NavLog off;
    nav::NavLog on;
    on.setOn(true);
    quiet->log = &off;
    traced->log = &on;
    EXPECT_EQ(nav::activeLog(*quiet), nullptr);
    EXPECT_EQ(nav::activeLog(*traced), &on);
    traced->log = nullptr;
    EXPECT_EQ(nav::activeLog(*traced), nullptr);
}

}  // namespace
