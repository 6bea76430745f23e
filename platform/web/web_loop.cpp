// The program's loop in a browser, paced by the display: the browser calls back once per
// display frame (requestAnimationFrame, which it stops while the tab is hidden). Each call
// runs the program's ticks that the time since the last call is due, on a clock of the
// loop's own that moves on by exactly one tick's length per tick, so the program's frame
// gate passes them all and the program steps at its native rate on any display of 30 Hz
// or more; then it draws the last frame once. Drawn frames are never thrown away by a
// display that shows fewer than the program makes, and an idle page does one short task
// per display frame instead of spinning.
#include <emscripten/emscripten.h>

#include <cstdint>

#include "platform/web/web_backend.h"
#include "platform/web/web_canvas.h"
#include "platform/win.h"

// The page hears of every drawn frame with the count of ticks so far (the status line, the
// step-rate measurement) and of the program's end; the test page may ask the loop to stop
// at a given tick so that its picture can be compared with the headless driver's.
EM_JS(void, steering_frame_done, (uint32_t frames), {
    if (Module.onFrame) Module.onFrame(frames >>> 0);
});
EM_JS(uint32_t, steering_stop_frame, (), { return (Module.stopAtFrame >>> 0) || 0; });
EM_JS(void, steering_program_exit, (int code), {
    if (Module.onProgramExit) Module.onProgramExit(code);
});

namespace win::web {
namespace {

// Ticks one display frame may run: 30 Hz displays keep the full rate of 11 ms ticks. A page
// that fell further behind (a long task, a slow machine) drops the rest instead of
// catching up in a burst.
constexpr int kMostTicksPerDisplayFrame = 3;
// Passes one display frame may run: bounds the work a flood of input messages can cause.
constexpr int kMostPassesPerDisplayFrame = 512;

struct LoopState {
    LoopCallbacks callbacks;
    double clock = 0;             // the program's millisecond clock (GetTickCount)
    uint32_t framesAccepted = 0;  // ticks that produced a frame
    uint32_t stopAtFrame = 0;     // 0: run until the program quits
    int passesLeft = 0;           // in this display frame
    bool running = false;         // between runLoop and the program's end
};

LoopState loop;

// A message (input, or the paint an invalid window asks for) that a pass would take.
bool messageWaiting() {
    MSG message{};
    return PeekMessage(&message, nullptr, 0, 0, PM_NOREMOVE) != FALSE;
}

// One pass of the program's loop; false once it has quit (the page is told).
bool pass(bool& accepted) {
    --loop.passesLeft;
    accepted = false;
    if (loop.callbacks.pass(loop.callbacks.context, &accepted)) return true;
    emscripten_cancel_main_loop();
    loop.running = false;
    steering_program_exit(loop.callbacks.finish(loop.callbacks.context));
    return false;
}

void runDisplayFrame(void*) {
    const double now = emscripten_get_now();
    const double tick = loop.callbacks.tickMilliseconds;
    if (now - loop.clock > kMostTicksPerDisplayFrame * tick) loop.clock = now - tick;
    loop.passesLeft = kMostPassesPerDisplayFrame;
    const uint32_t before = loop.framesAccepted;
    bool accepted = false;
    // Each due tick: passes (one queued message each) until the gate takes the tick.
    while (loop.clock + tick <= now && loop.passesLeft > 0 &&
           (loop.stopAtFrame == 0 || loop.framesAccepted < loop.stopAtFrame)) {
        loop.clock += tick;
        do {
            if (!pass(accepted)) return;
        } while (!accepted && loop.passesLeft > 0);
        if (accepted) ++loop.framesAccepted;
    }
    // The rest of the queue, and the paint the last tick asked for, on the same clock (the
    // gate refuses a second tick); then the canvas is drawn once.
    while (loop.passesLeft > 0 && messageWaiting()) {
        if (!pass(accepted)) return;
    }
    if (!presentPaintedFrame() || loop.framesAccepted == before) return;
    steering_frame_done(loop.framesAccepted);
    if (loop.stopAtFrame != 0 && loop.framesAccepted >= loop.stopAtFrame) emscripten_pause_main_loop();
}

}  // namespace

DWORD loopClock() { return static_cast<DWORD>(static_cast<uint64_t>(loop.clock) & 0xFFFFFFFFu); }

void runLoop(const LoopCallbacks& callbacks) {
    loop = LoopState{};
    loop.callbacks = callbacks;
    loop.running = true;
    loop.clock = emscripten_get_now();
    loop.stopAtFrame = steering_stop_frame();
    // Frames per second 0: the browser's requestAnimationFrame calls back once per display
    // frame, and not at all while the tab is hidden.
    emscripten_set_main_loop_arg(runDisplayFrame, nullptr, 0, 0);
}

}  // namespace win::web

// The page's "start again" after the program ended: 1 when it runs again.
extern "C" EMSCRIPTEN_KEEPALIVE int steering_web_restart() {
    using namespace win::web;
    if (loop.running || loop.callbacks.restart == nullptr) return 0;
    const LoopCallbacks callbacks = loop.callbacks;
    if (!callbacks.restart(callbacks.context)) return 0;
    runLoop(callbacks);
    return 1;
}
