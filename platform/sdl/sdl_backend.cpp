// SDL2 windows for the platform: one SDL window per platform window holding the menu bar
// strip and the client area, a streaming texture the presented image is uploaded to, and
// SDL events turned into the window messages a Windows program expects.
#include "platform/sdl/sdl_backend.h"

#include <SDL.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "platform/drop_files.h"
#include "platform/menu_bar.h"
#include "platform/menu_tracking.h"
#include "platform/sdl/sdl_keys.h"
#include "platform/window_state.h"

namespace win::sdl {
namespace {

struct SdlWindow {
    SDL_Window* window = nullptr;
    SDL_Renderer* renderer = nullptr;
    SDL_Texture* texture = nullptr;   // ARGB8888, the whole window: bar strip and client
    std::vector<uint32_t> composed;   // what is uploaded: bar, client image, open drop-down
    host::Image scratch;              // reused by composition, never reallocated per frame
    Uint32 id = 0;
};

SdlWindow* sdlOf(Window* window) { return window != nullptr ? static_cast<SdlWindow*>(window->backendData) : nullptr; }

Window* windowOfId(Uint32 id) {
    for (Window* w : state().windows) {
        SdlWindow* s = sdlOf(w);
        if (s != nullptr && s->id == id) {
            return w;
        }
    }
    return nullptr;
}

int barHeightOf(const Window* window) { return window->menu != nullptr ? kMenuBarHeight : 0; }

void presentWindow(Window* window) {
    SdlWindow* s = sdlOf(window);
    if (s == nullptr || s->texture == nullptr) {
        return;
    }
    const PlatformState& st = state();
    const bool menuOpenHere = st.mainWindow == window;
    menubar::composeWindow(window->menu, window->client.data(), window->clientWidth, window->clientHeight,
                           menuOpenHere ? st.openPopup : -1, menuOpenHere ? st.hotItem : -1, s->scratch);
    // Pixels are 0x00RRGGBB; the texture is ARGB8888, so the high byte is ignored by the copy.
    SDL_UpdateTexture(s->texture, nullptr, s->scratch.pixels.data(), s->scratch.width * 4);
    SDL_RenderClear(s->renderer);
    SDL_RenderCopy(s->renderer, s->texture, nullptr, nullptr);
    SDL_RenderPresent(s->renderer);
}

void setIcon(SDL_Window* sdlWindow, HICON icon) {
    if (icon == nullptr || icon->size <= 0) {
        return;
    }
    SDL_Surface* surface = SDL_CreateRGBSurfaceWithFormatFrom(const_cast<uint32_t*>(icon->pixels.data()), icon->size,
                                                              icon->size, 32, icon->size * 4, SDL_PIXELFORMAT_ARGB8888);
    if (surface != nullptr) {
        SDL_SetWindowIcon(sdlWindow, surface);
        SDL_FreeSurface(surface);
    }
}

bool openWindow(Window* window) {
    const int height = window->clientHeight + barHeightOf(window);
    auto* s = new SdlWindow;
    s->window = SDL_CreateWindow(window->title.c_str(), SDL_WINDOWPOS_UNDEFINED, SDL_WINDOWPOS_UNDEFINED,
                                 window->clientWidth, height, SDL_WINDOW_HIDDEN);
    if (s->window == nullptr) {
        std::fprintf(stderr, "SDL: cannot create a window: %s\n", SDL_GetError());
        delete s;
        return false;
    }
    // No vsync: the programs pace themselves with their own 10 ms gate.
    s->renderer = SDL_CreateRenderer(s->window, -1, 0);
    if (s->renderer == nullptr) {
        s->renderer = SDL_CreateRenderer(s->window, -1, SDL_RENDERER_SOFTWARE);
    }
    if (s->renderer != nullptr) {
        s->texture = SDL_CreateTexture(s->renderer, SDL_PIXELFORMAT_ARGB8888, SDL_TEXTUREACCESS_STREAMING,
                                       window->clientWidth, height);
    }
    if (s->renderer == nullptr || s->texture == nullptr) {
        std::fprintf(stderr, "SDL: cannot set up drawing: %s\n", SDL_GetError());
        if (s->renderer != nullptr) {
            SDL_DestroyRenderer(s->renderer);
        }
        SDL_DestroyWindow(s->window);
        delete s;
        return false;
    }
    s->id = SDL_GetWindowID(s->window);
    setIcon(s->window, window->icon != nullptr ? window->icon : window->smallIcon);
    window->backendData = s;
    return true;
}

void closeWindow(Window* window) {
    SdlWindow* s = sdlOf(window);
    if (s == nullptr) {
        return;
    }
    if (state().mainWindow == window) {
        menutrack::close();
    }
    SDL_DestroyTexture(s->texture);
    SDL_DestroyRenderer(s->renderer);
    SDL_DestroyWindow(s->window);
    delete s;
    window->backendData = nullptr;
}

void showWindow(Window* window, bool visible) {
    SdlWindow* s = sdlOf(window);
    if (s == nullptr) {
        return;
    }
    if (visible) {
        SDL_ShowWindow(s->window);
        int x = 0;
        int y = 0;
        SDL_GetWindowPosition(s->window, &x, &y);
        window->x = x;
        window->y = y;
        presentWindow(window);
    } else {
        SDL_HideWindow(s->window);
    }
}

WPARAM buttonState(Uint32 mask) {
    WPARAM flags = 0;
    if (mask & SDL_BUTTON_LMASK) {
        flags |= MK_LBUTTON;
    }
    if (mask & SDL_BUTTON_RMASK) {
        flags |= MK_RBUTTON;
    }
    if (mask & SDL_BUTTON_MMASK) {
        flags |= MK_MBUTTON;
    }
    const SDL_Keymod mods = SDL_GetModState();
    if (mods & KMOD_SHIFT) {
        flags |= MK_SHIFT;
    }
    if (mods & KMOD_CTRL) {
        flags |= MK_CONTROL;
    }
    return flags;
}

LPARAM clientPoint(const Window* window, int x, int y) {
    // Client coordinates, each a 16-bit value packed as on Windows.
    const int cy = y - barHeightOf(window);
    return MAKELPARAM(static_cast<WORD>(static_cast<int16_t>(x)), static_cast<WORD>(static_cast<int16_t>(cy)));
}

// SDL keeps reporting the pointer outside the window while a button is held (it captures
// the mouse). The programs never capture it, so like them on Windows they see only what
// happens over the client area: not the menu strip, not the desktop around the window.
bool overClientArea(const Window* window, int x, int y) {
    const int cy = y - barHeightOf(window);
    return x >= 0 && x < window->clientWidth && cy >= 0 && cy < window->clientHeight;
}

void handleMouseButton(const SDL_MouseButtonEvent& e, bool down) {
    Window* window = windowOfId(e.windowID);
    if (window == nullptr) {
        return;
    }
    const menutrack::Result r =
        down ? menutrack::mouseDown(window, e.x, e.y) : menutrack::mouseUp(window, e.x, e.y);
    if (r == menutrack::Result::Consumed) {
        presentWindow(window);
        return;
    }
    UINT message = 0;
    if (e.button == SDL_BUTTON_LEFT) {
        message = down ? WM_LBUTTONDOWN : WM_LBUTTONUP;
    } else if (e.button == SDL_BUTTON_RIGHT) {
        message = down ? WM_RBUTTONDOWN : WM_RBUTTONUP;
    } else if (e.button == SDL_BUTTON_MIDDLE) {
        message = down ? WM_MBUTTONDOWN : WM_MBUTTONUP;
    } else {
        return;
    }
    if (!overClientArea(window, e.x, e.y)) {
        return;
    }
    postInput(window, message, buttonState(SDL_GetMouseState(nullptr, nullptr)), clientPoint(window, e.x, e.y));
}

void handleKey(const SDL_KeyboardEvent& e, bool down) {
    Window* window = windowOfId(e.windowID);
    if (window == nullptr) {
        window = state().mainWindow;
    }
    if (window == nullptr) {
        return;
    }
    const int vk = virtualKeyFromSdl(e.keysym.sym, static_cast<SDL_Keymod>(e.keysym.mod));
    if (vk == 0) {
        return;
    }
    const bool alt = (e.keysym.mod & KMOD_ALT) != 0;
    const menutrack::Result r = down ? menutrack::keyDown(window, vk, alt) : menutrack::keyUp(window, vk);
    if (r == menutrack::Result::Consumed) {
        presentWindow(window);
        return;
    }
    const BYTE scan = static_cast<BYTE>(e.keysym.scancode & 0xFF);
    // With Alt held Windows sends the system variants, which programs leave to DefWindowProc.
    const bool system = alt || vk == static_cast<int>(VK_MENU);
    if (down) {
        // SDL repeats a held key with one event per repetition, each a count of 1.
        postInput(window, system ? WM_SYSKEYDOWN : WM_KEYDOWN, static_cast<WPARAM>(vk),
                  host::keyDownLParam(1, e.repeat != 0, scan));
    } else {
        postInput(window, system ? WM_SYSKEYUP : WM_KEYUP, static_cast<WPARAM>(vk), host::keyUpLParam(scan));
    }
}

void pumpEvents() {
    SDL_Event e;
    while (SDL_PollEvent(&e)) {
        switch (e.type) {
            case SDL_QUIT:
                // The desktop asks every window to close (for example on Ctrl+C).
                for (Window* w : state().windows) {
                    if (w != nullptr) {
                        PostMessage(w, WM_CLOSE, 0, 0);
                    }
                }
                break;
            case SDL_WINDOWEVENT: {
                Window* window = windowOfId(e.window.windowID);
                if (window == nullptr) {
                    break;
                }
                if (e.window.event == SDL_WINDOWEVENT_CLOSE) {
                    PostMessage(window, WM_CLOSE, 0, 0);
                } else if (e.window.event == SDL_WINDOWEVENT_EXPOSED) {
                    presentWindow(window);
                    InvalidateRect(window, nullptr, FALSE);
                } else if (e.window.event == SDL_WINDOWEVENT_MOVED) {
                    window->x = e.window.data1;
                    window->y = e.window.data2;
                } else if (e.window.event == SDL_WINDOWEVENT_FOCUS_LOST && menutrack::isOpen()) {
                    menutrack::close();
                    presentWindow(window);
                }
                break;
            }
            case SDL_DROPFILE: {
                // A file dropped onto the window becomes WM_DROPFILES, as on Windows.
                Window* window = windowOfId(e.drop.windowID);
                if (window == nullptr) window = state().mainWindow;
                if (window != nullptr && e.drop.file != nullptr) {
                    const HDROP drop = host::makeDrop(e.drop.file);
                    if (drop != nullptr && !PostMessage(window, WM_DROPFILES, reinterpret_cast<WPARAM>(drop), 0)) {
                        DragFinish(drop);
                    }
                }
                SDL_free(e.drop.file);
                break;
            }
            case SDL_KEYDOWN:
                handleKey(e.key, true);
                break;
            case SDL_KEYUP:
                handleKey(e.key, false);
                break;
            case SDL_MOUSEBUTTONDOWN:
                handleMouseButton(e.button, true);
                break;
            case SDL_MOUSEBUTTONUP:
                handleMouseButton(e.button, false);
                break;
            case SDL_MOUSEMOTION: {
                Window* window = windowOfId(e.motion.windowID);
                if (window == nullptr) {
                    break;
                }
                if (menutrack::mouseMove(window, e.motion.x, e.motion.y) == menutrack::Result::Consumed) {
                    presentWindow(window);
                    break;
                }
                if (overClientArea(window, e.motion.x, e.motion.y)) {
                    // One pending move, replaced by newer ones: a slow frame costs one move,
                    // not one per motion event.
                    postMouseMove(window, buttonState(e.motion.state), clientPoint(window, e.motion.x, e.motion.y));
                }
                break;
            }
            default:
                break;
        }
    }
}

DWORD tickCount() {
    // The 64-bit count reduced to the wrapping 32-bit millisecond counter.
    return static_cast<DWORD>(SDL_GetTicks64() & 0xFFFFFFFFu);
}

void showCursor(bool visible) { SDL_ShowCursor(visible ? SDL_ENABLE : SDL_DISABLE); }

void present(Window* window) { presentWindow(window); }

void shutdown() {
    // Runs before the platform state is destroyed: close what SDL still holds, then SDL.
    for (Window* w : state().windows) {
        if (w != nullptr) {
            closeWindow(w);
        }
    }
    state().backend = nullptr;
    SDL_Quit();
}

constexpr BackendHooks kHooks{
    .pumpEvents = pumpEvents,
    .tickCount = tickCount,
    .openWindow = openWindow,
    .closeWindow = closeWindow,
    .showWindow = showWindow,
    .present = present,
    .showCursor = showCursor,
};

}  // namespace

bool useSdlBackend() {
    if (state().backend == &kHooks) {
        return true;
    }
    const auto set = [](const char* name) {
        const char* value = std::getenv(name);
        return value != nullptr && value[0] != '\0';
    };
    if (!set("DISPLAY") && !set("WAYLAND_DISPLAY") && !set("SDL_VIDEODRIVER")) {
        std::fprintf(stderr, "SDL: no display can be opened (neither DISPLAY nor WAYLAND_DISPLAY is set)\n");
        return false;
    }
    SDL_SetHint(SDL_HINT_RENDER_VSYNC, "0");
    // Programs pace themselves; SDL must not sleep in the event loop or block the screensaver.
    SDL_SetHint(SDL_HINT_VIDEO_ALLOW_SCREENSAVER, "1");
    if (SDL_Init(SDL_INIT_VIDEO) != 0) {
        std::fprintf(stderr, "SDL: no display can be opened (%s)\n", SDL_GetError());
        return false;
    }
    // SDL falls back to drivers that show nothing; for a person they are no display.
    const char* driver = SDL_GetCurrentVideoDriver();
    if (driver != nullptr && (std::strcmp(driver, "offscreen") == 0 || std::strcmp(driver, "dummy") == 0)) {
        std::fprintf(stderr, "SDL: no display can be opened (only the \"%s\" video driver is available)\n", driver);
        SDL_Quit();
        return false;
    }
    state().backend = &kHooks;
    std::atexit(shutdown);
    return true;
}

}  // namespace win::sdl
