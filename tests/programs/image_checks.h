#pragma once
// What the program tests read from the window: a screenshot file next to the test
// binaries, pixel counts of one colour, and the pixels of hand-written drawing calls.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/host.h"
#include "platform/win.h"
#include "shell/program_entry.h"

namespace program_tests {

// Writes the window as a person sees it next to the test binaries; returns the path.
inline std::string saveScreenshot(const std::string& name) {
    const std::string path = std::string(STEERING_BIN_DIR) + "/" + name;
    EXPECT_TRUE(win::host::writePng(path, win::host::windowImage()));
    return path;
}

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

// What the run's off-screen surface shows after `draw` on a white surface.
inline std::vector<uint32_t> pixelsAfter(const shell::ProgramRun& run, const std::function<void(win::HDC)>& draw) {
    EXPECT_TRUE(shell::clearOffscreen(run.presentation));
    draw(run.presentation.offscreenDC);
    shell::paintWindow(run.presentation, run.window());
    return win::host::clientImage().pixels;
}

// Pens and brushes as the hand-written expectations name them; released at the end.
struct Tools {
    win::HPEN thickBlack = win::CreatePen(win::PS_SOLID, 2, win::RGB(0, 0, 0));
    win::HPEN magenta = win::CreatePen(win::PS_SOLID, 1, win::RGB(255, 0, 255));
    win::HPEN blue = win::CreatePen(win::PS_SOLID, 1, win::RGB(0, 0, 255));
    win::HPEN black = win::CreatePen(win::PS_SOLID, 1, win::RGB(0, 0, 0));
    win::HBRUSH teal = win::CreateSolidBrush(win::RGB(0, 200, 200));
    ~Tools() {
        for (win::HGDIOBJ object : {win::HGDIOBJ(thickBlack), win::HGDIOBJ(magenta), win::HGDIOBJ(blue), win::HGDIOBJ(black), win::HGDIOBJ(teal)}) {
            win::DeleteObject(object);
        }
    }
    // The body every program draws: a teal disc with a two-pixel black rim.
    void body(win::HDC dc, int left, int top, int right, int bottom) const {
        win::SelectObject(dc, thickBlack);
        win::SelectObject(dc, teal);
        win::SetBkColor(dc, win::RGB(0, 10, 0));
        win::SetBkMode(dc, win::TRANSPARENT);
        win::Ellipse(dc, left, top, right, bottom);
    }
    static void line(win::HDC dc, win::HPEN pen, int x0, int y0, int x1, int y1) {
        win::SelectObject(dc, pen);
        win::MoveToEx(dc, x0, y0, nullptr);
        win::LineTo(dc, x1, y1);
    }
};

}  // namespace program_tests
