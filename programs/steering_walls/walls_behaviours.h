#pragma once
// The behaviour interface of steering_walls and its seven stateless singletons, found by
// exact name in the registry. A behaviour only reads the agent, its target, and its
// world's agent grid and wall map; the candidate lists it fills are the world's scratch list.
#include <array>
#include <cstddef>

#include "programs/steering_walls/walls_agent.h"
#include "steering/behaviour_name.h"

namespace steering_walls {

class WallsBehaviour {
public:
    explicit WallsBehaviour(const char* name) : name_(name) {}
    virtual ~WallsBehaviour() = default;
    WallsBehaviour(const WallsBehaviour&) = delete;
    WallsBehaviour& operator=(const WallsBehaviour&) = delete;

    // The raw force this behaviour asks for; the caller limits and weights it.
    virtual DoubleVec computeForce(const WallsAgent& agent) const = 0;
    const char* name() const { return name_.text(); }

private:
    steering::BehaviourName name_;
};

inline constexpr std::size_t kWallsBehaviourCount = 7;

// "seek", "arrival", "separation", "avoid_static", "repel_static", "formation",
// "avoid_walls", in this order; the singletons live for the whole run.
const std::array<const WallsBehaviour*, kWallsBehaviourCount>& behaviourRegistry();
// The singleton of that exact, case-sensitive name, or null.
const WallsBehaviour* findBehaviour(const char* name);

// Steps of look-ahead of "repel_static" and of its overlay box.
inline constexpr double kRepelLookAheadSteps = 10.0;
// Steps of look-ahead of "avoid_walls".
inline constexpr double kWallLookAheadSteps = 4.0;

// Length of the look-ahead box of "repel_static": distance travelled in ten steps plus
// the radius.
double detectionLength(const WallsAgent& agent);

// Where the circle of radius r around local point l first crosses the local x axis, or
// the most negative finite double when it does not cross it.
double axisCircleEntry(DoubleVec l, double r);
// Distance along dir (scaled by its length) from p to the first crossing of the circle
// of radius r around c, or the largest finite double when the line misses it.
double rayCircleEntry(DoubleVec p, DoubleVec dir, DoubleVec c, double r);

}  // namespace steering_walls
