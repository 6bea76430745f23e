#pragma once
// The navigation's optional text trace, "nav.log" in the working directory. Off unless
// switched on by STEERING_NAV_LOG=1 or by a tool's option; while off nothing is opened,
// formatted or timed. The owner of a mesh owns its log and points mesh.log at it.
#include <cstdarg>
#include <cstddef>
#include <cstdint>
#include <cstdio>

namespace nav {

class NavLog {
public:
    NavLog() = default;
    NavLog(const NavLog&) = delete;
    NavLog& operator=(const NavLog&) = delete;
    ~NavLog() { close(); }

    bool on() const { return verbose_ != 0; }
    // Frame number printed in "F=" fields; advanced by the program's frame tick.
    int frame() const { return frame_; }

    // Switches the trace on when the environment variable STEERING_NAV_LOG is "1". Read
    // once per log: later calls do nothing.
    void configureFromEnvironment();
    // Switches the trace on or off (the headless driver's --nav-log).
    void setOn(bool on) { verbose_ = on ? 1 : 0; }
    // Called once per accepted frame tick; counts frames only while the trace is on.
    void advanceFrame() {
        if (verbose_) ++frame_;
    }

    // Appends text to "nav.log" unchanged. The first call opens (truncates) the file; a
    // change of frame since the last text starts a new line and flushes. A file that
    // cannot be opened is reported once on stderr and the trace then writes nothing.
    void write(const char* text);
    // printf-style write through a fixed buffer; longer texts are cut at the buffer size.
    void writef(const char* format, ...) __attribute__((format(printf, 2, 3)));
    // Flushes the trace file if it is open.
    void flush();
    // Closes the trace file (flushing it); the next text opens and truncates it again.
    void close();

private:
    // Longest formatted trace text: the "Area" and "Path" lines are under 60 characters;
    // the room above that keeps a wide numeric argument from being cut.
    static constexpr std::size_t kTextCapacity = 256;

    int verbose_ = 0;             // 0 off (the default), anything else on
    int frame_ = 0;
    bool opened_ = false;         // the first write has tried to open the file
    std::FILE* file_ = nullptr;   // null when the open failed
    int lastFrame_ = 0;           // frame at the last written text
    bool environmentRead_ = false;
    char text_[kTextCapacity] = {};
};

// Low 32 bits of the processor's time-stamp counter (a steady nanosecond clock where
// the processor has none); differences are taken with wrapping subtraction.
uint32_t timeStamp();
inline uint32_t ticksSince(uint32_t start) { return timeStamp() - start; }

}  // namespace nav
