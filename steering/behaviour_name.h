#pragma once
// How the three programs name their behaviours and find them: each behaviour prototype
// carries a name of at most 35 characters (a longer one is cut), and a program's registry
// is an array of prototypes searched by exact, case-sensitive name. Header only, so the two
// small programs use it without linking the steering library.
#include <array>
#include <cstddef>
#include <cstring>

namespace steering {

class BehaviourName {
public:
    // Constant-evaluated for the steering program's prototypes, so their names are in place
    // before any dynamic initialiser could search its registry.
    explicit constexpr BehaviourName(const char* name) : text_{} {
        std::size_t i = 0;
        for (; i + 1 < kBytes && name[i] != '\0'; ++i) text_[i] = name[i];
        text_[i] = '\0';
    }
    const char* text() const { return text_; }

private:
    static constexpr std::size_t kBytes = 36;  // 35 characters and the terminator
    char text_[kBytes];
};

// The first prototype in registry whose name() equals name exactly, or null (also for a
// null name).
template <typename Behaviour, std::size_t Count>
const Behaviour* findByName(const std::array<const Behaviour*, Count>& registry, const char* name) {
    if (name == nullptr) return nullptr;
    for (const Behaviour* behaviour : registry) {
        if (std::strcmp(behaviour->name(), name) == 0) return behaviour;
    }
    return nullptr;
}

}  // namespace steering
