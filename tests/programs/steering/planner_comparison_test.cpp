// Debug, Paths on maptest.raw: the oldest agent's comparison shows the other navigation
// mode's path in magenta with a label readable over the crowd, and agents that have
// arrived show no path lines.
#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "platform/font.h"
#include "platform/gdi_objects.h"
#include "platform/raster.h"
#include "programs/steering/agent_drawing.h"
#include "programs/steering/steering_program.h"
#include "steering/agent.h"
#include "steering/navigation_mode.h"
#include "tests/programs/steering/steering_fixture.h"

namespace shell_test {
namespace {

using namespace steering;

constexpr int kWidth = 640;
constexpr int kHeight = 480;
constexpr uint32_t kWhite = 0xFFFFFF;
constexpr uint32_t kBlack = 0x000000;
constexpr uint32_t kBlue = 0x0000FF;
constexpr uint32_t kMagenta = 0xFF00FF;
constexpr uint32_t kBackground = 0x808080;

// Two points that see each other at the lower left of maptest.raw, 1,134 units apart: the
// classic planner goes round by a gate point about 2,000 units to the east, the shortest
// planner straight there (resources/study/visible-pair-*.txt).
constexpr int kFromX = 4245, kFromY = 26074, kToX = 4740, kToY = 27094;
// The view: 15 world units per pixel from (3000, 24000).
constexpr double kOriginX = 3000, kOriginY = 24000;

class PathsOverlay : public SteeringShell {
protected:
    void SetUp() override {
        SteeringShell::SetUp();
        run().mapFilePath = std::string(STEERING_BIN_DIR) + "/maptest.raw";  // whatever folder the run is in
        run().setupWorld();
        world().agentList.clear();
        pixels.assign(static_cast<std::size_t>(kWidth) * kHeight, kBackground);
        canvas = win::raster::Canvas{pixels.data(), kWidth, kHeight, kWidth};
        dc = win::makeDeviceContext(canvas);
        run().view.viewOriginX = kOriginX;
        run().view.viewOriginY = kOriginY;
        run().debugFlags = DebugFlags{};
        run().debugFlags.showPaths = true;
    }
    void TearDown() override {
        win::destroyDeviceContext(dc);
        SteeringShell::TearDown();
    }
    Agent& addAgent(int x, int y) {
        Agent agent;
        makeAgentTemplate(agent, world().agentRandom);
        agent.place({toFixed(x), toFixed(y)}, {0, 0});
        return *world().agentList.add(agent);
    }
    // The largest distance, pixels, of a magenta pixel from the straight line between the
    // ends, and how many there are.
    void magentaFromStraightLine(double& farthest, int& count) const {
        const double x0 = (kFromX - kOriginX) / 15, y0 = (kFromY - kOriginY) / 15;
        const double x1 = (kToX - kOriginX) / 15, y1 = (kToY - kOriginY) / 15;
        const double length = std::hypot(x1 - x0, y1 - y0);
        farthest = 0;
        count = 0;
        for (int y = 0; y < kHeight; ++y) {
            for (int x = 0; x < kWidth; ++x) {
                if (pixels[static_cast<std::size_t>(y) * kWidth + x] != kMagenta) continue;
                ++count;
                farthest = std::max(farthest, std::abs((x - x0) * (y1 - y0) - (y - y0) * (x1 - x0)) / length);
            }
        }
    }
    int countOf(uint32_t colour) const { return static_cast<int>(std::count(pixels.begin(), pixels.end(), colour)); }

    std::vector<uint32_t> pixels;
    win::raster::Canvas canvas{};
    win::HDC dc = nullptr;
};

TEST_F(PathsOverlay, ComparisonDrawsTheOtherModesPath) {
    addAgent(kFromX, kFromY).setTarget({toFixed(kToX), toFixed(kToY)});
    // Classic mode: the magenta path is the shortest planner's, straight to the target
    // (about 76 pixels long).
    drawPlannerComparison(run(), dc);
    double farthest = 0;
    int count = 0;
    magentaFromStraightLine(farthest, count);
    EXPECT_LE(farthest, 2.0);
    EXPECT_GE(count, 60);
    // Shortest paths mode: the magenta path is the classic one, round by the gate point
    // more than 100 pixels east of the line.
    std::fill(pixels.begin(), pixels.end(), kBackground);
    world().navigationMode = NavigationMode::Shortest;
    drawPlannerComparison(run(), dc);
    magentaFromStraightLine(farthest, count);
    EXPECT_GT(farthest, 60.0);
    EXPECT_GE(count, 200);
}

TEST_F(PathsOverlay, ComparisonLabelIsReadableOverTheCrowd) {
    // The oldest agent first, then a crowd round the place of its label (24 pixels right
    // of and above its centre); the frame draws the agents, then the comparison.
    addAgent(kFromX, kFromY).setTarget({toFixed(kToX), toFixed(kToY)});
    const int labelX = static_cast<int>((kFromX - kOriginX) / 15) + 24;
    const int labelY = static_cast<int>((kFromY - kOriginY) / 15) - 24;
    for (int i = 0; i < 12; ++i) addAgent(kFromX + 360 + 120 * i, kFromY - 300 - 60 * (i % 3));
    drawAgents(run(), dc, world().agentList, visibleWorldRect(run()));
    drawPlannerComparison(run(), dc);
    // "classic N  shortest N": its cells hold only black ink on white.
    int ink = 0, paper = 0, other = 0;
    for (int y = labelY + 1; y < labelY + win::font::kCellHeight - 1; ++y) {
        for (int x = labelX; x < labelX + 20 * win::font::kCellWidth; ++x) {
            const uint32_t p = pixels[static_cast<std::size_t>(y) * kWidth + x];
            (p == kBlack ? ink : p == kWhite ? paper : other) += 1;
        }
    }
    EXPECT_EQ(other, 0);
    EXPECT_GT(ink, 100);
    EXPECT_GT(paper, ink);
}

TEST_F(PathsOverlay, ArrivedAgentsShowNoPathLines) {
    Agent& walker = addAgent(kFromX, kFromY);
    walker.setTarget({toFixed(kToX), toFixed(kToY)});
    ASSERT_FALSE(walker.pathDone);
    drawAgent(run(), dc, walker);
    EXPECT_GT(countOf(kBlack) + countOf(kBlue), 60);  // the path and the line to its waypoint
    // At its target with its path done: what it shows without the overlay, its body only.
    walker.place({toFixed(kToX), toFixed(kToY)}, {0, 0});
    walker.pathDone = true;
    std::fill(pixels.begin(), pixels.end(), kBackground);
    run().debugFlags.showPaths = false;
    drawAgent(run(), dc, walker);
    const std::vector<uint32_t> body = pixels;
    std::fill(pixels.begin(), pixels.end(), kBackground);
    run().debugFlags.showPaths = true;
    drawAgent(run(), dc, walker);
    EXPECT_TRUE(pixels == body);
    EXPECT_EQ(countOf(kBlue), 0);
}

}  // namespace
}  // namespace shell_test
