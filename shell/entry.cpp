// The process entry shared by the three programs: window, presentation, world set-up,
// then a message loop that never blocks and offers the program a tick on every pass.
#include <chrono>

#include "platform/host.h"
#include "platform/win.h"
#include "shell/program_entry.h"

namespace shell {
namespace {

using namespace win;

constexpr char kWindowClassName[] = "Steering Test";
constexpr int kMenuResource = 103;
constexpr int kLargeIconResource = 104;
constexpr int kSmallIconResource = 106;
constexpr DWORD kWindowStyle = WS_CAPTION | WS_SYSMENU;  // fixed size: no sizing border
// The size announced in the class record's cbSize; RegisterClassEx does not read it.
constexpr UINT kWindowClassRecordSize = 48;

}  // namespace

uint64_t monotonicNanoseconds() {
    return static_cast<uint64_t>(std::chrono::duration_cast<std::chrono::nanoseconds>(
                                     std::chrono::steady_clock::now().time_since_epoch())
                                     .count());
}

HINSTANCE programInstance(const Program& program) { return win::host::programInstance(program.resources()); }

ProgramRun::~ProgramRun() {
    if (window_ != nullptr && runOf(window_) == this) SetWindowLongPtr(window_, GWLP_USERDATA, 0);
}

LRESULT programWindowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_CREATE && lParam != 0) {
        const auto* creation = reinterpret_cast<const CREATESTRUCT*>(lParam);
        auto* created = static_cast<ProgramRun*>(creation->lpCreateParams);
        SetWindowLongPtr(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(created));
        if (created != nullptr) created->window_ = window;
    }
    ProgramRun* programRun = runOf(window);
    if (programRun == nullptr) return DefWindowProc(window, message, wParam, lParam);
    return programRun->handleMessage(window, message, wParam, lParam);
}

ProgramRun* runOf(HWND window) { return reinterpret_cast<ProgramRun*>(GetWindowLongPtr(window, GWLP_USERDATA)); }

HWND createMainWindow(ProgramRun& programRun, HINSTANCE instance, int showCommand) {
    WNDCLASSEX windowClass;
    windowClass.cbSize = kWindowClassRecordSize;
    windowClass.style = CS_HREDRAW | CS_VREDRAW;
    windowClass.lpfnWndProc = programWindowProcedure;
    windowClass.cbClsExtra = 0;
    windowClass.cbWndExtra = 0;
    windowClass.hInstance = instance;
    windowClass.hIcon = LoadIcon(instance, MAKEINTRESOURCE(kLargeIconResource));
    windowClass.hCursor = LoadCursor(nullptr, IDC_ARROW);
    windowClass.hbrBackground = nullptr;
    windowClass.lpszMenuName = MAKEINTRESOURCE(kMenuResource);
    windowClass.lpszClassName = kWindowClassName;
    windowClass.hIconSm = LoadIcon(instance, MAKEINTRESOURCE(kSmallIconResource));
    RegisterClassEx(&windowClass);

    RECT frame{0, 0, kClientWidth, kClientHeight};
    AdjustWindowRect(&frame, kWindowStyle, TRUE);

    HWND window = CreateWindowEx(0, kWindowClassName, kWindowClassName, kWindowStyle, CW_USEDEFAULT,
                                 CW_USEDEFAULT, frame.right - frame.left, frame.bottom - frame.top, nullptr,
                                 nullptr, instance, &programRun);
    if (window == nullptr) return nullptr;
    ShowWindow(window, showCommand);
    UpdateWindow(window);
    return window;
}

bool startEntry(const Program& program, ProgramRun& programRun, HINSTANCE instance, int showCommand, EntryRun& run,
                const LoopObserver& observer) {
    run = EntryRun{};
    run.program = &program;
    run.programRun = &programRun;
    run.observer = observer;
    const HWND window = createMainWindow(programRun, instance, showCommand);
    if (window == nullptr) return false;

    initPresentation(programRun.presentation, window, kClientWidth, kClientHeight);
    programRun.setupWorld();
    return true;
}

bool runLoopPass(EntryRun& run) {
    MSG& message = run.message;
    const LoopObserver& observer = run.observer;
    const bool removed = PeekMessage(&message, nullptr, 0, 0, PM_REMOVE) != FALSE;
    if (removed) {
        if (message.message == WM_QUIT) {
            run.tickAccepted = false;
            return false;
        }
        if (observer.onMessage != nullptr) observer.onMessage(observer.context, message);
        TranslateMessage(&message);
        DispatchMessage(&message);
    }
    if (observer.beforeTick != nullptr) observer.beforeTick(observer.context, removed);
    run.tickAccepted = run.programRun->frameTick();
    if (observer.afterTick != nullptr) observer.afterTick(observer.context, removed, run.tickAccepted);
    return true;
}

int finishEntry(EntryRun& run) {
    run.programRun->releaseDrawingResources();
    return static_cast<int>(run.message.wParam);
}

int runEntry(const Program& program, ProgramRun& programRun, HINSTANCE instance, int showCommand,
             const LoopObserver& observer) {
    EntryRun run;
    if (!startEntry(program, programRun, instance, showCommand, run, observer)) return 0;
    while (runLoopPass(run)) {
    }
    return finishEntry(run);
}

}  // namespace shell
