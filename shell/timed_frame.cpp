#include "shell/timed_frame.h"

#include "shell/program_entry.h"

namespace shell {

using namespace win;

namespace {

void timingBar(HDC dc, HPEN pen, uint32_t cycles, int y) {
    SelectObject(dc, pen);
    MoveToEx(dc, kTimingBarStartX, y, nullptr);
    LineTo(dc, static_cast<int>(cycles >> kTimingBarCyclesShift) + kTimingBarStartX, y);
}

}  // namespace

FrameTiming runFrame(const Presentation& presentation, HWND window, const FrameParts& parts) {
    clearOffscreen(presentation);
    const bool bars = parts.updateBarPen != nullptr && parts.drawBarPen != nullptr;
    const bool counting = bars && buildCpuInfo().hasTimeStampCounter != 0;

    const uint64_t updateBegin = monotonicNanoseconds();
    const uint32_t updateStart = counting ? timeStampLow32() : 0;
    parts.update(parts.context);
    const uint32_t updateCycles = counting ? timeStampLow32() - updateStart : 0;  // unsigned: wraps
    const uint64_t drawBegin = monotonicNanoseconds();

    const uint32_t drawStart = counting ? timeStampLow32() : 0;
    // Without an off-screen device context the simulation still runs; nothing is drawn.
    const HDC dc = presentation.offscreenDC;
    if (dc != nullptr) parts.draw(parts.context, dc);
    const uint32_t drawCycles = counting ? timeStampLow32() - drawStart : 0;

    if (dc != nullptr && bars) {
        timingBar(dc, parts.updateBarPen, updateCycles, kUpdateBarY);
        timingBar(dc, parts.drawBarPen, drawCycles, kDrawBarY);
    }
    const uint64_t drawEnd = monotonicNanoseconds();
    FrameTiming timing;
    timing.updateNanoseconds = drawBegin - updateBegin;
    timing.drawNanoseconds = drawEnd - drawBegin;

    RECT client;
    GetClientRect(window, &client);
    InvalidateRect(window, &client, FALSE);
    return timing;
}

}  // namespace shell
