#pragma once
// The process entry, main window, frame gate and presentation surfaces shared by the
// three programs. Each program describes itself with a Program record (its name, menus
// and icons, and how to make one run of it); a run is an object holding everything the
// program keeps between messages and frames (its world, view, overlays, pens and
// brushes), reached from the window procedure through the window's GWLP_USERDATA. The
// entry and the headless driver only ever go through the record and the run.
#include <cstdint>
#include <memory>

#include "platform/program_resources.h"
#include "platform/win.h"
#include "shell/presentation.h"
#include "shell/timed_frame.h"

namespace shell {

// One run of a program: its whole state, made by Program::makeRun.
class ProgramRun {
public:
    ProgramRun() = default;
    ProgramRun(const ProgramRun&) = delete;
    ProgramRun& operator=(const ProgramRun&) = delete;
    // Detaches itself from its window, which may outlive it (a later window-system reset
    // then destroys it without reaching this run).
    virtual ~ProgramRun();
    // The main window's messages (programWindowProcedure forwards them here).
    virtual win::LRESULT handleMessage(win::HWND window, win::UINT message, win::WPARAM wParam,
                                       win::LPARAM lParam) = 0;
    // Runs once before the loop.
    virtual void setupWorld() = 0;
    // True when it produced a frame.
    virtual bool frameTick() = 0;
    // Deletes the program's pens and brushes, then shuts its presentation down.
    virtual void releaseDrawingResources() = 0;
    // Headless driver trace: number of agents, and one CSV row fragment per agent,
    // "x,y,vx,vy[,extra...]" (no line end). Returns the length written, or -1 when the
    // index is out of range or the buffer is too small.
    virtual int agentCount() const = 0;
    virtual int traceAgent(int index, char* buffer, int size) const = 0;

    // The frame gate of this run (passFrameGate): GetTickCount of its last accepted tick,
    // milliseconds; 0 for a new run, so its first tick passes.
    uint32_t lastTickTime = 0;
    // Real time spent in the last accepted tick (what runFrame answers), read by the
    // headless driver's summary.
    FrameTiming lastFrameTiming;
    // The surfaces of its window, set up by the entry (initPresentation) and released by
    // releaseDrawingResources.
    Presentation presentation;
    // Its main window once created (kept at WM_CREATE); null before.
    win::HWND window() const { return window_; }

private:
    friend win::LRESULT programWindowProcedure(win::HWND, win::UINT, win::WPARAM, win::LPARAM);
    win::HWND window_ = nullptr;  // the window whose messages come here, once created
};

struct Program {
    const char* name;                  // "steering", "steering_walls" or "steering_basic"
    // Menu 103 and icons 104/106, handed to the platform (win::host::programInstance).
    const win::resources::ProgramResources& (*resources)();
    std::unique_ptr<ProgramRun> (*makeRun)();
    const char* traceExtraHeader;      // names of the extra columns, comma-separated ("" for none)
};

// The window procedure of every program's main window: WM_CREATE keeps the run passed to
// CreateWindowEx with the window, every message then goes to that run's handleMessage.
win::LRESULT programWindowProcedure(win::HWND window, win::UINT message, win::WPARAM wParam, win::LPARAM lParam);
// The run kept with a window by programWindowProcedure; null for any other window.
ProgramRun* runOf(win::HWND window);

// Client area of every program's window, pixels.
constexpr int kClientWidth = 640;
constexpr int kClientHeight = 480;
// A tick is accepted only when more than this many milliseconds have passed.
constexpr uint32_t kFrameGateMilliseconds = 10;

// The instance that carries the program's menus and icons.
win::HINSTANCE programInstance(const Program& program);

// Hooks around each loop pass, for the headless driver and a recorded session; each is
// called with `context`. beforeTick runs after the pass's message step (removedMessage
// says whether one was removed) and before frameTick; afterTick runs after frameTick. Any
// may be null. onMessage sees every removed message other than WM_QUIT just before it is
// dispatched. A plain interactive run has none.
struct LoopObserver {
    void* context = nullptr;
    void (*beforeTick)(void* context, bool removedMessage) = nullptr;
    void (*afterTick)(void* context, bool removedMessage, bool tickAccepted) = nullptr;
    void (*onMessage)(void* context, const win::MSG& message) = nullptr;
};

// Entry steps: createMainWindow, initPresentation(640, 480), setupWorld, the loop
// that never blocks (one message at most, then frameTick, every pass), then
// releaseDrawingResources, all on the given run, with the observer's hooks round every
// pass. Returns the quit message's wParam, or 0 when the window cannot be created.
int runEntry(const Program& program, ProgramRun& programRun, win::HINSTANCE instance, int showCommand,
             const LoopObserver& observer = {});

// The same entry in its three steps, for a host that runs the loop itself one pass at a
// time (a browser, which needs control back between frames). runEntry is startEntry,
// runLoopPass until it returns false, then finishEntry.
struct EntryRun {
    const Program* program = nullptr;
    ProgramRun* programRun = nullptr;  // not owned
    win::MSG message{};  // the last message removed; WM_QUIT's wParam is the exit code
    bool tickAccepted = false;  // the last pass's frameTick produced a frame
    LoopObserver observer;      // hooks round every pass; none by default
};
// Window, presentation, world set-up. False when the window cannot be created (exit code 0).
bool startEntry(const Program& program, ProgramRun& programRun, win::HINSTANCE instance, int showCommand,
                EntryRun& run, const LoopObserver& observer = {});
// One pass of the loop: at most one message removed and dispatched, then frameTick.
// False, without a tick, once the quit message has been removed.
bool runLoopPass(EntryRun& run);
// Releases the drawing resources; returns the quit message's wParam.
int finishEntry(EntryRun& run);

// Registers the class "Steering Test" and creates the 640 x 480 (client) window with
// caption, system menu and the class menu 103, its messages going to programRun. Null on
// failure.
win::HWND createMainWindow(ProgramRun& programRun, win::HINSTANCE instance, int showCommand);

// The 10 ms gate on GetTickCount, in unsigned 32-bit arithmetic so a counter wrap still
// gives a positive difference. True (and lastTickTime = now) when the tick may run.
bool passFrameGate(uint32_t& lastTickTime);

// Processor identification, built afresh by every tick that takes timings.
struct CpuInfo {
    uint32_t signature = 0;         // leaf 1 eax; 0 when unidentified
    uint32_t featureFlags = 0;      // leaf 1 edx; 0 when unidentified
    int32_t hasTimeStampCounter = 0;  // family >= 5 and feature bit 4
    char vendor[13] = "AnonymousCPU";
};
CpuInfo buildCpuInfo();
// Low 32 bits of the time-stamp counter (0 where there is none).
uint32_t timeStampLow32();

uint64_t monotonicNanoseconds();


}  // namespace shell
