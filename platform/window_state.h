#pragma once
// Internal state of the window system shared by the core, the presentation and the backends.
// Programs never include this; they use platform/win.h and platform/host.h.
#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/gdi_objects.h"
#include "platform/host.h"
#include "platform/win.h"
#include "platform/program_resources.h"

namespace win {

struct Icon {
    int resourceId = 0;
    int size = 0;                  // pixels per side
    std::vector<uint32_t> pixels;  // 0xAARRGGBB, alpha 0 where transparent
};

struct Cursor {
    int resourceId = 0;
};

struct Instance {
    const resources::ProgramResources* resources = nullptr;
    Icon largeIcon;
    Icon smallIcon;
};

struct MenuItem {
    std::string text;  // with its '&' mnemonic marker; empty for a separator
    UINT commandId = 0;
    bool separator = false;
    bool checked = false;
};

struct MenuPopup {
    std::string text;
    std::vector<MenuItem> items;
};

struct Menu {
    std::vector<MenuPopup> popups;
};

struct Window {
    WNDPROC procedure = nullptr;
    LONG_PTR userData = 0;  // GWLP_USERDATA
    HINSTANCE instance = nullptr;
    std::string className;
    std::string title;
    DWORD style = 0;
    int x = 0;  // screen position of the outer top-left corner, pixels
    int y = 0;
    int clientWidth = 0;   // pixels
    int clientHeight = 0;  // pixels
    HMENU menu = nullptr;  // owned; destroyed with the window
    HICON icon = nullptr;
    HICON smallIcon = nullptr;
    bool visible = false;
    bool invalid = false;
    bool destroying = false;       // WM_DESTROY is being handled
    RECT invalidRect{};            // bounding box of the invalid parts, client pixels
    std::vector<uint32_t> client;  // what the screen shows in the client area, 0x00RRGGBB
    DeviceContext* paintDC = nullptr;  // draws into `client`
    void* backendData = nullptr;       // the SDL window and renderer, when there is one
};

// How a backend joins the core. Headless leaves every hook empty.
struct BackendHooks {
    void (*pumpEvents)() = nullptr;             // turns pending real events into posted messages
    DWORD (*tickCount)() = nullptr;             // the real millisecond clock
    bool (*openWindow)(Window*) = nullptr;      // false makes CreateWindowEx fail
    void (*closeWindow)(Window*) = nullptr;
    void (*showWindow)(Window*, bool) = nullptr;
    void (*present)(Window*) = nullptr;         // the client image changed
    void (*showCursor)(bool) = nullptr;
};

// Most windows alive at once; the programs make one.
constexpr int kMaxWindows = 8;
// Most registered classes; the programs register one.
constexpr int kMaxClasses = 8;
// Posted messages waiting at once; Windows allows 10,000, a burst of input needs far fewer.
constexpr int kMessageQueueCapacity = 4096;
// Height of the menu bar strip above the client area, pixels.
constexpr int kMenuBarHeight = host::kMenuBarHeight;

struct WindowClass {
    bool used = false;
    WNDCLASSEX info{};
    std::string name;
    ATOM atom = 0;
};

// The pointer's latest move that no message has carried yet. Windows keeps at most one: a
// newer move replaces it, so a slow program reads where the pointer is, not where it was.
struct PendingMouseMove {
    bool waiting = false;
    HWND window = nullptr;
    WPARAM buttons = 0;  // MK_* flags
    LPARAM point = 0;    // client coordinates, packed as on Windows
    DWORD time = 0;
};

struct PlatformState {
    const BackendHooks* backend = nullptr;  // null: headless
    std::array<WindowClass, kMaxClasses> classes{};
    std::array<Window*, kMaxWindows> windows{};
    HWND mainWindow = nullptr;
    std::array<MSG, kMessageQueueCapacity> queue{};
    int queueHead = 0;
    int queueCount = 0;
    bool quitPosted = false;
    int quitCode = 0;
    DWORD virtualTicks = 0;  // headless clock, milliseconds
    int cursorCount = 0;     // ShowCursor's display counter
    int failStep = 0;        // presentation set-up step made to fail, 0 = none
    host::Image screen;      // the last main window's client area, kept after it is destroyed
    Menu screenMenu;         // and its menu bar as it was then
    int openPopup = -1;      // drop-down menu shown by the SDL backend, -1 = none
    int hotItem = -1;        // highlighted item of that drop-down, -1 = none
    PendingMouseMove pendingMove;
    // WM_PAINT and WM_MOUSEMOVE are made only when nothing else waits; when both could be,
    // the one not made last goes first, so a steady stream of moves cannot starve painting
    // (nor a window invalidated every frame the moves).
    bool mouseMoveMadeLast = false;

    ~PlatformState();
};

PlatformState& state();

bool isLiveWindow(HWND window);

// Input from a backend, in the order it happened. A pointer move becomes the pending move
// (replacing an earlier one); any other input first queues the pending move as a
// WM_MOUSEMOVE, so the order of moves, clicks and keys is kept.
void postMouseMove(HWND window, WPARAM buttons, LPARAM point);
BOOL postInput(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// Builds a menu from resource data; the caller owns it.
Menu* loadMenu(const resources::MenuData& data);
void destroyMenu(Menu* menu);

}  // namespace win
