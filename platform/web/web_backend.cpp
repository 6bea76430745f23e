// The page's canvas as the platform's screen: the main window's menu bar strip and client
// image drawn on <canvas id="canvas">, canvas mouse and keyboard events turned into the
// window messages the SDL backend posts, and the page's millisecond clock.
#include "platform/web/web_backend.h"

#include <emscripten/emscripten.h>
#include <emscripten/html5.h>

#include <cstdint>
#include <cstdio>
#include <vector>

#include "platform/menu_bar.h"
#include "platform/menu_tracking.h"
#include "platform/web/web_canvas.h"
#include "platform/web/web_keys.h"
#include "platform/window_state.h"

// Copies RGBA bytes onto the canvas through one ImageData kept between frames, so a frame
// allocates nothing but a view of the module's memory.
EM_JS(void, steering_canvas_put, (const uint8_t* rgba, int width, int height), {
    var canvas = document.getElementById('canvas');
    if (!canvas) return;
    var cache = Module.steeringCanvas;
    if (!cache || cache.width != width || cache.height != height) {
        cache = Module.steeringCanvas = {width : width, height : height,
                                         context : canvas.getContext('2d', {alpha : false}),
                                         image : new ImageData(width, height)};
    }
    cache.image.data.set(HEAPU8.subarray(rgba, rgba + width * height * 4));
    cache.context.putImageData(cache.image, 0, 0);
});

EM_JS(int, steering_canvas_exists, (), { return document.getElementById('canvas') ? 1 : 0; });

EM_JS(void, steering_canvas_cursor, (int visible), {
    var canvas = document.getElementById('canvas');
    if (canvas) canvas.style.cursor = visible ? 'default' : 'none';
});

namespace win::web {
namespace {

constexpr char kCanvas[] = "#canvas";

struct CanvasState {
    Window* window = nullptr;    // the window shown on the canvas; the programs open one
    host::Image composed;        // menu bar, client image and open drop-down, 0x00RRGGBB
    std::vector<uint32_t> rgba;  // the same pixels as the canvas wants its bytes: R, G, B, A
    Window* painted = nullptr;   // painted by the program since the loop last drew the canvas
};

CanvasState canvas;

int barHeightOf(const Window* window) { return window->menu != nullptr ? kMenuBarHeight : 0; }

void presentWindow(Window* window) {
    if (window == nullptr || window != canvas.window) return;
    const PlatformState& st = state();
    const bool menuOpenHere = st.mainWindow == window;
    menubar::composeWindow(window->menu, window->client.data(), window->clientWidth, window->clientHeight,
                           menuOpenHere ? st.openPopup : -1, menuOpenHere ? st.hotItem : -1, canvas.composed);
    const size_t count = canvas.composed.pixels.size();
    canvas.rgba.resize(count);  // allocates on the first frame only: the window never changes size
    for (size_t i = 0; i < count; ++i) canvas.rgba[i] = web::canvasPixel(canvas.composed.pixels[i]);
    steering_canvas_put(reinterpret_cast<const uint8_t*>(canvas.rgba.data()), canvas.composed.width,
                        canvas.composed.height);
}

// The program's paint: kept for the loop, which draws the canvas once per display frame.
void paintedWindow(Window* window) {
    if (window == canvas.window) canvas.painted = window;
}

WPARAM buttonState(unsigned short buttons, bool shift, bool ctrl) {
    // DOM buttons: 1 left, 2 right, 4 middle.
    WPARAM flags = 0;
    if (buttons & 1) flags |= MK_LBUTTON;
    if (buttons & 2) flags |= MK_RBUTTON;
    if (buttons & 4) flags |= MK_MBUTTON;
    if (shift) flags |= MK_SHIFT;
    if (ctrl) flags |= MK_CONTROL;
    return flags;
}

LPARAM clientPoint(const Window* window, long x, long y) {
    // Client coordinates, each a signed 16-bit value packed as on Windows.
    const long cy = y - barHeightOf(window);
    return MAKELPARAM(static_cast<WORD>(static_cast<int16_t>(x)), static_cast<WORD>(static_cast<int16_t>(cy)));
}

EM_BOOL onMouseButton(int eventType, const EmscriptenMouseEvent* e, void*) {
    Window* window = canvas.window;
    if (window == nullptr) return EM_FALSE;
    const bool down = eventType == EMSCRIPTEN_EVENT_MOUSEDOWN;
    const int x = static_cast<int>(e->targetX);
    const int y = static_cast<int>(e->targetY);
    const menutrack::Result r = down ? menutrack::mouseDown(window, x, y) : menutrack::mouseUp(window, x, y);
    if (r == menutrack::Result::Consumed) {
        presentWindow(window);
        return EM_TRUE;
    }
    UINT message = 0;
    switch (e->button) {  // DOM button: 0 left, 1 middle, 2 right
        case 0: message = down ? WM_LBUTTONDOWN : WM_LBUTTONUP; break;
        case 1: message = down ? WM_MBUTTONDOWN : WM_MBUTTONUP; break;
        case 2: message = down ? WM_RBUTTONDOWN : WM_RBUTTONUP; break;
        default: return EM_FALSE;
    }
    PostMessage(window, message, buttonState(e->buttons, e->shiftKey, e->ctrlKey), clientPoint(window, x, y));
    return EM_TRUE;
}

EM_BOOL onMouseMove(int, const EmscriptenMouseEvent* e, void*) {
    Window* window = canvas.window;
    if (window == nullptr) return EM_FALSE;
    const int x = static_cast<int>(e->targetX);
    const int y = static_cast<int>(e->targetY);
    if (menutrack::mouseMove(window, x, y) == menutrack::Result::Consumed) {
        presentWindow(window);
        return EM_TRUE;
    }
    const bool held = (e->buttons & 7) != 0;
    if (y >= barHeightOf(window) || held) {
        PostMessage(window, WM_MOUSEMOVE, buttonState(e->buttons, e->shiftKey, e->ctrlKey),
                    clientPoint(window, x, y));
    }
    return EM_FALSE;
}

EM_BOOL onKey(int eventType, const EmscriptenKeyboardEvent* e, void*) {
    Window* window = canvas.window;
    if (window == nullptr) return EM_FALSE;
    const int vk = virtualKeyFromDom(e->key, e->code);
    if (vk == 0) return EM_FALSE;
    const bool down = eventType == EMSCRIPTEN_EVENT_KEYDOWN;
    const bool alt = e->altKey != 0;
    const menutrack::Result r = down ? menutrack::keyDown(window, vk, alt) : menutrack::keyUp(window, vk);
    if (r == menutrack::Result::Consumed) {
        presentWindow(window);
        return EM_TRUE;
    }
    // With Alt held Windows sends the system variants, which programs leave to DefWindowProc.
    const bool system = alt || vk == static_cast<int>(VK_MENU);
    if (down) {
        // The browser repeats a held key with one event per repetition, each a count of 1.
        PostMessage(window, system ? WM_SYSKEYDOWN : WM_KEYDOWN, static_cast<WPARAM>(vk),
                    host::keyDownLParam(1, e->repeat != 0));
    } else {
        PostMessage(window, system ? WM_SYSKEYUP : WM_KEYUP, static_cast<WPARAM>(vk), host::keyUpLParam());
    }
    // Suppressing the browser's action keeps arrows and Page Up/Down from scrolling the page
    // and Alt+letter from opening the browser's menus.
    return keyBelongsToProgram(vk, e->ctrlKey != 0, e->metaKey != 0) || alt ? EM_TRUE : EM_FALSE;
}

EM_BOOL onBlur(int, const EmscriptenFocusEvent*, void*) {
    if (canvas.window != nullptr && menutrack::isOpen()) {
        menutrack::close();
        presentWindow(canvas.window);
    }
    return EM_FALSE;
}

void listen(bool on) {
    emscripten_set_mousedown_callback(kCanvas, nullptr, EM_TRUE, on ? onMouseButton : nullptr);
    emscripten_set_mouseup_callback(kCanvas, nullptr, EM_TRUE, on ? onMouseButton : nullptr);
    emscripten_set_mousemove_callback(kCanvas, nullptr, EM_TRUE, on ? onMouseMove : nullptr);
    emscripten_set_keydown_callback(kCanvas, nullptr, EM_TRUE, on ? onKey : nullptr);
    emscripten_set_keyup_callback(kCanvas, nullptr, EM_TRUE, on ? onKey : nullptr);
    emscripten_set_blur_callback(kCanvas, nullptr, EM_TRUE, on ? onBlur : nullptr);
}

bool openWindow(Window* window) {
    if (canvas.window != nullptr) {
        std::fprintf(stderr, "web: the page has one canvas; a second window cannot be opened\n");
        return false;
    }
    canvas.window = window;
    window->backendData = &canvas;
    emscripten_set_canvas_element_size(kCanvas, window->clientWidth, window->clientHeight + barHeightOf(window));
    listen(true);
    return true;
}

void closeWindow(Window* window) {
    if (window != canvas.window) return;
    if (state().mainWindow == window) menutrack::close();
    listen(false);
    window->backendData = nullptr;
    canvas.window = nullptr;
    canvas.painted = nullptr;
}

void showWindow(Window* window, bool visible) {
    if (visible) presentWindow(window);
}


void showCursor(bool visible) { steering_canvas_cursor(visible ? 1 : 0); }

constexpr BackendHooks kHooks{
    .pumpEvents = nullptr,  // canvas events arrive between loop passes and are posted at once
    .tickCount = loopClock,
    .openWindow = openWindow,
    .closeWindow = closeWindow,
    .showWindow = showWindow,
    .present = paintedWindow,
    .showCursor = showCursor,
};

}  // namespace

bool presentPaintedFrame() {
    Window* window = canvas.painted;
    canvas.painted = nullptr;
    if (window == nullptr || window != canvas.window) return false;
    presentWindow(window);
    return true;
}

bool useWebBackend() {
    if (steering_canvas_exists() == 0) {
        std::fprintf(stderr, "web: the page has no <canvas id=\"canvas\">\n");
        return false;
    }
    state().backend = &kHooks;
    return true;
}

}  // namespace win::web
