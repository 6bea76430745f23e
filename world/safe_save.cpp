#include "world/safe_save.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace steering {

namespace {

int systemOpen(const char* path, int flags, mode_t mode) { return ::open(path, flags, mode); }

// Mode of a new file before the umask, as editors create documents.
constexpr mode_t kNewFileMode = 0666;
// Temporary names tried before giving up (a stale temporary of a crashed save may exist).
constexpr int kTemporaryNameAttempts = 16;

std::string folderOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    if (slash == 0) return "/";
    return path.substr(0, slash);
}

std::string failure(const std::string& path, const char* step, int error) {
    return "cannot save \"" + path + "\": " + step + ": " + std::strerror(error);
}

}  // namespace

const SaveCalls& systemSaveCalls() {
    static const SaveCalls calls{systemOpen, ::write, ::fsync, ::close, ::rename, ::unlink};
    return calls;
}

SaveResult saveFileSafely(const std::string& path, const uint8_t* data, std::size_t size, const SaveCalls& calls) {
    SaveResult result;
    struct stat target {};
    mode_t mode = kNewFileMode;
    if (::stat(path.c_str(), &target) == 0) {
        if (S_ISDIR(target.st_mode)) {
            result.problem = "cannot save \"" + path + "\": it is a folder";
            return result;
        }
        mode = target.st_mode & 07777;
    }

    // The temporary lies in the target's folder, so the rename never crosses file systems.
    std::string temporary;
    int fd = -1;
    for (int attempt = 0; attempt < kTemporaryNameAttempts && fd < 0; ++attempt) {
        temporary = folderOf(path) + "/.save-" + std::to_string(::getpid()) + "-" + std::to_string(attempt) + ".tmp";
        fd = calls.open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
        if (fd < 0 && errno != EEXIST) break;
    }
    if (fd < 0) {
        result.problem = failure(path, "cannot create a temporary file in its folder", errno);
        return result;
    }
    // The umask may have narrowed the mode; an existing file's bits are put back exactly.
    ::fchmod(fd, mode);

    auto abandon = [&](const char* step, int error, bool open) {
        if (open) calls.close(fd);
        calls.unlink(temporary.c_str());
        result.problem = failure(path, step, error);
        return result;
    };
    std::size_t written = 0;
    while (written < size) {
        const ssize_t n = calls.write(fd, data + written, size - written);
        if (n < 0 && errno == EINTR) continue;
        // A write that makes no progress would loop forever: treat it as a full disk.
        if (n <= 0) return abandon("writing failed", n < 0 ? errno : ENOSPC, true);
        written += static_cast<std::size_t>(n);
    }
    if (calls.fsync(fd) != 0) return abandon("flushing to disk failed", errno, true);
    if (calls.close(fd) != 0) return abandon("closing failed", errno, false);
    if (calls.rename(temporary.c_str(), path.c_str()) != 0) {
        return abandon("replacing the old file failed", errno, false);
    }
    // The rename itself becomes durable once the folder is synced; the new file is whole
    // either way, so a failure here is not reported.
    const int folder = ::open(folderOf(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folder >= 0) {
        ::fsync(folder);
        ::close(folder);
    }
    result.ok = true;
    return result;
}

}  // namespace steering
