#pragma once
// The agent record of steering_basic and its behaviour interface. Unlike steering_walls,
// every behaviour adds its own weighted and limited contribution into the agent's force
// accumulator; the update limits only the total.
#include <array>
#include <cstddef>
#include <vector>

#include "programs/small_kit/double_vec.h"
#include "steering/behaviour_name.h"

namespace steering_basic {

using small_kit::DoubleVec;

class BasicBehaviour;

struct BehaviourEntry {
    double weight = 0.0;                        // handed to the behaviour, which applies it
    const BasicBehaviour* behaviour = nullptr;  // a registry singleton, not owned
};

class AgentArray;

struct BasicAgent {
    bool isStatic = false;   // fixed circular obstacle: never moved; seen only by the obstacle behaviours
    double mass = 1.0;       // divides the steering force; positive
    double radius = 10.0;    // body radius, pixels
    DoubleVec position{};    // centre, pixels
    DoubleVec velocity{};    // pixels per step, at most maxSpeed long
    double maxForce = 1.0;   // limit of the total and of the arrival, separation, avoidance and formation pushes
    double maxSpeed = 5.0;   // limit of the velocity; cap of "arrival"/"formation"; desired speed of "seek"
    DoubleVec heading{};     // unit vector of the velocity after the last step; (0, 0) at rest
    DoubleVec side{};        // vecPerp(heading)
    DoubleVec steeringForce{};  // accumulator of the last update, unlimited; drawn by the overlay
    const BasicAgent* target = nullptr;  // pursued by "seek"/"arrival"; the leader of "formation"; not owned
    DoubleVec formationOffset{};         // slot in the leader's frame: x along its heading, y along its side
    std::vector<BehaviourEntry> behaviours;  // applied in order; copies own their storage
    // The agents the separation and obstacle behaviours look at: its world's, set by
    // createAgent; null (no neighbours) for an agent outside any world.
    const AgentArray* population = nullptr;
};

class BasicBehaviour {
public:
    explicit BasicBehaviour(const char* name) : name_(name) {}
    virtual ~BasicBehaviour() = default;
    BasicBehaviour(const BasicBehaviour&) = delete;
    BasicBehaviour& operator=(const BasicBehaviour&) = delete;

    // Adds this behaviour's contribution, weight and limit applied, to agent.steeringForce.
    virtual void apply(double weight, BasicAgent& agent) const = 0;
    const char* name() const { return name_.text(); }

private:
    steering::BehaviourName name_;
};

inline constexpr std::size_t kBasicBehaviourCount = 6;

// "seek", "arrival", "separation", "avoid_static", "avoid_static_2", "formation", in
// this order; the singletons live for the whole run.
const std::array<const BasicBehaviour*, kBasicBehaviourCount>& behaviourRegistry();
// The singleton of that exact, case-sensitive name, or null.
const BasicBehaviour* findBehaviour(const char* name);

// Appends {weight, behaviour named name} when the registry holds that exact name;
// otherwise returns false and changes nothing. A full list grows to size + max(size, 1).
bool addBehaviour(BasicAgent& agent, double weight, const char* name);
// Empties the behaviour list (capacity kept); the static flag is left as it is.
void clearBehaviours(BasicAgent& agent);

// One simulation step: clears the accumulator, and for a mobile agent applies every
// behaviour, limits the total, integrates and updates heading and side.
void updateAgent(BasicAgent& agent);

// Where the circle of radius r around local point l first crosses the local x axis, or
// the smallest positive normal double when it does not cross it (so a miss of the axis
// still counts as a hit very close ahead).
double axisCircleEntryOrTiny(DoubleVec l, double r);

}  // namespace steering_basic
