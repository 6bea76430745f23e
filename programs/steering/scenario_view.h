#pragma once
// A test case opened in the window (steering --scenario FILE, or an .xml file dropped on
// it): its ground replaces the map, its agents replace the population and follow their
// goal sequences every step, and the view starts where the case suggests.
#include <memory>
#include <string>

namespace scenario {
class ScenarioRun;
}

namespace steering {

class SteeringRun;

// Ends a case's run with its owner (the stand-in build never makes one).
struct ScenarioRunDelete {
    void operator()(scenario::ScenarioRun* run) const;
};
// The case running in a steering run; empty for none.
using OpenScenario = std::unique_ptr<scenario::ScenarioRun, ScenarioRunDelete>;

// Reads and lays out the case: false with a one-line reason when it cannot be used.
bool checkScenarioFile(const std::string& path, std::string& reason);
// Opens the case in the run's world; false (world unchanged) with a one-line reason.
bool openScenario(SteeringRun& run, const std::string& path, std::string& reason);
// Ends the running case, if any; its agents stay where they are.
void closeScenario(SteeringRun& run);
// After each simulation step: the running case's goals move on (agents may leave).
void scenarioAfterStep(SteeringRun& run);

}  // namespace steering
