#pragma once
// The steering simulation as a library: the one public header of the installed package
// (find_package(Steering CONFIG), target Steering::steering; or pkg-config steering).
//
//   auto world = steering::api::Simulation::fromMapFile("maptest.raw");
//   int a = world.addAgent({.position = {1000, 1000}});
//   world.setTarget(a, {3000, 1200});
//   world.step(100);
//   steering::api::Point where = world.agent(a).position;
//
// Units: world units (256 a map cell; the map is 256 x 256 cells, 65,536 units a side),
// speeds in world units per step. Agents, their targets and goals stay in the map's first
// 128 x 128 cells (0 to 32,768 units: the range of their 16.16 positions); paths may be
// planned over the whole map. Agents move in 16.16 fixed point: every value read back
// is exact (a multiple of 1/65536) and the same inputs give the same values on every run.
// A Simulation owns one world; several live side by side and step on several threads at
// once (one thread per Simulation at a time). Bad arguments throw std::invalid_argument
// (a map of the wrong size, an agent index out of range, a point off the map, an unknown
// behaviour) or std::runtime_error (a file that cannot be used), with a one-line message.
#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace steering::api {

// Cells a side of every map; a map is kMapSide * kMapSide bytes, row by row.
constexpr int kMapSide = 256;
// World units a cell.
constexpr double kCellUnits = 256.0;

enum class Mode {
    Classic,   // the greedy corridor planner and gate waypoints
    Shortest,  // taut shortest paths kept off the walls by the agent's radius, with crowd rules
};

struct Point {
    double x = 0.0;
    double y = 0.0;
    friend bool operator==(const Point&, const Point&) = default;
};

// A behaviour by name and the weight of its force. Names: "seek", "arrival", "separation",
// "avoid_obstacle", "repel_obstacle", "formation", "avoid_walls", "follow_path",
// "avoid_agents". At most 10 an agent.
struct Behaviour {
    std::string name;
    double weight = 1.0;
};

// A new agent. A radius or speed of 0 draws it from the world's generator as the steering
// program draws its agents (radius 75 to 225, speed 35.5 to 85.5); empty behaviours mean
// the program's standard five (avoid_walls, avoid_obstacle, repel_obstacle, follow_path,
// separation).
struct AgentSpec {
    Point position;
    double radius = 0.0;
    double speed = 0.0;
    std::vector<Behaviour> behaviours{};
};

struct AgentState {
    Point position;
    Point velocity;     // world units per step
    bool pathDone = true;  // no path, or its end reached
    bool arrived = false;  // within twice its radius of its last target (or it has none)
    int waypoint = 0;      // index of the waypoint being approached
    int pathPoints = 0;    // points of the last planned path
    int goal = 0;          // goals of its sequence passed (setGoals)
    double stuck = 0.0;    // share of the last 15 steps in which it lost ground, 0..1
    double radius = 0.0;
    double speed = 0.0;    // its top speed
};

// The scores of a test case run, from the agents' positions (times in simulated seconds,
// distances in metres; -1: never).
struct AgentScore {
    bool reachedAll = false;
    double doneSeconds = -1.0;
    int goalsReached = 0;
    double remainingMetres = 0.0;
    int agentCollisions = 0;
    int obstacleCollisions = 0;
    double walkedMetres = 0.0;
    double shortestMetres = 0.0;
};

struct Scores {
    std::string caseName;
    std::string system;  // "classic" or "shortest"
    int agents = 0;
    int done = 0;
    double t50 = -1.0, t95 = -1.0, t100 = -1.0;
    int stillOut = 0;
    int agentCollisions = 0;
    int obstacleCollisions = 0;
    double walkedOverShortest = 0.0;
    double walkedOverStraight = 0.0;
    double effortPerAgent = 0.0;
    int steps = 0;
    double seconds = 0.0;
    std::vector<int> doneByStep;
    std::vector<AgentScore> perAgent;
    std::string json;  // every score, per run and per agent, as the headless driver writes them
};

class Simulation {
public:
    // A world on a map: kMapSide^2 bytes (cell types: 0 ground, 15 wall, 14 an obstacle marker),
    // or a map file of exactly that many bytes. The navigation is built at once.
    static Simulation fromMapBytes(const std::vector<std::uint8_t>& cells);
    static Simulation fromMapFile(const std::string& path);
    // A test case (XML) put into a world in `mode`, its random values drawn from `seed`:
    // its agents follow their goal sequences as step() goes on. keepArrived leaves agents
    // standing at their last goal instead of leaving the scene.
    static Simulation fromScenarioFile(const std::string& path, Mode mode = Mode::Classic, std::uint32_t seed = 1,
                                       bool keepArrived = false);
    static Simulation fromScenarioText(const std::string& xml, Mode mode = Mode::Classic, std::uint32_t seed = 1,
                                       bool keepArrived = false);

    Simulation(Simulation&&) noexcept;
    Simulation& operator=(Simulation&&) noexcept;
    ~Simulation();

    // Adds an agent standing at spec.position (on the map); returns its index.
    int addAgent(const AgentSpec& spec);
    // Plans a path from where the agent stands to `target` in the current mode.
    void setTarget(int agent, Point target);
    // Targets one after the other: the next is given when the agent stands within twice its
    // radius of the current one.
    void setGoals(int agent, const std::vector<Point>& targets);
    // Every agent still following a path plans again in the new mode.
    void setMode(Mode mode);
    Mode mode() const;

    // Runs `steps` simulation steps (0 or more). A test case's agents that leave the scene
    // are removed, so indices count the agents present.
    void step(int steps = 1);
    int stepsRun() const;

    int agentCount() const;
    AgentState agent(int index) const;
    // agentCount() pairs (x, y) each, in agent order, as of the last step or change. The
    // vector is rewritten in place while the number of agents stays the same; a change of
    // that number brings a new vector, and one still held keeps its last values.
    std::shared_ptr<const std::vector<double>> positions() const;
    std::shared_ptr<const std::vector<double>> velocities() const;

    // A path between two points on the map by either planner, keeping `clearance` world
    // units off the walls (the Shortest planner; Classic ignores it). Empty when none.
    std::vector<Point> planPath(Mode mode, Point from, Point to, double clearance = 0.0);

    // Test cases only: whether every goal sequence ended (or the time is up), and the scores
    // of the run so far.
    bool isScenario() const;
    bool finished() const;
    // Steps until finished(); returns the steps run.
    int runToEnd();
    Scores scores() const;

    // What a Simulation holds: defined inside the library only.
    struct State;

private:
    explicit Simulation(std::unique_ptr<State> state);
    std::unique_ptr<State> state_;
};

const char* modeName(Mode mode);  // "classic" or "shortest"
Mode modeFromName(const std::string& name);  // throws std::invalid_argument for others

}  // namespace steering::api
