#pragma once
// The frame of one accepted tick, the same in the three programs: the off-screen surface
// cleared to white, one simulation step, the drawing, the two timing bars (update and
// drawing cost in processor cycles) where the program shows them, the real times for the
// headless driver's summary, and a request to repaint the client area.
#include "platform/win.h"
#include "shell/presentation.h"

namespace shell {

// One pixel of timing bar per 2^14 = 16,384 processor cycles.
constexpr int kTimingBarCyclesShift = 14;
constexpr int kTimingBarStartX = 10;  // pixels, both bars
constexpr int kUpdateBarY = 10;       // pixels
constexpr int kDrawBarY = 20;         // pixels

// Real time spent in one accepted tick.
struct FrameTiming {
    uint64_t updateNanoseconds = 0;
    uint64_t drawNanoseconds = 0;
};
uint64_t monotonicNanoseconds();

struct FrameParts {
    void* context;                              // handed to both parts (the program's run)
    void (*update)(void* context);              // one simulation step
    void (*draw)(void* context, win::HDC dc);   // the frame; not called without an off-screen device context
    // The bars' pens; with none, no bars are drawn and no cycles are counted. The drawing
    // bar's pen is left selected.
    win::HPEN updateBarPen = nullptr;
    win::HPEN drawBarPen = nullptr;
};

// Runs the parts in that order on the presentation of `window` and answers the real time
// they took. The caller has passed the frame gate.
FrameTiming runFrame(const Presentation& presentation, win::HWND window, const FrameParts& parts);

}  // namespace shell
