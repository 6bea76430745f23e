// Soak run of steering on maptest.raw: Insert presses at many open points until the
// population reaches its target, a left click somewhere every 200 frames, the overlays
// switched on and off, for many frames. Checks after every frame that no agent centre
// lies in a wall cell, and compares resident memory after the inserts with the end.
//   steering_soak [--frames N] [--agents N]   (defaults 20000 and 2000)
// Exit code 0 when every check held; one summary line on stdout either way.
#include <chrono>
#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "platform/win.h"
#include "programs/steering/steering_program.h"
#include "steering/agent_list.h"
#include "tools/headless/session.h"
#include "tests/programs/steering/run_fixture.h"
#include "world/grid_map.h"
#include "programs/steering/view_state.h"

namespace {

using namespace win;

constexpr int kDefaultFrames = 20000;
constexpr int kDefaultAgents = 2000;
constexpr int kClickEveryFrames = 200;
constexpr int kOverlayEveryFrames = 1000;
constexpr int kFramesPerInsert = 2;       // inserts spread over the first frames
constexpr int kSettleFrames = 500;        // frames after the last insert before memory is read
// Markers and reachable ground lie in rows and columns below this; inserts stay there.
constexpr int kReachableCells = 126;
// Resident memory may grow by this much after the inserts before the run counts as leaking:
// allocator and page-cache noise, far below the size of the population's own memory.
constexpr long kAllowedGrowthKilobytes = 8 * 1024;
constexpr WORD kOverlayCommands[] = {40007, 40008, 40009, 40010, 40012};
constexpr int kMemoryReportEveryFrames = 4000;  // a resident-memory line this often

long residentKilobytes() {
    std::FILE* status = std::fopen("/proc/self/status", "r");
    if (status == nullptr) return -1;
    char line[256];
    long kilobytes = -1;
    while (std::fgets(line, sizeof line, status) != nullptr) {
        if (std::strncmp(line, "VmRSS:", 6) == 0) kilobytes = std::strtol(line + 6, nullptr, 10);
    }
    std::fclose(status);
    return kilobytes;
}

struct Random {
    uint32_t state = 2024;
    uint32_t below(uint32_t n) {
        state = state * 1664525u + 1013904223u;
        return (state >> 8) % n;
    }
};

bool openAround(headless::Session& harness, int column, int row) {
    for (int dr = -1; dr <= 1; ++dr) {
        for (int dc = -1; dc <= 1; ++dc) {
            const int type = steering::test::worldOf(harness).gridMap.cellAt(static_cast<uint32_t>(column + dc), static_cast<uint32_t>(row + dr));
            if (type == steering::kWallType) return false;
        }
    }
    return true;
}

// Jumps the view near a random open cell and presses Insert there through a left drag.
// False when the drag landed next to a wall (nothing inserted).
bool insertSomewhere(headless::Session& harness, Random& random) {
    const int column = 1 + static_cast<int>(random.below(kReachableCells - 1));
    const int row = 1 + static_cast<int>(random.below(kReachableCells - 1));
    const double worldX = column * 256.0 + 128.0, worldY = row * 256.0 + 128.0;
    // The right-button jump puts the origin at pixel * (102, 136) units; aim 3,000 units short.
    const int jumpX = worldX > 3000.0 ? static_cast<int>((worldX - 3000.0) / 102.0) : 0;
    const int jumpY = worldY > 3000.0 ? static_cast<int>((worldY - 3000.0) / 136.0) : 0;
    harness.post(WM_MOUSEMOVE, MK_RBUTTON, headless::Session::point(jumpX, jumpY));
    const int pixelX = static_cast<int>((worldX - steering::test::runOf(harness).view.viewOriginX) / steering::test::runOf(harness).view.viewScaleX);
    const int pixelY = static_cast<int>((worldY - steering::test::runOf(harness).view.viewOriginY) / steering::test::runOf(harness).view.viewScaleY);
    harness.post(WM_MOUSEMOVE, MK_LBUTTON, headless::Session::point(pixelX, pixelY));
    const int insertColumn = steering::test::runOf(harness).mouseWorld.x / 256, insertRow = steering::test::runOf(harness).mouseWorld.y / 256;
    if (!openAround(harness, insertColumn, insertRow)) return false;
    harness.press(VK_INSERT);
    return true;
}

int agentsInWalls(headless::Session& harness) {
    int count = 0;
    for (const steering::Agent& agent : steering::test::worldOf(harness).agentList) {
        count += steering::test::worldOf(harness).gridMap.cellAt(steering::test::worldOf(harness).gridMap.worldToCell(agent.position)) == steering::kWallType ? 1 : 0;
    }
    return count;
}

}  // namespace

int main(int argc, char** argv) {
    int frames = kDefaultFrames, agents = kDefaultAgents;
    for (int i = 1; i + 1 < argc; i += 2) {
        if (std::strcmp(argv[i], "--frames") == 0) frames = std::atoi(argv[i + 1]);
        else if (std::strcmp(argv[i], "--agents") == 0) agents = std::atoi(argv[i + 1]);
    }
    if (frames <= 0 || agents <= 0 || (argc - 1) % 2 != 0) {
        std::fprintf(stderr, "usage: steering_soak [--frames N] [--agents N]\n");
        return 2;
    }

    const auto begin = std::chrono::steady_clock::now();
    headless::Session harness;
    if (!harness.start(steering::steeringProgram, {.reopenClosedWindow = true})) {
        std::fprintf(stderr, "soak: the window could not be created\n");
        return 1;
    }
    Random random;
    long wallFrames = 0, worstInWalls = 0, refusedTicks = 0, insertsRefused = 0;
    long memoryAfterInserts = -1;
    int lastInsertFrame = 0, overlay = 0;
    for (int frame = 1; frame <= frames; ++frame) {
        if (frame % kFramesPerInsert == 0 && harness.agentCount() < agents) {
            if (insertSomewhere(harness, random)) lastInsertFrame = frame;
            else ++insertsRefused;
        }
        if (frame % kClickEveryFrames == 0) {
            harness.post(WM_MOUSEMOVE, MK_RBUTTON,
                         headless::Session::point(random.below(320), random.below(240)));
            harness.leftClick(random.below(shell::kClientWidth), random.below(shell::kClientHeight));
        }
        if (frame % kOverlayEveryFrames == 0) {
            harness.post(WM_COMMAND, kOverlayCommands[overlay % std::size(kOverlayCommands)], 0);
            ++overlay;
        }
        if (!harness.tick()) ++refusedTicks;
        const int inWalls = agentsInWalls(harness);
        if (inWalls > 0) {
            if (wallFrames == 0) std::printf("soak: frame %d: %d agent centres in wall cells\n", frame, inWalls);
            ++wallFrames;
            if (inWalls > worstInWalls) worstInWalls = inWalls;
        }
        if (memoryAfterInserts < 0 && harness.agentCount() >= agents && frame >= lastInsertFrame + kSettleFrames) {
            memoryAfterInserts = residentKilobytes();
            std::printf("soak: frame %d: %d agents, resident %ld kB\n", frame, harness.agentCount(), memoryAfterInserts);
        }
        if (frame % kMemoryReportEveryFrames == 0) {
            std::printf("soak: frame %d: %d agents, resident %ld kB\n", frame, harness.agentCount(), residentKilobytes());
        }
    }
    const long memoryAtEnd = residentKilobytes();
    const int agentsAtEnd = harness.agentCount();
    harness.finish();
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - begin).count();

    const bool populationReached = agentsAtEnd >= agents;
    const bool memoryFlat = memoryAfterInserts >= 0 && memoryAtEnd - memoryAfterInserts <= kAllowedGrowthKilobytes;
    const bool ok = populationReached && wallFrames == 0 && refusedTicks == 0 && memoryFlat;
    std::printf("soak: %s: %d frames, %d agents, %ld frames with agents in walls (worst %ld), %ld ticks refused, "
                "%ld inserts skipped near walls, resident %ld kB after inserts, %ld kB at the end, %.1f s\n",
                ok ? "ok" : "FAILED", frames, agentsAtEnd, wallFrames, worstInWalls, refusedTicks, insertsRefused,
                memoryAfterInserts, memoryAtEnd, seconds);
    return ok ? 0 : 1;
}
