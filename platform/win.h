#pragma once
// The subset of the Windows window system, DirectDraw and GDI that the three programs
// call, with the same names, arguments and flag values, in a namespace of its own.
// Backends (headless, SDL2) are chosen through platform/host.h; nothing here knows which.
#include <cstdint>

namespace win {

// ---- Basic types -----------------------------------------------------------------
using BOOL = int;
using BYTE = uint8_t;
using WORD = uint16_t;
using SHORT = int16_t;
using UINT = uint32_t;
using DWORD = uint32_t;
using LONG = int32_t;
using ULONG = uint32_t;
using WPARAM = uintptr_t;
using LPARAM = intptr_t;
using LRESULT = intptr_t;
using LONG_PTR = intptr_t;
using ATOM = uint16_t;
using HRESULT = int32_t;
using COLORREF = uint32_t;  // 0x00BBGGRR

constexpr BOOL TRUE = 1;
constexpr BOOL FALSE = 0;

struct Window;
struct Instance;
struct Menu;
struct Icon;
struct Cursor;
struct DeviceContext;
struct GdiObject;
struct Pen;
struct Brush;

using HWND = Window*;
using HINSTANCE = Instance*;
using HMENU = Menu*;
using HICON = const Icon*;
using HCURSOR = const Cursor*;
using HDC = DeviceContext*;
using HGDIOBJ = void*;  // any pen or brush, as on Windows; HPEN and HBRUSH convert to it
using HPEN = Pen*;
using HBRUSH = Brush*;

struct POINT {
    LONG x = 0;
    LONG y = 0;
};
struct RECT {
    LONG left = 0;
    LONG top = 0;
    LONG right = 0;
    LONG bottom = 0;
};

struct MSG {
    HWND hwnd = nullptr;
    UINT message = 0;
    WPARAM wParam = 0;
    LPARAM lParam = 0;
    DWORD time = 0;
    POINT pt{};
};

struct PAINTSTRUCT {
    HDC hdc = nullptr;
    BOOL fErase = FALSE;
    RECT rcPaint{};
};

using WNDPROC = LRESULT (*)(HWND, UINT, WPARAM, LPARAM);

// WM_CREATE's lParam points at one of these; lpCreateParams is CreateWindowEx's last argument.
struct CREATESTRUCT {
    void* lpCreateParams = nullptr;
    HINSTANCE hInstance = nullptr;
    HMENU hMenu = nullptr;
    HWND hwndParent = nullptr;
    int cy = 0;
    int cx = 0;
    int y = 0;
    int x = 0;
    LONG style = 0;
    const char* lpszName = nullptr;
    const char* lpszClass = nullptr;
    DWORD dwExStyle = 0;
};

// The one window value a program may keep with a window (SetWindowLongPtr/GetWindowLongPtr).
constexpr int GWLP_USERDATA = -21;

struct WNDCLASSEX {
    UINT cbSize = 0;
    UINT style = 0;
    WNDPROC lpfnWndProc = nullptr;
    int cbClsExtra = 0;
    int cbWndExtra = 0;
    HINSTANCE hInstance = nullptr;
    HICON hIcon = nullptr;
    HCURSOR hCursor = nullptr;
    HBRUSH hbrBackground = nullptr;
    const char* lpszMenuName = nullptr;
    const char* lpszClassName = nullptr;
    HICON hIconSm = nullptr;
};

// Integer resource ids travel in name pointers, as on Windows.
inline const char* MAKEINTRESOURCE(int id) {
    return reinterpret_cast<const char*>(static_cast<uintptr_t>(static_cast<WORD>(id)));
}
inline bool IS_INTRESOURCE(const char* name) { return (reinterpret_cast<uintptr_t>(name) >> 16) == 0; }

constexpr WORD LOWORD(uintptr_t v) { return static_cast<WORD>(v & 0xFFFF); }
constexpr WORD HIWORD(uintptr_t v) { return static_cast<WORD>((v >> 16) & 0xFFFF); }
constexpr LPARAM MAKELPARAM(WORD lo, WORD hi) {
    return static_cast<LPARAM>(static_cast<DWORD>(lo) | (static_cast<DWORD>(hi) << 16));
}
constexpr COLORREF RGB(BYTE r, BYTE g, BYTE b) {
    return static_cast<COLORREF>(r) | (static_cast<COLORREF>(g) << 8) | (static_cast<COLORREF>(b) << 16);
}

// ---- Messages and flags (Windows values) -----------------------------------------
constexpr UINT WM_CREATE = 0x0001;
constexpr UINT WM_DESTROY = 0x0002;
constexpr UINT WM_PAINT = 0x000F;
constexpr UINT WM_CLOSE = 0x0010;
constexpr UINT WM_QUIT = 0x0012;
constexpr UINT WM_KEYDOWN = 0x0100;
constexpr UINT WM_KEYUP = 0x0101;
constexpr UINT WM_CHAR = 0x0102;
constexpr UINT WM_SYSKEYDOWN = 0x0104;
constexpr UINT WM_SYSKEYUP = 0x0105;
constexpr UINT WM_COMMAND = 0x0111;
constexpr UINT WM_MOUSEMOVE = 0x0200;
constexpr UINT WM_DROPFILES = 0x0233;
constexpr UINT WM_LBUTTONDOWN = 0x0201;
constexpr UINT WM_LBUTTONUP = 0x0202;
constexpr UINT WM_RBUTTONDOWN = 0x0204;
constexpr UINT WM_RBUTTONUP = 0x0205;
constexpr UINT WM_MBUTTONDOWN = 0x0207;
constexpr UINT WM_MBUTTONUP = 0x0208;

constexpr UINT PM_NOREMOVE = 0x0000;
constexpr UINT PM_REMOVE = 0x0001;

constexpr WPARAM MK_LBUTTON = 0x0001;
constexpr WPARAM MK_RBUTTON = 0x0002;
constexpr WPARAM MK_SHIFT = 0x0004;
constexpr WPARAM MK_CONTROL = 0x0008;
constexpr WPARAM MK_MBUTTON = 0x0010;

constexpr WPARAM VK_BACK = 0x08;
constexpr WPARAM VK_TAB = 0x09;
constexpr WPARAM VK_CLEAR = 0x0C;  // keypad 5 with NumLock off
constexpr WPARAM VK_RETURN = 0x0D;
constexpr WPARAM VK_SHIFT = 0x10;
constexpr WPARAM VK_CONTROL = 0x11;
constexpr WPARAM VK_MENU = 0x12;
constexpr WPARAM VK_ESCAPE = 0x1B;
constexpr WPARAM VK_SPACE = 0x20;
constexpr WPARAM VK_PRIOR = 0x21;
constexpr WPARAM VK_NEXT = 0x22;
constexpr WPARAM VK_END = 0x23;
constexpr WPARAM VK_HOME = 0x24;
constexpr WPARAM VK_LEFT = 0x25;
constexpr WPARAM VK_UP = 0x26;
constexpr WPARAM VK_RIGHT = 0x27;
constexpr WPARAM VK_DOWN = 0x28;
constexpr WPARAM VK_INSERT = 0x2D;
constexpr WPARAM VK_DELETE = 0x2E;
constexpr WPARAM VK_NUMPAD0 = 0x60;  // VK_NUMPAD1..9 follow
constexpr WPARAM VK_DECIMAL = 0x6E;
constexpr WPARAM VK_F1 = 0x70;
constexpr WPARAM VK_F12 = 0x7B;
// Letters and digits use their upper-case ASCII codes ('A' = 0x41, '0' = 0x30), as on Windows.

constexpr UINT CS_VREDRAW = 0x0001;
constexpr UINT CS_HREDRAW = 0x0002;

constexpr DWORD WS_OVERLAPPED = 0x00000000;
constexpr DWORD WS_CAPTION = 0x00C00000;
constexpr DWORD WS_SYSMENU = 0x00080000;
constexpr int CW_USEDEFAULT = static_cast<int>(0x80000000u);

constexpr int SW_HIDE = 0;
constexpr int SW_SHOWNORMAL = 1;
constexpr int SW_SHOW = 5;
constexpr int SW_SHOWDEFAULT = 10;

constexpr UINT MF_BYCOMMAND = 0x0000;
constexpr UINT MF_STRING = 0x0000;
constexpr UINT MF_UNCHECKED = 0x0000;
constexpr UINT MF_CHECKED = 0x0008;
constexpr UINT MF_POPUP = 0x0010;
constexpr UINT MF_BYPOSITION = 0x0400;
constexpr UINT MF_SEPARATOR = 0x0800;

inline const char* const IDC_ARROW = MAKEINTRESOURCE(32512);

// ---- Window system ---------------------------------------------------------------
ATOM RegisterClassEx(const WNDCLASSEX* windowClass);
HICON LoadIcon(HINSTANCE instance, const char* name);
HCURSOR LoadCursor(HINSTANCE instance, const char* name);
BOOL AdjustWindowRect(RECT* rect, DWORD style, BOOL hasMenu);
HWND CreateWindowEx(DWORD exStyle, const char* className, const char* windowName, DWORD style, int x, int y,
                    int width, int height, HWND parent, HMENU menu, HINSTANCE instance, void* param);
// Only GWLP_USERDATA is kept; other indices read 0 and store nothing. Set answers the old value.
LONG_PTR SetWindowLongPtr(HWND window, int index, LONG_PTR value);
LONG_PTR GetWindowLongPtr(HWND window, int index);
BOOL ShowWindow(HWND window, int showCommand);
BOOL UpdateWindow(HWND window);
BOOL DestroyWindow(HWND window);
LRESULT DefWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
BOOL PeekMessage(MSG* message, HWND window, UINT filterMin, UINT filterMax, UINT removeFlags);
BOOL TranslateMessage(const MSG* message);
LRESULT DispatchMessage(const MSG* message);
// Files dropped onto a window: WM_DROPFILES carries an HDROP in wParam. The window
// procedure reads the names with DragQueryFile and releases the handle with DragFinish
// (DefWindowProc releases it for windows that ignore drops).
struct DropData;
using HDROP = DropData*;
constexpr UINT kDragQueryFileCount = 0xFFFFFFFFu;
// With index kDragQueryFileCount: the number of files. Otherwise copies file index's path
// (cut to size - 1 characters, terminated) and returns its full length; 0 when out of range.
UINT DragQueryFile(HDROP drop, UINT index, char* file, UINT size);
void DragFinish(HDROP drop);

// High bit set while the key is down, as the key messages dispatched so far tell.
SHORT GetKeyState(int virtualKey);
// Every key up again (a new window, a test starting afresh).
void resetKeyState();
BOOL PostMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
void PostQuitMessage(int exitCode);
BOOL GetClientRect(HWND window, RECT* rect);
BOOL ClientToScreen(HWND window, POINT* point);
BOOL OffsetRect(RECT* rect, int dx, int dy);
BOOL InvalidateRect(HWND window, const RECT* rect, BOOL erase);
HDC BeginPaint(HWND window, PAINTSTRUCT* paint);
BOOL EndPaint(HWND window, const PAINTSTRUCT* paint);
HMENU GetMenu(HWND window);
DWORD CheckMenuItem(HMENU menu, UINT idCheckItem, UINT check);  // previous state, or 0xFFFFFFFF
int ShowCursor(BOOL show);
DWORD GetTickCount();

// ---- GDI ---------------------------------------------------------------------------
constexpr int PS_SOLID = 0;
constexpr int TRANSPARENT = 1;
constexpr int OPAQUE = 2;

HPEN CreatePen(int style, int width, COLORREF color);
HBRUSH CreateSolidBrush(COLORREF color);
HGDIOBJ SelectObject(HDC dc, HGDIOBJ object);  // previous object of that kind
BOOL DeleteObject(HGDIOBJ object);
BOOL MoveToEx(HDC dc, int x, int y, POINT* previous);
BOOL LineTo(HDC dc, int x, int y);
BOOL Rectangle(HDC dc, int left, int top, int right, int bottom);
BOOL Ellipse(HDC dc, int left, int top, int right, int bottom);
BOOL Polygon(HDC dc, const POINT* points, int count);
BOOL TextOut(HDC dc, int x, int y, const char* text, int length);
COLORREF SetBkColor(HDC dc, COLORREF color);
int SetBkMode(HDC dc, int mode);
COLORREF SetTextColor(HDC dc, COLORREF color);

// ---- DirectDraw --------------------------------------------------------------------
struct GUID {
    uint32_t Data1;
    uint16_t Data2;
    uint16_t Data3;
    uint8_t Data4[8];
};
using IID = GUID;
inline constexpr IID IID_IDirectDraw2 = {0xB3A6F3E0, 0x2B43, 0x11CF, {0xA2, 0xDE, 0x00, 0xAA, 0x00, 0xB9, 0x33, 0x56}};

constexpr HRESULT DD_OK = 0;
constexpr HRESULT S_OK = 0;
constexpr HRESULT E_NOINTERFACE = static_cast<HRESULT>(0x80004002u);
constexpr HRESULT E_FAIL = static_cast<HRESULT>(0x80004005u);
constexpr HRESULT DDERR_GENERIC = E_FAIL;
constexpr HRESULT DDERR_INVALIDPARAMS = static_cast<HRESULT>(0x80070057u);

constexpr DWORD DDSCL_NORMAL = 0x00000008;
constexpr DWORD DDSD_CAPS = 0x00000001;
constexpr DWORD DDSD_HEIGHT = 0x00000002;
constexpr DWORD DDSD_WIDTH = 0x00000004;
constexpr DWORD DDSD_PITCH = 0x00000008;
constexpr DWORD DDSD_PIXELFORMAT = 0x00001000;
constexpr DWORD DDPF_RGB = 0x00000040;
constexpr DWORD DDSCAPS_OFFSCREENPLAIN = 0x00000040;
constexpr DWORD DDSCAPS_PRIMARYSURFACE = 0x00000200;
constexpr DWORD DDSCAPS_SYSTEMMEMORY = 0x00000800;
constexpr DWORD DDSCAPS_OWNDC = 0x00040000;
constexpr DWORD DDBLT_COLORFILL = 0x00000400;
constexpr DWORD DDBLT_WAIT = 0x01000000;

struct DDSCAPS {
    DWORD dwCaps = 0;
};
struct DDPIXELFORMAT {
    DWORD dwSize = 0;
    DWORD dwFlags = 0;
    DWORD dwFourCC = 0;
    DWORD dwRGBBitCount = 0;
    DWORD dwRBitMask = 0;
    DWORD dwGBitMask = 0;
    DWORD dwBBitMask = 0;
    DWORD dwRGBAlphaBitMask = 0;
};
// Callers announce the record size in dwSize (the shell passes 108); GetSurfaceDesc keeps
// whatever value it finds there and fills the rest.
struct DDSURFACEDESC {
    DWORD dwSize = 0;
    DWORD dwFlags = 0;
    DWORD dwHeight = 0;
    DWORD dwWidth = 0;
    LONG lPitch = 0;
    DWORD dwBackBufferCount = 0;
    DWORD dwRefreshRate = 0;
    DWORD dwAlphaBitDepth = 0;
    DWORD dwReserved = 0;
    void* lpSurface = nullptr;
    DWORD colorKeys[8] = {};
    DDPIXELFORMAT ddpfPixelFormat{};
    DDSCAPS ddsCaps{};
};
struct DDBLTFX {
    DWORD dwSize = 0;
    DWORD dwFillColor = 0;
};

struct DirectDrawObject;
struct SurfaceObject;
struct ClipperObject;

class IDirectDrawClipper {
public:
    HRESULT SetHWnd(DWORD flags, HWND window);
    ULONG Release();
    ClipperObject* impl = nullptr;
};

class IDirectDrawSurface {
public:
    HRESULT Blt(RECT* destRect, IDirectDrawSurface* source, RECT* sourceRect, DWORD flags, DDBLTFX* effects);
    HRESULT GetDC(HDC* dc);
    HRESULT ReleaseDC(HDC dc);
    HRESULT GetSurfaceDesc(DDSURFACEDESC* desc);
    HRESULT SetClipper(IDirectDrawClipper* clipper);
    ULONG Release();
    SurfaceObject* impl = nullptr;
};

class IDirectDraw2 {
public:
    HRESULT SetCooperativeLevel(HWND window, DWORD flags);
    HRESULT CreateSurface(DDSURFACEDESC* desc, IDirectDrawSurface** surface, void* outer);
    HRESULT CreateClipper(DWORD flags, IDirectDrawClipper** clipper, void* outer);
    ULONG Release();
    DirectDrawObject* impl = nullptr;
};

class IDirectDraw {
public:
    HRESULT QueryInterface(const IID& iid, void** object);
    ULONG Release();
    DirectDrawObject* impl = nullptr;
};

using LPDIRECTDRAW = IDirectDraw*;
using LPDIRECTDRAW2 = IDirectDraw2*;
using LPDIRECTDRAWSURFACE = IDirectDrawSurface*;
using LPDIRECTDRAWCLIPPER = IDirectDrawClipper*;

HRESULT DirectDrawCreate(GUID* driver, IDirectDraw** directDraw, void* outer);

// ---- Processor identification and time-stamp counter ------------------------------
// False where the processor cannot be identified (no cpuid, or not x86-64).
bool cpuidAvailable();
void cpuid(uint32_t leaf, uint32_t registers[4]);  // eax, ebx, ecx, edx
uint64_t readTimeStampCounter();                   // 0 where there is none

}  // namespace win
