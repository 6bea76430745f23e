#pragma once
// Scores of one run of a case, from the positions alone (run_record.h): which agents
// reached their goals and when, how far the others still are, collision episodes and the
// deepest overlaps, distance walked against the exact shortest route and the straight line,
// effort, and the simulator's processor time per agent-step. Times in simulated seconds.
#include <cstdint>
#include <string>
#include <vector>

#include "scenario/case_layout.h"
#include "scenario/run_record.h"
#include "scenario/scenario.h"

namespace scenario {

struct AgentScore {
    bool reachedAll = false;     // every seek goal reached in order (by the arrival zones)
    double doneSeconds = -1.0;   // when its last goal ended (reached or timed out); -1: never
    int goalsReached = 0;
    double remainingMetres = 0.0;  // still out: walking distance to its current goal's target
    int agentCollisions = 0;     // episodes: begins when its disc starts to overlap another's
    int obstacleCollisions = 0;  // episodes: begins when its disc starts to overlap a wall cell
    double deepestOverlap = 0.0; // max over the run of overlap depth / own radius
    int centreInWallSamples = 0; // samples with its centre inside a wall cell
    double walkedMetres = 0.0;   // sum of the distances between consecutive present samples
    double shortestMetres = 0.0; // exact shortest route from the start through the points where it
                                 // reached its static seek goals (their targets when it did not
                                 // reach them all); 0: no static seek goal
    double straightMetres = 0.0; // straight lines through the same points
    double effort = 0.0;         // integral of speed squared over time, m^2/s
};

struct RunScores {
    std::string caseName;
    std::string system;
    int agents = 0;
    int done = 0;               // agents that reached all their goals
    double t50 = -1.0, t95 = -1.0, t100 = -1.0;  // seconds until that share was done; -1: never
    int stillOut = 0;
    double meanRemainingMetres = 0.0, maxRemainingMetres = 0.0;  // over the agents still out
    int agentCollisions = 0;    // distinct pair episodes
    int obstacleCollisions = 0; // distinct agent-wall episodes
    double deepestAgentOverlap = 0.0;     // (ra + rb - d) / min(ra, rb), max over the run
    // Deep overlaps: two present agents closer than half the sum of their radii. Counted as
    // distinct pair episodes (one begins when a pair gets that close after a sample where it
    // was not) and as pair-samples (every sample such a pair spends that close).
    int deepOverlapEpisodes = 0;
    int deepOverlapPairSamples = 0;
    int centreInWallSamples = 0;  // agent-samples with the centre inside a wall cell
    double deepestObstacleOverlap = 0.0;  // depth into a wall cell / radius
    double walkedOverShortest = 0.0;  // mean over the agents done that have a route
    double walkedOverStraight = 0.0;
    double effortPerAgent = 0.0;
    double processorMicrosPerAgentStep = 0.0;
    int steps = 0;
    double seconds = 0.0;
    std::vector<int> doneByStep;  // agents done after each sample (for the pictures)
    std::vector<AgentScore> perAgent;
};

RunScores scoreRun(const Scenario& scenario, const CaseLayout& layout, const uint8_t* cells,
                   const ArrivalZones& zones, const RunRecord& run);

// One JSON object, keys as the fields above; numbers printed with %.6g (doubles) so two
// identical runs give identical text.
std::string scoresJson(const RunScores& scores, bool withAgents);

}  // namespace scenario
