#include "tools/headless/session.h"

#include "platform/host.h"

namespace headless {

using namespace win;

bool Session::start(const shell::Program& program, Parts parts) {
    finish();
    host::resetWindowSystem();
    host::useHeadlessBackend();
    host::failPresentationStep(parts.failingPresentationStep);
    host::setTickCount(1000);
    quitRequests = reopenedWindows = 0;
    quitCode = -1;
    program_ = &program;
    run_ = program.makeRun();
    parts_ = parts;
    if (!openWindow()) {
        program_ = nullptr;
        return false;
    }
    if (parts.world) run_->setupWorld();
    pump();
    return true;
}

bool Session::openWindow() {
    const HWND created = shell::createMainWindow(*run_, shell::programInstance(*program_), SW_SHOW);
    if (created == nullptr) return false;
    if (parts_.presentation) {
        shell::initPresentation(run_->presentation, created, shell::kClientWidth, shell::kClientHeight);
    }
    return true;
}

void Session::finish() {
    if (program_ == nullptr) return;
    program_ = nullptr;  // the WM_DESTROY quit request is not followed by a new window
    if (host::mainWindow() != nullptr) DestroyWindow(window());
    pump();
    shell::shutdownPresentation(run_->presentation);
}

void Session::pump() {
    MSG message;
    while (PeekMessage(&message, nullptr, 0, 0, PM_REMOVE) != FALSE) {
        if (message.message == WM_QUIT) {
            ++quitRequests;
            quitCode = static_cast<int>(message.wParam);
            continue;
        }
        TranslateMessage(&message);
        DispatchMessage(&message);
    }
    if (parts_.reopenClosedWindow && program_ != nullptr && host::mainWindow() == nullptr) {
        ++reopenedWindows;
        shell::shutdownPresentation(run_->presentation);
        openWindow();
    }
}

void Session::post(UINT message, WPARAM wParam, LPARAM lParam) {
    PostMessage(window(), message, wParam, lParam);
    pump();
}

void Session::press(WPARAM key, uint32_t repeat) {
    keyDown(key, repeat);
    keyUp(key);
}

void Session::keyDown(WPARAM key, uint32_t repeat) {
    post(WM_KEYDOWN, key, host::keyDownLParam(static_cast<WORD>(repeat), false));
}

void Session::keyUp(WPARAM key) { post(WM_KEYUP, key, host::keyUpLParam()); }

LPARAM Session::point(int x, int y) { return MAKELPARAM(static_cast<WORD>(x), static_cast<WORD>(y)); }

void Session::leftClick(int x, int y) {
    post(WM_LBUTTONDOWN, MK_LBUTTON, point(x, y));
    post(WM_LBUTTONUP, 0, point(x, y));
}

void Session::rightClick(int x, int y) {
    post(WM_RBUTTONDOWN, MK_RBUTTON, point(x, y));
    post(WM_RBUTTONUP, 0, point(x, y));
}

bool Session::tick() {
    host::advanceTickCount(kClockStepMilliseconds);
    const bool accepted = program_ != nullptr && run_->frameTick();
    pump();
    return accepted;
}

int Session::frames(int count) {
    int accepted = 0;
    for (int i = 0; i < count; ++i) accepted += tick() ? 1 : 0;
    return accepted;
}

bool Session::checked(UINT command) const {
    const HMENU bar = GetMenu(window());
    const DWORD previous = CheckMenuItem(bar, command, MF_CHECKED);
    CheckMenuItem(bar, command, (previous & MF_CHECKED) != 0 ? MF_CHECKED : MF_UNCHECKED);
    return (previous & MF_CHECKED) != 0;
}

HWND Session::window() const { return run_ != nullptr ? run_->window() : nullptr; }

}  // namespace headless
