// The navigation trace file: opened on first use, closed with its log, one line per frame.
#include "navigation/nav_log.h"

#include <chrono>
#include <cstdlib>
#include <cstring>

#if defined(__x86_64__) || defined(__i386__)
#include <x86intrin.h>
#endif

namespace nav {

namespace {
constexpr const char* kLogFileName = "nav.log";
}  // namespace

void NavLog::configureFromEnvironment() {
    if (environmentRead_) return;
    environmentRead_ = true;
    const char* value = std::getenv("STEERING_NAV_LOG");
    if (value != nullptr && std::strcmp(value, "1") == 0) verbose_ = 1;
}

void NavLog::write(const char* text) {
    if (!opened_) {
        opened_ = true;
        lastFrame_ = frame_;
        file_ = std::fopen(kLogFileName, "w");
        if (file_ == nullptr) {
            std::fprintf(stderr, "navigation: cannot open \"%s\" for writing; no trace is written\n", kLogFileName);
        }
    }
    if (file_ == nullptr) return;
    if (frame_ != lastFrame_) {
        lastFrame_ = frame_;
        std::fputs("\n", file_);
        std::fflush(file_);
    }
    std::fputs(text, file_);
}

void NavLog::flush() {
    if (file_ != nullptr) std::fflush(file_);
}

void NavLog::close() {
    if (file_ != nullptr) std::fclose(file_);
    file_ = nullptr;
    opened_ = false;
}

void NavLog::writef(const char* format, ...) {
    std::va_list args;
    va_start(args, format);
    std::vsnprintf(text_, sizeof text_, format, args);
    va_end(args);
    write(text_);
}

uint32_t timeStamp() {
#if defined(__x86_64__) || defined(__i386__)
    return static_cast<uint32_t>(__rdtsc());
#else
    const auto now = std::chrono::steady_clock::now().time_since_epoch();
    return static_cast<uint32_t>(std::chrono::duration_cast<std::chrono::nanoseconds>(now).count());
#endif
}

}  // namespace nav
