#pragma once
// Between the canvas backend, the page's files and the browser loop: the canvas's pixel
// bytes, and whether a frame reached the canvas.
#include <cstdint>

#include "platform/win.h"

namespace win::web {

// A 0x00RRGGBB pixel as the little-endian word whose bytes are R, G, B, 255: what a
// canvas's ImageData holds.
constexpr uint32_t canvasPixel(uint32_t p) {
    return 0xFF000000u | ((p & 0xFFu) << 16) | (p & 0xFF00u) | ((p >> 16) & 0xFFu);
}

// Draws the window's last painted frame on the canvas, once: true when there was one
// painted since the last call. The program paints into the window; the loop calls this
// once per display frame.
bool presentPaintedFrame();

// The program's clock (GetTickCount on the page): the loop's, moved on tick by tick.
DWORD loopClock();

}  // namespace win::web
