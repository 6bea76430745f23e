// The navigation trace file: opened on first use, never closed before exit (the runtime
// flushes it then), one line per frame.
#include "navigation/nav_log.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#if defined(__x86_64__) || defined(__i386__)
#include <x86intrin.h>
#endif

namespace nav {

int navVerbose = 0;
int navFrame = 0;

namespace {

// Longest formatted trace text: the "Area" and "Path" lines are under 60 characters;
// the room above that keeps a wide numeric argument from being cut.
constexpr std::size_t kLogTextCapacity = 256;

constexpr const char* kLogFileName = "nav.log";

struct LogState {
    bool opened = false;        // the first call has tried to open the file
    std::FILE* file = nullptr;  // null when the open failed
    int lastFrame = 0;          // navFrame at the last written text
    bool environmentRead = false;
};

LogState logState;
char logText[kLogTextCapacity];

}  // namespace

void configureLogFromEnvironment() {
    if (logState.environmentRead) return;
    logState.environmentRead = true;
    const char* value = std::getenv("STEERING_NAV_LOG");
    if (value != nullptr && std::strcmp(value, "1") == 0) navVerbose = 1;
}

void setNavLog(bool on) { navVerbose = on ? 1 : 0; }

void advanceNavFrame() {
    if (navVerbose) ++navFrame;
}

void nav_log(const char* text) {
    if (!logState.opened) {
        logState.opened = true;
        logState.lastFrame = navFrame;
        logState.file = std::fopen(kLogFileName, "w");
        if (logState.file == nullptr) {
            std::fprintf(stderr, "navigation: cannot open \"%s\" for writing; no trace is written\n",
                         kLogFileName);
        }
    }
    if (logState.file == nullptr) return;
    if (navFrame != logState.lastFrame) {
        logState.lastFrame = navFrame;
        std::fputs("\n", logState.file);
        std::fflush(logState.file);
    }
    std::fputs(text, logState.file);
}

void nav_log_flush() {
    if (logState.file != nullptr) std::fflush(logState.file);
}

void closeNavLog() {
    if (logState.file != nullptr) std::fclose(logState.file);
    logState.file = nullptr;
    logState.opened = false;
}

void nav_logf(const char* format, ...) {
    std::va_list args;
    va_start(args, format);
    std::vsnprintf(logText, sizeof logText, format, args);
    va_end(args);
    nav_log(logText);
}

uint32_t nav_time_stamp() {
#if defined(__x86_64__) || defined(__i386__)
    return static_cast<uint32_t>(__rdtsc());
#else
    const auto now = std::chrono::steady_clock::now().time_since_epoch();
    return static_cast<uint32_t>(std::chrono::duration_cast<std::chrono::nanoseconds>(now).count());
#endif
}

}  // namespace nav
