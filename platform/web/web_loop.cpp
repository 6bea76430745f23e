// The program's loop in a browser: passes run back to back until one has drawn a frame on
// the canvas, then the browser gets control to show it and to deliver input, and calls
// back at once. The program keeps pacing itself with its own frame gate; the browser adds
// no wait of its own (no tie to the display's refresh), so the gate stays the only limit.
#include <emscripten/emscripten.h>

#include <cstdint>

#include "platform/web/web_backend.h"
#include "platform/web/web_canvas.h"

// The page hears of every accepted frame (the status line, the frame-rate measurement) and
// of the program's end; the test page may ask the loop to stop at a given frame so that its
// picture can be compared with the headless driver's at the same frame.
EM_JS(void, steering_frame_done, (uint32_t frames), {
    if (Module.onFrame) Module.onFrame(frames >>> 0);
});
EM_JS(uint32_t, steering_stop_frame, (), { return (Module.stopAtFrame >>> 0) || 0; });
EM_JS(void, steering_program_exit, (int code), {
    if (Module.onProgramExit) Module.onProgramExit(code);
});

namespace win::web {
namespace {

// A browser task should stay short so that the page keeps painting and taking input: a batch
// with no frame drawn gives control back after this long anyway, milliseconds.
constexpr double kBatchBudgetMilliseconds = 8.0;

struct LoopState {
    LoopCallbacks callbacks;
    uint32_t framesAccepted = 0;  // ticks that produced a frame
    uint32_t stopAtFrame = 0;     // 0: run until the program quits
    bool frameWaiting = false;    // a frame was accepted and its paint is not on the canvas yet
};

LoopState loop;

void runBatch(void*) {
    const double started = emscripten_get_now();
    for (;;) {
        bool accepted = false;
        if (!loop.callbacks.pass(loop.callbacks.context, &accepted)) {
            emscripten_cancel_main_loop();
            steering_program_exit(loop.callbacks.finish(loop.callbacks.context));
            return;
        }
        if (accepted) {
            ++loop.framesAccepted;
            loop.frameWaiting = true;
        }
        // A frame reaches the canvas on the pass after its tick, when the paint is dispatched.
        const bool presented = takeFramePresented();
        if (presented && loop.frameWaiting && !accepted) {
            loop.frameWaiting = false;
            steering_frame_done(loop.framesAccepted);
            if (loop.stopAtFrame != 0 && loop.framesAccepted >= loop.stopAtFrame) emscripten_pause_main_loop();
            return;
        }
        if (presented || emscripten_get_now() - started > kBatchBudgetMilliseconds) return;
    }
}

}  // namespace

void runLoop(const LoopCallbacks& callbacks) {
    loop = LoopState{};
    loop.callbacks = callbacks;
    loop.stopAtFrame = steering_stop_frame();
    emscripten_set_main_loop_arg(runBatch, nullptr, 0, 0);
    // Called back through the page's message queue right after each batch, not per display
    // refresh: a 60 Hz display would otherwise hold the programs below their 100 frames/s.
    emscripten_set_main_loop_timing(EM_TIMING_SETIMMEDIATE, 0);
}

}  // namespace win::web
