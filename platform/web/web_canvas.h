#pragma once
// Between the canvas backend, the page's files and the browser loop: the canvas's pixel
// bytes, and whether a frame reached the canvas.
#include <cstdint>

namespace win::web {

// A 0x00RRGGBB pixel as the little-endian word whose bytes are R, G, B, 255: what a
// canvas's ImageData holds.
constexpr uint32_t canvasPixel(uint32_t p) {
    return 0xFF000000u | ((p & 0xFFu) << 16) | (p & 0xFF00u) | ((p >> 16) & 0xFFu);
}

// True when the canvas was drawn since the last call; clears the mark.
bool takeFramePresented();

}  // namespace win::web
