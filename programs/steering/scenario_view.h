#pragma once
// A test case opened in the window (steering --scenario FILE, or an .xml file dropped on
// it): its ground replaces the map, its agents replace the population and follow their
// goal sequences every step, and the view starts where the case suggests.
#include <string>

namespace steering {

// The case setupWorld opens after the map (steering --scenario FILE); empty for none.
extern std::string scenarioFilePath;

// Reads and lays out the case: false with a one-line reason when it cannot be used.
bool checkScenarioFile(const std::string& path, std::string& reason);
// Opens the case in the running world; false (world unchanged) with a one-line reason.
bool openScenario(const std::string& path, std::string& reason);
// Ends the running case, if any; its agents stay where they are.
void closeScenario();
// After each simulation step: the running case's goals move on (agents may leave).
void scenarioAfterStep();

}  // namespace steering
