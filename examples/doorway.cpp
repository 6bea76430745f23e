// A user's program on the installed library: 100 agents cross a room through a doorway
// 3 cells wide in the Shortest paths mode, and the program prints how many stood at their
// targets on the far side after ten minutes, and when half and 95 % of them did.
#include <cstdio>
#include <string>
#include <vector>

#include <steering_api.h>

namespace api = steering::api;

int main() {
    constexpr int kGround = 0, kWall = 15, kCell = 256;
    // Walls round cells 4..59, a wall down column 32 with a doorway in rows 30..32.
    std::vector<std::uint8_t> map(api::kMapSide * api::kMapSide, kWall);
    for (int row = 4; row < 60; ++row) {
        for (int column = 4; column < 60; ++column) {
            const bool door = row >= 30 && row < 33;
            map[row * api::kMapSide + column] = column == 32 && !door ? kWall : kGround;
        }
    }
    api::Simulation world = api::Simulation::fromMapBytes(map);
    world.setMode(api::Mode::Shortest);

    // Ten rows of ten on the left, each sent to its mirror place on the right.
    for (int i = 0; i < 100; ++i) {
        const double x = (8 + (i % 10) * 2) * kCell, y = (12 + (i / 10) * 4) * kCell;
        const int agent = world.addAgent({.position = {x, y}, .radius = 100, .speed = 60});
        world.setTarget(agent, {64 * kCell - x, y});
    }

    // Step for ten simulated minutes (0.2 s a step), noting when half and 95 % stood at their targets.
    int arrived = 0, half = -1, most = -1;
    for (int steps = 1; steps <= 3000 && arrived < 100; ++steps) {
        world.step();
        arrived = 0;
        for (int i = 0; i < world.agentCount(); ++i) arrived += world.agent(i).arrived ? 1 : 0;
        if (half < 0 && arrived >= 50) half = steps;
        if (most < 0 && arrived >= 95) most = steps;
    }
    auto when = [](int step) { return step < 0 ? std::string("never") : std::to_string(step / 5) + " s"; };
    std::printf("doorway: %d of %d agents arrived; half by %s, 95 %% by %s\n", arrived, world.agentCount(),
                when(half).c_str(), when(most).c_str());

    // The two planners on the same pair, through the doorway.
    const api::Point from{10 * kCell, 10 * kCell}, to{54 * kCell, 50 * kCell};
    std::printf("path through the doorway: classic %zu waypoints, shortest %zu\n",
                world.planPath(api::Mode::Classic, from, to).size(),
                world.planPath(api::Mode::Shortest, from, to, 100).size());
    return 0;
}
