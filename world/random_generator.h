#pragma once
// The C runtime's 15-bit linear congruential generator, kept as an object of each program
// (never the C library's own rand) so that every run builds the same agents. All three
// programs draw their agents' sizes and limits from it.
#include <cstdint>

namespace steering {

struct RandomGenerator {
    uint32_t state = 1;  // 1 when a program's world is set up

    // state = state * 214013 + 2531011 (mod 2^32, unsigned so the wrap is defined);
    // result (state >> 16) & 0x7FFF, 0..32767.
    int next() {
        state = state * 214013u + 2531011u;
        return static_cast<int>((state >> 16) & 0x7FFFu);
    }
};

}  // namespace steering
