// The nine behaviour prototypes, constructed before the program starts and alive for
// the whole run, and the registry through which agents find them by name.
#include "steering/behaviours.h"

namespace steering {

namespace {
// Defined in registry order so construction (and reverse destruction) follows it.
constinit const SeekBehaviour seekPrototype;
constinit const ArrivalBehaviour arrivalPrototype;
constinit const SeparationBehaviour separationPrototype;
constinit const AvoidObstacleBehaviour avoidObstaclePrototype;
constinit const RepelObstacleBehaviour repelObstaclePrototype;
constinit const FormationBehaviour formationPrototype;
constinit const AvoidWallsBehaviour avoidWallsPrototype;
constinit const FollowPathBehaviour followPathPrototype;
constinit const AvoidAgentsBehaviour avoidAgentsPrototype;
}  // namespace

// Addresses of objects with static storage are constant, so the table is ready before any
// dynamic initialiser that might search it.
const std::array<const Behaviour*, kBehaviourCount> behaviourRegistry = {
    &seekPrototype,          &arrivalPrototype,    &separationPrototype, &avoidObstaclePrototype,
    &repelObstaclePrototype, &formationPrototype,  &avoidWallsPrototype, &followPathPrototype,
    &avoidAgentsPrototype,
};

const Behaviour* findBehaviour(const char* name) { return findByName(behaviourRegistry, name); }

}  // namespace steering
