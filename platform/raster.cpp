// Clipped scan conversion: lines are clipped analytically in 128-bit arithmetic before any
// step is taken, shapes visit only the rows and spans that fall on the canvas.
#include "platform/raster.h"

#include <algorithm>
#include <cmath>

namespace win::raster {
namespace {

using Wide = __int128;

int64_t clampToInt64(Wide v) {
    const Wide lo = INT64_MIN;
    const Wide hi = INT64_MAX;
    return static_cast<int64_t>(v < lo ? lo : (v > hi ? hi : v));
}

// Division rounding toward minus infinity; divisor > 0.
Wide floorDiv(Wide a, Wide b) {
    Wide q = a / b;
    if (a % b != 0 && a < 0) {
        --q;
    }
    return q;
}
Wide ceilDiv(Wide a, Wide b) { return -floorDiv(-a, b); }

void fillSpan(const Canvas& canvas, int64_t y, int64_t x0, int64_t x1, uint32_t pixel) {
    // Inclusive span on one row, clipped.
    if (y < 0 || y >= canvas.height) {
        return;
    }
    x0 = std::max<int64_t>(x0, 0);
    x1 = std::min<int64_t>(x1, canvas.width - 1);
    if (x0 > x1) {
        return;
    }
    uint32_t* row = canvas.pixels + static_cast<int64_t>(canvas.pitch) * y;
    std::fill(row + x0, row + x1 + 1, pixel);
}

int clampPenWidth(int width) { return std::clamp(width, 1, kMaxPenWidth); }

// Horizontal extent of the pixel centres inside an axis-aligned ellipse on one row.
// Trivial on purpose: the ellipse keeps a window of these on the stack without clearing it.
struct Span {
    bool empty;
    int64_t x0;  // first pixel, inclusive
    int64_t x1;  // last pixel, inclusive
};
constexpr Span kNoSpan{true, 0, 0};

struct EllipseShape {
    double cx = 0, cy = 0;  // centre, pixels
    double a = 0, b = 0;    // semi-axes, pixels
    double inverseB = 0;    // 1 / b, so that each row costs a multiplication, not a division
    int64_t left = 0, right = 0;  // box columns, right exclusive

    Span span(int64_t y) const {
        Span s = kNoSpan;
        if (a <= 0 || b <= 0) {
            return s;
        }
        const double dy = (static_cast<double>(y) + 0.5 - cy) * inverseB;
        const double q = 1.0 - dy * dy;
        if (q < 0) {
            return s;
        }
        const double half = a * std::sqrt(q);
        const double x0 = std::ceil(cx - half - 0.5);
        const double x1 = std::floor(cx + half - 0.5);
        s.x0 = std::max(static_cast<int64_t>(x0), left);
        s.x1 = std::min(static_cast<int64_t>(x1), right - 1);
        s.empty = s.x0 > s.x1;
        return s;
    }
};

}  // namespace

void fillRect(const Canvas& canvas, int64_t left, int64_t top, int64_t right, int64_t bottom, uint32_t pixel) {
    const int64_t y0 = std::max<int64_t>(top, 0);
    const int64_t y1 = std::min<int64_t>(bottom, canvas.height);
    const int64_t x0 = std::max<int64_t>(left, 0);
    const int64_t x1 = std::min<int64_t>(right, canvas.width);
    if (x0 >= x1 || y0 >= y1) {
        return;
    }
    for (int64_t y = y0; y < y1; ++y) {
        uint32_t* row = canvas.pixels + static_cast<int64_t>(canvas.pitch) * y;
        std::fill(row + x0, row + x1, pixel);
    }
}

void drawLine(const Canvas& canvas, int64_t x0, int64_t y0, int64_t x1, int64_t y1, int width, uint32_t pixel) {
    if (canvas.pixels == nullptr || canvas.width <= 0 || canvas.height <= 0) {
        return;
    }
    width = clampPenWidth(width);
    const int64_t dx = x1 - x0;
    const int64_t dy = y1 - y0;
    if (dx == 0 && dy == 0) {
        return;  // the end pixel is never drawn, so a point draws nothing
    }
    const int64_t adx = dx < 0 ? -dx : dx;
    const int64_t ady = dy < 0 ? -dy : dy;
    const bool xMajor = adx >= ady;
    const int64_t major0 = xMajor ? x0 : y0;
    const int64_t minor0 = xMajor ? y0 : x0;
    const int64_t dMajor = xMajor ? adx : ady;  // > 0
    const int64_t dMinor = xMajor ? ady : adx;
    const int64_t sMajor = (xMajor ? dx : dy) < 0 ? -1 : 1;
    const int64_t sMinor = (xMajor ? dy : dx) < 0 ? -1 : 1;
    const int64_t majorLimit = xMajor ? canvas.width : canvas.height;
    const int64_t minorLimit = xMajor ? canvas.height : canvas.width;
    // A wide pen covers minor offsets lo..hi around the ideal pixel.
    const int64_t lo = -(width / 2);
    const int64_t hi = lo + width - 1;

    // Step i (0 <= i < dMajor) lies at major0 + sMajor * i and minor0 + sMinor * k(i) with
    // k(i) = floor((2 i dMinor + dMajor) / (2 dMajor)). Clip i by both axes first.
    Wide iLo = 0;
    Wide iHi = dMajor - 1;
    if (sMajor > 0) {
        iLo = std::max<Wide>(iLo, -static_cast<Wide>(major0));
        iHi = std::min<Wide>(iHi, static_cast<Wide>(majorLimit - 1) - major0);
    } else {
        iLo = std::max<Wide>(iLo, static_cast<Wide>(major0) - (majorLimit - 1));
        iHi = std::min<Wide>(iHi, static_cast<Wide>(major0));
    }
    const Wide mMin = -hi;                  // lowest ideal minor whose span reaches the canvas
    const Wide mMax = minorLimit - 1 - lo;  // highest one
    if (dMinor == 0) {
        if (minor0 < mMin || minor0 > mMax) {
            return;
        }
    } else {
        Wide kMin = 0;
        Wide kMax = 0;
        if (sMinor > 0) {
            kMin = mMin - minor0;
            kMax = mMax - minor0;
        } else {
            kMin = static_cast<Wide>(minor0) - mMax;
            kMax = static_cast<Wide>(minor0) - mMin;
        }
        const Wide twoMajor = static_cast<Wide>(2) * dMajor;
        const Wide twoMinor = static_cast<Wide>(2) * dMinor;
        iLo = std::max(iLo, ceilDiv(twoMajor * kMin - dMajor, twoMinor));
        iHi = std::min(iHi, ceilDiv(twoMajor * (kMax + 1) - dMajor, twoMinor) - 1);
    }
    if (iLo > iHi) {
        return;
    }
    const int64_t first = clampToInt64(iLo);
    const int64_t last = clampToInt64(iHi);
    const int64_t twoMajor = 2 * dMajor;
    const int64_t twoMinor = 2 * dMinor;
    const Wide num = static_cast<Wide>(2) * first * dMinor + dMajor;
    int64_t k = clampToInt64(floorDiv(num, twoMajor));
    int64_t rem = static_cast<int64_t>(num - static_cast<Wide>(k) * twoMajor);
    for (int64_t i = first; i <= last; ++i) {
        const int64_t major = major0 + sMajor * i;
        const int64_t minor = minor0 + sMinor * k;
        const int64_t m0 = std::max<int64_t>(minor + lo, 0);
        const int64_t m1 = std::min<int64_t>(minor + hi, minorLimit - 1);
        if (xMajor) {
            uint32_t* p = canvas.pixels + major;
            for (int64_t m = m0; m <= m1; ++m) {
                p[static_cast<int64_t>(canvas.pitch) * m] = pixel;
            }
        } else {
            uint32_t* row = canvas.pixels + static_cast<int64_t>(canvas.pitch) * major;
            for (int64_t m = m0; m <= m1; ++m) {
                row[m] = pixel;
            }
        }
        rem += twoMinor;
        if (rem >= twoMajor) {
            rem -= twoMajor;
            ++k;
        }
    }
}

void drawRectangle(const Canvas& canvas, int64_t left, int64_t top, int64_t right, int64_t bottom,
                   const Style& style) {
    if (left > right) {
        std::swap(left, right);
    }
    if (top > bottom) {
        std::swap(top, bottom);
    }
    if (left == right || top == bottom) {
        return;
    }
    if (!style.hasPen) {
        if (style.hasBrush) {
            fillRect(canvas, left, top, right, bottom, style.brushPixel);
        }
        return;
    }
    const int64_t w = clampPenWidth(style.penWidth);
    if (right - left <= 2 * w || bottom - top <= 2 * w) {
        fillRect(canvas, left, top, right, bottom, style.penPixel);
        return;
    }
    fillRect(canvas, left, top, right, top + w, style.penPixel);
    fillRect(canvas, left, bottom - w, right, bottom, style.penPixel);
    fillRect(canvas, left, top + w, left + w, bottom - w, style.penPixel);
    fillRect(canvas, right - w, top + w, right, bottom - w, style.penPixel);
    if (style.hasBrush) {
        fillRect(canvas, left + w, top + w, right - w, bottom - w, style.brushPixel);
    }
}

void drawEllipse(const Canvas& canvas, int64_t left, int64_t top, int64_t right, int64_t bottom, const Style& style) {
    if (left > right) {
        std::swap(left, right);
    }
    if (top > bottom) {
        std::swap(top, bottom);
    }
    if (left == right || top == bottom || canvas.pixels == nullptr) {
        return;
    }
    EllipseShape shape;
    shape.cx = (static_cast<double>(left) + static_cast<double>(right)) / 2.0;
    shape.cy = (static_cast<double>(top) + static_cast<double>(bottom)) / 2.0;
    shape.a = (static_cast<double>(right) - static_cast<double>(left)) / 2.0;
    shape.b = (static_cast<double>(bottom) - static_cast<double>(top)) / 2.0;
    shape.inverseB = 1.0 / shape.b;
    shape.left = left;
    shape.right = right;
    const int64_t w = style.hasPen ? clampPenWidth(style.penWidth) : 0;

    const int64_t y0 = std::max<int64_t>(top, 0);
    const int64_t y1 = std::min<int64_t>(bottom, canvas.height) - 1;
    if (y0 > y1) {
        return;
    }
    // The outline is every covered pixel within w steps (up, down, left, right) of an uncovered
    // one, so it is w pixels thick and closes for any shape; the rest is the interior. That
    // needs the spans of the w rows above and below: a ring of 2w + 1 spans, each computed once.
    // Room for 2 * kMaxPenWidth + 1 rows; a row finds its slot with a mask of the smallest
    // power of two that holds 2w + 1 rows, and only slots in use are ever written or read.
    constexpr int64_t kWindow = 256;
    static_assert(kWindow >= 2 * kMaxPenWidth + 1 && (kWindow & (kWindow - 1)) == 0);
    Span window[kWindow];
    uint64_t mask = 1;
    while (mask < static_cast<uint64_t>(2 * w + 1)) {
        mask <<= 1;
    }
    mask -= 1;
    auto slot = [&](int64_t row) -> Span& { return window[static_cast<uint64_t>(row) & mask]; };
    auto spanAt = [&](int64_t row) { return (row >= top && row < bottom) ? shape.span(row) : kNoSpan; };
    for (int64_t row = y0 - w; row < y0 + w; ++row) {
        slot(row) = spanAt(row);
    }
    for (int64_t y = y0; y <= y1; ++y) {
        slot(y + w) = spanAt(y + w);
        const Span& current = slot(y);
        if (current.empty) {
            continue;
        }
        if (w == 0) {
            if (style.hasBrush) {
                fillSpan(canvas, y, current.x0, current.x1, style.brushPixel);
            }
            continue;
        }
        // Interior columns: inside every neighbouring row's span, shrunk by the steps left.
        int64_t in0 = current.x0 + w;
        int64_t in1 = current.x1 - w;
        for (int64_t d = 1; d <= w && in0 <= in1; ++d) {
            for (const int64_t row : {y - d, y + d}) {
                const Span& s = slot(row);
                if (s.empty) {
                    in0 = 1;
                    in1 = 0;
                    break;
                }
                in0 = std::max(in0, s.x0 + (w - d));
                in1 = std::min(in1, s.x1 - (w - d));
            }
        }
        if (in0 > in1) {
            fillSpan(canvas, y, current.x0, current.x1, style.penPixel);
            continue;
        }
        fillSpan(canvas, y, current.x0, in0 - 1, style.penPixel);
        fillSpan(canvas, y, in1 + 1, current.x1, style.penPixel);
        if (style.hasBrush) {
            fillSpan(canvas, y, in0, in1, style.brushPixel);
        }
    }
}

bool drawPolygon(const Canvas& canvas, const POINT* points, int count, const Style& style) {
    if (points == nullptr || count < 2 || count > kMaxPolygonPoints || canvas.pixels == nullptr) {
        return false;
    }
    if (style.hasBrush) {
        int64_t minY = points[0].y;
        int64_t maxY = points[0].y;
        for (int i = 1; i < count; ++i) {
            minY = std::min<int64_t>(minY, points[i].y);
            maxY = std::max<int64_t>(maxY, points[i].y);
        }
        const int64_t y0 = std::max<int64_t>(minY, 0);
        const int64_t y1 = std::min<int64_t>(maxY, canvas.height) - 1;
        int64_t starts[kMaxPolygonPoints];
        for (int64_t y = y0; y <= y1; ++y) {
            // Pixel centres lie at y + 0.5, so an edge from ya to yb (ya < yb) crosses this row
            // exactly when ya <= y < yb; horizontal edges never cross. The crossing is
            // c = N / D with D = 2 (yb - ya) and N = 2 xa (yb - ya) + (2y + 1 - 2ya)(xb - xa),
            // and the first pixel whose centre is at or right of it is ceil((2N - D) / 2D):
            // exact integers, so shared edges of neighbouring polygons never overlap or gap.
            int n = 0;
            for (int i = 0; i < count; ++i) {
                const POINT* a = &points[i];
                const POINT* b = &points[(i + 1) % count];
                if (a->y > b->y) {
                    std::swap(a, b);
                }
                if (a->y <= y && y < b->y) {
                    const Wide dy = static_cast<Wide>(b->y) - a->y;
                    const Wide d = 2 * dy;
                    const Wide num = 2 * static_cast<Wide>(a->x) * dy +
                                     (2 * static_cast<Wide>(y) + 1 - 2 * static_cast<Wide>(a->y)) *
                                         (static_cast<Wide>(b->x) - a->x);
                    starts[n++] = clampToInt64(ceilDiv(2 * num - d, 2 * d));
                }
            }
            std::sort(starts, starts + n);
            for (int i = 0; i + 1 < n; i += 2) {
                fillSpan(canvas, y, starts[i], starts[i + 1] - 1, style.brushPixel);
            }
        }
    }
    if (style.hasPen) {
        for (int i = 0; i < count; ++i) {
            const POINT& p = points[i];
            const POINT& q = points[(i + 1) % count];
            drawLine(canvas, p.x, p.y, q.x, q.y, style.penWidth, style.penPixel);
        }
    }
    return true;
}

}  // namespace win::raster
