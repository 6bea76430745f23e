// Host control: choosing the headless backend, its virtual clock, the images a person would
// see, and making presentation steps fail on purpose.
#include "platform/host.h"

#include "platform/menu_bar.h"
#include "platform/window_state.h"

namespace win::host {

void useHeadlessBackend() { state().backend = nullptr; }

bool isHeadless() { return state().backend == nullptr; }

void setTickCount(DWORD milliseconds) { state().virtualTicks = milliseconds; }

void advanceTickCount(DWORD milliseconds) {
    // Unsigned addition wraps at 2^32 like the real counter.
    state().virtualTicks += milliseconds;
}

HWND mainWindow() { return state().mainWindow; }

Image windowImage() {
    const PlatformState& s = state();
    Image image;
    if (s.mainWindow != nullptr) {
        const Window& w = *s.mainWindow;
        menubar::composeWindow(w.menu, w.client.data(), w.clientWidth, w.clientHeight, s.openPopup, s.hotItem,
                               image);
    } else {
        const Menu* menu = s.screenMenu.popups.empty() ? nullptr : &s.screenMenu;
        menubar::composeWindow(menu, s.screen.pixels.empty() ? nullptr : s.screen.pixels.data(), s.screen.width,
                               s.screen.height, -1, -1, image);
    }
    return image;
}

Image clientImage() {
    const PlatformState& s = state();
    if (s.mainWindow != nullptr) {
        const Window& w = *s.mainWindow;
        return Image{w.clientWidth, w.clientHeight, w.client};
    }
    return s.screen;
}

void failPresentationStep(int step) { state().failStep = step; }

void resetWindowSystem() {
    PlatformState& s = state();
    const auto windows = s.windows;  // DestroyWindow empties the slots as it goes
    for (Window* w : windows) {
        if (w != nullptr) DestroyWindow(w);
    }
    const BackendHooks* backend = s.backend;
    const DWORD ticks = s.virtualTicks;
    s = PlatformState{};
    s.backend = backend;
    s.virtualTicks = ticks;
}

}  // namespace win::host
