#pragma once
// What the programs' entries, the headless driver and the tests need from the platform
// beyond the Windows-style API: choosing a backend, the program instance that carries
// its resources, the virtual clock and the image a person would see.
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "platform/program_resources.h"
#include "platform/win.h"

namespace win::host {

// Different resource records one process can hold instances for: the headless driver and
// the test suites host the three programs and a few records of their own in one process.
constexpr int kMaxProgramInstances = 8;

// The instance handle that carries a program's menu 103 and icons 104/106, built from the
// record the program hands over. The same record always gives the same instance. Null, with
// a message on stderr, for a record beyond the first kMaxProgramInstances.
HINSTANCE programInstance(const resources::ProgramResources& resources);

// The headless backend is the default: no window system, a virtual millisecond clock,
// a message queue fed by the caller, and an in-memory screen image. Choose the backend
// before the first window is created (win::sdl::useSdlBackend selects SDL).
void useHeadlessBackend();
bool isHeadless();

// Headless clock control (GetTickCount reads it; it wraps at 2^32).
void setTickCount(DWORD milliseconds);
void advanceTickCount(DWORD milliseconds);

// The program's main window, or null before creation and after destruction.
HWND mainWindow();

// 32-bit pixels 0x00RRGGBB, row-major.
struct Image {
    int width = 0;
    int height = 0;
    std::vector<uint32_t> pixels;
};

// Height of the menu bar strip drawn above the client area of a window with a menu, pixels.
constexpr int kMenuBarHeight = 20;

// The window as a person sees it: the menu bar strip (kMenuBarHeight rows) above the last
// presented client area, with a drop-down menu when one is open. After the main window is
// destroyed, the last one it showed.
Image windowImage();
// The last client area presented by a paint blit (640 x 480), kept after the window is gone.
Image clientImage();
// Writes an image as PNG; false (with a message on stderr) when the file cannot be written.
// With `problem`, a failure's reason goes there ("cannot open it for writing: Permission
// denied") instead of to stderr.
bool writePng(const std::string& path, const Image& image, std::string* problem = nullptr);

// The lParam of keyboard messages as Windows builds it: repeat count in bits 0-15, scan code
// in bits 16-23, previous key state in bit 30, transition state in bit 31 (set on release).
LPARAM keyDownLParam(WORD repeatCount, bool wasDown, BYTE scanCode = 0);
LPARAM keyUpLParam(BYTE scanCode = 0);

// Virtual-key code of a key name without its VK_ prefix ("Left", "Insert", "Escape", "A",
// "F5", ...) or one of the usual aliases ("PageUp", "PageDown", "Esc", "Del", ...), without
// regard to case, or of a decimal code from 0 to 255; -1 for anything else.
int virtualKeyFromName(const std::string& name);

// The named keys: every key's own name first, then the aliases. Letters (A..Z) and F1..F24
// are named by themselves and not listed.
struct VirtualKeyName {
    const char* name;
    int code;
};
std::span<const VirtualKeyName> virtualKeyNames();
// The name input files use for a code: its own name, the letter, F1..F24, or the decimal code.
std::string virtualKeyName(int code);

// Makes the given step of the presentation set-up fail, for tests of partial set-up:
// 0 = nothing fails, 1 = DirectDrawCreate, 2 = QueryInterface, 3 = SetCooperativeLevel,
// 4 = CreateSurface of the primary, 5 = GetSurfaceDesc, 6 = CreateSurface off-screen, 7 = GetDC,
// 8 = CreateClipper, 9 = SetHWnd, 10 = SetClipper; 11 = QueryInterface succeeds but yields null.
void failPresentationStep(int step);

// Destroys every window left (each gets its WM_DESTROY), then forgets the classes, the
// queued messages, the quit request, the kept screen and the failing step: the state of a
// process that has made no window yet, backend and clock aside. Lets tests and harnesses
// run one program or window after another in a single process.
void resetWindowSystem();

}  // namespace win::host
