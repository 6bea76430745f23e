// The reader at what the first tests left open: random targets of the moving goals (another
// agent, never the seeker itself), the first camera kept, a goal's default time, numbers
// followed by anything else refused.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "scenario/scenario_reader.h"
#include "tests/scenario/case_text.h"

namespace {

using namespace scenario;
using namespace scenario_test;

TEST(ScenarioReaderRandomTargets, ARandomMovingTargetIsAnotherAgentAndEveryOtherOneIsDrawn) {
    const std::string chase =
        "<seekDynamicTarget><random>true</random><desiredSpeed>1.3</desiredSpeed><timeDuration>10</timeDuration>"
        "</seekDynamicTarget>";
    const std::string text = caseText(agent(-5, 0, chase) + agent(0, 0, chase) + agent(5, 0, chase));
    int drawn[3][3] = {};
    for (uint32_t seed = 1; seed <= 40; ++seed) {
        const ReadResult r = parseScenario(text, "random.xml", seed);
        ASSERT_TRUE(r.ok) << r.error;
        for (int a = 0; a < 3; ++a) {
            const int t = r.scenario.agents[static_cast<std::size_t>(a)].goals[0].targetAgent;
            ASSERT_GE(t, 0);
            ASSERT_LT(t, 3);
            EXPECT_NE(t, a) << "seed " << seed;
            ++drawn[a][t];
        }
    }
    // Two choices each, 40 draws: both turn up (a draw that never varied would be no draw).
    for (int a = 0; a < 3; ++a) {
        for (int t = 0; t < 3; ++t) {
            if (t != a) {
                EXPECT_GT(drawn[a][t], 0) << a << " -> " << t;
            }
        }
    }
    // Two agents: each one's only choice is the other.
    const ReadResult pair = parseScenario(caseText(agent(-5, 0, chase) + agent(5, 0, chase)), "pair.xml", 3);
    ASSERT_TRUE(pair.ok) << pair.error;
    EXPECT_EQ(pair.scenario.agents[0].goals[0].targetAgent, 1);
    EXPECT_EQ(pair.scenario.agents[1].goals[0].targetAgent, 0);
}

TEST(ScenarioReaderDefaults, TheFirstCameraAGoalsDefaultTimeAndNumbersWithTrailingText) {
    const std::string camera1 = "<suggestedCameraView>" + vec("position", 1, 2) + vec("lookat", 3, 4) + "</suggestedCameraView>";
    const std::string camera2 = "<suggestedCameraView>" + vec("position", 5, 6) + vec("lookat", 7, 8) + "</suggestedCameraView>";
    const std::string untimed = "<seekStaticTarget>" + vec("targetLocation", 5, 0) + "</seekStaticTarget>";
    const ReadResult r = parseScenario(caseText(camera1 + camera2 + agent(-5, 0, untimed)), "c.xml", 1);
    ASSERT_TRUE(r.ok) << r.error;
    ASSERT_TRUE(r.scenario.hasCamera);
    EXPECT_EQ(r.scenario.camera.position, (Vec2{1, 2}));
    EXPECT_EQ(r.scenario.camera.lookAt, (Vec2{3, 4}));
    ASSERT_EQ(r.scenario.agents[0].goals.size(), 1u);
    EXPECT_DOUBLE_EQ(r.scenario.agents[0].goals[0].timeDuration, 1000.0);
    EXPECT_DOUBLE_EQ(r.scenario.agents[0].goals[0].desiredSpeed, 1.3);
    // "0.5m" is no number, though it starts as one; surrounding white space is fine.
    const std::string body = "<agent><initialConditions><radius>0.5m</radius>" + vec("position", 0, 0) +
                             "</initialConditions></agent>";
    const ReadResult bad = parseScenario(caseText(body), "n.xml", 1);
    EXPECT_FALSE(bad.ok);
    EXPECT_NE(bad.error.find("n.xml:"), std::string::npos) << bad.error;
    EXPECT_NE(bad.error.find("expected a number, found \"0.5m\""), std::string::npos) << bad.error;
    const std::string spaced = "<agent><initialConditions><radius> 0.5\n </radius>" + vec("position", 0, 0) +
                               "</initialConditions></agent>";
    EXPECT_TRUE(parseScenario(caseText(spaced), "s.xml", 1).ok);
}

TEST(ScenarioReaderRegions, AnAgentNoRandomTryPlacesGoesToTheNearestFreeSpot) {
    // Agents of 0.5 m on a line: the region is 1 m wide, so every centre has x = 0.5, and
    // z runs over 0.5..11.5. When 32 random tries all land within 1 m of an agent already
    // there, the agent goes to the free spot of the grid (0.125 m: a quarter radius) nearest
    // its last try. That try lay in the span some agent blocks, so the nearest free spot is
    // the first one past the end of that span: 1 to 1.125 m from that agent. (Random tries
    // never land exactly on the grid; the farthest free spot would mostly be a line's end.)
    const std::string region =
        "<agentRegion><numAgents>9</numAgents><regionBounds><xmin>0</xmin><xmax>1</xmax><zmin>0</zmin><zmax>12</zmax>"
        "</regionBounds><initialConditions><radius>0.5</radius></initialConditions><goalSequence>" + seek(-5, 0) +
        "</goalSequence></agentRegion>";
    int onGrid = 0;
    for (uint32_t seed = 1; seed <= 30; ++seed) {
        const ReadResult r = parseScenario(caseText(region, -15, 15), "line.xml", seed);
        ASSERT_TRUE(r.ok) << r.error;
        const std::vector<AgentSpec>& agents = r.scenario.agents;
        for (std::size_t k = 0; k < agents.size(); ++k) {
            const double z = agents[k].position.z;
            EXPECT_DOUBLE_EQ(agents[k].position.x, 0.5);
            const double spots = (z - 0.5) / 0.125;
            if (std::fabs(spots - std::round(spots)) > 1e-9) continue;
            ++onGrid;
            bool pastASpan = false;
            for (std::size_t j = 0; j < k; ++j) {
                const double d = std::fabs(z - agents[j].position.z);
                pastASpan = pastASpan || (d >= 1.0 - 1e-9 && d < 1.125 - 1e-9);
            }
            EXPECT_TRUE(pastASpan) << "seed " << seed << " agent " << k << " at z " << z;
        }
    }
    EXPECT_GT(onGrid, 5);  // the grid is used
}

}  // namespace
