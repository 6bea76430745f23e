#include "tools/scenario_peer/detour_crowd_run.h"

#include <algorithm>
#include <cmath>
#include <memory>
#include <vector>

#include <DetourCommon.h>
#include <DetourCrowd.h>
#include <DetourNavMesh.h>
#include <DetourNavMeshBuilder.h>
#include <DetourNavMeshQuery.h>
#include <Recast.h>

#include "scenario/step_timer.h"
#include "tools/scenario_peer/recast_floor.h"

namespace scenario {

namespace {

constexpr int kUpdatesPerSample = 4;       // 4 x 0.05 s = one 0.2 s step
constexpr int kReplanSamples = 25;         // moving targets: every 5 s
constexpr double kFarMetres = 400.0;
constexpr float kHeight = 2.0f;


struct Mesh {
    dtNavMesh* mesh = nullptr;
    ~Mesh() { dtFreeNavMesh(mesh); }
};

// The open cells as floor quads (map metres: cell c spans c..c+1), Recast over them with
// the walls widened by the smallest agent's radius.
bool buildMesh(const uint8_t* cells, float agentRadius, Mesh& out) {
    peer::FloorQuads floor;
    for (int r = 0; r < kMapCells; ++r) {
        for (int c = 0; c < kMapCells; ++c) {
            if (cells[r * kMapCells + c] == 0) floor.addCell(c, r, RC_WALKABLE_AREA);
        }
    }
    peer::RecastSettings settings;
    settings.cellSize = static_cast<float>(kDetourVoxelMetres);
    settings.extent = static_cast<float>(kCaseCellLimit + 1);
    settings.walkableHeightVoxels = 20;
    settings.erosionVoxels = static_cast<int>(std::ceil(agentRadius / settings.cellSize));
    settings.detailMesh = true;
    settings.walkableHeight = kHeight;
    settings.walkableRadius = agentRadius;
    out.mesh = peer::buildDetourMesh(floor, settings);
    return out.mesh != nullptr;
}

}  // namespace

bool runDetourCrowd(const Scenario& s, const CaseLayout& layout, const uint8_t* cells, const ArrivalZones& zones,
                    RunRecord& record, std::string& error) {
    const int n = static_cast<int>(s.agents.size());
    float smallest = 0.5f, largest = 0.5f;
    for (int i = 0; i < n; ++i) {
        smallest = i == 0 ? float(s.agents[i].radius) : std::min(smallest, float(s.agents[i].radius));
        largest = i == 0 ? float(s.agents[i].radius) : std::max(largest, float(s.agents[i].radius));
    }
    Mesh mesh;
    if (!buildMesh(cells, smallest, mesh)) {
        error = s.file + ": the Recast build of the case's ground failed";
        return false;
    }
    dtNavMeshQuery* query = dtAllocNavMeshQuery();
    dtCrowd* crowd = dtAllocCrowd();
    const auto cleanup = [&] {
        dtFreeCrowd(crowd);
        dtFreeNavMeshQuery(query);
    };
    if (!dtStatusSucceed(query->init(mesh.mesh, 4096)) || !crowd->init(std::max(1, n), largest, mesh.mesh)) {
        cleanup();
        error = s.file + ": DetourCrowd could not be set up";
        return false;
    }
    // Recast's demo presets; 3 is "high".
    dtObstacleAvoidanceParams high = *crowd->getObstacleAvoidanceParams(0);
    high.velBias = 0.5f;
    high.adaptiveDivs = 7;
    high.adaptiveRings = 3;
    high.adaptiveDepth = 3;
    crowd->setObstacleAvoidanceParams(3, &high);
    dtQueryFilter* filter = crowd->getEditableFilter(0);
    filter->setIncludeFlags(1);
    const float extents[3] = {2.0f, 1.0f, 2.0f};

    const auto mapPoint = [&](Vec2 p, float out[3]) {
        out[0] = static_cast<float>(layout.worldX(p.x) / 256.0);
        out[1] = 0.0f;
        out[2] = static_cast<float>(layout.worldY(p.z) / 256.0);
    };
    const auto casePoint = [&](const float* p) {
        return Vec2{layout.metresX(static_cast<double>(p[0]) * 256.0), layout.metresZ(static_cast<double>(p[2]) * 256.0)};
    };
    const auto target = [&](int idx, Vec2 p) {
        float pos[3], nearest[3];
        mapPoint(p, pos);
        dtPolyRef ref = 0;
        query->findNearestPoly(pos, extents, filter, &ref, nearest);
        if (ref != 0) crowd->requestMoveTarget(idx, ref, nearest);
    };

    std::vector<int> handle(static_cast<std::size_t>(n), -1), goal(static_cast<std::size_t>(n), 0),
        goalStart(static_cast<std::size_t>(n), 0), nextPlan(static_cast<std::size_t>(n), 0);
    for (int i = 0; i < n; ++i) {
        const AgentSpec& a = s.agents[i];
        dtCrowdAgentParams params{};
        params.radius = static_cast<float>(a.radius);
        params.height = kHeight;
        params.maxAcceleration = 8.0f;
        params.maxSpeed = static_cast<float>(a.goals.empty() ? 1.3 : std::max(0.01, a.goals.front().desiredSpeed));
        params.collisionQueryRange = params.radius * 12.0f;
        params.pathOptimizationRange = params.radius * 30.0f;
        params.updateFlags = DT_CROWD_ANTICIPATE_TURNS | DT_CROWD_OPTIMIZE_VIS | DT_CROWD_OPTIMIZE_TOPO |
                             DT_CROWD_OBSTACLE_AVOIDANCE | DT_CROWD_SEPARATION;
        params.obstacleAvoidanceType = 3;
        params.separationWeight = 2.0f;
        float pos[3];
        mapPoint(a.position, pos);
        handle[i] = crowd->addAgent(pos, &params);
        if (handle[i] < 0) {
            cleanup();
            error = s.file + ": DetourCrowd refused agent " + std::to_string(i);
            return false;
        }
    }
    int sample = 0;
    std::vector<Vec2> where(static_cast<std::size_t>(n));
    std::vector<uint8_t> present(static_cast<std::size_t>(n), 1);
    const auto positionOf = [&](int i) { return casePoint(crowd->getAgent(handle[i])->npos); };
    const auto begin = [&](int i) {
        goalStart[i] = sample;
        nextPlan[i] = sample;
        const AgentSpec& a = s.agents[i];
        if (goal[i] >= static_cast<int>(a.goals.size())) return;
        const Goal& g = a.goals[goal[i]];
        dtCrowdAgentParams params = crowd->getAgent(handle[i])->params;
        params.maxSpeed = static_cast<float>(std::max(0.01, g.desiredSpeed));
        crowd->updateAgentParameters(handle[i], &params);
        if (g.kind == GoalKind::SeekStatic) {
            target(handle[i], g.target);
        } else if (g.kind == GoalKind::Idle) {
            const float zero[3] = {0, 0, 0};
            crowd->requestMoveVelocity(handle[i], zero);
        }
    };
    const auto planMoving = [&](int i) {
        const Goal& g = s.agents[i].goals[goal[i]];
        const Vec2 here = positionOf(i);
        Vec2 other{};
        if (g.targetAgent >= 0) other = where[g.targetAgent];
        Vec2 d{};
        switch (g.kind) {
        case GoalKind::SeekDynamic: target(handle[i], other); nextPlan[i] = sample + kReplanSamples / 5; return;
        case GoalKind::FleeStatic: d = Vec2{here.x - g.target.x, here.z - g.target.z}; break;
        case GoalKind::FleeDynamic: d = Vec2{here.x - other.x, here.z - other.z}; break;
        case GoalKind::FlowStatic: d = g.target; break;
        case GoalKind::FlowDynamic: d = Vec2{other.x - here.x, other.z - here.z}; break;
        default: return;
        }
        const double len = std::hypot(d.x, d.z);
        d = len > 1e-9 ? Vec2{d.x / len, d.z / len} : Vec2{1.0, 0.0};
        Vec2 aim = here;
        for (double step = 0.25; step <= kFarMetres; step += 0.25) {
            const Vec2 p{here.x + d.x * step, here.z + d.z * step};
            const int c = static_cast<int>(std::floor(layout.worldX(p.x) / 256.0));
            const int r = static_cast<int>(std::floor(layout.worldY(p.z) / 256.0));
            if (c < 0 || r < 0 || c >= kMapCells || r >= kMapCells || cells[r * kMapCells + c] != 0) break;
            aim = p;
        }
        target(handle[i], aim);
        nextPlan[i] = sample + kReplanSamples;
    };
    // Goals move on for the positions of this sample; the agents that reached their last goal leave.
    std::vector<int> leaving;
    const auto afterSample = [&]() {
        leaving.clear();
        for (int i = 0; i < n; ++i) {
            if (present[i]) where[i] = positionOf(i);
        }
        for (int i = 0; i < n; ++i) {
            if (!present[i]) continue;
            const AgentSpec& a = s.agents[i];
            const int count = static_cast<int>(a.goals.size());
            bool reachedLast = false;
            while (goal[i] < count) {
                const Goal& g = a.goals[goal[i]];
                bool reached = false;
                if (g.kind == GoalKind::SeekStatic) {
                    reached = insideArrivalZone(zones, layout, i, goal[i], where[i], a.radius);
                } else if (g.kind == GoalKind::SeekDynamic && present[g.targetAgent]) {
                    reached = std::hypot(where[i].x - where[g.targetAgent].x, where[i].z - where[g.targetAgent].z) <=
                              a.radius + s.agents[g.targetAgent].radius;
                }
                const bool timeUp = (sample - goalStart[i]) * kSecondsPerStep >= g.timeDuration - 1e-9;
                if (!reached && !timeUp) break;
                ++goal[i];
                reachedLast = reached && goal[i] == count;
                begin(i);
            }
            if (goal[i] < count) {
                const GoalKind kind = a.goals[goal[i]].kind;
                if (kind != GoalKind::SeekStatic && kind != GoalKind::Idle && sample >= nextPlan[i]) planMoving(i);
            } else if (reachedLast) {
                crowd->removeAgent(handle[i]);
                leaving.push_back(i);  // recorded present in this sample, where it arrived
            }
        }
        record.append(where, present);
        for (const int i : leaving) present[i] = 0;
    };

    record = RunRecord{};
    record.system = "detourcrowd";
    record.secondsPerStep = kSecondsPerStep;
    record.start(n);
    for (int i = 0; i < n; ++i) where[i] = positionOf(i);
    for (int i = 0; i < n; ++i) begin(i);
    afterSample();
    const int limit = stepLimit(s, kSecondsPerStep);
    StepTimer timer;
    const auto finished = [&] {
        if (sample >= limit) return true;
        for (int i = 0; i < n; ++i) {
            if (goal[i] < static_cast<int>(s.agents[i].goals.size())) return false;
        }
        return true;
    };
    while (!finished()) {
        timer.beginStep();
        for (int k = 0; k < kUpdatesPerSample; ++k) crowd->update(static_cast<float>(kDetourUpdateSeconds), nullptr);
        timer.endStep();
        record.processorSeconds = timer.stepProcessorSeconds();
        for (int i = 0; i < n; ++i) record.agentSteps += present[i];
        ++sample;
        afterSample();
    }
    cleanup();
    return true;
}

}  // namespace scenario
