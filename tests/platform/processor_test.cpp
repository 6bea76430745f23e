// Processor identification and the time-stamp counter.
#include <gtest/gtest.h>

#include <cctype>

#include "platform/win.h"

TEST(Processor, IdentificationMatchesTheArchitecture) {
#if defined(__x86_64__)
    ASSERT_TRUE(win::cpuidAvailable());
    uint32_t r[4];
    win::cpuid(0, r);
    EXPECT_GE(r[0], 1u) << "leaf 1 exists on every x86-64 processor";
    // The vendor text is in ebx, edx, ecx order: twelve printable characters.
    const uint32_t order[3] = {r[1], r[3], r[2]};
    for (uint32_t word : order) {
        for (int i = 0; i < 4; ++i) {
            EXPECT_TRUE(std::isprint(static_cast<int>((word >> (8 * i)) & 0xFF)));
        }
    }
    win::cpuid(1, r);
    EXPECT_NE(r[0], 0u) << "a signature";
    EXPECT_NE(r[3] & 0x10u, 0u) << "x86-64 processors have a time-stamp counter";
#else
    EXPECT_FALSE(win::cpuidAvailable());
    uint32_t r[4] = {1, 2, 3, 4};
    win::cpuid(0, r);
    EXPECT_EQ(r[0] | r[1] | r[2] | r[3], 0u);
    EXPECT_EQ(win::readTimeStampCounter(), 0u);
#endif
}

TEST(Processor, TimeStampCounterAdvances) {
#if defined(__x86_64__)
    const uint64_t a = win::readTimeStampCounter();
    volatile uint64_t sink = 0;
    for (int i = 0; i < 100000; ++i) {
        sink = sink + static_cast<uint64_t>(i);
    }
    const uint64_t b = win::readTimeStampCounter();
    EXPECT_GT(b, a);
#else
    EXPECT_EQ(win::readTimeStampCounter(), 0u);
#endif
}
