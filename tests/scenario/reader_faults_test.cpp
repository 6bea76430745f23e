// The reader's random targets of the moving goals: another agent, never the seeker itself.
#include <gtest/gtest.h>

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

}  // namespace
