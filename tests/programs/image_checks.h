#pragma once
// Runs one of the small programs on the headless backend through its own entry steps
// (window, presentation, set-up), with messages posted to the window and ticks taken on
// the virtual clock, as a person would drive it.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <string>

#include "platform/host.h"
#include "platform/win.h"
#include "shell/program_entry.h"

namespace program_tests {

class HeadlessSession {
public:
    // Window, presentation and world, as the entry does before its loop.
    explicit HeadlessSession(const shell::Program& program) : program_(program) {
        win::host::useHeadlessBackend();
        shell::mainWindow = shell::createMainWindow(program, shell::programInstance(program), win::SW_SHOW);
        shell::initPresentation(shell::mainWindow, shell::kClientWidth, shell::kClientHeight, shell::kRequestedDepth);
        program.setupWorld();
        pump();
    }

    // Ends the run as Escape would, so that another session can follow in this process.
    ~HeadlessSession() {
        if (win::host::mainWindow() != nullptr) win::DestroyWindow(shell::mainWindow);
        pump();
        shell::shutdownPresentation();
    }
    HeadlessSession(const HeadlessSession&) = delete;
    HeadlessSession& operator=(const HeadlessSession&) = delete;

    win::HWND window() const { return shell::mainWindow; }
    bool quitPosted() const { return quit_; }

    // Posts the message and dispatches everything queued (paint included).
    void post(win::UINT message, win::WPARAM wParam = 0, win::LPARAM lParam = 0) {
        win::PostMessage(shell::mainWindow, message, wParam, lParam);
        pump();
    }
    void keyRelease(win::WPARAM key) {
        post(win::WM_KEYDOWN, key, win::host::keyDownLParam(1, false));
        post(win::WM_KEYUP, key, win::host::keyUpLParam());
    }
    void menu(win::WORD command) { post(win::WM_COMMAND, command, 0); }
    static win::LPARAM point(int x, int y) {
        return win::MAKELPARAM(static_cast<win::WORD>(x), static_cast<win::WORD>(y));
    }
    void leftClick(int x, int y) {
        post(win::WM_LBUTTONDOWN, win::MK_LBUTTON, point(x, y));
        post(win::WM_LBUTTONUP, 0, point(x, y));
    }
    void rightClick(int x, int y) {
        post(win::WM_RBUTTONDOWN, win::MK_RBUTTON, point(x, y));
        post(win::WM_RBUTTONUP, 0, point(x, y));
    }

    // Accepted ticks, each followed by the paint it asks for. Returns how many ran.
    int frames(int count) {
        int accepted = 0;
        for (int i = 0; i < count; ++i) {
            win::host::advanceTickCount(shell::kFrameGateMilliseconds + 1);
            accepted += program_.frameTick() ? 1 : 0;
            pump();
        }
        return accepted;
    }

    // The check mark of a menu item, read without changing it.
    bool checked(win::UINT command) const {
        const win::HMENU menu = win::GetMenu(shell::mainWindow);
        const win::DWORD previous = win::CheckMenuItem(menu, command, win::MF_CHECKED);
        win::CheckMenuItem(menu, command, (previous & win::MF_CHECKED) != 0 ? win::MF_CHECKED : win::MF_UNCHECKED);
        return (previous & win::MF_CHECKED) != 0;
    }

    // Writes the window as a person sees it next to the test binaries.
    static std::string saveScreenshot(const std::string& name) {
        const std::string path = std::string(STEERING_BIN_DIR) + "/" + name;
        EXPECT_TRUE(win::host::writePng(path, win::host::windowImage()));
        return path;
    }

private:
    void pump() {
        win::MSG message;
        while (win::PeekMessage(&message, nullptr, 0, 0, win::PM_REMOVE) != win::FALSE) {
            if (message.message == win::WM_QUIT) {
                quit_ = true;
                continue;
            }
            win::TranslateMessage(&message);
            win::DispatchMessage(&message);
        }
    }

    const shell::Program& program_;
    bool quit_ = false;
};

// Pixels of exactly this colour (0x00RRGGBB) inside the rectangle [x0, x1) x [y0, y1).
inline int countColour(const win::host::Image& image, uint32_t rgb, int x0 = 0, int y0 = 0, int x1 = 1 << 30,
                       int y1 = 1 << 30) {
    int count = 0;
    for (int y = std::max(0, y0); y < std::min(image.height, y1); ++y) {
        for (int x = std::max(0, x0); x < std::min(image.width, x1); ++x) {
            count += (image.pixels[static_cast<std::size_t>(y) * image.width + x] & 0xFFFFFF) == rgb ? 1 : 0;
        }
    }
    return count;
}

}  // namespace program_tests
