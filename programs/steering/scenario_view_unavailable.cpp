// Builds without the XML reader (the WebAssembly build): no test case can be opened.
#include "programs/steering/scenario_view.h"

namespace steering {

// No case is ever made here, so there is never one to end.
void ScenarioRunDelete::operator()(scenario::ScenarioRun*) const {}

bool checkScenarioFile(const std::string& path, std::string& reason) {
    reason = path + ": test cases cannot be opened in this build (no XML reader)";
    return false;
}

bool openScenario(SteeringRun&, const std::string& path, std::string& reason) { return checkScenarioFile(path, reason); }

void closeScenario(SteeringRun&) {}

void scenarioAfterStep(SteeringRun&) {}

}  // namespace steering
