// Saving never loses the old file: every failing step leaves it byte for byte, leaves no
// temporary behind and says why.
#include "world/safe_save.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace steering {
namespace {

namespace fs = std::filesystem;

std::vector<uint8_t> contents(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

// A fresh folder holding "map.raw" with the old bytes.
class SafeSave : public ::testing::Test {
protected:
    void SetUp() override {
        folder = ::testing::TempDir() + "safe_save_" + ::testing::UnitTest::GetInstance()->current_test_info()->name();
        fs::remove_all(folder);
        fs::create_directories(folder);
        target = folder + "/map.raw";
        std::ofstream(target, std::ios::binary).write(reinterpret_cast<const char*>(oldBytes.data()),
                                                     static_cast<std::streamsize>(oldBytes.size()));
    }
    void TearDown() override {
        fs::permissions(folder, fs::perms::owner_all);
        fs::remove_all(folder);
    }
    std::size_t filesInFolder() const {
        return static_cast<std::size_t>(std::distance(fs::directory_iterator(folder), fs::directory_iterator()));
    }

    std::string folder;
    std::string target;
    std::vector<uint8_t> oldBytes = std::vector<uint8_t>(300, 0xAA);
    std::vector<uint8_t> newBytes = std::vector<uint8_t>(70000, 0x15);
};

// Injected failures, one system call at a time.
int failingOpen(const char*, int, mode_t) { errno = EACCES; return -1; }
ssize_t failingWrite(int, const void*, size_t) { errno = ENOSPC; return -1; }
// Writes a little, then the disk is full: a torn temporary that must never replace the file.
ssize_t partlyWrite(int fd, const void* data, size_t size) {
    static int calls = 0;
    if (++calls % 2 == 0) { errno = ENOSPC; return -1; }
    return ::write(fd, data, size < 100 ? size : 100);
}
ssize_t zeroWrite(int, const void*, size_t) { return 0; }
int failingSync(int) { errno = EIO; return -1; }
int failingClose(int fd) { ::close(fd); errno = EIO; return -1; }
int failingRename(const char*, const char*) { errno = EXDEV; return -1; }
// Passing trouble that a save goes through: a signal interrupting every other write, and
// the first temporary names taken (a crashed save's leftovers).
ssize_t interruptedWrite(int fd, const void* data, size_t size) {
    static int calls = 0;
    if (++calls % 2 == 1) { errno = EINTR; return -1; }
    return ::write(fd, data, size < 1000 ? size : 1000);
}
int takenNamesOpen(const char* path, int flags, mode_t mode) {
    static int calls = 0;
    if (++calls % 3 != 0) { errno = EEXIST; return -1; }
    return ::open(path, flags, mode);
}

TEST_F(SafeSave, WritesTheNewBytesAndKeepsTheFileMode) {
    ASSERT_EQ(::chmod(target.c_str(), 0640), 0);
    const SaveResult result = saveFileSafely(target, newBytes.data(), newBytes.size());
    EXPECT_TRUE(result.ok) << result.problem;
    EXPECT_TRUE(result.problem.empty());
    EXPECT_EQ(contents(target), newBytes);
    EXPECT_EQ(filesInFolder(), 1u);
    struct stat info {};
    ASSERT_EQ(::stat(target.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0640u);
    // A file that did not exist yet is created.
    const std::string fresh = folder + "/fresh.raw";
    EXPECT_TRUE(saveFileSafely(fresh, newBytes.data(), newBytes.size()).ok);
    EXPECT_EQ(contents(fresh), newBytes);
}

TEST_F(SafeSave, EveryFailingStepLeavesTheOldFileAndNoTemporary) {
    struct Case {
        const char* name;
        SaveCalls calls;
        const char* said;
    };
    const SaveCalls real = systemSaveCalls();
    auto with = [&](auto change) {
        SaveCalls c = real;
        change(c);
        return c;
    };
    const Case cases[] = {
        {"open", with([](SaveCalls& c) { c.open = failingOpen; }), "Permission denied"},
        {"write", with([](SaveCalls& c) { c.write = failingWrite; }), "writing failed: No space left"},
        {"partial write", with([](SaveCalls& c) { c.write = partlyWrite; }), "writing failed: No space left"},
        {"write of nothing", with([](SaveCalls& c) { c.write = zeroWrite; }), "writing failed: No space left"},
        {"fsync", with([](SaveCalls& c) { c.fsync = failingSync; }), "flushing to disk failed: Input/output"},
        {"close", with([](SaveCalls& c) { c.close = failingClose; }), "closing failed: Input/output"},
        {"rename", with([](SaveCalls& c) { c.rename = failingRename; }), "replacing the old file failed"},
    };
    for (const Case& c : cases) {
        const SaveResult result = saveFileSafely(target, newBytes.data(), newBytes.size(), c.calls);
        EXPECT_FALSE(result.ok) << c.name;
        EXPECT_NE(result.problem.find(c.said), std::string::npos) << c.name << ": " << result.problem;
        EXPECT_NE(result.problem.find(target), std::string::npos) << c.name;
        EXPECT_EQ(result.problem.find('\n'), std::string::npos) << c.name;
        EXPECT_EQ(contents(target), oldBytes) << c.name;
        EXPECT_EQ(filesInFolder(), 1u) << c.name << ": a temporary was left behind";
    }
}

TEST_F(SafeSave, InterruptedWritesAndTakenTemporaryNamesAreNoFailure) {
    SaveCalls calls = systemSaveCalls();
    calls.write = interruptedWrite;
    calls.open = takenNamesOpen;
    const SaveResult result = saveFileSafely(target, newBytes.data(), newBytes.size(), calls);
    EXPECT_TRUE(result.ok) << result.problem;
    EXPECT_EQ(contents(target), newBytes);
    EXPECT_EQ(filesInFolder(), 1u);
}

TEST_F(SafeSave, TargetReplacedByAFolderIsRefused) {
    fs::remove(target);
    fs::create_directories(target + "/inside");
    const SaveResult result = saveFileSafely(target, newBytes.data(), newBytes.size());
    EXPECT_FALSE(result.ok);
    EXPECT_NE(result.problem.find("it is a folder"), std::string::npos) << result.problem;
    EXPECT_TRUE(fs::is_directory(target + "/inside"));
    EXPECT_EQ(filesInFolder(), 1u);
}

TEST_F(SafeSave, ReadOnlyFolderIsRefused) {
    // The superuser writes into read-only folders anyway; the injected open above covers it.
    if (::geteuid() == 0) GTEST_SKIP() << "running as root: folder permissions do not apply";
    fs::permissions(folder, fs::perms::owner_read | fs::perms::owner_exec);
    const SaveResult result = saveFileSafely(target, newBytes.data(), newBytes.size());
    EXPECT_FALSE(result.ok);
    EXPECT_NE(result.problem.find("Permission denied"), std::string::npos) << result.problem;
    EXPECT_EQ(contents(target), oldBytes);
}

TEST_F(SafeSave, MissingFolderSaysSo) {
    const SaveResult result = saveFileSafely(folder + "/no/such/map.raw", newBytes.data(), newBytes.size());
    EXPECT_FALSE(result.ok);
    EXPECT_NE(result.problem.find("No such file or directory"), std::string::npos) << result.problem;
}

}  // namespace
}  // namespace steering
