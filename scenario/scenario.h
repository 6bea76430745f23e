#pragma once
// A steering test case as read from its XML file (scenario_reader.h), with every random
// value already drawn: agent regions expanded into agents, random positions, directions and
// targets fixed, obstacle regions expanded into boxes. Units are the file's: metres on the
// ground plane (x, z; the height y is dropped) and seconds. Nothing here knows the world's
// cells or fixed point; case_layout.h maps a case onto them.
#include <cstdint>
#include <string>
#include <vector>

namespace scenario {

struct Vec2 {
    double x = 0.0;  // metres
    double z = 0.0;  // metres (the file's z; drawn downwards on screen)
    friend bool operator==(const Vec2&, const Vec2&) = default;
};

// An axis-aligned rectangle of the ground plane, metres, xmin <= xmax and zmin <= zmax.
struct Box {
    double xmin = 0.0, xmax = 0.0;
    double zmin = 0.0, zmax = 0.0;
};

enum class GoalKind {
    SeekStatic,     // walk to `target`
    FleeStatic,     // move away from `target`
    SeekDynamic,    // walk to agent `targetAgent` where it stands
    FleeDynamic,    // move away from agent `targetAgent`
    FlowStatic,     // keep walking along the unit vector `target`
    FlowDynamic,    // keep walking toward agent `targetAgent`
    Idle,           // stand
};

struct Goal {
    GoalKind kind = GoalKind::SeekStatic;
    Vec2 target;              // point (seek/flee static) or unit direction (flow static), metres
    int targetAgent = -1;     // index into Scenario::agents for the dynamic kinds, else -1
    double desiredSpeed = 1.3;    // metres per second, > 0 (idle: 0 allowed)
    double timeDuration = 1000.0; // seconds, > 0: the goal is given up after this long
};

struct AgentSpec {
    std::string name;          // may be empty
    double radius = 0.5;       // metres, > 0
    Vec2 position;             // centre, metres
    Vec2 direction{1.0, 0.0};  // unit vector the agent faces at the start
    double speed = 0.0;        // metres per second at the start, >= 0
    std::vector<Goal> goals;   // in order; may be empty (the agent stands)
};

struct CameraView {
    Vec2 position;  // metres, the eye's ground point
    Vec2 lookAt;    // metres, the ground point looked at
};

struct Scenario {
    std::string file;         // the path it was read from (for messages)
    std::string name;         // header name, or the file's stem when absent
    std::string description;  // free text, may be empty
    Box worldBounds;          // header worldBounds (x, z), metres
    bool hasCamera = false;   // the first suggestedCameraView, when there is one
    CameraView camera;
    std::vector<AgentSpec> agents;  // agents in file order, each region's agents where it stood
    std::vector<Box> obstacles;     // obstacles and obstacle regions' squares, in file order
    uint32_t seed = 0;        // the seed the random values were drawn with
};

}  // namespace scenario
