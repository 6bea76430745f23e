#pragma once
// The embedded bitmap font used by TextOut and the menu bar: printable ASCII in fixed cells.
#include <cstdint>

#include "platform/raster.h"

namespace win::font {

constexpr int kGlyphWidth = 5;   // inked columns per glyph
constexpr int kGlyphRows = 9;    // 7 rows above the baseline, 2 for descenders
constexpr int kCellWidth = 6;    // advance per character, pixels
constexpr int kCellHeight = 11;  // line height, pixels: one blank row above and below the glyph
constexpr int kBaselineRow = 8;  // first row under the capitals, counted from the cell top

// Row bits of one glyph, bit 4 = leftmost column; characters outside 32..126 draw as '?'.
const uint8_t* glyphRows(char c);

// Draws `length` characters with the cell's top-left at (x, y). When `opaque`, each cell is
// first filled with `background`. Only the visible cells are visited.
void drawText(const raster::Canvas& canvas, int64_t x, int64_t y, const char* text, int length, uint32_t ink,
              bool opaque, uint32_t background);

}  // namespace win::font
