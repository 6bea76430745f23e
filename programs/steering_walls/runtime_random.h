#pragma once
// The C runtime's 15-bit linear congruential generator, kept as an object of each
// program (never the C library's own rand) so that every run builds the same agents.
#include <cstdint>

namespace steering_walls {

struct RuntimeRandom {
    uint32_t seed = 1;  // starts at 1 and is never reseeded

    // seed = seed * 214013 + 2531011 (mod 2^32); result (seed >> 16) & 0x7FFF, 0..32767.
    int next() {
        seed = seed * 214013u + 2531011u;
        return static_cast<int>((seed >> 16) & 0x7FFFu);
    }
};

// The factor 1/1023 as the double the programs multiply by.
inline constexpr double unitRandomScale = 1.0 / 1023.0;

// 2 * (rand() >> 5) / 1023 - 1: one of 1024 evenly spaced values in [-1, 1], computed as
// the even integer 2 * (rand() >> 5) times the factor, so that the last bit matches.
inline double unitRandom(RuntimeRandom& random) {
    return static_cast<double>(2 * (random.next() >> 5)) * unitRandomScale - 1.0;
}

}  // namespace steering_walls
