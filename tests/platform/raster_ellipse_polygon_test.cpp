// Ellipses and polygons against per-pixel references: pixel centres inside the shape are
// covered, the outline closes, and huge shapes are clipped correctly.
#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <vector>

#include "tests/platform/test_canvas.h"

using namespace win::raster;
using platform_test::kBackground;
using platform_test::kBrush;
using platform_test::kPen;
using platform_test::TestCanvas;

namespace {

// Where a pixel centre lies relative to an ellipse: below 1 inside, above 1 outside.
long double ellipseValue(int64_t left, int64_t top, int64_t right, int64_t bottom, int x, int y) {
    const long double cx = (static_cast<long double>(left) + right) / 2;
    const long double cy = (static_cast<long double>(top) + bottom) / 2;
    const long double a = (static_cast<long double>(right) - left) / 2;
    const long double b = (static_cast<long double>(bottom) - top) / 2;
    const long double u = (x + 0.5L - cx) / a;
    const long double v = (y + 0.5L - cy) / b;
    return u * u + v * v;
}

bool covered(uint32_t p) { return p == kPen || p == kBrush; }

// Floods the background reachable from the canvas border without crossing pen pixels.
std::vector<bool> outsideRegion(const TestCanvas& c) {
    std::vector<bool> seen(c.pixels.size(), false);
    std::vector<int> stack;
    auto push = [&](int x, int y) {
        if (x < 0 || y < 0 || x >= c.width() || y >= c.height()) {
            return;
        }
        const size_t i = static_cast<size_t>(y) * c.width() + x;
        if (!seen[i] && c.pixels[i] != kPen) {
            seen[i] = true;
            stack.push_back(static_cast<int>(i));
        }
    };
    for (int x = 0; x < c.width(); ++x) {
        push(x, 0);
        push(x, c.height() - 1);
    }
    for (int y = 0; y < c.height(); ++y) {
        push(0, y);
        push(c.width() - 1, y);
    }
    while (!stack.empty()) {
        const int i = stack.back();
        stack.pop_back();
        const int x = i % c.width();
        const int y = i / c.width();
        push(x + 1, y);
        push(x - 1, y);
        push(x, y + 1);
        push(x, y - 1);
    }
    return seen;
}

// Even-odd test of a pixel centre with exact integer arithmetic; edges are half-open so that
// a centre on a left edge is inside and one on a right edge is outside.
bool insidePolygon(const std::vector<win::POINT>& poly, int x, int y) {
    bool inside = false;
    for (size_t i = 0; i < poly.size(); ++i) {
        win::POINT a = poly[i];
        win::POINT b = poly[(i + 1) % poly.size()];
        if (a.y > b.y) {
            std::swap(a, b);
        }
        if (!(a.y <= y && y < b.y)) {
            continue;
        }
        // Crossing c = N / D; the centre x + 0.5 is at or right of it when (2x + 1) D >= 2N.
        const int64_t dy = b.y - a.y;
        const int64_t d = 2 * dy;
        const int64_t n = 2 * static_cast<int64_t>(a.x) * dy + (2 * static_cast<int64_t>(y) + 1 - 2 * a.y) * (b.x - a.x);
        if ((2 * static_cast<int64_t>(x) + 1) * d >= 2 * n) {
            inside = !inside;
        }
    }
    return inside;
}

}  // namespace

TEST(RasterEllipse, CoversExactlyThePixelCentresInsideAndStaysInItsBox) {
    std::mt19937 random(3);
    std::uniform_int_distribution<int> corner(-20, 100);
    std::uniform_int_distribution<int> size(1, 70);
    for (int n = 0; n < 300; ++n) {
        const int left = corner(random), top = corner(random);
        const int right = left + size(random), bottom = top + size(random);
        const int penWidth = 1 + n % 2;
        TestCanvas c(96, 80);
        drawEllipse(c.canvas, left, top, right, bottom, platform_test::penAndBrush(penWidth));
        // The outline test looks penWidth pixels around, so it stays off the canvas border.
        for (int y = 2; y < c.height() - 2; ++y) {
            for (int x = 2; x < c.width() - 2; ++x) {
                const long double v = ellipseValue(left, top, right, bottom, x, y);
                if (std::fabs(v - 1) < 1e-9L) {
                    continue;  // a centre exactly on the curve may go either way
                }
                ASSERT_EQ(covered(c.at(x, y)), v < 1) << "box " << left << "," << top << "," << right << ","
                                                      << bottom << " pixel " << x << "," << y;
                if (covered(c.at(x, y))) {
                    ASSERT_TRUE(x >= left && x < right && y >= top && y < bottom);
                }
                if (covered(c.at(x, y))) {
                    // The outline is exactly the covered pixels within penWidth steps (up, down,
                    // left, right) of a pixel whose centre is outside the ellipse.
                    bool nearOutside = false;
                    for (int dy = -penWidth; dy <= penWidth && !nearOutside; ++dy) {
                        const int reach = penWidth - std::abs(dy);
                        for (int dx = -reach; dx <= reach && !nearOutside; ++dx) {
                            nearOutside = !covered(c.at(x + dx, y + dy));
                        }
                    }
                    ASSERT_EQ(c.at(x, y) == kPen, nearOutside) << "pixel " << x << "," << y;
                }
            }
        }
    }
}

TEST(RasterEllipse, OutlineSeparatesTheInteriorFromTheOutside) {
    std::mt19937 random(5);
    std::uniform_int_distribution<int> corner(2, 30);
    std::uniform_int_distribution<int> size(3, 90);
    for (int n = 0; n < 200; ++n) {
        const int left = corner(random), top = corner(random);
        TestCanvas c(128, 128);
        drawEllipse(c.canvas, left, top, left + size(random), top + size(random), platform_test::penAndBrush(1));
        const std::vector<bool> outside = outsideRegion(c);
        for (size_t i = 0; i < c.pixels.size(); ++i) {
            ASSERT_FALSE(outside[i] && c.pixels[i] == kBrush) << "the outline leaks at pixel " << i;
        }
    }
}

TEST(RasterEllipse, SmallBoxesFillTheirWholeBox) {
    TestCanvas c(10, 10);
    drawEllipse(c.canvas, 2, 2, 4, 4, platform_test::penAndBrush());
    EXPECT_EQ(c.count(kPen), 4);
    TestCanvas one(10, 10);
    drawEllipse(one.canvas, 5, 5, 6, 6, platform_test::penAndBrush());
    EXPECT_EQ(one.at(5, 5), kPen);
    EXPECT_EQ(one.count(kPen), 1);
}

TEST(RasterEllipse, HugeCentredEllipseFillsTheCanvasWithItsBrush) {
    TestCanvas c(640, 480);
    drawEllipse(c.canvas, 320 - 2000000, 240 - 2000000, 320 + 2000000, 240 + 2000000, platform_test::penAndBrush());
    EXPECT_EQ(c.count(kBrush), 640 * 480);
}

TEST(RasterEllipse, HugeEllipseEdgeCrossingTheCanvasMatchesTheReference) {
    const int64_t left = 560, top = 400 - 2000000, right = 560 + 4000000, bottom = 400 + 2000000;
    TestCanvas c(640, 480);
    drawEllipse(c.canvas, left, top, right, bottom, platform_test::penAndBrush());
    EXPECT_EQ(c.at(560, 400), kPen);
    EXPECT_EQ(c.at(559, 400), kBackground);
    EXPECT_EQ(c.at(600, 400), kBrush);
    for (int y = 0; y < c.height(); ++y) {
        for (int x = 0; x < c.width(); ++x) {
            const long double v = ellipseValue(left, top, right, bottom, x, y);
            if (std::fabs(v - 1) > 1e-9L) {
                ASSERT_EQ(covered(c.at(x, y)), v < 1) << x << "," << y;
            }
        }
    }
}

TEST(RasterEllipse, ExtremeBoxesAreSafe) {
    TestCanvas c(64, 48);
    drawEllipse(c.canvas, -2147483647, -2147483647, 2147483647, 2147483647, platform_test::penAndBrush(2));
    EXPECT_EQ(c.count(kBrush), 64 * 48);
    TestCanvas off(64, 48);
    drawEllipse(off.canvas, 2000000000, 2000000000, 2100000000, 2100000000, platform_test::penAndBrush());
    drawEllipse(off.canvas, -2100000000, 0, -2000000000, 48, platform_test::penAndBrush());
    EXPECT_EQ(off.count(kBackground), 64 * 48);
}

TEST(RasterPolygon, FillMatchesThePixelCentreRule) {
    std::mt19937 random(9);
    std::uniform_int_distribution<int> coordinate(-20, 110);
    for (int n = 0; n < 300; ++n) {
        const int count = 3 + n % 4;
        std::vector<win::POINT> poly(static_cast<size_t>(count));
        for (auto& p : poly) {
            p.x = coordinate(random);
            p.y = coordinate(random);
        }
        TestCanvas c(96, 96);
        ASSERT_TRUE(drawPolygon(c.canvas, poly.data(), count, Style{false, kPen, 1, true, kBrush}));
        for (int y = 0; y < c.height(); ++y) {
            for (int x = 0; x < c.width(); ++x) {
                ASSERT_EQ(c.at(x, y) == kBrush, insidePolygon(poly, x, y)) << "polygon " << n << " pixel " << x << ","
                                                                           << y;
            }
        }
    }
}

TEST(RasterPolygon, TrianglesSharingAnEdgeNeitherOverlapNorLeaveAGap) {
    const win::POINT a[3] = {{0, 0}, {50, 7}, {13, 40}};
    const win::POINT b[3] = {{50, 7}, {13, 40}, {60, 45}};
    TestCanvas first(64, 64);
    TestCanvas second(64, 64);
    drawPolygon(first.canvas, a, 3, Style{false, 0, 1, true, kBrush});
    drawPolygon(second.canvas, b, 3, Style{false, 0, 1, true, kBrush});
    TestCanvas both(64, 64);
    drawPolygon(both.canvas, a, 3, Style{false, 0, 1, true, kBrush});
    drawPolygon(both.canvas, b, 3, Style{false, 0, 1, true, kBrush});
    EXPECT_EQ(first.count(kBrush) + second.count(kBrush), both.count(kBrush));
}

TEST(RasterPolygon, OutlineIsClosedAndDrawnOverTheFill) {
    const win::POINT tri[3] = {{40, 20}, {10, 5}, {10, 35}};
    TestCanvas c(64, 48);
    drawPolygon(c.canvas, tri, 3, platform_test::penAndBrush());
    EXPECT_EQ(c.at(40, 20), kPen);  // the last vertex is reached by the closing edge's start
    EXPECT_EQ(c.at(10, 5), kPen);
    EXPECT_EQ(c.at(10, 35), kPen);
    EXPECT_EQ(c.at(10, 20), kPen);
    EXPECT_EQ(c.at(20, 20), kBrush);
    const std::vector<bool> outside = outsideRegion(c);
    for (size_t i = 0; i < c.pixels.size(); ++i) {
        ASSERT_FALSE(outside[i] && c.pixels[i] == kBrush);
    }
}

TEST(RasterPolygon, CollapsedTriangleDrawsNoFill) {
    const win::POINT point[3] = {{20, 20}, {20, 20}, {20, 20}};
    TestCanvas c(40, 40);
    EXPECT_TRUE(drawPolygon(c.canvas, point, 3, platform_test::penAndBrush()));
    EXPECT_EQ(c.count(kBrush), 0);
}

TEST(RasterPolygon, HugeTriangleIsClipped) {
    const win::POINT tri[3] = {{-2000000000, -2000000000}, {2000000000, 0}, {-2000000000, 2000000000}};
    TestCanvas c(64, 48);
    EXPECT_TRUE(drawPolygon(c.canvas, tri, 3, platform_test::penAndBrush()));
    EXPECT_EQ(c.count(kBrush), 64 * 48);
}

TEST(RasterPolygon, RefusesTooFewOrTooManyPoints) {
    TestCanvas c(10, 10);
    const win::POINT one[1] = {{1, 1}};
    EXPECT_FALSE(drawPolygon(c.canvas, one, 1, platform_test::penAndBrush()));
    std::vector<win::POINT> many(static_cast<size_t>(kMaxPolygonPoints) + 1);
    EXPECT_FALSE(drawPolygon(c.canvas, many.data(), static_cast<int>(many.size()), platform_test::penAndBrush()));
    EXPECT_EQ(c.count(kBackground), 100);
}
