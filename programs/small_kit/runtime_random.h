#pragma once
// The small programs' draw of a value in [-1, 1] from the shared generator.
#include "world/random_generator.h"

namespace small_kit {

using steering::RandomGenerator;

// The factor 1/1023 as the double the programs multiply by.
inline constexpr double kUnitRandomScale = 1.0 / 1023.0;

// 2 * (rand() >> 5) / 1023 - 1: one of 1024 evenly spaced values in [-1, 1], computed as
// the even integer 2 * (rand() >> 5) times the factor, so that the last bit matches.
inline double unitRandom(RandomGenerator& random) {
    return static_cast<double>(2 * (random.next() >> 5)) * kUnitRandomScale - 1.0;
}

}  // namespace small_kit
