#pragma once
// The block of static obstacles both small programs start with.
#include "programs/small_kit/runtime_random.h"

namespace small_kit {

// A 4 x 4 block, 75 pixels apart, from (200, 120).
inline constexpr double kObstacleFirstX = 200.0, kObstacleEndX = 500.0;
inline constexpr double kObstacleFirstY = 120.0, kObstacleEndY = 420.0;
inline constexpr double kObstacleSpacing = 75.0;

// Row by row, create(prototype) with the prototype at each point and a radius of
// 15 + 10 u pixels, u drawn per obstacle; the prototype's other fields are the caller's.
template <typename Agent, typename Create>
void addObstacleBlock(Agent& prototype, RandomGenerator& random, Create&& create) {
    for (double y = kObstacleFirstY; y < kObstacleEndY; y += kObstacleSpacing) {
        for (double x = kObstacleFirstX; x < kObstacleEndX; x += kObstacleSpacing) {
            prototype.radius = 15.0 + 10.0 * unitRandom(random);
            prototype.position = {x, y};
            create(prototype);
        }
    }
}

}  // namespace small_kit
