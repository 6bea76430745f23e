#pragma once
// The one polymorphic interface of the steering program: a behaviour is a stateless
// prototype that computes a steering force for an agent. Prototypes are found by exact,
// case-sensitive name in a registry of nine (steering/behaviour_name.h).
#include <array>
#include <cstddef>

#include "steering/behaviour_name.h"
#include "world/fixed_math.h"

namespace steering {

struct Agent;

class Behaviour {
public:
    explicit constexpr Behaviour(const char* registeredName) : name_(registeredName) {}
    virtual ~Behaviour() = default;
    Behaviour(const Behaviour&) = delete;
    Behaviour& operator=(const Behaviour&) = delete;

    // The force in world units, 16.16. Only "follow_path" changes the agent (its path fields).
    virtual FixedVec computeForce(Agent& agent) const = 0;

    const char* name() const { return name_.text(); }

private:
    BehaviourName name_;
};

struct BehaviourEntry {
    Fixed weight = 0;                       // 16.16
    const Behaviour* behaviour = nullptr;   // a prototype, not owned
};

// An agent's weighted behaviours; fixed capacity, stored inline so a copied agent gets
// its own storage with the same entries and nothing is allocated per agent.
struct BehaviourList {
    // Room for the template's five entries and as many again added by name.
    static constexpr std::size_t kCapacity = 10;
    std::array<BehaviourEntry, kCapacity> entries{};
    std::size_t count = 0;
};

constexpr std::size_t kBehaviourCount = 9;
// "seek", "arrival", "separation", "avoid_obstacle", "repel_obstacle", "formation",
// "avoid_walls", "follow_path", in that order.
extern const std::array<const Behaviour*, kBehaviourCount> behaviourRegistry;

// The first registered prototype whose name equals name exactly, or null.
const Behaviour* findBehaviour(const char* name);

}  // namespace steering
