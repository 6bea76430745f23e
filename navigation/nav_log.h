#pragma once
// The navigation's optional text trace, "nav.log" in the working directory. Off unless
// switched on by STEERING_NAV_LOG=1 or by a tool's option; while off nothing is opened,
// formatted or timed.
#include <cstdarg>
#include <cstdint>

namespace nav {

extern int navVerbose;  // 0 off (the default), anything else on
extern int navFrame;    // frame number printed in "F=" fields; advanced by the shell

// Switches the trace on when the environment variable STEERING_NAV_LOG is "1". Read once:
// later calls do nothing.
void configureLogFromEnvironment();
// Switches the trace on or off (the headless driver's --nav-log).
void setNavLog(bool on);
// Called once per accepted frame tick; counts frames only while the trace is on.
void advanceNavFrame();

// Appends text to "nav.log" unchanged. The first call opens (truncates) the file; a
// change of navFrame since the last text starts a new line and flushes. A file that
// cannot be opened is reported once on stderr and the trace then writes nothing.
void nav_log(const char* text);
// Flushes the trace file if it is open.
void nav_log_flush();
// Closes the trace file (flushing it); the next text opens and truncates it again. The
// programs never call this (the file stays open until exit); tools and tests do.
void closeNavLog();
// printf-style nav_log through a fixed buffer; longer texts are cut at the buffer size.
void nav_logf(const char* format, ...) __attribute__((format(printf, 1, 2)));

// Low 32 bits of the processor's time-stamp counter (a steady nanosecond clock where
// the processor has none); differences are taken with wrapping subtraction.
uint32_t nav_time_stamp();
inline uint32_t nav_ticks_since(uint32_t start) { return nav_time_stamp() - start; }

}  // namespace nav
