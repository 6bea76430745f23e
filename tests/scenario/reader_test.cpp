// The reader: every element it takes, the values it refuses (one line naming file, line and
// element), and random values fixed by the seed.
#include <gtest/gtest.h>

#include <cmath>

#include "scenario/scenario_reader.h"
#include "tests/scenario/case_text.h"

namespace {

using namespace scenario;
using namespace scenario_test;

TEST(ScenarioReader, ReadsAgentsObstaclesGoalsAndCamera) {
    const std::string text = caseText(
        "<suggestedCameraView>" + vec("position", 1, 2) + vec("lookat", 3, 4) + "</suggestedCameraView>" +
        obstacle(-1, 1, -2, 2) +
        "<agent><name>a</name><initialConditions><radius>0.4</radius>" + vec("position", -5, 1) +
        vec("direction", 0, 2) + "<speed>0.5</speed></initialConditions><goalSequence>" + seek(5, -1, 30) +
        "<fleeStaticTarget>" + vec("targetLocation", 0, 0) + "<desiredSpeed>2</desiredSpeed><timeDuration>4</timeDuration></fleeStaticTarget>"
        "<flowStaticDirection>" + vec("targetDirection", 3, 4) + "<timeDuration>5</timeDuration></flowStaticDirection>"
        "<idle><desiredSpeed>0</desiredSpeed><timeDuration>2</timeDuration></idle>"
        "<seekDynamicTarget><targetName>b</targetName><timeDuration>9</timeDuration></seekDynamicTarget>"
        "</goalSequence></agent>" + "<agent><name>b</name><initialConditions>" + vec("position", 4, 4) +
        "</initialConditions></agent>");
    const ReadResult r = parseScenario(text, "case.xml");
    ASSERT_TRUE(r.ok) << r.error;
    const Scenario& s = r.scenario;
    EXPECT_EQ(s.name, "t");
    EXPECT_DOUBLE_EQ(s.worldBounds.xmin, -10);
    EXPECT_DOUBLE_EQ(s.worldBounds.zmax, 10);
    ASSERT_TRUE(s.hasCamera);
    EXPECT_EQ(s.camera.lookAt, (Vec2{3, 4}));
    ASSERT_EQ(s.obstacles.size(), 1u);
    EXPECT_DOUBLE_EQ(s.obstacles[0].zmin, -2);
    ASSERT_EQ(s.agents.size(), 2u);
    const AgentSpec& a = s.agents[0];
    EXPECT_DOUBLE_EQ(a.radius, 0.4);
    EXPECT_EQ(a.position, (Vec2{-5, 1}));
    EXPECT_EQ(a.direction, (Vec2{0, 1}));  // made a unit vector
    EXPECT_DOUBLE_EQ(a.speed, 0.5);
    ASSERT_EQ(a.goals.size(), 5u);
    EXPECT_EQ(a.goals[0].kind, GoalKind::SeekStatic);
    EXPECT_EQ(a.goals[0].target, (Vec2{5, -1}));
    EXPECT_DOUBLE_EQ(a.goals[0].timeDuration, 30);
    EXPECT_EQ(a.goals[1].kind, GoalKind::FleeStatic);
    EXPECT_DOUBLE_EQ(a.goals[1].desiredSpeed, 2);
    EXPECT_EQ(a.goals[2].kind, GoalKind::FlowStatic);
    EXPECT_NEAR(a.goals[2].target.x, 0.6, 1e-12);
    EXPECT_NEAR(a.goals[2].target.z, 0.8, 1e-12);
    EXPECT_EQ(a.goals[3].kind, GoalKind::Idle);
    EXPECT_EQ(a.goals[4].kind, GoalKind::SeekDynamic);
    EXPECT_EQ(a.goals[4].targetAgent, 1);
    EXPECT_DOUBLE_EQ(s.agents[1].radius, 0.5);  // defaults
    EXPECT_TRUE(s.agents[1].goals.empty());
}

TEST(ScenarioReader, RegionsAndRandomValuesFollowTheSeed) {
    const std::string text = caseText(
        "<obstacleRegion><numObstacles>7</numObstacles><obstacleSize>1.5</obstacleSize>"
        "<regionBounds><xmin>-8</xmin><xmax>-2</xmax><zmin>2</zmin><zmax>8</zmax></regionBounds></obstacleRegion>"
        "<agentRegion><numAgents>30</numAgents><regionBounds><xmin>0</xmin><xmax>9</xmax><zmin>-9</zmin><zmax>0</zmax></regionBounds>"
        "<initialConditions><radius>0.3</radius><direction><random>true</random></direction></initialConditions>"
        "<goalSequence><seekStaticTarget><targetLocation><random>true</random></targetLocation></seekStaticTarget></goalSequence>"
        "</agentRegion>");
    const ReadResult a = parseScenario(text, "r.xml", 7), b = parseScenario(text, "r.xml", 7), c = parseScenario(text, "r.xml", 8);
    ASSERT_TRUE(a.ok && b.ok && c.ok) << a.error;
    ASSERT_EQ(a.scenario.obstacles.size(), 7u);
    for (const Box& o : a.scenario.obstacles) {
        EXPECT_DOUBLE_EQ(o.xmax - o.xmin, 1.5);
        EXPECT_GE(o.xmin, -8);
        EXPECT_LE(o.xmax, -2);
        EXPECT_GE(o.zmin, 2);
        EXPECT_LE(o.zmax, 8);
    }
    ASSERT_EQ(a.scenario.agents.size(), 30u);
    int overlapping = 0;
    for (std::size_t i = 0; i < 30; ++i) {
        const AgentSpec& s = a.scenario.agents[i];
        EXPECT_DOUBLE_EQ(s.radius, 0.3);
        EXPECT_GE(s.position.x, 0.3);
        EXPECT_LE(s.position.x, 8.7);
        EXPECT_GE(s.position.z, -8.7);
        EXPECT_LE(s.position.z, -0.3);
        ASSERT_EQ(s.goals.size(), 1u);
        EXPECT_GE(s.goals[0].target.x, -10);  // random targets in the world bounds
        EXPECT_LE(s.goals[0].target.x, 10);
        EXPECT_NEAR(std::hypot(s.direction.x, s.direction.z), 1.0, 1e-12);
        EXPECT_EQ(s.position, b.scenario.agents[i].position);
        EXPECT_EQ(s.goals[0].target, b.scenario.agents[i].goals[0].target);
        for (std::size_t j = 0; j < i; ++j) {
            const Vec2 p = a.scenario.agents[j].position;
            overlapping += std::hypot(p.x - s.position.x, p.z - s.position.z) < 0.6;
        }
    }
    EXPECT_EQ(overlapping, 0);  // 30 discs of 0.3 m fit easily in 81 m^2
    EXPECT_NE(a.scenario.agents[0].position, c.scenario.agents[0].position);
    EXPECT_NE(a.scenario.agents[0].goals[0].target, c.scenario.agents[0].goals[0].target);
}

TEST(ScenarioReader, ARegionTooFullForRandomTriesStillPlacesItsAgentsApart) {
    // 34 discs of 0.5 m with centres in 7 x 7 m (the emptied room's region): random tries
    // alone leave 51 overlapping pairs over seeds 1 to 10 (they jam short of a full region);
    // the grid fallback finds the gaps. Three discs in a 1 x 1 m region cannot be apart:
    // they all stand at its one possible centre, inside it.
    const std::string text = caseText(
        "<agentRegion><numAgents>34</numAgents><regionBounds><xmin>2</xmin><xmax>10</xmax><zmin>-4</zmin><zmax>4</zmax></regionBounds>"
        "<initialConditions><radius>0.5</radius></initialConditions><goalSequence>" + seek(-9, 0) + "</goalSequence></agentRegion>");
    for (uint32_t seed = 1; seed <= 10; ++seed) {
        const ReadResult r = parseScenario(text, "r.xml", seed);
        ASSERT_TRUE(r.ok) << r.error;
        ASSERT_EQ(r.scenario.agents.size(), 34u);
        int overlapping = 0;
        for (std::size_t i = 0; i < 34; ++i) {
            const Vec2 p = r.scenario.agents[i].position;
            EXPECT_TRUE(p.x >= 2.5 && p.x <= 9.5 && p.z >= -3.5 && p.z <= 3.5) << p.x << " " << p.z;
            for (std::size_t j = 0; j < i; ++j) {
                const Vec2 q = r.scenario.agents[j].position;
                overlapping += std::hypot(p.x - q.x, p.z - q.z) < 1.0;
            }
        }
        EXPECT_EQ(overlapping, 0) << "seed " << seed;
    }
    const ReadResult tight = parseScenario(
        caseText("<agentRegion><numAgents>3</numAgents><regionBounds><xmin>0</xmin><xmax>1</xmax><zmin>0</zmin><zmax>1</zmax></regionBounds>"
                 "<initialConditions><radius>0.5</radius></initialConditions><goalSequence>" + seek(-9, 0) + "</goalSequence></agentRegion>"),
        "t.xml", 1);
    ASSERT_TRUE(tight.ok) << tight.error;
    for (const AgentSpec& a : tight.scenario.agents) EXPECT_EQ(a.position, (Vec2{0.5, 0.5}));
}

TEST(ScenarioReader, RefusesWithOneLineNamingFileLineAndElement) {
    struct Case {
        std::string body;
        std::string expected;  // the message starts "bad.xml:LINE: " then this
    };
    const std::string head = caseText("");
    // caseText puts the body on line 4.
    const Case cases[] = {
        {"<agent><initialConditions>" + vec("position", 0, 0) + "</initialConditions><goalSequence><walkSomewhere/></goalSequence></agent>",
         "bad.xml:4: walkSomewhere: unknown goal kind"},
        {"<agent><initialConditions><radius>-1</radius>" + vec("position", 0, 0) + "</initialConditions></agent>",
         "bad.xml:4: radius: radius must be 0.05..5 m"},
        {"<agent><initialConditions><radius>abc</radius>" + vec("position", 0, 0) + "</initialConditions></agent>",
         "bad.xml:4: radius: expected a number, found \"abc\""},
        {"<agent><initialConditions>" + vec("position", 0, 0) + "</initialConditions><goalSequence>"
         "<seekStaticTarget><timeDuration>0</timeDuration>" + vec("targetLocation", 1, 1) + "</seekStaticTarget></goalSequence></agent>",
         "bad.xml:4: seekStaticTarget: timeDuration must be above 0"},
        {"<agent><initialConditions></initialConditions></agent>", "bad.xml:4: initialConditions: no position"},
        {"<agent><initialConditions>" + vec("position", 0, 0) + "</initialConditions><goalSequence>"
         "<seekStaticTarget><desiredSpeed>0</desiredSpeed>" + vec("targetLocation", 1, 1) + "</seekStaticTarget></goalSequence></agent>",
         "bad.xml:4: seekStaticTarget: desiredSpeed must be positive"},
        {"<obstacle><xmin>3</xmin><xmax>1</xmax></obstacle>", "bad.xml:4: obstacle: minimum greater than maximum"},
        {"<agentRegion><numAgents>2.5</numAgents></agentRegion>", "bad.xml:4: agentRegion: numAgents must be 0..20000"},
        {"<agent><initialConditions>" + vec("position", 0, 0) + "</initialConditions><goalSequence>"
         "<seekDynamicTarget><targetName>nobody</targetName></seekDynamicTarget></goalSequence></agent>",
         "bad.xml:4: seekDynamicTarget: no agent named \"nobody\""},
        {"<agent><initialConditions>" + vec("position", 0, 0) + vec("direction", 0, 0) + "</initialConditions></agent>",
         "bad.xml:4: direction: direction has no length"},
        {"<agent><initialConditions><speed>1e400</speed>" + vec("position", 0, 0) + "</initialConditions></agent>",
         "bad.xml:4: speed: value out of range"},
        {"<agent><unclosed></agent>", "bad.xml:4: malformed XML"},
    };
    for (const Case& c : cases) {
        const ReadResult r = parseScenario(caseText(c.body), "bad.xml");
        EXPECT_FALSE(r.ok) << c.body;
        EXPECT_EQ(r.error.rfind(c.expected, 0), 0u) << r.error << "\nexpected: " << c.expected;
        EXPECT_EQ(r.error.find('\n'), std::string::npos);
    }
    for (const char* text : {"", "<html/>", "<SteerBenchTestCase/>", "\xff\xfe<", "<SteerBenchTestCase><header/></SteerBenchTestCase>"}) {
        const ReadResult r = parseScenario(text, "x.xml");
        EXPECT_FALSE(r.ok);
        EXPECT_EQ(r.error.rfind("x.xml:", 0), 0u) << r.error;
    }
    const ReadResult missing = readScenarioFile("/nonexistent/case.xml");
    EXPECT_FALSE(missing.ok);
    EXPECT_EQ(missing.error.rfind("/nonexistent/case.xml: cannot read scenario", 0), 0u) << missing.error;
    // Three blank lines, the declaration, the root, the header, two more lines: line 8.
    const ReadResult late = parseScenario("\n\n\n" + head.substr(0, head.find("<header>")) + "<header>\n\n<worldBounds><xmin>5</xmin><xmax>1</xmax></worldBounds></header></SteerBenchTestCase>", "l.xml");
    EXPECT_EQ(late.error.rfind("l.xml:8: worldBounds: minimum greater than maximum", 0), 0u) << late.error;
}

TEST(ScenarioReader, OurOwnCasesAllRead) {
    int read = 0;
    for (const char* name : {"head-on", "overtaking", "crossing-90", "doorway-one-way", "doorway-two-way", "hallway-two-way",
                             "four-way-crossing", "bottleneck-200", "room-fill", "room-empty", "dead-end-and-back",
                             "circle-20", "random-crowd", "evacuation-two-exits", "goal-kinds", "obstacle-field"}) {
        const ReadResult r = readScenarioFile(std::string(STEERING_RESOURCE_DIR) + "/scenarios/" + name + ".xml");
        EXPECT_TRUE(r.ok) << r.error;
        read += r.ok;
    }
    EXPECT_EQ(read, 16);
}

}  // namespace
