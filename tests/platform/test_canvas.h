#pragma once
// A canvas with its own pixels for rasterizer tests, and small pixel queries.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "platform/raster.h"

namespace platform_test {

constexpr uint32_t kBackground = 0x123456;  // a colour no primitive in the tests uses
constexpr uint32_t kPen = 0x000000;
constexpr uint32_t kBrush = 0x00C8C8;

struct TestCanvas {
    std::vector<uint32_t> pixels;
    win::raster::Canvas canvas;

    TestCanvas(int width, int height) : pixels(static_cast<size_t>(width) * height, kBackground) {
        canvas = win::raster::Canvas{pixels.data(), width, height, width};
    }
    uint32_t at(int x, int y) const { return pixels[static_cast<size_t>(y) * canvas.width + x]; }
    int width() const { return canvas.width; }
    int height() const { return canvas.height; }
    int count(uint32_t pixel) const {
        int n = 0;
        for (uint32_t p : pixels) {
            n += p == pixel ? 1 : 0;
        }
        return n;
    }
};

inline win::raster::Style penAndBrush(int width = 1) {
    return win::raster::Style{true, kPen, width, true, kBrush};
}

}  // namespace platform_test
