// The steering program as the shared entry and the headless driver see it.
#include <cinttypes>
#include <cstdio>
#include <iterator>

#include "navigation/nav_log.h"
#include "programs/steering/drawing_resources.h"
#include "shell/program_entry.h"
#include "programs/steering/steering_program.h"
#include "programs/steering/map_editing.h"
#include "steering/agent_list.h"
#include "steering/navigation_mode.h"
#include "programs/steering/world_setup.h"

namespace steering {
namespace {

// Exact decimal text of a 16.16 value: the fraction k / 65536 equals
// k * 152587890625 / 10^16, so sixteen digits always suffice. Trailing zeros are dropped.
int formatFixed(Fixed value, char* buffer, int size) {
    const uint32_t magnitude = absRaw(value);
    const uint32_t whole = magnitude >> 16;
    const uint64_t fraction = static_cast<uint64_t>(magnitude & 0xFFFF) * 152587890625ULL;
    const char* sign = value < 0 ? "-" : "";
    if (fraction == 0) return std::snprintf(buffer, static_cast<size_t>(size), "%s%" PRIu32, sign, whole);
    char digits[17];
    std::snprintf(digits, sizeof digits, "%016" PRIu64, fraction);
    int last = 15;
    while (last > 0 && digits[last] == '0') --last;
    digits[last + 1] = '\0';
    return std::snprintf(buffer, static_cast<size_t>(size), "%s%" PRIu32 ".%s", sign, whole, digits);
}

int agentCount() { return static_cast<int>(agentList.size()); }

int traceAgent(int index, char* buffer, int size) {
    if (index < 0 || static_cast<std::size_t>(index) >= agentList.size() || buffer == nullptr || size <= 0) return -1;
    auto it = agentList.begin();
    std::advance(it, index);
    const Agent& agent = *it;

    char x[32], y[32], vx[32], vy[32];
    formatFixed(agent.position.x, x, sizeof x);
    formatFixed(agent.position.y, y, sizeof y);
    formatFixed(agent.velocity.x, vx, sizeof vx);
    formatFixed(agent.velocity.y, vy, sizeof vy);
    // Share of recent steps that lost ground, as a whole percentage.
    const int64_t stuckPercent = (static_cast<int64_t>(agent.stuckRatio()) * 100) >> 16;
    const int written = std::snprintf(buffer, static_cast<size_t>(size), "%s,%s,%s,%s,%d,%" PRId32 ",%" PRId32 ",%" PRId64,
                                      x, y, vx, vy, agent.pathDone ? 1 : 0, agent.waypointIndex, agent.pathCount,
                                      stuckPercent);
    return written < size ? written : -1;
}

// The trace switch is read before the set-up so that the navigation build is traced too.
// Every run starts in the classic navigation mode, its menu item checked, with live pens
// and brushes.
bool runSetupWorld() {
    nav::configureLogFromEnvironment();
    ensureDrawingResources();
    navigationMode = NavigationMode::Classic;
    if (shell::mainWindow != nullptr) {
        win::CheckMenuItem(win::GetMenu(shell::mainWindow), kCommandNavigationClassic, win::MF_BYCOMMAND | win::MF_CHECKED);
        win::CheckMenuItem(win::GetMenu(shell::mainWindow), kCommandNavigationShortest,
                           win::MF_BYCOMMAND | win::MF_UNCHECKED);
    }
    const bool ok = setupWorld();
    if (shell::mainWindow != nullptr) setChoice(shell::mainWindow, mapEdit.choice);  // Wall, after the reset
    return ok;
}

}  // namespace

const shell::Program steeringProgram = {
    "steering",
    programResources,
    windowProcedure,
    runSetupWorld,
    frameTick,
    releaseDrawingResources,
    agentCount,
    traceAgent,
    "pathDone,waypointIndex,pathCount,stuckPercent",
};

}  // namespace steering
