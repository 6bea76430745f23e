#include "scenario/run_record.h"

#include <algorithm>
#include <cmath>

namespace scenario {

int stepLimit(const Scenario& scenario, double secondsPerStep) {
    double longest = 0.0;
    for (const AgentSpec& a : scenario.agents) {
        double total = 0.0;
        for (const Goal& g : a.goals) total += g.timeDuration;
        longest = std::max(longest, total);
    }
    // Goal times are at most 1e6 s each and 256 a sequence; a run is capped at a million steps.
    const double steps = std::ceil(longest / secondsPerStep) + 1.0;
    return static_cast<int>(std::min(steps, 1e6));
}

}  // namespace scenario
