// The layout rule, the rasterising, the arrival zones and every score, on cases and runs
// small enough to work out by hand.
#include <gtest/gtest.h>

#include <cmath>

#include "scenario/case_layout.h"
#include "scenario/scores.h"
#include "tests/scenario/case_builders.h"

namespace {

using namespace scenario;
using namespace scenario::test;

TEST(CaseLayout, OneMetreACellFromCellOne) {
    Scenario s = square();
    s.obstacles.push_back(Box{-1, 1, -2, 2});
    s.agents.push_back(agentAt(-9.5, 9.5, {}));
    Prepared p(s);
    EXPECT_EQ(p.layout.columns, 20);
    EXPECT_EQ(p.layout.rows, 20);
    EXPECT_DOUBLE_EQ(p.layout.worldX(-10), 256.0);  // the region starts at cell (1, 1)
    EXPECT_DOUBLE_EQ(p.layout.worldY(0.5), 10.5 * 256 + 256);
    EXPECT_DOUBLE_EQ(p.layout.metresX(p.layout.worldX(3.25)), 3.25);
    // 0.5 m radius and 1.3 m/s land inside our agents' usual radius and speed.
    EXPECT_DOUBLE_EQ(0.5 * kWorldUnitsPerMetre, 128.0);
    EXPECT_NEAR(1.3 * kWorldUnitsPerMetre * kSecondsPerStep, 66.56, 1e-9);
    int walls = 0;
    for (int r = 0; r < kMapCells; ++r) {
        for (int c = 0; c < kMapCells; ++c) walls += p.cells[cell(c, r)] == 15;
    }
    // Everything but the 20 x 20 region is wall, plus the obstacle's 2 x 4 cells (columns
    // 10-11: centres -0.5 and 0.5 m; rows 9-12: centres -1.5 .. 1.5 m).
    EXPECT_EQ(walls, kMapCells * kMapCells - 400 + 8);
    for (int r = 9; r <= 12; ++r) {
        EXPECT_EQ(p.cells[cell(10, r)], 15);
        EXPECT_EQ(p.cells[cell(11, r)], 15);
        EXPECT_EQ(p.cells[cell(9, r)], 0);
        EXPECT_EQ(p.cells[cell(12, r)], 0);
    }
    EXPECT_EQ(p.cells[cell(10, 8)], 0);
    EXPECT_EQ(p.cells[cell(10, 13)], 0);
    EXPECT_EQ(p.cells[cell(0, 5)], 15);
    EXPECT_EQ(p.cells[cell(21, 5)], 15);
}

TEST(CaseLayout, OpeningsKeepTheirWidthWithinACellAndExactlyOnWholeMetres) {
    for (double left = -3.0; left <= -0.5; left += 0.05) {
        for (double width = 1.0; width <= 4.0; width += 0.35) {
            Scenario s = square();
            s.obstacles.push_back(Box{-10, left, -1, 1});
            s.obstacles.push_back(Box{left + width, 10, -1, 1});
            Prepared p(s);
            int open = 0;
            for (int c = 1; c <= 20; ++c) open += p.cells[cell(c, 10)] == 0;
            // Each edge moves by at most half a cell.
            EXPECT_LE(std::fabs(open - width), 1.0 + 1e-9) << left << " " << width;
            const bool whole = std::fabs(left - std::round(left)) < 1e-9 && std::fabs(width - std::round(width)) < 1e-9;
            if (whole) {
                EXPECT_EQ(open, std::lround(width));
            }
        }
    }
}

TEST(CaseLayout, RefusesCasesThatDoNotFit) {
    std::string error;
    CaseLayout layout;
    Scenario wide = square(-70, 70);
    wide.agents.push_back(agentAt(-65, 0, {seekTo(65, 0)}));
    // The content (-65.5..65.5 by -0.5..0.5) and 8 m round it, clipped to the bounds: 140 x 17.
    EXPECT_FALSE(layoutCase(wide, layout, error));
    EXPECT_EQ(error, "t.xml: case needs 140.0 x 17.0 m; the agents' part of the map holds 126.0 x 126.0 m (cells 1..126 at 1 m a cell)");
    // A large world with a small case in it: the content and 8 m round it.
    Scenario small = square(-500, 500);
    small.agents.push_back(agentAt(-3, 0, {seekTo(3, 2)}));
    ASSERT_TRUE(layoutCase(small, layout, error)) << error;
    EXPECT_DOUBLE_EQ(layout.region.xmin, -3.5 - 8);
    EXPECT_DOUBLE_EQ(layout.region.zmax, 2.5 + 8);
    Scenario outside = square();
    outside.agents.push_back(agentAt(0, 0, {seekTo(12, 0)}));
    EXPECT_FALSE(layoutCase(outside, layout, error));
    EXPECT_EQ(error, "t.xml: agent 0's target (12.0, 0.0) lies outside the case's region");
}

TEST(ArrivalZones, NearestCellsByWalkingHoldingTheCrowdAtHalfPacking) {
    Scenario s = square();
    s.agents.push_back(agentAt(-5, 0, {seekTo(0.5, 0.5)}));
    s.obstacles.push_back(Box{3, 4, -10, 10});  // a wall the zones must not reach past
    for (int i = 0; i < 20; ++i) s.agents.push_back(agentAt(-8, -8 + i * 0.8, {seekTo(2.5, -5.5)}));
    Prepared p(s);
    ASSERT_EQ(p.zones.zoneCells.size(), 2u);
    // One agent: pi 0.25 / 0.5 = 1.57 -> 2 cells: the target's (11, 11) and the first of its
    // four neighbours at distance 1 in cell order, (11, 10).
    EXPECT_EQ(p.zones.zoneCells[0], (std::vector<int>{cell(11, 10), cell(11, 11)}));
    EXPECT_TRUE(insideArrivalZone(p.zones, p.layout, 0, 0, Vec2{0.5, -0.7}, 0.5));   // in cell (11, 10)
    EXPECT_FALSE(insideArrivalZone(p.zones, p.layout, 0, 0, Vec2{0.5, 1.6}, 0.5));   // 1.1 m away, cell (11, 12)
    EXPECT_TRUE(insideArrivalZone(p.zones, p.layout, 0, 0, Vec2{1.2, 1.2}, 0.5));    // within its diameter
    // Twenty agents: 20 pi 0.25 / 0.5 = 31.4 -> 32 cells, none beyond the wall at x 3..4.
    int count = 0;
    for (int r = 0; r < kMapCells; ++r) {
        for (int c = 0; c < kMapCells; ++c) {
            if (!zoneHolds(p.zones, 1, cell(c, r))) continue;
            ++count;
            EXPECT_LT(c, 14);  // x < 3 m
        }
    }
    EXPECT_EQ(count, 32);
    EXPECT_EQ(p.zones.zoneCells[1].size(), 32u);
    EXPECT_EQ(p.zones.zoneOf[5][0], 1);
}

TEST(ArrivalZones, NoStepSqueezesBetweenWallCellsMeetingAtACorner) {
    // The target's cell (11, 11) walled on its four sides, its diagonal neighbours open:
    // three agents would want 5 cells, but walking reaches none beyond its own.
    Scenario s = square();
    for (const Box& b : {Box{-1, 0, 0, 1}, Box{1, 2, 0, 1}, Box{0, 1, -1, 0}, Box{0, 1, 1, 2}}) s.obstacles.push_back(b);
    for (int i = 0; i < 3; ++i) s.agents.push_back(agentAt(-8, -8 + 2 * i, {seekTo(0.5, 0.5)}));
    Prepared p(s);
    EXPECT_EQ(p.cells[cell(10, 10)], 0);
    EXPECT_EQ(p.zones.zoneCells[0], (std::vector<int>{cell(11, 11)}));
}

TEST(Scores, ArrivalTimesAndAgentsStillOut) {
    Scenario s = square();
    for (int i = 0; i < 4; ++i) s.agents.push_back(agentAt(-8, -6 + 4 * i, {seekTo(8, -6 + 4 * i)}));
    Prepared p(s);
    // Agent i (0..2) jumps onto its target at step i + 1; agent 3 stops 3 m short at step 1.
    std::vector<std::vector<Vec2>> samples(5);
    for (int step = 0; step < 5; ++step) {
        for (int i = 0; i < 3; ++i) samples[step].push_back(step > i ? Vec2{8, -6.0 + 4 * i} : Vec2{-8, -6.0 + 4 * i});
        samples[step].push_back(step > 0 ? Vec2{5, 6} : Vec2{-8, 6});
    }
    const RunScores r = p.score(samples);
    EXPECT_EQ(r.done, 3);
    EXPECT_EQ(r.doneByStep, (std::vector<int>{0, 1, 2, 3, 3}));
    EXPECT_DOUBLE_EQ(r.t50, 0.4);   // two of four after step 2
    EXPECT_DOUBLE_EQ(r.t95, -1.0);  // four of four never
    EXPECT_DOUBLE_EQ(r.t100, -1.0);
    EXPECT_EQ(r.stillOut, 1);
    EXPECT_NEAR(r.meanRemainingMetres, 3.0, 1e-9);
    EXPECT_DOUBLE_EQ(r.perAgent[1].doneSeconds, 0.4);
    EXPECT_TRUE(r.perAgent[2].reachedAll);
    EXPECT_FALSE(r.perAgent[3].reachedAll);
    // 16 m in one 0.2 s step: 80 m/s, 80^2 * 0.2 = 1280 m^2/s of effort.
    EXPECT_NEAR(r.perAgent[0].effort, 1280.0, 1e-6);
    EXPECT_NEAR(r.walkedOverStraight, 1.0, 1e-12);
}

TEST(Scores, CollisionEpisodesAndDeepestOverlap) {
    Scenario s = square();
    for (int i = 0; i < 3; ++i) s.agents.push_back(agentAt(0, 0, {idleFor(100)}));
    Prepared p(s);
    const double bx[] = {2, 0.5, 0.8, 1.5, 0.9, 0.9};
    const double cx[] = {-8, -9.7, -9, -9.8, -9.8, -8};  // the region's edge is at -10
    std::vector<std::vector<Vec2>> samples;
    for (int step = 0; step < 6; ++step) samples.push_back({Vec2{0, 0}, Vec2{bx[step], 0}, Vec2{cx[step], 5}});
    const RunScores r = p.score(samples);
    EXPECT_EQ(r.agentCollisions, 2);  // steps 1-2 and 4-5
    EXPECT_EQ(r.perAgent[0].agentCollisions, 2);
    EXPECT_EQ(r.perAgent[2].agentCollisions, 0);
    EXPECT_NEAR(r.deepestAgentOverlap, 1.0, 1e-12);  // (0.5 + 0.5 - 0.5) / 0.5
    EXPECT_EQ(r.obstacleCollisions, 2);  // steps 1 and 3-4
    EXPECT_EQ(r.perAgent[2].obstacleCollisions, 2);
    EXPECT_NEAR(r.deepestObstacleOverlap, 0.6, 1e-9);  // (0.5 - 0.2) / 0.5
}

// Radii 0.5 m: a deep overlap is a pair closer than 0.5 m, exactly 0.5 is not one. B's
// distances to A: 2, 0.5, 0.49, 0.3, 0.6, 0.2, 0.2 -> deep in samples 2-3 and 5-6: two
// episodes, four pair-samples. C's centre beyond the region's edge at x = -10 (wall) in
// samples 1 and 3 only.
TEST(Scores, DeepOverlapsAndCentresInWalls) {
    Scenario s = square();
    for (int i = 0; i < 3; ++i) s.agents.push_back(agentAt(0, 0, {idleFor(100)}));
    Prepared p(s);
    const double bx[] = {2, 0.5, 0.49, 0.3, 0.6, 0.2, 0.2};
    const double cx[] = {-8, -10.3, -9.9, -10.01, -5, -5, -5};
    std::vector<std::vector<Vec2>> samples;
    for (int step = 0; step < 7; ++step) samples.push_back({Vec2{0, 0}, Vec2{bx[step], 0}, Vec2{cx[step], 5}});
    const RunScores r = p.score(samples);
    EXPECT_EQ(r.deepOverlapEpisodes, 2);
    EXPECT_EQ(r.deepOverlapPairSamples, 4);
    EXPECT_EQ(r.centreInWallSamples, 2);
    EXPECT_EQ(r.perAgent[2].centreInWallSamples, 2);
    EXPECT_EQ(r.perAgent[0].centreInWallSamples, 0);
}

TEST(Scores, WalkedAgainstExactShortestRouteAndStraightLine) {
    Scenario s = square();
    s.obstacles.push_back(Box{-1, 1, -3, 10});  // the route bends round (-1, -3) and (1, -3)
    s.agents.push_back(agentAt(-5, 0, {seekTo(5, 0)}));
    s.agents.push_back(agentAt(-8, -8, {seekTo(-5, -4)}));
    Prepared p(s);
    const std::vector<std::vector<Vec2>> samples = {
        {Vec2{-5, 0}, Vec2{-8, -8}}, {Vec2{-1, -3}, Vec2{-5, -8}}, {Vec2{1, -3}, Vec2{-5, -4}}, {Vec2{5, 0}, Vec2{-5, -4}}};
    const RunScores r = p.score(samples);
    ASSERT_EQ(r.done, 2);
    EXPECT_NEAR(r.perAgent[0].walkedMetres, 12.0, 1e-9);   // 5 + 2 + 5
    EXPECT_NEAR(r.perAgent[0].shortestMetres, 12.0, 1e-6);
    EXPECT_NEAR(r.perAgent[0].straightMetres, 10.0, 1e-9);
    EXPECT_NEAR(r.perAgent[1].walkedMetres, 7.0, 1e-9);    // 3 then 4 on open ground
    EXPECT_NEAR(r.perAgent[1].shortestMetres, 5.0, 1e-6);
    EXPECT_NEAR(r.walkedOverShortest, (1.0 + 1.4) / 2, 1e-6);
    EXPECT_NEAR(r.walkedOverStraight, (1.2 + 1.4) / 2, 1e-9);
}

TEST(Scores, GoalTimesAndLeavingAgents) {
    Scenario s = square();
    // Seek A for 0.6 s (never reached), then B; one agent that leaves on arrival; one that
    // stands for 0.6 s.
    s.agents.push_back(agentAt(-5, 0, {seekTo(-5, 5, 0.6), seekTo(5, 0)}));
    s.agents.push_back(agentAt(0, -5, {seekTo(0, 5)}));
    s.agents.push_back(agentAt(-8, -8, {idleFor(0.6)}));
    Prepared p(s);
    RunRecord run;
    run.start(3);
    const Vec2 a[] = {{-5, 0}, {-5, 0}, {-5, 0}, {-5, 0}, {0, 0}, {5, 0}};
    const Vec2 b[] = {{0, -5}, {0, 0}, {0, 5}, {0, 5}, {0, 5}, {0, 5}};
    for (int step = 0; step < 6; ++step) {
        run.append({a[step], b[step], Vec2{-8, -8}}, {1, static_cast<uint8_t>(step <= 2), 1});  // b leaves after arriving at step 2
    }
    run.processorSeconds = 0.001;
    run.agentSteps = 8;
    const RunScores r = scoreRun(p.s, p.layout, p.cells.data(), p.zones, run);
    EXPECT_FALSE(r.perAgent[0].reachedAll);  // A timed out at step 3
    EXPECT_EQ(r.perAgent[0].goalsReached, 1);
    EXPECT_DOUBLE_EQ(r.perAgent[0].doneSeconds, 1.0);  // its sequence ended at step 5
    EXPECT_TRUE(r.perAgent[1].reachedAll);
    EXPECT_DOUBLE_EQ(r.perAgent[1].doneSeconds, 0.4);
    EXPECT_NEAR(r.perAgent[1].walkedMetres, 10.0, 1e-9);
    EXPECT_TRUE(r.perAgent[2].reachedAll);  // standing ends by time
    EXPECT_DOUBLE_EQ(r.perAgent[2].doneSeconds, 0.6);
    EXPECT_EQ(r.done, 2);
    EXPECT_EQ(r.stillOut, 1);
    EXPECT_NEAR(r.processorMicrosPerAgentStep, 125.0, 1e-9);
    const std::string json = scoresJson(r, false);
    EXPECT_NE(json.find("\"done\": 2, "), std::string::npos) << json;
    EXPECT_NE(json.find("\"doneByStep\": [0,0,1,2,2,2]"), std::string::npos) << json;
}

}  // namespace
