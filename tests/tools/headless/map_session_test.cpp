// steering_headless with the map and picture features: --map, dropped files and F12
// through input files, as a person replaying a recorded session would use them.
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace {

namespace fs = std::filesystem;

struct RunResult {
    int exitCode = -1;
    std::string output;
};

RunResult run(const std::string& arguments) {
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

std::string contents(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// The trace without its closing summary (which holds timings).
std::string traceRows(const fs::path& path) {
    std::ifstream in(path);
    std::string rows;
    for (std::string line; std::getline(in, line);) {
        if (line.empty() || line[0] != '#') rows += line + "\n";
    }
    return rows;
}

class MapSession : public ::testing::Test {
protected:
    void SetUp() override {
        dir = fs::temp_directory_path() /
              ("map_session_" + std::to_string(getpid()) + "_" +
               ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir);
        fs::create_directories(dir);
        fs::copy_file(fs::path(STEERING_BIN_DIR) / "maptest.raw", dir / "maptest.raw");
        std::ofstream(dir / "open.raw", std::ios::binary) << std::string(65536, '\0');
        std::ofstream(dir / "short.raw", std::ios::binary) << std::string(100, '\0');
    }
    void TearDown() override { fs::remove_all(dir); }
    std::string in(const std::string& name) const { return (dir / name).string(); }
    fs::path dir;
};

TEST_F(MapSession, MapOptionUsesTheFileAndRefusesAnUnusableOne) {
    const std::string common = " --frames 60 --workdir " + in("");
    ASSERT_EQ(run("steering --trace " + in("default.csv") + common).exitCode, 0);
    ASSERT_EQ(run("steering --map " + in("maptest.raw") + " --trace " + in("same.csv") + common).exitCode, 0);
    ASSERT_EQ(run("steering --map " + in("open.raw") + " --trace " + in("open.csv") + common).exitCode, 0);
    // The same bytes give the same run; an open map lets the agent walk a different way.
    EXPECT_EQ(traceRows(dir / "same.csv"), traceRows(dir / "default.csv"));
    EXPECT_NE(traceRows(dir / "open.csv"), traceRows(dir / "default.csv"));
    EXPECT_GT(traceRows(dir / "open.csv").size(), 1000u);

    RunResult r = run("steering --map " + in("short.raw") + common);
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_NE(r.output.find("is short (100 of 65536 bytes)"), std::string::npos) << r.output;
    r = run("steering --map " + in("missing.raw") + common);
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_NE(r.output.find("not found"), std::string::npos) << r.output;
    r = run("steering_walls --map " + in("open.raw") + common);
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_NE(r.output.find("--map is for steering only"), std::string::npos) << r.output;
}

TEST_F(MapSession, DroppedMapReplacesTheRunningOneFromThatFrame) {
    // A drop at frame 1 of the open map is the same run as --map open.raw from the start:
    // set-up's agent and target are re-planned on the new map before the first tick. The
    // run starts on open ground with one far wall cell, where the start-up agent has a path
    // to (0, 0) (on the committed map that corner is walled and it waits for a click).
    std::string walled(65536, '\0');
    walled[100 * 256 + 100] = 15;
    std::ofstream(dir / "one-wall.raw", std::ios::binary) << walled;
    std::ofstream(dir / "drop.txt") << "1 drop " << in("open.raw") << "\n";
    std::ofstream(dir / "bad.txt") << "1 drop " << in("short.raw") << "\n";
    const std::string common = " --frames 60 --workdir " + in("");
    ASSERT_EQ(run("steering --map " + in("open.raw") + " --trace " + in("open.csv") + common).exitCode, 0);
    ASSERT_EQ(run("steering --map " + in("one-wall.raw") + " --input " + in("drop.txt") + " --trace " +
                  in("dropped.csv") + common)
                  .exitCode,
              0);
    ASSERT_EQ(run("steering --trace " + in("default.csv") + common).exitCode, 0);
    const RunResult bad = run("steering --input " + in("bad.txt") + " --trace " + in("bad.csv") + common);
    ASSERT_EQ(bad.exitCode, 0);
    EXPECT_EQ(traceRows(dir / "dropped.csv"), traceRows(dir / "open.csv"));
    EXPECT_EQ(traceRows(dir / "bad.csv"), traceRows(dir / "default.csv"));
    EXPECT_NE(bad.output.find("is short"), std::string::npos) << bad.output;
}

TEST_F(MapSession, F12AndSavePictureWriteNumberedPicturesInTheWorkingFolder) {
    std::ofstream(dir / "pictures.txt") << "5 key F12\n9 menu 40005   # File, Save Picture\n";
    std::ofstream(dir / "steering-0001.png") << "taken";  // an earlier picture is kept
    for (const char* program : {"steering", "steering_walls", "steering_basic"}) {
        const RunResult r = run(std::string(program) + " --frames 12 --input " + in("pictures.txt") +
                                " --workdir " + in(""));
        EXPECT_EQ(r.exitCode, 0) << r.output;
    }
    EXPECT_EQ(contents(dir / "steering-0001.png"), "taken");
    for (const char* name : {"steering-0002.png", "steering-0003.png", "steering_walls-0001.png",
                             "steering_walls-0002.png", "steering_basic-0001.png", "steering_basic-0002.png"}) {
        const std::string png = contents(dir / name);
        ASSERT_GT(png.size(), 8u) << name;
        EXPECT_EQ(png.substr(1, 3), "PNG") << name;
    }
    EXPECT_FALSE(fs::exists(dir / "steering-0004.png"));
}

// FNV-1a over the file's bytes, as the recording's header names a map.
std::string fnv1a(const std::string& bytes) {
    uint64_t hash = 0xcbf29ce484222325u;
    for (const unsigned char c : bytes) hash = (hash ^ c) * 0x100000001b3u;
    char text[17];
    std::snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(hash));
    return text;
}

// Every file under `folder` with its bytes and time of change, to see that nothing changed.
std::string snapshot(const fs::path& folder) {
    std::string all;
    for (const auto& entry : fs::recursive_directory_iterator(folder)) {
        if (!entry.is_regular_file()) continue;
        all += entry.path().string() + " " + std::to_string(entry.last_write_time().time_since_epoch().count()) +
               " " + fnv1a(contents(entry.path())) + "\n";
    }
    return all;
}

TEST_F(MapSession, RecordingReplaysOnItsOwnMapFromAnyFolderAndSaysWhenTheMapDiffers) {
    // Recorded in folder "edited", whose maptest.raw is open ground with one wall cell (the
    // start-up agent walks to (0, 0) there, and waits on the shipped map), then a click and
    // a Ctrl+S that writes the map back where it came from.
    const fs::path edited = dir / "edited", other = dir / "other";
    fs::create_directories(edited);
    fs::create_directories(other);
    std::string bytes(65536, '\0');
    bytes[100 * 256 + 100] = 15;
    std::ofstream(edited / "maptest.raw", std::ios::binary) << bytes;
    fs::copy_file(dir / "maptest.raw", other / "maptest.raw");
    std::ofstream(edited / "session.txt") << "# steering session: replay with steering_headless steering --input FILE\n"
                                          << "# map \"" << (edited / "maptest.raw").string() << "\" digest "
                                          << fnv1a(bytes) << "\n"
                                          << "20 lclick 300 200\n40 keydown Control\n40 key S\n40 keyup Control\n";
    const std::string session = (edited / "session.txt").string();
    const std::string driver = std::string(STEERING_BIN_DIR) + "/steering_headless";
    const std::string binBefore = snapshot(STEERING_BIN_DIR), otherBefore = snapshot(other);

    // In its own folder, no --workdir: the recorded map, and no note.
    const auto inFolder = [&](const fs::path& folder, const std::string& arguments) {
        RunResult r;
        const std::string command = "cd '" + folder.string() + "' && " + driver + " " + arguments + " 2>&1";
        std::FILE* pipe = popen(command.c_str(), "r");
        char buffer[4096];
        std::size_t n;
        while (pipe != nullptr && (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) r.output.append(buffer, n);
        const int status = pipe != nullptr ? pclose(pipe) : -1;
        r.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        return r;
    };
    const RunResult here = inFolder(edited, "steering --frames 80 --input session.txt --trace here.csv");
    ASSERT_EQ(here.exitCode, 0) << here.output;
    EXPECT_EQ(here.output.find("recorded with map"), std::string::npos) << here.output;
    EXPECT_NE(here.output.find("saved map \"maptest.raw\""), std::string::npos) << here.output;
    EXPECT_EQ(contents(edited / "maptest.raw"), bytes);

    // From another folder, naming the recording's: the same rows, and nothing else changes.
    const RunResult there = inFolder(other, "steering --frames 80 --input " + session + " --workdir " + edited.string() +
                                                " --trace " + (dir / "there.csv").string());
    ASSERT_EQ(there.exitCode, 0) << there.output;
    EXPECT_EQ(there.output.find("recorded with map"), std::string::npos) << there.output;
    EXPECT_EQ(traceRows(dir / "there.csv"), traceRows(edited / "here.csv"));
    EXPECT_EQ(snapshot(STEERING_BIN_DIR), binBefore);
    EXPECT_EQ(snapshot(other), otherBefore);
    EXPECT_EQ(contents(edited / "maptest.raw"), bytes);

    // In a folder with the shipped map the replay goes elsewhere, and says so before it runs.
    const RunResult shipped = inFolder(other, "steering --frames 80 --input " + session + " --trace wrong.csv");
    ASSERT_EQ(shipped.exitCode, 0) << shipped.output;
    const std::size_t note = shipped.output.find("was recorded with map \"" + (edited / "maptest.raw").string() +
                                                 "\" (digest " + fnv1a(bytes) + ")");
    ASSERT_NE(note, std::string::npos) << shipped.output;
    EXPECT_NE(shipped.output.find("digest " + fnv1a(contents(dir / "maptest.raw")) + ")"), std::string::npos)
        << shipped.output;
    EXPECT_LT(note, shipped.output.find("steering: ")) << shipped.output;  // before the summary
    EXPECT_NE(traceRows(other / "wrong.csv"), traceRows(edited / "here.csv"));
    // --map puts it right.
    const RunResult mapped = inFolder(other, "steering --frames 80 --input " + session + " --map " +
                                                 (edited / "maptest.raw").string() + " --trace mapped.csv");
    EXPECT_EQ(mapped.output.find("recorded with map"), std::string::npos) << mapped.output;
    EXPECT_EQ(traceRows(other / "mapped.csv"), traceRows(edited / "here.csv"));
    EXPECT_EQ(snapshot(STEERING_BIN_DIR), binBefore);
}

}  // namespace
