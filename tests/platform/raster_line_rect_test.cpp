// Lines and rectangles: exclusive end pixels and edges, wide pens, and clipping of
// coordinates anywhere in the 32-bit range.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <random>

#include "tests/platform/test_canvas.h"

using namespace win::raster;
using platform_test::kBackground;
using platform_test::kBrush;
using platform_test::kPen;
using platform_test::TestCanvas;

namespace {

// Reference: every step of the line by the defining rule, plotted only when on the canvas.
void referenceLine(TestCanvas& c, int64_t x0, int64_t y0, int64_t x1, int64_t y1, uint32_t pixel) {
    const int64_t dx = x1 - x0;
    const int64_t dy = y1 - y0;
    const bool xMajor = std::llabs(dx) >= std::llabs(dy);
    const int64_t dMaj = xMajor ? std::llabs(dx) : std::llabs(dy);
    const int64_t dMin = xMajor ? std::llabs(dy) : std::llabs(dx);
    const int64_t sMaj = (xMajor ? dx : dy) < 0 ? -1 : 1;
    const int64_t sMin = (xMajor ? dy : dx) < 0 ? -1 : 1;
    for (int64_t i = 0; i < dMaj; ++i) {
        const int64_t k = (2 * i * dMin + dMaj) / (2 * dMaj);
        const int64_t major = (xMajor ? x0 : y0) + sMaj * i;
        const int64_t minor = (xMajor ? y0 : x0) + sMin * k;
        const int64_t x = xMajor ? major : minor;
        const int64_t y = xMajor ? minor : major;
        if (x >= 0 && x < c.width() && y >= 0 && y < c.height()) {
            c.pixels[static_cast<size_t>(y) * c.width() + x] = pixel;
        }
    }
}

}  // namespace

TEST(RasterLine, EndPixelIsNotDrawn) {
    TestCanvas c(40, 40);
    drawLine(c.canvas, 10, 10, 20, 10, 1, kPen);
    for (int x = 10; x < 20; ++x) {
        EXPECT_EQ(c.at(x, 10), kPen) << x;
    }
    EXPECT_EQ(c.at(20, 10), kBackground);
    EXPECT_EQ(c.at(9, 10), kBackground);
    EXPECT_EQ(c.count(kPen), 10);
}

TEST(RasterLine, PointDrawsNothing) {
    TestCanvas c(10, 10);
    drawLine(c.canvas, 5, 5, 5, 5, 1, kPen);
    drawLine(c.canvas, 5, 5, 5, 5, 2, kPen);
    EXPECT_EQ(c.count(kPen), 0);
}

TEST(RasterLine, DiagonalAndSteepLinesStepOnePixelPerRowOrColumn) {
    TestCanvas c(40, 40);
    drawLine(c.canvas, 0, 0, 10, 10, 1, kPen);
    for (int i = 0; i < 10; ++i) {
        EXPECT_EQ(c.at(i, i), kPen);
    }
    TestCanvas steep(40, 40);
    drawLine(steep.canvas, 5, 30, 8, 2, 1, kPen);
    for (int y = 3; y <= 30; ++y) {
        int inRow = 0;
        for (int x = 0; x < 40; ++x) {
            inRow += steep.at(x, y) == kPen ? 1 : 0;
        }
        EXPECT_EQ(inRow, 1) << "row " << y;
    }
    EXPECT_EQ(steep.at(8, 2), kBackground);
}

TEST(RasterLine, MatchesStepByStepReferenceWhenClipped) {
    std::mt19937 random(7);
    std::uniform_int_distribution<int> coordinate(-3000, 3000);
    for (int n = 0; n < 400; ++n) {
        const int x0 = coordinate(random), y0 = coordinate(random);
        const int x1 = coordinate(random), y1 = coordinate(random);
        TestCanvas drawn(64, 48);
        TestCanvas reference(64, 48);
        drawLine(drawn.canvas, x0, y0, x1, y1, 1, kPen);
        referenceLine(reference, x0, y0, x1, y1, kPen);
        ASSERT_EQ(drawn.pixels, reference.pixels) << x0 << "," << y0 << " -> " << x1 << "," << y1;
    }
}

TEST(RasterLine, HugeCoordinatesStayWithinHalfAPixelOfTheIdealLine) {
    std::mt19937 random(11);
    std::uniform_int_distribution<int64_t> far(-2000000000, 2000000000);
    std::uniform_int_distribution<int64_t> near(-50, 700);
    int linesSeen = 0;
    for (int n = 0; n < 300; ++n) {
        // One end far away, the other near the canvas, so that the line crosses it.
        const int64_t x0 = far(random), y0 = far(random);
        const int64_t x1 = near(random), y1 = near(random);
        TestCanvas c(640, 480);
        drawLine(c.canvas, x0, y0, x1, y1, 1, kPen);
        const long double dx = static_cast<long double>(x1 - x0);
        const long double dy = static_cast<long double>(y1 - y0);
        const bool xMajor = std::fabs(dx) >= std::fabs(dy);
        int drawnPixels = 0;
        for (int y = 0; y < c.height(); ++y) {
            for (int x = 0; x < c.width(); ++x) {
                if (c.at(x, y) != kPen) {
                    continue;
                }
                ++drawnPixels;
                // Distance along the minor axis from the ideal line at this major coordinate.
                const long double off = xMajor ? (y0 + (x - x0) * dy / dx) - y : (x0 + (y - y0) * dx / dy) - x;
                ASSERT_LE(std::fabs(off), 0.5L + 1e-6L) << "line " << n << " pixel " << x << "," << y;
            }
        }
        linesSeen += drawnPixels > 0 ? 1 : 0;
    }
    EXPECT_GT(linesSeen, 100);  // most of the lines do cross the canvas
}

TEST(RasterLine, HugeHorizontalLineFillsItsRowExactly) {
    TestCanvas c(640, 480);
    drawLine(c.canvas, -2147483647, 100, 2147483647, 100, 1, kPen);
    for (int x = 0; x < 640; ++x) {
        ASSERT_EQ(c.at(x, 100), kPen);
    }
    EXPECT_EQ(c.count(kPen), 640);
}

TEST(RasterLine, LinesMissingTheCanvasDrawNothing) {
    TestCanvas c(64, 48);
    drawLine(c.canvas, -2000000000, -5, 2000000000, -5, 1, kPen);
    drawLine(c.canvas, -2000000000, -2000000000, -10, 2000000000, 1, kPen);
    drawLine(c.canvas, 64, 0, 2000000000, 47, 2, kPen);
    EXPECT_EQ(c.count(kPen), 0);
}

TEST(RasterLine, TwoPixelPenCoversTwoRowsOrColumns) {
    TestCanvas c(40, 40);
    drawLine(c.canvas, 5, 20, 15, 20, 2, kPen);
    for (int x = 5; x < 15; ++x) {
        EXPECT_EQ(c.at(x, 19), kPen);
        EXPECT_EQ(c.at(x, 20), kPen);
        EXPECT_EQ(c.at(x, 21), kBackground);
    }
    EXPECT_EQ(c.count(kPen), 20);
    TestCanvas v(40, 40);
    drawLine(v.canvas, 10, 5, 10, 15, 2, kPen);
    EXPECT_EQ(v.count(kPen), 20);
    EXPECT_EQ(v.at(9, 5), kPen);
    EXPECT_EQ(v.at(10, 14), kPen);
}

TEST(RasterLine, WidePenAtTheCanvasEdgeIsClipped) {
    TestCanvas c(20, 20);
    drawLine(c.canvas, 0, 0, 20, 0, 2, kPen);  // row -1 is off the canvas
    EXPECT_EQ(c.count(kPen), 20);
}

TEST(RasterRectangle, RightAndBottomEdgesAreExclusive) {
    TestCanvas c(40, 40);
    drawRectangle(c.canvas, 0, 0, 18, 18, platform_test::penAndBrush());
    for (int i = 0; i < 18; ++i) {
        EXPECT_EQ(c.at(i, 0), kPen);
        EXPECT_EQ(c.at(i, 17), kPen);
        EXPECT_EQ(c.at(0, i), kPen);
        EXPECT_EQ(c.at(17, i), kPen);
        EXPECT_EQ(c.at(18, i), kBackground);
        EXPECT_EQ(c.at(i, 18), kBackground);
    }
    for (int y = 1; y < 17; ++y) {
        for (int x = 1; x < 17; ++x) {
            ASSERT_EQ(c.at(x, y), kBrush);
        }
    }
    EXPECT_EQ(c.count(kPen) + c.count(kBrush), 18 * 18);
}

TEST(RasterRectangle, NeighbouringCellsWithOneExtraPixelShareTheirBorder) {
    // Cells drawn one pixel wider than their spacing overlap on one column.
    TestCanvas c(60, 20);
    drawRectangle(c.canvas, 0, 0, 18, 18, platform_test::penAndBrush());
    drawRectangle(c.canvas, 17, 0, 35, 18, platform_test::penAndBrush());
    for (int y = 0; y < 18; ++y) {
        EXPECT_EQ(c.at(17, y), kPen);
        EXPECT_EQ(c.at(34, y), kPen);
    }
    EXPECT_EQ(c.at(16, 5), kBrush);
    EXPECT_EQ(c.at(18, 5), kBrush);
}

TEST(RasterRectangle, ReversedCornersAreNormalisedAndEmptyBoxesDrawNothing) {
    TestCanvas a(30, 30);
    TestCanvas b(30, 30);
    drawRectangle(a.canvas, 3, 4, 20, 25, platform_test::penAndBrush());
    drawRectangle(b.canvas, 20, 25, 3, 4, platform_test::penAndBrush());
    EXPECT_EQ(a.pixels, b.pixels);
    TestCanvas e(30, 30);
    drawRectangle(e.canvas, 5, 5, 5, 20, platform_test::penAndBrush());
    drawRectangle(e.canvas, 5, 5, 20, 5, platform_test::penAndBrush());
    EXPECT_EQ(e.count(kBackground), 900);
}

TEST(RasterRectangle, ThickPenOutlineStaysInsideTheBox) {
    TestCanvas c(30, 30);
    drawRectangle(c.canvas, 5, 5, 25, 25, platform_test::penAndBrush(2));
    EXPECT_EQ(c.at(5, 5), kPen);
    EXPECT_EQ(c.at(6, 6), kPen);
    EXPECT_EQ(c.at(7, 7), kBrush);
    EXPECT_EQ(c.at(24, 24), kPen);
    EXPECT_EQ(c.at(23, 23), kPen);
    EXPECT_EQ(c.at(22, 22), kBrush);
    EXPECT_EQ(c.at(4, 4), kBackground);
    EXPECT_EQ(c.at(25, 25), kBackground);
    EXPECT_EQ(c.count(kPen) + c.count(kBrush), 400);
}

TEST(RasterRectangle, HugeRectanglesAreClippedToTheCanvas) {
    TestCanvas c(64, 48);
    drawRectangle(c.canvas, -2147483647, -2147483647, 2147483647, 2147483647, platform_test::penAndBrush());
    EXPECT_EQ(c.count(kBrush), 64 * 48);
    TestCanvas band(64, 48);
    drawRectangle(band.canvas, -2000000000, 10, 2000000000, 20, platform_test::penAndBrush());
    for (int x = 0; x < 64; ++x) {
        EXPECT_EQ(band.at(x, 10), kPen);
        EXPECT_EQ(band.at(x, 19), kPen);
        EXPECT_EQ(band.at(x, 15), kBrush);
        EXPECT_EQ(band.at(x, 9), kBackground);
        EXPECT_EQ(band.at(x, 20), kBackground);
    }
}

TEST(RasterFill, FillRectClipsAndKeepsRightEdgeExclusive) {
    TestCanvas c(10, 10);
    fillRect(c.canvas, -5, -5, 3, 2, kPen);
    EXPECT_EQ(c.count(kPen), 6);
    fillRect(c.canvas, 8, 8, 2000000000, 2000000000, kBrush);
    EXPECT_EQ(c.count(kBrush), 4);
}
