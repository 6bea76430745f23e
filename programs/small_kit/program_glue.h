#pragma once
// The glue between a small program and the shared entry: its run forwards the entry's
// steps and the window's messages to the program's own functions, for a program that keeps
// its world for the whole process (steering_walls); a run hands it to the entry and the
// headless driver. steering_basic's run owns its world instead (BasicRun).
#include <memory>

#include "platform/win.h"
#include "shell/program_entry.h"

namespace small_kit {

struct ProgramHooks {
    win::WNDPROC windowProcedure;   // the program's messages
    void (*setupWorld)();           // live pens and brushes, then the world from its reset state
    bool (*frameTick)();
    void (*releaseDrawingResources)();
    int (*agentCount)();
    int (*traceAgent)(int index, char* buffer, int size);
};

class ProgramGlueRun : public shell::ProgramRun {
public:
    explicit ProgramGlueRun(const ProgramHooks& hooks) : hooks_(hooks) {}
    win::LRESULT handleMessage(win::HWND window, win::UINT message, win::WPARAM wParam, win::LPARAM lParam) override {
        return hooks_.windowProcedure(window, message, wParam, lParam);
    }
    void setupWorld() override { hooks_.setupWorld(); }
    bool frameTick() override { return hooks_.frameTick(); }
    void releaseDrawingResources() override { hooks_.releaseDrawingResources(); }
    int agentCount() const override { return hooks_.agentCount(); }
    int traceAgent(int index, char* buffer, int size) const override { return hooks_.traceAgent(index, buffer, size); }

private:
    const ProgramHooks& hooks_;
};

}  // namespace small_kit
