#pragma once
// Writing a file so that a crash, a full disk or a killed process leaves either the old
// file or the new one whole, never a mix: a temporary file in the same folder is written,
// flushed and synced, then renamed over the target, and the folder is synced.
#include <cstddef>
#include <cstdint>
#include <string>

#include <sys/types.h>

namespace steering {

// The system calls a save makes, replaceable so tests can make any one of them fail.
struct SaveCalls {
    int (*open)(const char* path, int flags, mode_t mode);
    ssize_t (*write)(int fd, const void* data, size_t size);
    int (*fsync)(int fd);
    int (*close)(int fd);
    int (*rename)(const char* from, const char* to);
    int (*unlink)(const char* path);
};

// The real calls.
const SaveCalls& systemSaveCalls();

struct SaveResult {
    bool ok = false;
    // One line saying what failed and why (the system's reason), empty when ok.
    std::string problem;
};

// Replaces the file at path with the bytes. On any failure the target is untouched and
// the temporary file is removed. A target that is a folder (or a link to one) is refused;
// an existing file's permission bits are kept.
SaveResult saveFileSafely(const std::string& path, const uint8_t* data, std::size_t size,
                          const SaveCalls& calls = systemSaveCalls());

}  // namespace steering
