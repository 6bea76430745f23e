#pragma once
// The browser backend: the main window is the page's <canvas id="canvas">, canvas events
// become the window messages a Windows program expects, the clock is the page's, and the
// program's loop runs one pass at a time with control handed back to the browser after
// every presented frame.

namespace win::web {

// Switches the platform to the canvas. False, with a message on the console, when the page
// has no canvas with the id "canvas".
bool useWebBackend();

// The program's loop, one pass at a time.
struct LoopCallbacks {
    // One pass: false once the program has quit. *tickAccepted tells whether it made a frame.
    bool (*pass)(void* context, bool* tickAccepted) = nullptr;
    // Runs once after the last pass; returns the program's exit code.
    int (*finish)(void* context) = nullptr;
    void* context = nullptr;
    // Starts the program again after it has ended (the page's "start again"); false when it
    // could not. Null: it cannot be started again.
    bool (*restart)(void* context) = nullptr;
    // The program's tick length: its frame gate passes a tick once the clock has moved on
    // this far, milliseconds.
    double tickMilliseconds = 11;
};

// Once per display frame (never while the tab is hidden): the ticks due since the last
// display frame, the queued messages, then the last frame drawn on the canvas; repeats
// until a pass reports the quit. Returns immediately: the browser drives the loop from here on. The
// page learns of the end through Module.onProgramExit(code) when it defines it, and may
// then call the exported steering_web_restart() to run the program again from its start.
void runLoop(const LoopCallbacks& callbacks);

}  // namespace win::web
