// Builds without the XML reader (the WebAssembly build): no test case can be opened.
#include "programs/steering/scenario_view.h"

namespace steering {

std::string scenarioFilePath;

bool checkScenarioFile(const std::string& path, std::string& reason) {
    reason = path + ": test cases cannot be opened in this build (no XML reader)";
    return false;
}

bool openScenario(const std::string& path, std::string& reason) { return checkScenarioFile(path, reason); }

void closeScenario() {}

void scenarioAfterStep() {}

}  // namespace steering
