// The frame gate and the processor readings that the programs' ticks share.
#include "platform/win.h"
#include "shell/program_entry.h"

namespace shell {

bool passFrameGate(uint32_t& lastTickTime) {
    const uint32_t now = win::GetTickCount();
    // Unsigned difference: a wrap of the 32-bit counter still yields the true interval.
    if (now - lastTickTime <= kFrameGateMilliseconds) return false;
    lastTickTime = now;
    return true;
}

CpuInfo buildCpuInfo() {
    CpuInfo info;
    if (win::cpuidAvailable()) {
        uint32_t regs[4] = {0, 0, 0, 0};
        win::cpuid(0, regs);
        // The vendor text comes in ebx, edx, ecx order.
        const uint32_t parts[3] = {regs[1], regs[3], regs[2]};
        for (int p = 0; p < 3; ++p) {
            for (int b = 0; b < 4; ++b) {
                info.vendor[p * 4 + b] = static_cast<char>((parts[p] >> (8 * b)) & 0xFF);
            }
        }
        win::cpuid(1, regs);
        info.signature = regs[0];
        info.featureFlags = regs[3];
    }
    const uint32_t family = info.signature != 0 ? (info.signature >> 8) & 0xF : 4;
    info.hasTimeStampCounter = (family >= 5 && (info.featureFlags & 0x10) != 0) ? 1 : 0;
    return info;
}

uint32_t timeStampLow32() { return static_cast<uint32_t>(win::readTimeStampCounter()); }

}  // namespace shell
