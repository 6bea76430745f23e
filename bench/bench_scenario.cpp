// Reading a test case and preparing it for a run: the XML read of 1,000 agents (each its own
// element with a goal, as published cases write crowds of named agents) and 40 obstacles,
// the layout, the rasterising and the arrival zones. Goal: under 10 ms.
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "scenario/case_layout.h"
#include "scenario/scenario_reader.h"

namespace {

std::string thousandAgents() {
    std::string text = "<?xml version=\"1.0\"?>\n<SteerBenchTestCase xmlns=\"http://www.magix.ucla.edu/steerbench\">"
                       "<header><version>1.0</version><name>thousand</name><worldBounds><xmin>-60</xmin><xmax>60</xmax>"
                       "<ymin>0</ymin><ymax>0</ymax><zmin>-60</zmin><zmax>60</zmax></worldBounds></header>\n";
    for (int i = 0; i < 40; ++i) {
        const int x = -50 + (i % 8) * 12, z = -40 + (i / 8) * 20;
        text += "<obstacle><xmin>" + std::to_string(x) + "</xmin><xmax>" + std::to_string(x + 2) +
                "</xmax><ymin>0</ymin><ymax>1</ymax><zmin>" + std::to_string(z) + "</zmin><zmax>" + std::to_string(z + 3) +
                "</zmax></obstacle>\n";
    }
    for (int i = 0; i < 1000; ++i) {
        const double x = -55 + (i % 40) * 2.7, z = -55 + (i / 40) * 4.3;
        text += "<agent><name>a" + std::to_string(i) + "</name><initialConditions><radius>0.5</radius><position><x>" +
                std::to_string(x) + "</x><y>0</y><z>" + std::to_string(z) +
                "</z></position><direction><x>1</x><y>0</y><z>0</z></direction><speed>0</speed></initialConditions>"
                "<goalSequence><seekStaticTarget><targetLocation><x>" + std::to_string(-x) + "</x><y>0</y><z>" +
                std::to_string(i % 2 ? 55.0 : -55.0) + "</z></targetLocation><desiredSpeed>1.3</desiredSpeed>"
                "<timeDuration>1000</timeDuration></seekStaticTarget></goalSequence></agent>\n";
    }
    return text + "</SteerBenchTestCase>\n";
}

void BM_ScenarioReadAndRasterise1000(benchmark::State& state) {
    const std::string text = thousandAgents();
    std::vector<uint8_t> cells(static_cast<std::size_t>(scenario::kMapCells) * scenario::kMapCells);
    for (auto _ : state) {
        const scenario::ReadResult read = scenario::parseScenario(text, "thousand.xml");
        scenario::CaseLayout layout;
        std::string error;
        if (!read.ok || !scenario::layoutCase(read.scenario, layout, error)) {
            state.SkipWithError("the case was refused");
            return;
        }
        scenario::rasteriseCase(read.scenario, layout, cells.data());
        scenario::ArrivalZones zones;
        scenario::buildArrivalZones(read.scenario, layout, cells.data(), zones);
        benchmark::DoNotOptimize(zones.zoneCells.data());
    }
    state.counters["agents"] = 1000;
    state.counters["bytes"] = static_cast<double>(text.size());
}
BENCHMARK(BM_ScenarioReadAndRasterise1000)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
