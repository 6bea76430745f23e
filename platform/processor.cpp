// Processor identification and the time-stamp counter: cpuid and rdtsc on x86-64, nothing
// elsewhere.
#include "platform/win.h"

#if defined(__x86_64__)
#include <cpuid.h>
#include <x86intrin.h>
#endif

namespace win {

bool cpuidAvailable() {
#if defined(__x86_64__)
    return true;  // every x86-64 processor has the identification instruction
#else
    return false;
#endif
}

void cpuid(uint32_t leaf, uint32_t registers[4]) {
    registers[0] = registers[1] = registers[2] = registers[3] = 0;
#if defined(__x86_64__)
    unsigned a = 0, b = 0, c = 0, d = 0;
    __cpuid(leaf, a, b, c, d);
    registers[0] = a;
    registers[1] = b;
    registers[2] = c;
    registers[3] = d;
#else
    (void)leaf;
#endif
}

uint64_t readTimeStampCounter() {
#if defined(__x86_64__)
    return __rdtsc();
#else
    return 0;
#endif
}

}  // namespace win
