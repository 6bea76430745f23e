// Path following: planning through the navigation, the progress measure that drives
// re-planning, and "follow_path", which walks the path five waypoints at a time.
#include "steering/path_following.h"

#include "steering/arrival_places.h"
#include "steering/behaviours.h"
#include "steering/navigation_mode.h"
#include "steering/neighbour_visits.h"
#include "steering/world.h"
#include "world/world_navigation.h"

namespace steering {

namespace {
constexpr Fixed kStopSpeed = 3 * kFixedOne;            // slower than this at the target ends the path
constexpr Fixed kStuckThreshold = kFixedOne / 2;       // re-plan when progress fell in half the window
constexpr uint32_t kHistoryWindowMask = 0x7FFFu;       // the last 15 steps of progressHistory
constexpr Fixed kHistoryWindow = 15 * kFixedOne;
constexpr int kCrowdingSaturation = 16;                // this many agents near a waypoint: full stop
constexpr Fixed kCrowdingPerAgent = kFixedOne / kCrowdingSaturation;
constexpr int32_t kStuckReplanPause = 15;              // shortest paths: steps between stuck re-plans

FixedVec pathPoint(const nav::PathPoint& p) { return {toFixed(p.x), toFixed(p.y)}; }

// Share of the last 15 steps in which progress fell, 16.16.
Fixed fallingShare(uint32_t progressHistory) {
    return fixDiv(toFixed(countBits(progressHistory & kHistoryWindowMask)), kHistoryWindow);
}
}  // namespace

void applyPathResult(Agent& agent, const nav::PathResult& result, FixedVec point) {
    int32_t count = result.waypointCount;
    if (count < 0) count = 0;
    if (count > nav::kMaxPathWaypoints) count = nav::kMaxPathWaypoints;

    agent.pathTarget = point;
    agent.lastProgress = 0;
    agent.progressHistory = 0;
    agent.waypointIndex = 0;
    if (count == 0) {
        // No path: the waypoints keep their old values, the agent brakes until a new target.
        agent.pathCount = 0;
        agent.storedCount = 0;
        agent.pathLength = 0;
        agent.storedRemaining = 0;
        agent.beyondLength = 0;
        agent.pathDone = true;
        return;
    }

    agent.pathCount = count;
    agent.storedCount = count < kStoredWaypoints ? count : kStoredWaypoints;

    Fixed total = approxLength(pathPoint(result.waypoints[0]) - agent.position);
    Fixed beyond = 0;
    for (int32_t i = 0; i + 1 < count; ++i) {
        const Fixed segment = approxLength(pathPoint(result.waypoints[i + 1]) - pathPoint(result.waypoints[i]));
        total = wrapAdd(total, segment);
        if (i >= agent.storedCount - 1) beyond = wrapAdd(beyond, segment);
    }
    agent.pathLength = total;
    agent.beyondLength = beyond;

    Fixed stored = 0;
    for (int i = 0; i < kStoredWaypoints; ++i) {
        agent.waypoints[i] = i < agent.storedCount ? pathPoint(result.waypoints[i]) : agent.waypoints[i];
        agent.segmentLength[i] = 0;
    }
    for (int i = 0; i + 1 < agent.storedCount; ++i) {
        agent.segmentLength[i] = approxLength(agent.waypoints[i + 1] - agent.waypoints[i]);
        stored = wrapAdd(stored, agent.segmentLength[i]);
    }
    agent.storedRemaining = stored;
    agent.pathDone = false;
}

void Agent::setTarget(FixedVec point) {
    if (placeCell >= 0) {
        // Planning again to the same target keeps the place claimed round it.
        if (point == pathTarget && world->navigationMode == NavigationMode::Shortest) {
            planAgentPath(*world, world->pathResult, *this, placePoint);
            if (world->pathResult.waypointCount > 0) {
                applyPathResult(*this, world->pathResult, placePoint);
                pathTarget = point;
                return;
            }
        }
        releasePlace(*this);
    }
    planAgentPath(*world, world->pathResult, *this, point);
    applyPathResult(*this, world->pathResult, point);
}

Fixed Agent::pathProgress() const {
    if (pathDone) return kFixedOne;
    // A one-point path planned from exactly that point has no length: nothing is left to
    // cover, so it counts as complete rather than dividing by zero.
    if (pathLength == 0) return kFixedOne;
    const Fixed remaining =
        wrapAdd(wrapAdd(approxLength(waypoints[waypointIndex] - position), storedRemaining), beyondLength);
    return wrapSub(kFixedOne, fixDiv(remaining, pathLength));
}

Fixed Agent::stuckRatio() const {
    if (pathProgress() == kFixedOne) return 0;
    return fallingShare(progressHistory);
}

namespace {
// The share of saturation the agents registered round point make (0..1).
Fixed crowdingAt(const Agent& agent, FixedVec point) {
    // Past saturation the number makes no difference: the count stops there.
    const int n = countAgentsNear(*agent.world, point, wrapMul(2, agent.radius), kCrowdingSaturation);
    if (n >= kCrowdingSaturation) return kFixedOne;
    return n * kCrowdingPerAgent;
}
}  // namespace

Fixed Agent::crowding() const { return crowdingAt(*this, waypoints[waypointIndex]); }

FixedVec FollowPathBehaviour::computeForce(Agent& agent) const {
    // Falling back in half of the recent steps means the path no longer fits: plan anew
    // from here. In shortest paths at most once in kStuckReplanPause steps: in a jam the
    // crowd, not the path, holds the agent back, and planning again every few steps there
    // costs much and gains little, so in between the agent only starts its window again.
    const bool shortest = agent.world->navigationMode == NavigationMode::Shortest;
    if (shortest && agent.stuckReplanPause > 0) --agent.stuckReplanPause;
    // stuckRatio() >= kStuckThreshold, with the history read first: most steps it alone
    // says no, and the progress, which measures the path, is not needed.
    if (fallingShare(agent.progressHistory) >= kStuckThreshold && agent.pathProgress() != kFixedOne) {
        if (!shortest) {
            agent.setTarget(agent.pathTarget);
        } else if (agent.stuckReplanPause > 0) {
            agent.progressHistory = 0;  // planned again lately: look at a fresh window first
        } else {
            agent.setTarget(agent.pathTarget);
            agent.stuckReplanPause = kStuckReplanPause;
        }
    }
    // The crowd is counted round the waypoint held before a resumed path replaces it; an
    // agent that only brakes has no use for it. It is counted when first read: nothing here
    // moves an agent in the grid, so the count is the same then, and an agent on its last
    // leg in classic paths never reads it.
    const bool resumes = agent.pathDone && agent.pathCount > 0 && resumesAfterPush(agent);
    if (!resumes && (agent.pathCount == 0 || agent.pathDone)) return -agent.velocity;  // no path: brake
    const FixedVec crowdPoint = agent.waypoints[agent.waypointIndex];
    bool crowdCounted = false;
    Fixed crowdShare = 0;
    const auto crowd = [&agent, &crowdPoint, &crowdCounted, &crowdShare]() {
        if (!crowdCounted) {
            crowdShare = crowdingAt(agent, crowdPoint);
            crowdCounted = true;
        }
        return crowdShare;
    };
    if (resumes) agent.setTarget(agent.pathTarget);
    if (agent.pathCount == 0 || agent.pathDone) return -agent.velocity;  // no path: brake

    const Fixed reach = wrapMul(2, agent.radius);
    FixedVec goal;
    if (agent.waypointIndex == agent.pathCount - 1) {
        goal = agent.placeCell >= 0 ? agent.placePoint : agent.pathTarget;
        const FixedVec d = goal - agent.position;
        const Fixed arrive = arrivalDistance(agent);
        const Settling settling = approxLength(d) < arrive && approxLength(agent.velocity) < kStopSpeed
                                      ? Settling::Arrived
                                      : settleNearPlace(agent, agent.pathTarget);
        if (settling == Settling::Arrived) {
            agent.pathDone = true;  // this step's force is still the arrival below
        } else if (settling == Settling::Moved) {
            agent.setTarget(agent.pathTarget);  // plans to the new place
            goal = agent.waypointIndex == agent.pathCount - 1 ? agent.placePoint : agent.waypoints[agent.waypointIndex];
        } else if (shortest && givesUpCrowdedWaypoint(agent, crowd())) {  // the rule holds in shortest paths only
            // Held back by the crowd round the target: aim at a free place round it.
            if (agent.placeCell < 0 && claimPlace(agent, agent.pathTarget)) {
                agent.setTarget(agent.pathTarget);
                goal = agent.waypoints[agent.waypointIndex];
                if (agent.waypointIndex == agent.pathCount - 1) goal = agent.placePoint;
            }
        }
    } else {
        // Held in a full room on the way to a place beyond its doors: it may stay there.
        if (agent.placeCell >= 0 && settleNearPlace(agent, agent.pathTarget, false) == Settling::Moved) agent.setTarget(agent.pathTarget);
        const FixedVec d = agent.waypoints[agent.waypointIndex] - agent.position;
        if ((approxLength(d) < reach && mayLeaveWaypoint(agent, d)) || (shortest && givesUpCrowdedWaypoint(agent, crowd()))) {
            agent.storedRemaining = wrapSub(agent.storedRemaining, agent.segmentLength[agent.waypointIndex]);
            agent.waypointIndex += 1;
            // All stored waypoints used: plan the rest from here (the index restarts at 0).
            if (agent.waypointIndex >= agent.storedCount) agent.setTarget(agent.pathTarget);
        }
        goal = agent.waypoints[agent.waypointIndex];
    }

    if (agent.waypointIndex < agent.pathCount - 1) {
        // The whole offset to the waypoint, shrunk by crowding; the combination clips it.
        return scaled(goal - agent.position, wrapSub(kFixedOne, crowd())) - agent.velocity;
    }
    const FixedVec d = goal - agent.position;
    return arrivalForce(d, vecLength(d), agent.maxSpeed, agent.velocity);
}

}  // namespace steering
