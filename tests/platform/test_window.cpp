// The shared test window.
#include "tests/platform/test_window.h"

#include <gtest/gtest.h>

#include <string_view>

#include "programs/steering/steering_program.h"
#include "programs/steering_basic/basic_program.h"
#include "programs/steering_walls/walls_program.h"

namespace platform_test {

using namespace win;

std::vector<Received>& received() {
    static std::vector<Received> all;
    return all;
}

LRESULT recordingProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    received().push_back(Received{message, wParam, lParam});
    switch (message) {
        case WM_DESTROY:
            PostQuitMessage(7);
            return 0;
        case WM_PAINT: {
            PAINTSTRUCT paint;
            BeginPaint(window, &paint);
            EndPaint(window, &paint);
            return 0;
        }
        default:
            return DefWindowProc(window, message, wParam, lParam);
    }
}

const resources::ProgramResources* programResources(const char* program) {
    const std::string_view name = program != nullptr ? program : "";
    if (name == "steering") return &steering::programResources();
    if (name == "steering_walls") return &steering_walls::programResources();
    if (name == "steering_basic") return &steering_basic::programResources();
    return nullptr;
}

HWND makeProgramWindow(const char* program, int show) {
    const resources::ProgramResources* resources = programResources(program);
    HINSTANCE instance = resources != nullptr ? host::programInstance(*resources) : nullptr;
    WNDCLASSEX wc{};
    wc.cbSize = 48;
    wc.style = CS_HREDRAW | CS_VREDRAW;
    wc.lpfnWndProc = recordingProcedure;
    wc.hInstance = instance;
    wc.hIcon = LoadIcon(instance, MAKEINTRESOURCE(104));
    wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
    wc.lpszMenuName = MAKEINTRESOURCE(103);
    wc.lpszClassName = "Steering Test";
    wc.hIconSm = LoadIcon(instance, MAKEINTRESOURCE(106));
    RegisterClassEx(&wc);
    RECT rect{0, 0, 640, 480};
    AdjustWindowRect(&rect, WS_CAPTION | WS_SYSMENU, TRUE);
    HWND window = CreateWindowEx(0, "Steering Test", "Steering Test", WS_CAPTION | WS_SYSMENU, CW_USEDEFAULT,
                                 CW_USEDEFAULT, rect.right - rect.left, rect.bottom - rect.top, nullptr, nullptr,
                                 instance, nullptr);
    if (window != nullptr) {
        ShowWindow(window, show);
        UpdateWindow(window);
    }
    return window;
}

int pumpAll() {
    int n = 0;
    MSG msg;
    while (PeekMessage(&msg, nullptr, 0, 0, PM_NOREMOVE) && msg.message != WM_QUIT) {
        PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE);
        TranslateMessage(&msg);
        DispatchMessage(&msg);
        ++n;
    }
    return n;
}

namespace {

// Every test starts from a window system with no windows, classes or queued messages,
// whatever the tests before it left behind and in whatever order they ran.
class FreshWindowSystem : public ::testing::EmptyTestEventListener {
    void OnTestStart(const ::testing::TestInfo&) override {
        host::resetWindowSystem();
        received().clear();
    }
};

const bool listenerInstalled = [] {
    ::testing::UnitTest::GetInstance()->listeners().Append(new FreshWindowSystem);
    return true;
}();

}  // namespace

}  // namespace platform_test
