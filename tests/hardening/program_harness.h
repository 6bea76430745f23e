#pragma once
// One program on the headless backend, driven message by message and tick by tick
// without the entry's loop, so fuzzers, the soak run and the hardening tests can keep
// feeding a program whose state is process-wide.
#include <cstdint>

#include "platform/host.h"
#include "platform/win.h"
#include "shell/program_entry.h"

namespace hardening {

// Virtual milliseconds per tick: just over the 10 ms frame gate.
constexpr win::DWORD kTickMilliseconds = 11;

class ProgramHarness {
public:
    // Window, presentation and world set-up, as the entry does them. False when the
    // window could not be created.
    bool start(const shell::Program& program) {
        program_ = &program;
        win::host::useHeadlessBackend();
        win::host::failPresentationStep(0);
        win::host::setTickCount(1000);
        shell::lastTickTime = 0;
        if (!openWindow()) return false;
        program.setupWorld();
        pump();
        return true;
    }

    // Dispatches everything queued. A quit request is dropped (the harness decides when the
    // run ends); a destroyed window is opened again so the program can keep running.
    void pump() {
        win::MSG message;
        while (win::PeekMessage(&message, nullptr, 0, 0, win::PM_REMOVE)) {
            if (message.message == win::WM_QUIT) {
                ++quitRequests;
                continue;
            }
            win::TranslateMessage(&message);
            win::DispatchMessage(&message);
        }
        if (win::host::mainWindow() == nullptr && program_ != nullptr) {
            ++reopenedWindows;
            shell::shutdownPresentation();
            openWindow();
        }
    }

    void post(win::UINT message, win::WPARAM wParam = 0, win::LPARAM lParam = 0) {
        win::PostMessage(shell::mainWindow, message, wParam, lParam);
        pump();
    }
    // A key press as the keyboard delivers it: down with a repeat count, then up.
    void press(win::WPARAM key, uint32_t repeat = 1) {
        post(win::WM_KEYDOWN, key, win::host::keyDownLParam(static_cast<win::WORD>(repeat), false));
        post(win::WM_KEYUP, key, win::host::keyUpLParam());
    }
    static win::LPARAM point(uint32_t x, uint32_t y) {
        return win::MAKELPARAM(static_cast<win::WORD>(x), static_cast<win::WORD>(y));
    }
    void leftClick(uint32_t x, uint32_t y) {
        post(win::WM_LBUTTONDOWN, win::MK_LBUTTON, point(x, y));
        post(win::WM_LBUTTONUP, 0, point(x, y));
    }
    void rightClick(uint32_t x, uint32_t y) {
        post(win::WM_RBUTTONDOWN, win::MK_RBUTTON, point(x, y));
        post(win::WM_RBUTTONUP, 0, point(x, y));
    }

    // One accepted tick and the paint it asks for. False when the program refused it.
    bool tick() {
        win::host::advanceTickCount(kTickMilliseconds);
        const bool accepted = program_->frameTick();
        pump();
        return accepted;
    }

    // Releases the drawing resources as the entry does after the loop, and the window.
    void finish() {
        if (program_ == nullptr) return;
        program_->releaseDrawingResources();
        if (win::host::mainWindow() != nullptr) win::DestroyWindow(shell::mainWindow);
        program_ = nullptr;  // the WM_DESTROY quit request is not followed by a new window
        pump();
    }

    int agentCount() const { return program_ != nullptr ? program_->agentCount() : 0; }

    int quitRequests = 0;
    int reopenedWindows = 0;

private:
    bool openWindow() {
        shell::mainWindow = shell::createMainWindow(*program_, shell::programInstance(*program_),
                                                    win::SW_SHOWDEFAULT);
        if (shell::mainWindow == nullptr) return false;
        shell::initPresentation(shell::mainWindow, shell::kClientWidth, shell::kClientHeight,
                                shell::kRequestedDepth);
        return true;
    }

    const shell::Program* program_ = nullptr;
};

}  // namespace hardening
