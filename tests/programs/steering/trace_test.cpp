// The steering program's trace rows: exact decimal text of 16.16 values and the extra
// path-following columns.
#include <cstdlib>
#include <string>

#include <gtest/gtest.h>

#include "tests/programs/steering/run_fixture.h"

#include "programs/steering/steering_program.h"
#include "steering/agent.h"
#include "steering/agent_list.h"
#include "world/grid_map.h"
#include "world/neighbour_grid.h"

namespace {

using steering::Fixed;

class SteeringTrace : public steering::test::RunTest {
protected:
    void SetUp() override {
        world().gridMap.init(256, 256);
        world().neighbourGrid.init(128, 128);
    }

    std::string rowFor(steering::FixedVec position, steering::FixedVec velocity) {
        steering::Agent agent;
        makeAgentTemplate(agent, world().agentRandom);
        agent.place(position, velocity);
        world().agentList.clear();
        world().agentList.add(agent);
        char buffer[256];
        const int length = run().traceAgent(0, buffer, sizeof buffer);
        EXPECT_GT(length, 0);
        return length > 0 ? std::string(buffer, static_cast<std::size_t>(length)) : std::string();
    }
};

TEST_F(SteeringTrace, PositionAndVelocityAreExactDecimals) {
    const std::string row = rowFor({steering::toFixed(1500) + 32768, steering::wrapNeg(65536 + 16384)},
                                   {1, steering::wrapNeg(3)});
    EXPECT_EQ(row.rfind("1500.5,-1.25,0.0000152587890625,-0.0000457763671875,", 0), 0u) << row;
}

TEST_F(SteeringTrace, WholeValuesHaveNoFraction) {
    EXPECT_EQ(rowFor({0, steering::toFixed(-7)}, {0, 0}).rfind("0,-7,0,0,", 0), 0u);
}

TEST_F(SteeringTrace, ExtremeValuesAreExact) {
    const std::string row = rowFor({INT32_MIN, INT32_MAX}, {0, 0});
    EXPECT_EQ(row.rfind("-32768,32767.9999847412109375,", 0), 0u) << row;
}

// Every raw value reads back exactly: text * 65536 equals the raw value.
TEST_F(SteeringTrace, DecimalsReadBackToTheRawValue) {
    uint32_t seed = 7;
    for (int i = 0; i < 500; ++i) {
        seed = seed * 1664525u + 1013904223u;
        const Fixed raw = static_cast<Fixed>(seed);
        const std::string row = rowFor({raw, 0}, {0, 0});
        const double value = std::strtod(row.c_str(), nullptr);
        EXPECT_EQ(value * 65536.0, static_cast<double>(raw)) << row;
    }
}

TEST_F(SteeringTrace, ExtraColumnsFollowTheHeader) {
    const std::string row = rowFor({0, 0}, {0, 0});
    int commas = 0;
    for (char c : row) commas += c == ',' ? 1 : 0;
    int headerCommas = 0;
    for (const char* p = steering::steeringProgram.traceExtraHeader; *p != '\0'; ++p) headerCommas += *p == ',';
    EXPECT_EQ(commas, 3 + 1 + headerCommas);  // x,y,vx,vy then the extras
    // A new agent has no path: done, no waypoints, not stuck.
    EXPECT_NE(row.find(",1,0,0,0"), std::string::npos) << row;
}

TEST_F(SteeringTrace, OutOfRangeIndexOrSmallBufferGivesMinusOne) {
    rowFor({0, 0}, {0, 0});
    char buffer[256];
    EXPECT_EQ(run().traceAgent(1, buffer, sizeof buffer), -1);
    EXPECT_EQ(run().traceAgent(-1, buffer, sizeof buffer), -1);
    EXPECT_EQ(run().traceAgent(0, buffer, 4), -1);
    EXPECT_EQ(run().agentCount(), 1);
}

}  // namespace
