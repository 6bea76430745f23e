#pragma once
// The eight behaviour classes behind the registry's prototypes, and the geometric helpers
// they share with the agent drawing. Each class is stateless: everything it needs comes
// from the agent passed in or from the shared world (map, neighbour grid, navigation).
#include <optional>

#include "steering/behaviour.h"
#include "world/fixed_math.h"

namespace steering {

struct Agent;

// Toward seekTarget with the whole offset as desired velocity.
class SeekBehaviour final : public Behaviour {
public:
    constexpr SeekBehaviour() : Behaviour("seek") {}
    FixedVec computeForce(Agent& agent) const override;
};

// Toward seekTarget, slowing within ten steps' travel and stopping on it.
class ArrivalBehaviour final : public Behaviour {
public:
    constexpr ArrivalBehaviour() : Behaviour("arrival") {}
    FixedVec computeForce(Agent& agent) const override;
};

// About one world unit away from every touching neighbour.
class SeparationBehaviour final : public Behaviour {
public:
    constexpr SeparationBehaviour() : Behaviour("separation") {}
    FixedVec computeForce(Agent& agent) const override;
};

// Sideways away from the nearest obstacle that the forward axis runs into.
class AvoidObstacleBehaviour final : public Behaviour {
public:
    constexpr AvoidObstacleBehaviour() : Behaviour("avoid_obstacle") {}
    FixedVec computeForce(Agent& agent) const override;
};

// Away from every touching obstacle, with a push of about sqrt(distance).
class RepelObstacleBehaviour final : public Behaviour {
public:
    constexpr RepelObstacleBehaviour() : Behaviour("repel_obstacle") {}
    FixedVec computeForce(Agent& agent) const override;
};

// Arrival at a slot in the leader's frame.
class FormationBehaviour final : public Behaviour {
public:
    constexpr FormationBehaviour() : Behaviour("formation") {}
    FixedVec computeForce(Agent& agent) const override;
};

// Sideways from the agents it would walk into within the next few steps.
class AvoidAgentsBehaviour final : public Behaviour {
public:
    constexpr AvoidAgentsBehaviour() : Behaviour("avoid_agents") {}
    FixedVec computeForce(Agent& agent) const override;
};

// Back from wall cells ahead of the agent's two-step probe.
class AvoidWallsBehaviour final : public Behaviour {
public:
    constexpr AvoidWallsBehaviour() : Behaviour("avoid_walls") {}
    FixedVec computeForce(Agent& agent) const override;
};

// Along the planned path five waypoints at a time, re-planning when stuck; changes the
// agent's path fields.
class FollowPathBehaviour final : public Behaviour {
public:
    constexpr FollowPathBehaviour() : Behaviour("follow_path") {}
    FixedVec computeForce(Agent& agent) const override;
};

// Look-ahead of "avoid_obstacle": radius plus the distance covered in ten steps.
Fixed detectionLength(const Agent& agent);

// Where the forward axis (y = 0 of the agent frame) first meets the circle of centre c
// (agent frame) and radius r: c.x - sqrt(r^2 - c.y^2); none when the axis misses or only
// grazes the circle. Evaluated in 64-bit integers and a double square root, so it stays
// exact to a raw unit whatever the radius and offset.
std::optional<Fixed> axisCircleEntry(FixedVec c, Fixed r);

// The probe point of "avoid_walls": two steps ahead.
FixedVec wallProbe(const Agent& agent);

// Distance along the ray from p with unit direction d to its first crossing of the circle
// of centre c and radius r (negative when p is past it or inside); none when
// b^2 - c <= 0. Evaluated in double, so offsets of many cells keep sub-unit accuracy.
std::optional<Fixed> rayCircleEntry(FixedVec p, FixedVec d, FixedVec c, Fixed r);

}  // namespace steering

namespace steering {

// The arrival rule shared by "arrival", "formation" and the end of "follow_path": d is the
// offset to the goal and distance its measure (true or approximate length). Zero when the
// distance is 0; else the desired speed is distance / 10 capped at maxSpeed.
FixedVec arrivalForce(FixedVec d, Fixed distance, Fixed maxSpeed, FixedVec velocity);

// Reports once per world (every time for an agent in none) that a behaviour met a missing input (a null seekTarget or
// leader), which it then treats as "no force".
void reportMissingInput(Agent& agent, const char* behaviourName, const char* field);

}  // namespace steering
