// The C++ half of the step-cost measurement (step_cost.py runs it and the same scene from
// Python): 1,000 agents walking across maptest.raw, one Simulation::step() call a step.
//   api_step_cost MAP.raw STEPS  ->  one line: seconds of each timed step, then a checksum
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <vector>

#include "steering_api.h"

namespace api = steering::api;

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: api_step_cost MAP.raw STEPS\n");
        return 2;
    }
    std::ifstream file(argv[1], std::ios::binary);
    const std::vector<std::uint8_t> cells{std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
    try {
        api::Simulation world = api::Simulation::fromMapBytes(cells);
        // Ground cells whose eight neighbours are ground too, in cells 1..126, row by row:
        // 1,000 of them evenly spread, each agent sent to the one half the list further on.
        std::vector<api::Point> open;
        for (int y = 1; y < 127; ++y) {
            for (int x = 1; x < 127; ++x) {
                bool clear = true;
                for (int dy = -1; dy <= 1; ++dy)
                    for (int dx = -1; dx <= 1; ++dx) clear = clear && cells[(y + dy) * 256 + x + dx] == 0;
                if (clear) open.push_back({x * 256.0 + 128, y * 256.0 + 128});
            }
        }
        const std::size_t n = open.size();
        for (std::size_t i = 0; i < 1000; ++i) {
            const std::size_t from = i * n / 1000;
            const int a = world.addAgent({.position = open[from]});
            world.setTarget(a, open[(from + n / 2) % n]);
        }
        world.step(20);  // past the first plans
        const int steps = std::atoi(argv[2]);
        for (int s = 0; s < steps; ++s) {
            const auto start = std::chrono::steady_clock::now();
            world.step();
            const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
            std::printf("%.9f ", took.count());
        }
        double sum = 0;
        for (double v : *world.positions()) sum += v;
        std::printf("checksum %.17g\n", sum);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "api_step_cost: %s\n", e.what());
        return 2;
    }
    return 0;
}
