// The steering program as the shared entry and the headless driver see it.
#include <cinttypes>
#include <cstdio>
#include <iterator>

#include "navigation/nav_log.h"
#include "programs/steering/drawing_resources.h"
#include "shell/program_entry.h"
#include "programs/steering/steering_program.h"
#include "steering/agent_list.h"
#include "steering/navigation_mode.h"
#include "programs/steering/steering_run.h"

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

}  // namespace

int SteeringRun::agentCount() const { return static_cast<int>(world->agentList.size()); }

int SteeringRun::traceAgent(int index, char* buffer, int size) const {
    const AgentList& agents = world->agentList;
    if (index < 0 || static_cast<std::size_t>(index) >= agents.size() || buffer == nullptr || size <= 0) return -1;
    auto it = agents.begin();
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

SteeringRun::SteeringRun() : world(makeWorld()), drawing(createDrawingResources()) {}

SteeringRun::~SteeringRun() { deleteDrawingResources(drawing); }

namespace {
std::unique_ptr<shell::ProgramRun> makeSteeringRun() { return std::make_unique<SteeringRun>(); }
}  // namespace

const shell::Program steeringProgram = {
    "steering",
    programResources,
    makeSteeringRun,
    "pathDone,waypointIndex,pathCount,stuckPercent",
};

}  // namespace steering
