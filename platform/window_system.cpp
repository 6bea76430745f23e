// Windows, classes, the posted-message queue and painting, with Windows' rules: WM_QUIT once
// the posted messages are gone; the pointer's one pending move (WM_MOUSEMOVE) and WM_PAINT
// for an invalid visible window only when nothing else waits; WM_CLOSE's default handling
// destroys the window.
#include <algorithm>
#include <cstdio>
#include <cstring>

#include "platform/window_state.h"

namespace win {
namespace {

bool sameName(const std::string& a, const char* b) {
    // Class names compare without regard to case, as on Windows.
    if (b == nullptr || a.size() != std::strlen(b)) {
        return false;
    }
    for (size_t i = 0; i < a.size(); ++i) {
        const auto lower = [](char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; };
        if (lower(a[i]) != lower(b[i])) {
            return false;
        }
    }
    return true;
}

WindowClass* findClass(const char* name, HINSTANCE instance, bool exactInstance) {
    for (WindowClass& c : state().classes) {
        if (c.used && sameName(c.name, name) && (!exactInstance || c.info.hInstance == instance)) {
            return &c;
        }
    }
    return nullptr;
}

void freeWindow(Window* window) {
    destroyDeviceContext(window->paintDC);
    destroyMenu(window->menu);
    delete window;
}

void dropQueuedMessagesFor(HWND window) {
    PlatformState& s = state();
    if (s.pendingMove.window == window) {
        s.pendingMove = PendingMouseMove{};
    }
    int kept = 0;
    for (int i = 0; i < s.queueCount; ++i) {
        const MSG& m = s.queue[(s.queueHead + i) % kMessageQueueCapacity];
        if (m.hwnd != window) {
            s.queue[(s.queueHead + kept) % kMessageQueueCapacity] = m;
            ++kept;
        }
    }
    s.queueCount = kept;
}

bool matches(const MSG& m, HWND window, UINT filterMin, UINT filterMax) {
    if (window != nullptr && m.hwnd != window) {
        return false;
    }
    if (filterMin == 0 && filterMax == 0) {
        return true;
    }
    return m.message >= filterMin && m.message <= filterMax;
}

void fillRectUnion(RECT& into, const RECT& r) {
    into.left = std::min(into.left, r.left);
    into.top = std::min(into.top, r.top);
    into.right = std::max(into.right, r.right);
    into.bottom = std::max(into.bottom, r.bottom);
}

}  // namespace

PlatformState& state() {
    static PlatformState s;
    return s;
}

PlatformState::~PlatformState() {
    // Programs that quit through the menu never destroy their window; free what is left.
    for (Window*& w : windows) {
        if (w != nullptr) {
            freeWindow(w);
            w = nullptr;
        }
    }
}

bool isLiveWindow(HWND window) {
    if (window == nullptr) {
        return false;
    }
    const auto& all = state().windows;
    return std::find(all.begin(), all.end(), window) != all.end();
}

ATOM RegisterClassEx(const WNDCLASSEX* windowClass) {
    if (windowClass == nullptr || windowClass->lpszClassName == nullptr || windowClass->lpfnWndProc == nullptr ||
        IS_INTRESOURCE(windowClass->lpszClassName)) {
        std::fprintf(stderr, "RegisterClassEx: a class needs a name and a window procedure\n");
        return 0;
    }
    if (findClass(windowClass->lpszClassName, windowClass->hInstance, true) != nullptr) {
        return 0;  // already registered for this instance
    }
    auto& classes = state().classes;
    for (size_t i = 0; i < classes.size(); ++i) {
        if (!classes[i].used) {
            classes[i].used = true;
            classes[i].info = *windowClass;
            classes[i].name = windowClass->lpszClassName;
            classes[i].info.lpszClassName = nullptr;  // the copy above owns the text
            // A named (non-integer) menu is not kept: only numbered resources exist here.
            classes[i].atom = static_cast<ATOM>(0xC000 + i);
            return classes[i].atom;
        }
    }
    std::fprintf(stderr, "RegisterClassEx: more than %d classes\n", kMaxClasses);
    return 0;
}

BOOL AdjustWindowRect(RECT* rect, DWORD /*style*/, BOOL hasMenu) {
    if (rect == nullptr) {
        return FALSE;
    }
    // The caption and borders belong to the desktop's window manager; the only non-client
    // part this platform draws is the menu bar strip.
    if (hasMenu) {
        rect->top -= kMenuBarHeight;
    }
    return TRUE;
}

namespace {

// Which virtual keys are down, as the dispatched key messages tell: on Windows the state
// GetKeyState reports also follows the messages the program has taken from its queue, so
// a recorded session replays Ctrl+Z as Ctrl+Z.
constexpr int kVirtualKeys = 256;
bool keysDown[kVirtualKeys] = {};

void trackKeyState(const MSG& message) {
    const bool down = message.message == WM_KEYDOWN || message.message == WM_SYSKEYDOWN;
    const bool up = message.message == WM_KEYUP || message.message == WM_SYSKEYUP;
    if ((down || up) && message.wParam < kVirtualKeys) keysDown[message.wParam] = down;
}

}  // namespace

SHORT GetKeyState(int virtualKey) {
    if (virtualKey < 0 || virtualKey >= kVirtualKeys) return 0;
    return keysDown[virtualKey] ? static_cast<SHORT>(0x8000) : 0;
}

void resetKeyState() {
    for (bool& key : keysDown) key = false;
}

HWND CreateWindowEx(DWORD /*exStyle*/, const char* className, const char* windowName, DWORD style, int x, int y,
                    int width, int height, HWND /*parent*/, HMENU menu, HINSTANCE instance, void* param) {
    resetKeyState();  // a new window starts with every key up
    PlatformState& s = state();
    WindowClass* windowClass = findClass(className, instance, true);
    if (windowClass == nullptr) {
        windowClass = findClass(className, instance, false);
    }
    if (windowClass == nullptr) {
        std::fprintf(stderr, "CreateWindowEx: class \"%s\" is not registered\n",
                     (className == nullptr || IS_INTRESOURCE(className)) ? "?" : className);
        return nullptr;
    }
    auto slot = std::find(s.windows.begin(), s.windows.end(), nullptr);
    if (slot == s.windows.end()) {
        std::fprintf(stderr, "CreateWindowEx: more than %d windows\n", kMaxWindows);
        return nullptr;
    }
    auto* window = new Window;
    window->procedure = windowClass->info.lpfnWndProc;
    window->instance = instance;
    window->className = windowClass->name;
    window->title = windowName != nullptr ? windowName : "";
    window->style = style;
    window->icon = windowClass->info.hIcon;
    window->smallIcon = windowClass->info.hIconSm;
    window->menu = menu;
    const char* menuName = windowClass->info.lpszMenuName;
    if (window->menu == nullptr && menuName != nullptr && IS_INTRESOURCE(menuName)) {
        HINSTANCE owner = windowClass->info.hInstance;
        if (owner != nullptr && owner->resources != nullptr &&
            owner->resources->menu.resourceId == static_cast<int>(reinterpret_cast<uintptr_t>(menuName))) {
            window->menu = loadMenu(owner->resources->menu);
        }
    }
    // Default placement and size, as a fresh desktop would choose.
    window->x = x == CW_USEDEFAULT ? 0 : x;
    window->y = y == CW_USEDEFAULT ? 0 : y;
    const int menuHeight = window->menu != nullptr ? kMenuBarHeight : 0;
    const int outerWidth = width == CW_USEDEFAULT ? 640 : width;
    const int outerHeight = (width == CW_USEDEFAULT || height == CW_USEDEFAULT) ? 480 + menuHeight : height;
    window->clientWidth = std::max(0, outerWidth);
    window->clientHeight = std::max(0, outerHeight - menuHeight);
    // Limit absurd sizes so the client image stays a sane allocation.
    constexpr int kMaxClientSide = 8192;  // pixels; larger than any display this runs on
    window->clientWidth = std::min(window->clientWidth, kMaxClientSide);
    window->clientHeight = std::min(window->clientHeight, kMaxClientSide);
    window->client.assign(static_cast<size_t>(window->clientWidth) * window->clientHeight, 0xFFFFFF);
    raster::Canvas canvas{window->client.data(), window->clientWidth, window->clientHeight, window->clientWidth};
    window->paintDC = makeDeviceContext(canvas);
    window->invalid = true;
    window->invalidRect = RECT{0, 0, window->clientWidth, window->clientHeight};
    *slot = window;

    if (s.backend != nullptr && s.backend->openWindow != nullptr && !s.backend->openWindow(window)) {
        *slot = nullptr;
        freeWindow(window);
        return nullptr;
    }
    if (s.mainWindow == nullptr) {
        s.mainWindow = window;
    }
    CREATESTRUCT creation;
    creation.lpCreateParams = param;
    creation.hInstance = instance;
    creation.hMenu = window->menu;
    creation.cy = height;
    creation.cx = width;
    creation.y = window->y;
    creation.x = window->x;
    creation.style = static_cast<LONG>(style);
    creation.lpszName = windowName;
    creation.lpszClass = className;
    if (window->procedure(window, WM_CREATE, 0, reinterpret_cast<LPARAM>(&creation)) == -1) {
        DestroyWindow(window);
        return nullptr;
    }
    return window;
}

LONG_PTR SetWindowLongPtr(HWND window, int index, LONG_PTR value) {
    if (!isLiveWindow(window) || index != GWLP_USERDATA) return 0;
    const LONG_PTR previous = window->userData;
    window->userData = value;
    return previous;
}

LONG_PTR GetWindowLongPtr(HWND window, int index) {
    if (!isLiveWindow(window) || index != GWLP_USERDATA) return 0;
    return window->userData;
}

BOOL ShowWindow(HWND window, int showCommand) {
    if (!isLiveWindow(window)) {
        return FALSE;
    }
    const BOOL wasVisible = window->visible ? TRUE : FALSE;
    window->visible = showCommand != SW_HIDE;
    const PlatformState& s = state();
    if (s.backend != nullptr && s.backend->showWindow != nullptr) {
        s.backend->showWindow(window, window->visible);
    }
    return wasVisible;
}

BOOL UpdateWindow(HWND window) {
    if (!isLiveWindow(window)) {
        return FALSE;
    }
    if (window->visible && window->invalid) {
        window->procedure(window, WM_PAINT, 0, 0);
    }
    return TRUE;
}

BOOL DestroyWindow(HWND window) {
    if (!isLiveWindow(window) || window->destroying) {
        return FALSE;  // a procedure destroying its window again from WM_DESTROY
    }
    PlatformState& s = state();
    window->destroying = true;
    window->procedure(window, WM_DESTROY, 0, 0);
    auto slot = std::find(s.windows.begin(), s.windows.end(), window);
    *slot = nullptr;
    dropQueuedMessagesFor(window);
    if (s.backend != nullptr && s.backend->closeWindow != nullptr) {
        s.backend->closeWindow(window);
    }
    if (s.mainWindow == window) {
        // Keep what the screen last showed, for screenshots taken after the program ends.
        s.screen.width = window->clientWidth;
        s.screen.height = window->clientHeight;
        s.screen.pixels = std::move(window->client);
        s.screenMenu = window->menu != nullptr ? *window->menu : Menu{};
        s.mainWindow = nullptr;
    }
    freeWindow(window);
    return TRUE;
}

LRESULT DefWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM /*lParam*/) {
    switch (message) {
        case WM_DROPFILES:
            DragFinish(reinterpret_cast<HDROP>(wParam));
            return 0;
        case WM_CLOSE:
            DestroyWindow(window);
            return 0;
        case WM_PAINT: {
            PAINTSTRUCT paint;
            BeginPaint(window, &paint);
            EndPaint(window, &paint);
            return 0;
        }
        default:
            return 0;
    }
}

BOOL PostMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    PlatformState& s = state();
    if (window != nullptr && !isLiveWindow(window)) {
        return FALSE;
    }
    if (s.queueCount >= kMessageQueueCapacity) {
        std::fprintf(stderr, "PostMessage: the message queue is full (%d messages)\n", kMessageQueueCapacity);
        return FALSE;
    }
    MSG& m = s.queue[(s.queueHead + s.queueCount) % kMessageQueueCapacity];
    m = MSG{};
    m.hwnd = window;
    m.message = message;
    m.wParam = wParam;
    m.lParam = lParam;
    m.time = GetTickCount();
    ++s.queueCount;
    return TRUE;
}

void PostQuitMessage(int exitCode) {
    PlatformState& s = state();
    s.quitPosted = true;
    s.quitCode = exitCode;
}

BOOL PeekMessage(MSG* message, HWND window, UINT filterMin, UINT filterMax, UINT removeFlags) {
    if (message == nullptr) {
        return FALSE;
    }
    PlatformState& s = state();
    if (s.backend != nullptr && s.backend->pumpEvents != nullptr) {
        s.backend->pumpEvents();
    }
    for (int i = 0; i < s.queueCount; ++i) {
        const int index = (s.queueHead + i) % kMessageQueueCapacity;
        if (!matches(s.queue[index], window, filterMin, filterMax)) {
            continue;
        }
        *message = s.queue[index];
        if (removeFlags & PM_REMOVE) {
            if (i == 0) {
                s.queueHead = (s.queueHead + 1) % kMessageQueueCapacity;  // the usual case
            } else {
                // A filtered peek took a message from the middle: close the gap.
                for (int j = i; j + 1 < s.queueCount; ++j) {
                    s.queue[(s.queueHead + j) % kMessageQueueCapacity] =
                        s.queue[(s.queueHead + j + 1) % kMessageQueueCapacity];
                }
            }
            --s.queueCount;
        }
        return TRUE;
    }
    if (s.quitPosted && window == nullptr && ((filterMin == 0 && filterMax == 0) || (WM_QUIT >= filterMin && WM_QUIT <= filterMax))) {
        *message = MSG{};
        message->message = WM_QUIT;
        message->wParam = static_cast<WPARAM>(s.quitCode);
        message->time = GetTickCount();
        if (removeFlags & PM_REMOVE) {
            s.quitPosted = false;
        }
        return TRUE;
    }
    // Nothing else waits: the pending move or a paint, whichever was not made last.
    const PendingMouseMove& move = s.pendingMove;
    const bool moveMatches = move.waiting && (window == nullptr || window == move.window) &&
                             ((filterMin == 0 && filterMax == 0) || (WM_MOUSEMOVE >= filterMin && WM_MOUSEMOVE <= filterMax));
    Window* paintWindow = nullptr;
    if ((filterMin == 0 && filterMax == 0) || (WM_PAINT >= filterMin && WM_PAINT <= filterMax)) {
        for (Window* w : s.windows) {
            if (w != nullptr && w->visible && w->invalid && (window == nullptr || window == w)) {
                paintWindow = w;
                break;
            }
        }
    }
    if (moveMatches && (paintWindow == nullptr || !s.mouseMoveMadeLast)) {
        *message = MSG{};
        message->hwnd = move.window;
        message->message = WM_MOUSEMOVE;
        message->wParam = move.buttons;
        message->lParam = move.point;
        message->time = move.time;
        if (removeFlags & PM_REMOVE) {
            s.pendingMove = PendingMouseMove{};
            s.mouseMoveMadeLast = true;
        }
        return TRUE;
    }
    if (paintWindow != nullptr) {
        // WM_PAINT is never queued: it is made when asked for and stays until painted.
        *message = MSG{};
        message->hwnd = paintWindow;
        message->message = WM_PAINT;
        message->time = GetTickCount();
        if (removeFlags & PM_REMOVE) {
            s.mouseMoveMadeLast = false;
        }
        return TRUE;
    }
    return FALSE;
}

namespace {

// The pending move joins the queue as a posted WM_MOUSEMOVE, before the input that follows it.
void queuePendingMove() {
    PlatformState& s = state();
    if (!s.pendingMove.waiting) {
        return;
    }
    const PendingMouseMove move = s.pendingMove;
    s.pendingMove = PendingMouseMove{};
    PostMessage(move.window, WM_MOUSEMOVE, move.buttons, move.point);
}

}  // namespace

void postMouseMove(HWND window, WPARAM buttons, LPARAM point) {
    PlatformState& s = state();
    if (!isLiveWindow(window)) {
        return;
    }
    if (s.pendingMove.window != window) {
        queuePendingMove();  // a move over another window does not replace this one's
    }
    s.pendingMove = PendingMouseMove{true, window, buttons, point, GetTickCount()};
}

BOOL postInput(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    queuePendingMove();
    return PostMessage(window, message, wParam, lParam);
}

BOOL TranslateMessage(const MSG* message) {
    // Character messages are not generated: no program reads WM_CHAR.
    if (message == nullptr) {
        return FALSE;
    }
    return (message->message == WM_KEYDOWN || message->message == WM_SYSKEYDOWN) ? TRUE : FALSE;
}

LRESULT DispatchMessage(const MSG* message) {
    if (message == nullptr || !isLiveWindow(message->hwnd)) {
        return 0;
    }
    trackKeyState(*message);
    return message->hwnd->procedure(message->hwnd, message->message, message->wParam, message->lParam);
}

BOOL GetClientRect(HWND window, RECT* rect) {
    if (!isLiveWindow(window) || rect == nullptr) {
        return FALSE;
    }
    *rect = RECT{0, 0, window->clientWidth, window->clientHeight};
    return TRUE;
}

BOOL ClientToScreen(HWND window, POINT* point) {
    if (!isLiveWindow(window) || point == nullptr) {
        return FALSE;
    }
    point->x += window->x;
    point->y += window->y + (window->menu != nullptr ? kMenuBarHeight : 0);
    return TRUE;
}

BOOL OffsetRect(RECT* rect, int dx, int dy) {
    if (rect == nullptr) {
        return FALSE;
    }
    rect->left += dx;
    rect->right += dx;
    rect->top += dy;
    rect->bottom += dy;
    return TRUE;
}

BOOL InvalidateRect(HWND window, const RECT* rect, BOOL /*erase*/) {
    if (window == nullptr) {
        // Windows repaints every window for a null handle.
        for (Window* w : state().windows) {
            if (w != nullptr) {
                InvalidateRect(w, rect, FALSE);
            }
        }
        return TRUE;
    }
    if (!isLiveWindow(window)) {
        return FALSE;
    }
    RECT r = rect != nullptr ? *rect : RECT{0, 0, window->clientWidth, window->clientHeight};
    r.left = std::max<LONG>(r.left, 0);
    r.top = std::max<LONG>(r.top, 0);
    r.right = std::min<LONG>(r.right, window->clientWidth);
    r.bottom = std::min<LONG>(r.bottom, window->clientHeight);
    if (r.left >= r.right || r.top >= r.bottom) {
        return TRUE;  // nothing of the client area is affected
    }
    if (window->invalid) {
        fillRectUnion(window->invalidRect, r);
    } else {
        window->invalid = true;
        window->invalidRect = r;
    }
    return TRUE;
}

HDC BeginPaint(HWND window, PAINTSTRUCT* paint) {
    if (!isLiveWindow(window) || paint == nullptr) {
        return nullptr;
    }
    paint->hdc = window->paintDC;
    paint->fErase = FALSE;
    paint->rcPaint = window->invalid ? window->invalidRect : RECT{};
    window->invalid = false;
    window->invalidRect = RECT{};
    return window->paintDC;
}

BOOL EndPaint(HWND window, const PAINTSTRUCT* /*paint*/) { return isLiveWindow(window) ? TRUE : FALSE; }

HMENU GetMenu(HWND window) { return isLiveWindow(window) ? window->menu : nullptr; }

int ShowCursor(BOOL show) {
    PlatformState& s = state();
    s.cursorCount += show ? 1 : -1;
    if (s.backend != nullptr && s.backend->showCursor != nullptr) {
        s.backend->showCursor(s.cursorCount >= 0);
    }
    return s.cursorCount;
}

DWORD GetTickCount() {
    const PlatformState& s = state();
    if (s.backend != nullptr && s.backend->tickCount != nullptr) {
        return s.backend->tickCount();
    }
    return s.virtualTicks;
}

}  // namespace win
