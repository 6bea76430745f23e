// Scores and arrival zones at the edges the first tests left open, expectations worked out
// by hand: pairs of unequal radii and exactly touching, goals reached by following another
// agent, goal times counted from each goal's own start, routes through where an agent
// stopped short of its target, wall tests on a map that is not symmetric about its
// diagonal, zones measured by walking distance with diagonal steps, and an agent counted
// once in a zone it seeks twice.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "scenario/case_layout.h"
#include "scenario/scores.h"
#include "tests/scenario/case_builders.h"

namespace {

using namespace scenario;
using namespace scenario::test;

Goal follow(int agent) {
    Goal g;
    g.kind = GoalKind::SeekDynamic;
    g.targetAgent = agent;
    return g;
}

TEST(ScoresAtTheirEdges, OverlapDepthIsOverTheSmallerRadiusAndDiscsExactlyTouchingDoNotCollide) {
    // Radii 0.5 and 0.25 (reach 0.75). Sample 1: 0.75 apart, touching exactly: no episode.
    // Sample 2: 0.5 apart: depth 0.25 over the smaller radius 0.25 = 1. Sample 3: 0.75 again
    // (the episode ends), sample 4: 0.7 (a second one begins, depth 0.2).
    Scenario s = square();
    s.agents.push_back(agentAt(0, 0, {idleFor(100)}));
    s.agents.push_back(agentAt(3, 0, {idleFor(100)}, 0.25));
    Prepared p(s);
    const double bx[] = {3, 0.75, 0.5, 0.75, 0.7};
    std::vector<std::vector<Vec2>> samples;
    for (const double x : bx) samples.push_back({Vec2{0, 0}, Vec2{x, 0}});
    const RunScores r = p.score(samples);
    EXPECT_EQ(r.agentCollisions, 2);
    EXPECT_EQ(r.perAgent[1].agentCollisions, 2);
    EXPECT_NEAR(r.deepestAgentOverlap, 1.0, 1e-12);
    EXPECT_NEAR(r.perAgent[0].deepestOverlap, 1.0, 1e-12);
    // Deep: nearer than half of 0.75 = 0.375; none of these is.
    EXPECT_EQ(r.deepOverlapEpisodes, 0);
}

TEST(ScoresAtTheirEdges, FollowingAnotherAgentEndsWithinTheirTwoRadii) {
    // Agent 1 (radius 0.3) follows agent 0 (radius 0.5, standing): 1.0 apart at sample 1
    // (not yet: 1.0 > 0.8), 0.7 apart at sample 2 (reached, although 0.7 > its own 0.3 + 0.3).
    Scenario s = square();
    s.agents.push_back(agentAt(0, 0, {idleFor(100)}));
    s.agents.push_back(agentAt(-5, 0, {follow(0)}, 0.3));
    Prepared p(s);
    const RunScores r = p.score({{Vec2{0, 0}, Vec2{-5, 0}}, {Vec2{0, 0}, Vec2{-1.0, 0}}, {Vec2{0, 0}, Vec2{-0.7, 0}}});
    EXPECT_TRUE(r.perAgent[1].reachedAll);
    EXPECT_EQ(r.perAgent[1].goalsReached, 1);
    EXPECT_DOUBLE_EQ(r.perAgent[1].doneSeconds, 0.4);
}

TEST(ScoresAtTheirEdges, EachGoalsTimeCountsFromWhenItBegan) {
    // Stand 0.4 s, then stand 0.6 s: the second ends 1.0 s after the start, not 0.6 s; an
    // agent with one 0.6 s stand ends at 0.6 s.
    Scenario s = square();
    s.agents.push_back(agentAt(0, 0, {idleFor(0.4), idleFor(0.6)}));
    s.agents.push_back(agentAt(5, 5, {idleFor(0.6)}));
    Prepared p(s);
    std::vector<std::vector<Vec2>> samples(7, {Vec2{0, 0}, Vec2{5, 5}});
    const RunScores r = p.score(samples);
    EXPECT_DOUBLE_EQ(r.perAgent[0].doneSeconds, 1.0);
    EXPECT_DOUBLE_EQ(r.perAgent[1].doneSeconds, 0.6);
    EXPECT_EQ(r.doneByStep, (std::vector<int>{0, 0, 0, 1, 1, 2, 2}));
    EXPECT_DOUBLE_EQ(r.t50, 0.6);
    EXPECT_DOUBLE_EQ(r.t100, 1.0);
}

TEST(ScoresAtTheirEdges, TheRouteGoesThroughWhereTheAgentArrivedShortOfItsTarget) {
    // From (-5, 0) to the target (5, 0), arriving at (4.5, 0) (within its diameter): the
    // exact route and the straight line are both 9.5 m, as walked.
    Scenario s = square();
    s.agents.push_back(agentAt(-5, 0, {seekTo(5, 0)}));
    Prepared p(s);
    const RunScores r = p.score({{Vec2{-5, 0}}, {Vec2{0, 0}}, {Vec2{4.5, 0}}});
    ASSERT_TRUE(r.perAgent[0].reachedAll);
    EXPECT_NEAR(r.perAgent[0].walkedMetres, 9.5, 1e-9);
    EXPECT_NEAR(r.perAgent[0].shortestMetres, 9.5, 1e-6);
    EXPECT_NEAR(r.perAgent[0].straightMetres, 9.5, 1e-9);
    EXPECT_NEAR(r.walkedOverShortest, 1.0, 1e-6);
}

TEST(ScoresAtTheirEdges, WallTestsReadTheCellUnderThePointNotItsMirrorImage) {
    // One wall cell: x 4..5, z -9..-8 is column 15, row 2 of the map; column 2, row 15 (its
    // mirror image across the diagonal) stays open.
    Scenario s = square();
    s.obstacles.push_back(Box{4, 5, -9, -8});
    s.agents.push_back(agentAt(0, 0, {idleFor(100)}));
    Prepared p(s);
    ASSERT_EQ(p.cells[cell(15, 2)], 15);
    ASSERT_EQ(p.cells[cell(2, 15)], 0);
    // Sample 1: centre in that cell. Sample 2: 0.2 m left of it (0.3 m deep, 0.6 radii).
    const RunScores r = p.score({{Vec2{0, 0}}, {Vec2{4.5, -8.5}}, {Vec2{3.8, -8.5}}});
    EXPECT_EQ(r.centreInWallSamples, 1);
    EXPECT_EQ(r.perAgent[0].obstacleCollisions, 1);  // samples 1-2: one episode
    // Sample 1 reaches the radius and more (its centre is in the wall).
    EXPECT_GE(r.deepestObstacleOverlap, 1.0);
    const RunScores beside = p.score({{Vec2{0, 0}}, {Vec2{3.8, -8.5}}});
    EXPECT_NEAR(beside.deepestObstacleOverlap, 0.6, 1e-9);
    EXPECT_EQ(beside.centreInWallSamples, 0);
}

TEST(ArrivalZonesAtTheirEdges, DiagonalStepsCostTheSquareRootOfTwo) {
    // Three agents of radius 0.5: 3 pi 0.25 / 0.5 = 4.71 -> 5 cells: the target's cell and
    // its four straight neighbours (1 away), none of the diagonal ones (1.41 away).
    Scenario s = square();
    for (int i = 0; i < 3; ++i) s.agents.push_back(agentAt(-8, -8 + 2 * i, {seekTo(0.5, 0.5)}));
    Prepared p(s);
    ASSERT_EQ(p.zones.zoneCells.size(), 1u);
    EXPECT_EQ(p.zones.zoneCells[0],
              (std::vector<int>{cell(11, 10), cell(10, 11), cell(11, 11), cell(12, 11), cell(11, 12)}));
}

TEST(ArrivalZonesAtTheirEdges, NoDiagonalStepPassesAWallCellOnEitherSide) {
    // Wall cell (12, 11) right of the target's cell (11, 11). One agent of radius 0.95:
    // pi 0.9025 / 0.5 = 5.67 -> 6 cells: the target's, its three open straight neighbours
    // (1 away) and the diagonals (10, 10) and (10, 12) (1.41). (12, 10) and (12, 12) have
    // the wall on one side: 2 away round it, not 1.41.
    Scenario s = square();
    s.obstacles.push_back(Box{1, 2, 0, 1});
    s.agents.push_back(agentAt(-8, -8, {seekTo(0.5, 0.5)}, 0.95));
    Prepared p(s);
    ASSERT_EQ(p.cells[cell(12, 11)], 15);
    EXPECT_EQ(p.zones.zoneCells[0], (std::vector<int>{cell(10, 10), cell(11, 10), cell(10, 11), cell(11, 11),
                                                      cell(10, 12), cell(11, 12)}));
}

TEST(ArrivalZonesAtTheirEdges, AnAgentSeekingOnePointTwiceCountsOnceInItsZone) {
    // Goals A, B, A: A's zone holds one disc (pi 0.25 / 0.5 = 1.57 -> 2 cells), not two
    // (3.14 -> 4 cells); both of the agent's visits to A use that zone.
    Scenario s = square();
    s.agents.push_back(agentAt(-8, -8, {seekTo(0.5, 0.5), seekTo(5.5, 5.5), seekTo(0.5, 0.5)}));
    Prepared p(s);
    ASSERT_EQ(p.zones.zoneCells.size(), 2u);
    EXPECT_EQ(p.zones.zoneCells[0].size(), 2u);
    EXPECT_EQ(p.zones.zoneCells[1].size(), 2u);
    EXPECT_EQ(p.zones.zoneOf[0], (std::vector<int>{0, 1, 0}));
}

TEST(CaseLayoutAtItsEdges, PartCellsCountWholeAndTheBoundsThemselvesAreInside) {
    // 20.5 x 20 m: 21 columns (the last half covered), 20 rows. An agent on the far corner
    // and a target on the far edge lie in the region.
    Scenario s = square();
    s.worldBounds = Box{-10, 10.5, -10, 10};
    s.agents.push_back(agentAt(10.5, 10, {seekTo(0, 10)}));
    s.agents.push_back(agentAt(-10, -10, {seekTo(10.5, -10)}));
    CaseLayout layout;
    std::string error;
    ASSERT_TRUE(layoutCase(s, layout, error)) << error;
    EXPECT_EQ(layout.columns, 21);
    EXPECT_EQ(layout.rows, 20);
}

TEST(ScoresAtTheirEdges, TheJsonCarriesEachTimeUnderItsOwnName) {
    // Four agents reaching their targets after steps 1, 2, 3 and 4: T50 0.4 s, T95 and T100
    // 0.8 s; T95 is not T50.
    Scenario s = square();
    for (int i = 0; i < 4; ++i) s.agents.push_back(agentAt(-8, -6 + 4 * i, {seekTo(8, -6 + 4 * i)}));
    Prepared p(s);
    std::vector<std::vector<Vec2>> samples(5);
    for (int step = 0; step < 5; ++step) {
        for (int i = 0; i < 4; ++i) samples[static_cast<std::size_t>(step)].push_back(Vec2{step > i ? 8.0 : -8.0, -6.0 + 4 * i});
    }
    const RunScores r = p.score(samples);
    EXPECT_DOUBLE_EQ(r.t50, 0.4);
    EXPECT_DOUBLE_EQ(r.t95, 0.8);
    const std::string json = scoresJson(r, false);
    EXPECT_NE(json.find("\"t50\": 0.4, \"t95\": 0.8, \"t100\": 0.8, "), std::string::npos) << json;
}

TEST(RunLengthAtItsEdges, ARunLastsAsLongAsTheLongestSequenceOfGoalTimes) {
    // Goals of 2 s and 3 s in a row: 5 s, 25 steps of 0.2 s, and one more; the other agent's
    // single 4 s goal is shorter.
    Scenario s = square();
    s.agents.push_back(agentAt(0, 0, {idleFor(2), idleFor(3)}));
    s.agents.push_back(agentAt(5, 5, {idleFor(4)}));
    EXPECT_EQ(stepLimit(s, 0.2), 26);
    EXPECT_EQ(stepLimit(s, 1.0), 6);
}

}  // namespace
