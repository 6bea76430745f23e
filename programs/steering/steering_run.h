#pragma once
// One run of the steering program: the world it simulates and everything the window keeps
// between messages and frames (view, overlay toggles, Insert point, edit mode and its
// strokes, the map file, pens and brushes, the Paths overlay's answers). The entry makes
// it (steeringProgram.makeRun), the window procedure reaches it through the window.
#include <memory>
#include <string>

#include "navigation/navigation.h"
#include "programs/steering/drawing_resources.h"
#include "programs/steering/map_editing.h"
#include "programs/steering/scenario_view.h"
#include "programs/steering/steering_program.h"
#include "programs/steering/view_state.h"
#include "shell/program_entry.h"
#include "steering/world.h"
#include "world/map_file.h"
#include "world/map_strokes.h"

namespace steering {

// The map file a run reads unless it was given another (steering --map FILE).
constexpr const char* kDefaultMapFile = "maptest.raw";

class SteeringRun : public shell::ProgramRun {
public:
    SteeringRun();
    ~SteeringRun() override;
    SteeringRun(const SteeringRun&) = delete;
    SteeringRun& operator=(const SteeringRun&) = delete;

    win::LRESULT handleMessage(win::HWND window, win::UINT message, win::WPARAM wParam, win::LPARAM lParam) override;
    void setupWorld() override;
    bool frameTick() override;
    void releaseDrawingResources() override;
    int agentCount() const override;
    int traceAgent(int index, char* buffer, int size) const override;

    std::unique_ptr<World> world;  // made afresh by every setupWorld
    ViewState view;
    DebugFlags debugFlags;
    WorldPoint mouseWorld;         // where Insert places new agents: the last left click or drag
    MapEditState mapEdit;
    MapStrokes mapStrokes;
    std::string mapFilePath = kDefaultMapFile;
    std::string scenarioFilePath;  // the test case setupWorld opens after the map (steering --scenario FILE); empty for none
    OpenScenario scenario;         // the test case running in the world, if any
    bool navLogRequested = false;  // trace the navigation from set-up on (the headless driver's --nav-log)
    // The running map as its file holds it and as prepared; an editor changes authored and
    // re-installs it, a save writes authored back.
    PreparedMap worldMap;
    PreparedMap candidateMap;      // a file being loaded, checked before it replaces worldMap
    DrawingResources drawing;      // created with the run, deleted by releaseDrawingResources
    nav::PathResult comparisonPath;  // the Paths overlay's answers, read right after each query
    nav::PathResult otherPath;
};

}  // namespace steering
