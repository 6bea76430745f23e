#pragma once
// steering_basic as the shared entry and the headless driver see it, and the parts of
// its shell that are its own: the frame tick, the window procedure and the release of
// its drawing resources.
#include <memory>

#include "platform/program_resources.h"
#include "programs/steering_basic/basic_drawing.h"
#include "programs/steering_basic/basic_world.h"
#include "platform/win.h"
#include "shell/menu_commands.h"
#include "shell/program_entry.h"

namespace steering_basic {

// Menu command ids of resource 103: File, Debug is this program's own (it shares its id
// with the other programs' Debug, Neighbours).
using shell::kCommandExit;
using shell::kCommandSavePicture;
inline constexpr win::WORD kCommandDebug = 40007;

// One run of steering_basic: its world and its pens and brushes, reached from the window
// procedure through the window.
class BasicRun : public shell::ProgramRun {
public:
    BasicRun();
    ~BasicRun() override;
    BasicRun(const BasicRun&) = delete;
    BasicRun& operator=(const BasicRun&) = delete;

    win::LRESULT handleMessage(win::HWND window, win::UINT message, win::WPARAM wParam, win::LPARAM lParam) override;
    // A fresh world with its 36 agents (and live pens and brushes).
    void setupWorld() override;
    // One step of every agent and one complete frame (no timing bars); false when the
    // 10 ms gate refused it.
    bool frameTick() override;
    // The four pens and brushes, then the presentation objects.
    void releaseDrawingResources() override;
    int agentCount() const override;
    int traceAgent(int index, char* buffer, int size) const override;

    std::unique_ptr<BasicWorld> world;  // made afresh by every setupWorld
    BasicDrawingResources drawing;
};

const shell::Program& program();
// Menu 103 and icons 104/106, handed to the platform by the entry.
const win::resources::ProgramResources& programResources();

}  // namespace steering_basic
