#pragma once
// The one polymorphic interface of the steering program: a behaviour is a stateless
// prototype that computes a steering force for an agent. Prototypes are found by exact,
// case-sensitive name in a registry of eight.
#include <array>
#include <cstddef>

#include "world/fixed_math.h"

namespace steering {

struct Agent;

class Behaviour {
public:
    // Constant-evaluated for the prototypes, so their names are in place before any
    // dynamic initialiser could search the registry.
    explicit constexpr Behaviour(const char* registeredName) : name_{} {
        std::size_t i = 0;
        for (; i + 1 < sizeof(name_) && registeredName[i] != '\0'; ++i) name_[i] = registeredName[i];
        name_[i] = '\0';
    }
    virtual ~Behaviour() = default;
    Behaviour(const Behaviour&) = delete;
    Behaviour& operator=(const Behaviour&) = delete;

    // The force in world units, 16.16. Only "follow_path" changes the agent (its path fields).
    virtual FixedVec computeForce(Agent& agent) const = 0;

    const char* name() const { return name_; }

private:
    static constexpr std::size_t kNameBytes = 36;  // names are at most 35 characters
    char name_[kNameBytes];
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

constexpr std::size_t kBehaviourCount = 8;
// "seek", "arrival", "separation", "avoid_obstacle", "repel_obstacle", "formation",
// "avoid_walls", "follow_path", in that order.
extern const std::array<const Behaviour*, kBehaviourCount> behaviourRegistry;

// The first registered prototype whose name equals name exactly, or null.
const Behaviour* findBehaviour(const char* name);

}  // namespace steering
