#pragma once
// Double-precision 2-D vectors in window pixels (x right, y down), the truncation every
// drawing and cell computation uses, and the local frame of an agent (its position,
// heading and side). Shared by steering_walls and steering_basic.
#include <concepts>
#include <cstdint>

namespace small_kit {

struct DoubleVec {
    double x = 0.0;  // pixels, to the right
    double y = 0.0;  // pixels, downward
};

constexpr DoubleVec operator+(DoubleVec a, DoubleVec b) { return {a.x + b.x, a.y + b.y}; }
constexpr DoubleVec operator-(DoubleVec a, DoubleVec b) { return {a.x - b.x, a.y - b.y}; }
constexpr DoubleVec operator*(DoubleVec a, double s) { return {a.x * s, a.y * s}; }
constexpr DoubleVec operator*(double s, DoubleVec a) { return {a.x * s, a.y * s}; }
constexpr DoubleVec operator/(DoubleVec a, double s) { return {a.x / s, a.y / s}; }
constexpr DoubleVec& operator+=(DoubleVec& a, DoubleVec b) {
    a.x += b.x;
    a.y += b.y;
    return a;
}
constexpr bool operator==(DoubleVec a, DoubleVec b) { return a.x == b.x && a.y == b.y; }

constexpr double dot(DoubleVec a, DoubleVec b) { return a.x * b.x + a.y * b.y; }
constexpr double lengthSquared(DoubleVec v) { return v.x * v.x + v.y * v.y; }
double length(DoubleVec v);

// (0, 0) when v has length 0 or a length that is not a number; v scaled down to
// maxLength when longer; otherwise v itself.
DoubleVec vecLimit(DoubleVec v, double maxLength);
// Unit vector along v; (0, 0) when v has length 0 or a length that is not a number.
DoubleVec vecNormalise(DoubleVec v);
// v turned a quarter turn: (-v.y, v.x).
constexpr DoubleVec vecPerp(DoubleVec v) { return {-v.y, v.x}; }

// Truncation toward zero to a signed 32-bit integer, as the processor's conversion does:
// a value that is not a number or lies outside the 32-bit range gives INT32_MIN
// (the "integer indefinite") instead of undefined behaviour.
int32_t truncToInt32(double value);

// Where a circle of radius r round l (in an agent's frame, x ahead) is first entered by
// the x axis: the smaller root of x^2 - 2 l.x x + |l|^2 - r^2 = 0; noEntry when the axis
// misses it or only grazes it.
double axisCircleEntry(DoubleVec l, double r, double noEntry);

// An agent record carrying the fields of the local frame.
template <class Agent>
concept FramedAgent = requires(const Agent& a) {
    { a.position } -> std::convertible_to<DoubleVec>;
    { a.heading } -> std::convertible_to<DoubleVec>;
    { a.side } -> std::convertible_to<DoubleVec>;
};

// World point p in the agent's frame: x along its heading, y along its side.
template <FramedAgent Agent>
constexpr DoubleVec toLocal(const Agent& agent, DoubleVec p) {
    const DoubleVec d = p - agent.position;
    return {dot(d, agent.heading), dot(d, agent.side)};
}
// A local direction turned into a world direction.
template <FramedAgent Agent>
constexpr DoubleVec toWorldDirection(const Agent& agent, DoubleVec local) {
    return agent.heading * local.x + agent.side * local.y;
}
// A local point turned into a world point.
template <FramedAgent Agent>
constexpr DoubleVec toWorld(const Agent& agent, DoubleVec local) {
    return toWorldDirection(agent, local) + agent.position;
}

// One step of an agent under its (already summed) steering force: the force limited to
// maxForce, divided by the mass, added to the velocity (limited to maxSpeed), the position
// moved by the velocity, and heading and side made from the new velocity.
template <typename Agent>
void moveByForce(Agent& agent, DoubleVec force) {
    const DoubleVec acceleration = vecLimit(force, agent.maxForce) / agent.mass;
    agent.velocity = vecLimit(agent.velocity + acceleration, agent.maxSpeed);
    agent.position = agent.position + agent.velocity;
    agent.heading = vecNormalise(agent.velocity);
    agent.side = vecPerp(agent.heading);
}

}  // namespace small_kit
