#pragma once
// Small cases written inline for the scenario tests.
#include <string>

namespace scenario_test {

inline std::string vec(const char* tag, double x, double z) {
    return "<" + std::string(tag) + "><x>" + std::to_string(x) + "</x><y>0</y><z>" + std::to_string(z) + "</z></" + tag + ">";
}

inline std::string seek(double x, double z, double duration = 1000) {
    return "<seekStaticTarget>" + vec("targetLocation", x, z) + "<desiredSpeed>1.3</desiredSpeed><timeDuration>" +
           std::to_string(duration) + "</timeDuration></seekStaticTarget>";
}

inline std::string agent(double x, double z, const std::string& goals, double radius = 0.5) {
    return "<agent><initialConditions><radius>" + std::to_string(radius) + "</radius>" + vec("position", x, z) +
           "<speed>0</speed></initialConditions><goalSequence>" + goals + "</goalSequence></agent>";
}

inline std::string obstacle(double x0, double x1, double z0, double z1) {
    return "<obstacle><xmin>" + std::to_string(x0) + "</xmin><xmax>" + std::to_string(x1) +
           "</xmax><ymin>0</ymin><ymax>1</ymax><zmin>" + std::to_string(z0) + "</zmin><zmax>" + std::to_string(z1) +
           "</zmax></obstacle>";
}

// A whole case: world bounds (x and z from lo to hi) and the body's elements.
inline std::string caseText(const std::string& body, double lo = -10, double hi = 10) {
    return "<?xml version=\"1.0\"?>\n<SteerBenchTestCase xmlns=\"http://www.magix.ucla.edu/steerbench\">\n"
           "<header><version>1.0</version><name>t</name><worldBounds><xmin>" + std::to_string(lo) + "</xmin><xmax>" +
           std::to_string(hi) + "</xmax><ymin>0</ymin><ymax>0</ymax><zmin>" + std::to_string(lo) + "</zmin><zmax>" +
           std::to_string(hi) + "</zmax></worldBounds></header>\n" + body + "\n</SteerBenchTestCase>\n";
}

}  // namespace scenario_test
