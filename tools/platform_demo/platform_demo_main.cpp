// platform_demo [--headless] [--frames N] [--screenshot FILE.png]
// Opens the "Steering Test" window with the steering menu, draws every primitive each frame,
// reports input and menu commands on stdout, and quits on Escape or File, Exit. Headless it
// runs N frames (default 3) on the virtual clock and can save the window as PNG.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>

#include "platform/host.h"
#include "programs/steering/steering_program.h"
#include "platform/win.h"
#include "shell/presentation.h"
#include "tools/platform_demo/demo_scene.h"
#ifdef STEERING_WITH_SDL
#include "platform/sdl/sdl_backend.h"
#endif

using namespace win;

namespace {

constexpr int kWidth = 640;   // client pixels
constexpr int kHeight = 480;  // client pixels
constexpr DWORD kFrameGate = 10;  // milliseconds that must pass between frames

// Everything one run of the demo keeps: its window, the presentation objects, the frame
// gate and count, the menu toggles and the pens and brushes. main owns it; the window
// procedure reaches it through the window.
struct Demo {
    HWND mainWindow = nullptr;
    shell::Presentation presentation;  // the programs' surfaces, set up as their entry does
    DWORD lastTick = 0;
    uint32_t frameCount = 0;
    bool highlight = false;
    bool checked[5] = {};
    platform_demo::DemoResources demoResources;
};

bool frameTick(Demo& demo) {
    const DWORD now = GetTickCount();
    if (now - demo.lastTick <= kFrameGate) {
        return false;
    }
    demo.lastTick = now;
    if (demo.presentation.offscreenDC == nullptr || !shell::clearOffscreen(demo.presentation)) {
        return false;
    }
    platform_demo::drawScene(demo.presentation.offscreenDC, demo.demoResources, demo.frameCount++, demo.highlight);
    RECT rect;
    GetClientRect(demo.mainWindow, &rect);
    InvalidateRect(demo.mainWindow, &rect, FALSE);
    return true;
}

Demo* demoOf(HWND window) { return reinterpret_cast<Demo*>(GetWindowLongPtr(window, GWLP_USERDATA)); }

LRESULT windowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_CREATE && lParam != 0) {
        const auto* creation = reinterpret_cast<const CREATESTRUCT*>(lParam);
        SetWindowLongPtr(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(creation->lpCreateParams));
    }
    Demo* demo = demoOf(window);
    if (demo == nullptr) return DefWindowProc(window, message, wParam, lParam);
    bool (&checked)[5] = demo->checked;
    switch (message) {
        case WM_DESTROY:
            PostQuitMessage(0);
            return 0;
        case WM_PAINT:
            shell::paintWindow(demo->presentation, window);
            return 0;
        case WM_KEYDOWN:
            std::printf("keydown %u repeat %u\n", static_cast<unsigned>(wParam), static_cast<unsigned>(lParam & 0xFFFF));
            std::fflush(stdout);
            return 0;
        case WM_KEYUP:
            std::printf("keyup %u\n", static_cast<unsigned>(wParam));
            std::fflush(stdout);
            if (wParam == VK_ESCAPE) {
                DestroyWindow(window);
            }
            return 0;
        case WM_LBUTTONDOWN:
        case WM_RBUTTONDOWN:
            std::printf("%s %u %u\n", message == WM_LBUTTONDOWN ? "lbuttondown" : "rbuttondown",
                        static_cast<unsigned>(LOWORD(static_cast<uintptr_t>(lParam))),
                        static_cast<unsigned>(HIWORD(static_cast<uintptr_t>(lParam))));
            std::fflush(stdout);
            return 0;
        case WM_COMMAND: {
            const WORD id = LOWORD(wParam);
            if (id == 40004) {
                PostQuitMessage(0);
                return 0;
            }
            const WORD toggles[5] = {40007, 40008, 40009, 40010, 40012};
            for (int i = 0; i < 5; ++i) {
                if (id == toggles[i]) {
                    CheckMenuItem(GetMenu(window), id, checked[i] ? MF_UNCHECKED : MF_CHECKED);
                    checked[i] = !checked[i];
                    if (id == 40008) {
                        demo->highlight = checked[i];
                    }
                    std::printf("command %u %s\n", static_cast<unsigned>(id), checked[i] ? "checked" : "unchecked");
                    std::fflush(stdout);
                }
            }
            return 0;
        }
        default:
            return DefWindowProc(window, message, wParam, lParam);
    }
}

HWND createMainWindow(Demo& demo, HINSTANCE instance, int show) {
    WNDCLASSEX wc{};
    wc.cbSize = 48;
    wc.style = CS_HREDRAW | CS_VREDRAW;
    wc.lpfnWndProc = windowProcedure;
    wc.hInstance = instance;
    wc.hIcon = LoadIcon(instance, MAKEINTRESOURCE(104));
    wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
    wc.lpszMenuName = MAKEINTRESOURCE(103);
    wc.lpszClassName = "Steering Test";
    wc.hIconSm = LoadIcon(instance, MAKEINTRESOURCE(106));
    RegisterClassEx(&wc);
    RECT rect{0, 0, kWidth, kHeight};
    AdjustWindowRect(&rect, WS_CAPTION | WS_SYSMENU, TRUE);
    HWND window = CreateWindowEx(0, "Steering Test", "Steering Test", WS_CAPTION | WS_SYSMENU, CW_USEDEFAULT,
                                 CW_USEDEFAULT, rect.right - rect.left, rect.bottom - rect.top, nullptr, nullptr,
                                 instance, &demo);
    if (window == nullptr) {
        return nullptr;
    }
    ShowWindow(window, show);
    UpdateWindow(window);
    return window;
}

}  // namespace

int main(int argc, char** argv) {
    bool headless = false;
    long frames = 3;
    std::string screenshot;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--headless") {
            headless = true;
        } else if (arg == "--frames" && i + 1 < argc) {
            frames = std::strtol(argv[++i], nullptr, 10);
        } else if (arg == "--screenshot" && i + 1 < argc) {
            screenshot = argv[++i];
        } else {
            std::fprintf(stderr, "usage: platform_demo [--headless] [--frames N] [--screenshot FILE.png]\n");
            return 2;
        }
    }
#ifdef STEERING_WITH_SDL
    if (!headless && !sdl::useSdlBackend()) {
        headless = true;
    }
#else
    headless = true;
#endif
    Demo demo;
    demo.demoResources = platform_demo::makeResources();
    demo.mainWindow = createMainWindow(demo, host::programInstance(steering::programResources()), SW_SHOWDEFAULT);
    if (demo.mainWindow == nullptr) {
        return 0;
    }
    shell::initPresentation(demo.presentation, demo.mainWindow, kWidth, kHeight);
    MSG msg{};
    long drawn = 0;
    for (;;) {
        const bool got = PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE) != 0;
        if (got) {
            if (msg.message == WM_QUIT) {
                break;
            }
            TranslateMessage(&msg);
            DispatchMessage(&msg);
        }
        const bool ticked = frameTick(demo);
        if (headless) {
            if (ticked && ++drawn >= frames && host::mainWindow() != nullptr) {
                // Let the last frame's paint happen, then stop.
                while (PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE) && msg.message != WM_QUIT) {
                    DispatchMessage(&msg);
                }
                if (!screenshot.empty() && !host::writePng(screenshot, host::windowImage())) {
                    return 1;
                }
                DestroyWindow(demo.mainWindow);
            }
            if (!got) {
                host::advanceTickCount(kFrameGate + 1);
            }
        } else if (!got && !ticked) {
            // The demo is not one of the programs: it may rest instead of spinning.
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    }
    platform_demo::deleteResources(demo.demoResources);
    shell::shutdownPresentation(demo.presentation);
    return static_cast<int>(msg.wParam);
}
