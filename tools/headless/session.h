#pragma once
// One program on the headless backend, started the way its entry starts it (window,
// presentation, world) and then driven message by message and tick by tick on the
// virtual clock, as a person at the keyboard would. The tests, fuzzers, soak run and
// benchmarks drive programs through it; the driver shares its clock step.
#include <cstdint>
#include <memory>

#include "platform/win.h"
#include "shell/program_entry.h"

namespace headless {

// Virtual milliseconds per tick: just over the 10 ms frame gate, so every tick is accepted.
constexpr uint32_t kClockStepMilliseconds = shell::kFrameGateMilliseconds + 1;

class Session {
public:
    // What start() makes besides the window; a test of one step can leave the others out.
    struct Parts {
        bool presentation = true;
        bool world = true;
        int failingPresentationStep = 0;  // see host::failPresentationStep
        bool reopenClosedWindow = false;  // see pump()
    };

    Session() = default;
    explicit Session(const shell::Program& program) { start(program); }
    ~Session() { finish(); }
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    // Forgets every window, class and queued message of earlier runs in this process,
    // selects the headless backend with its clock at 1000 ms and an open frame gate, then
    // makes what `parts` asks for as the entry does. False when the window could not be
    // created.
    bool start(const shell::Program& program, Parts parts);
    bool start(const shell::Program& program) { return start(program, Parts{}); }

    // Destroys the window (the program sees WM_DESTROY) and releases the presentation.
    // The run (its world, pens and brushes) stays until the next start or the session's end.
    void finish();

    // Dispatches everything queued. A quit request is counted (with its code), not obeyed:
    // the caller decides when the run ends. With Parts::reopenClosedWindow, a destroyed window
    // is made again so a fuzzer or soak run can keep going.
    void pump();

    // Posts the message to the main window and dispatches everything queued.
    void post(win::UINT message, win::WPARAM wParam = 0, win::LPARAM lParam = 0);
    // A key as the keyboard delivers it: down (with a repeat count), then up.
    void press(win::WPARAM key, uint32_t repeat = 1);
    void keyDown(win::WPARAM key, uint32_t repeat = 1);
    void keyUp(win::WPARAM key);
    void leftClick(int x, int y);
    void rightClick(int x, int y);
    void menu(win::WORD command) { post(win::WM_COMMAND, command, 0); }
    static win::LPARAM point(int x, int y);

    // One tick after a clock step, then the paint it asks for. False when refused.
    bool tick();
    // Ticks `count` times; returns how many were accepted.
    int frames(int count);

    // The check mark of a menu item, read without changing it.
    bool checked(win::UINT command) const;
    int agentCount() const { return program_ != nullptr ? run_->agentCount() : 0; }
    // The program's run made by the last start (null before any): tests look into its world.
    shell::ProgramRun* run() const { return run_.get(); }
    template <typename Run>
    Run& runAs() const { return static_cast<Run&>(*run_); }
    win::HWND window() const;
    bool quitPosted() const { return quitRequests > 0; }

    int quitRequests = 0;
    int quitCode = -1;      // wParam of the last quit request
    int reopenedWindows = 0;

private:
    bool openWindow();

    const shell::Program* program_ = nullptr;  // null once finished
    std::unique_ptr<shell::ProgramRun> run_;
    Parts parts_;
};

}  // namespace headless
