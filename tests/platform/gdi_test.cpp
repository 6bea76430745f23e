// The GDI calls through a device context: selection and deletion rules, the pen position,
// colours in COLORREF order, and text placement with the bitmap font.
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "platform/font.h"
#include "platform/gdi_objects.h"
#include "tests/platform/test_canvas.h"

using namespace win;
using platform_test::kBackground;
using platform_test::TestCanvas;

namespace {

// Made before main runs, as the programs' drawing resources are.
const HPEN staticPen = CreatePen(PS_SOLID, 1, RGB(255, 0, 255));
const HBRUSH staticBrush = CreateSolidBrush(RGB(0, 200, 200));

struct Context {
    TestCanvas canvas{64, 48};
    HDC dc = makeDeviceContext(canvas.canvas);
    ~Context() { destroyDeviceContext(dc); }
};

bool inked(uint32_t p) { return p != kBackground; }

}  // namespace

TEST(GdiObjects, ObjectsMadeDuringStaticInitialisationWork) {
    Context c;
    SelectObject(c.dc, staticPen);
    SelectObject(c.dc, staticBrush);
    Rectangle(c.dc, 0, 0, 10, 10);
    EXPECT_EQ(c.canvas.at(0, 0), 0xFF00FFu);
    EXPECT_EQ(c.canvas.at(5, 5), 0x00C8C8u);
}

TEST(GdiObjects, ColourReferencesBecomeRgbPixels) {
    Context c;
    HPEN blue = CreatePen(PS_SOLID, 1, RGB(0, 0, 255));
    SelectObject(c.dc, blue);
    MoveToEx(c.dc, 0, 0, nullptr);
    LineTo(c.dc, 5, 0);
    EXPECT_EQ(c.canvas.at(0, 0), 0x0000FFu);
    EXPECT_EQ(RGB(255, 130, 72), 0x4882FFu);
    SelectObject(c.dc, CreatePen(PS_SOLID, 1, RGB(255, 130, 72)));
    LineTo(c.dc, 5, 5);
    EXPECT_EQ(c.canvas.at(5, 0), 0xFF8248u);
    DeleteObject(SelectObject(c.dc, blue));
    DeleteObject(blue);
}

TEST(GdiObjects, SelectObjectReturnsThePreviousObjectOfTheSameKind) {
    Context c;
    HPEN a = CreatePen(PS_SOLID, 1, 0);
    HPEN b = CreatePen(PS_SOLID, 2, 0);
    HBRUSH brush = CreateSolidBrush(0);
    HGDIOBJ stockPen = SelectObject(c.dc, a);
    EXPECT_NE(stockPen, nullptr);
    HGDIOBJ stockBrush = SelectObject(c.dc, brush);
    EXPECT_NE(stockBrush, nullptr);
    EXPECT_NE(stockBrush, stockPen);
    EXPECT_EQ(SelectObject(c.dc, stockBrush), static_cast<HGDIOBJ>(brush)) << "a brush replaces only the brush";
    EXPECT_EQ(SelectObject(c.dc, b), static_cast<HGDIOBJ>(a));
    EXPECT_EQ(static_cast<HPEN>(SelectObject(c.dc, stockPen)), b);
    EXPECT_EQ(SelectObject(nullptr, a), nullptr);
    EXPECT_EQ(SelectObject(c.dc, nullptr), nullptr);
    DeleteObject(a);
    DeleteObject(b);
    DeleteObject(brush);
}

TEST(GdiObjects, DeletingASelectedObjectKeepsTheContextUsable) {
    // The programs delete their pens while the last one is still selected.
    TestCanvas canvas(32, 32);
    HDC dc = makeDeviceContext(canvas.canvas);
    HPEN pen = CreatePen(PS_SOLID, 1, RGB(0, 0, 255));
    HBRUSH brush = CreateSolidBrush(RGB(0, 200, 0));
    SelectObject(dc, pen);
    SelectObject(dc, brush);
    EXPECT_TRUE(DeleteObject(pen));
    EXPECT_TRUE(DeleteObject(brush));
    EXPECT_FALSE(DeleteObject(pen)) << "a second deletion is refused";
    Ellipse(dc, 0, 0, 20, 20);
    EXPECT_EQ(canvas.at(10, 10), 0x00C800u);
    EXPECT_EQ(SelectObject(dc, pen), nullptr) << "a deleted object cannot be selected again";
    destroyDeviceContext(dc);  // frees the pending objects (checked by the leak sanitizer)
}

TEST(GdiObjects, PenWidthIsLimitedAndZeroMeansOnePixel) {
    Context c;
    HPEN zero = CreatePen(PS_SOLID, 0, 0);
    SelectObject(c.dc, zero);
    MoveToEx(c.dc, 0, 10, nullptr);
    LineTo(c.dc, 10, 10);
    EXPECT_EQ(c.canvas.count(0), 10);
    SelectObject(c.dc, CreatePen(PS_SOLID, 1000000, 0));
    EXPECT_EQ(c.dc->pen->width, raster::kMaxPenWidth);
    DeleteObject(SelectObject(c.dc, zero));
    DeleteObject(zero);
}

TEST(GdiLines, MoveToExReportsTheOldPositionAndLineToMovesIt) {
    Context c;
    POINT old{};
    MoveToEx(c.dc, 3, 4, nullptr);
    MoveToEx(c.dc, 10, 20, &old);
    EXPECT_EQ(old.x, 3);
    EXPECT_EQ(old.y, 4);
    LineTo(c.dc, 30, 20);
    LineTo(c.dc, 30, 40);
    MoveToEx(c.dc, 0, 0, &old);
    EXPECT_EQ(old.x, 30);
    EXPECT_EQ(old.y, 40);
    // The corner pixel of the polyline is drawn by the second segment's first step.
    EXPECT_EQ(c.canvas.at(30, 20), 0u);
    EXPECT_EQ(c.canvas.at(30, 39), 0u);
    EXPECT_EQ(c.canvas.at(30, 40), kBackground);
}

TEST(GdiLines, TimingBarOfLengthZeroDrawsNothing) {
    Context c;
    MoveToEx(c.dc, 10, 10, nullptr);
    LineTo(c.dc, 10, 10);
    EXPECT_EQ(c.canvas.count(kBackground), 64 * 48);
}

TEST(GdiText, TransparentTextInksOnlyInsideItsCells) {
    Context c;
    SetBkMode(c.dc, TRANSPARENT);
    SetTextColor(c.dc, RGB(255, 0, 0));
    ASSERT_TRUE(TextOut(c.dc, 10, 20, "42", 2));
    int ink = 0;
    for (int y = 0; y < c.canvas.height(); ++y) {
        for (int x = 0; x < c.canvas.width(); ++x) {
            if (inked(c.canvas.at(x, y))) {
                ++ink;
                EXPECT_EQ(c.canvas.at(x, y), 0xFF0000u);
                EXPECT_GE(x, 10);
                EXPECT_LT(x, 10 + 2 * font::kCellWidth);
                EXPECT_GE(y, 20);
                EXPECT_LT(y, 20 + font::kCellHeight);
            }
        }
    }
    EXPECT_GT(ink, 10);
}

TEST(GdiText, OpaqueTextFillsItsCellsWithTheBackgroundColour) {
    Context c;
    SetBkColor(c.dc, RGB(255, 255, 0));
    TextOut(c.dc, 5, 5, "ab", 2);
    const int cells = 2 * font::kCellWidth * font::kCellHeight;
    EXPECT_EQ(c.canvas.count(0xFFFF00u) + c.canvas.count(0x000000u), cells);
    EXPECT_EQ(c.canvas.at(5, 5), 0xFFFF00u) << "the cell's top row is blank background";
}

TEST(GdiText, SettersReturnThePreviousValues) {
    Context c;
    EXPECT_EQ(SetBkMode(c.dc, TRANSPARENT), OPAQUE);
    EXPECT_EQ(SetBkMode(c.dc, OPAQUE), TRANSPARENT);
    EXPECT_EQ(SetBkMode(c.dc, 99), 0);
    EXPECT_EQ(SetTextColor(c.dc, RGB(1, 2, 3)), RGB(0, 0, 0));
    EXPECT_EQ(SetTextColor(c.dc, 0), RGB(1, 2, 3));
    EXPECT_EQ(SetBkColor(c.dc, RGB(0, 10, 0)), RGB(255, 255, 255));
    EXPECT_EQ(SetBkColor(nullptr, 0), 0xFFFFFFFFu);
}

TEST(GdiText, TextPartlyOrFarOffTheCanvasIsClipped) {
    Context c;
    SetBkMode(c.dc, TRANSPARENT);
    TextOut(c.dc, -4, -3, "HH", 2);
    EXPECT_GT(64 * 48 - c.canvas.count(kBackground), 0);
    TestCanvas far(64, 48);
    HDC dc = makeDeviceContext(far.canvas);
    const std::string longText(1000, 'W');
    TextOut(dc, -2000000000, 10, longText.c_str(), static_cast<int>(longText.size()));
    TextOut(dc, 2000000000, 10, "W", 1);
    TextOut(dc, 10, -2000000000, "W", 1);
    EXPECT_EQ(far.count(kBackground), 64 * 48);
    EXPECT_FALSE(TextOut(dc, 0, 0, nullptr, 3));
    EXPECT_FALSE(TextOut(dc, 0, 0, "x", -1));
    destroyDeviceContext(dc);
}

TEST(Font, EveryPrintableCharacterButSpaceHasInkAndLettersAndDigitsDiffer) {
    std::set<std::string> shapes;
    for (int ch = 33; ch <= 126; ++ch) {
        const uint8_t* rows = font::glyphRows(static_cast<char>(ch));
        std::string shape(reinterpret_cast<const char*>(rows), font::kGlyphRows);
        int bits = 0;
        for (int r = 0; r < font::kGlyphRows; ++r) {
            bits += rows[r] != 0 ? 1 : 0;
            EXPECT_LT(rows[r], 1u << font::kGlyphWidth);
        }
        EXPECT_GT(bits, 0) << "character " << ch;
        if ((ch >= '0' && ch <= '9') || (ch >= 'A' && ch <= 'Z') || (ch >= 'a' && ch <= 'z')) {
            EXPECT_TRUE(shapes.insert(shape).second) << "character " << static_cast<char>(ch) << " repeats a shape";
        }
    }
    const uint8_t* space = font::glyphRows(' ');
    for (int r = 0; r < font::kGlyphRows; ++r) {
        EXPECT_EQ(space[r], 0);
    }
    EXPECT_EQ(font::glyphRows('\x01'), font::glyphRows('?'));
}
