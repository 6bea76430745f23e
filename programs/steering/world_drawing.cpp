#include "programs/steering/world_drawing.h"

#include <algorithm>
#include <cmath>

#include "programs/steering/drawing_resources.h"
#include "programs/steering/view_state.h"
#include "world/obstacles.h"
#include "programs/steering/steering_run.h"

namespace steering {
namespace {

// Far zoomed in, a map cell spans more pixels than 32 bits hold and the truncating
// conversion would wrap its edges, losing a wall that covers the window. Pixel coordinates
// beyond this far outside the window are pulled back first; nearer ones are kept as they are.
constexpr double kWallPixelLimit = 1 << 20;

int32_t boundedWallPixel(double pixel) {
    if (pixel < -kWallPixelLimit) return -static_cast<int32_t>(kWallPixelLimit);
    if (pixel > kWallPixelLimit) return static_cast<int32_t>(kWallPixelLimit);
    return truncToInt(pixel);
}

// The client area the grid lines span, in pixels.
constexpr int kClientWidth = 640;
constexpr int kClientHeight = 480;

// Darkest shade: eight or more occupants.
constexpr int kBlackOccupancy = 8;

// Far zoomed in, a neighbour-grid cell spans more pixels than 32 bits hold and the
// truncating conversion would wrap its edges onto the window. Pixel coordinates beyond this
// many pixels outside the window are pulled back to it first; nearer ones are kept exactly.
constexpr double kGridPixelMargin = 1024.0;

int32_t boundedGridPixel(double pixel, int extent) {
    if (pixel < -kGridPixelMargin) pixel = -kGridPixelMargin;
    if (pixel > extent + kGridPixelMargin) pixel = extent + kGridPixelMargin;
    return truncToInt(pixel);
}

// The pixel span [from, to) of a cell along one axis touches the window.
bool spanVisible(double from, double to, int extent) { return to > 0.0 && from < extent; }

// Background colour every world drawing sets; with the transparent mode it never shows.
constexpr win::COLORREF kDrawingBackground = win::RGB(0, 10, 0);

}  // namespace

void drawGridMap(SteeringRun& run, win::HDC dc, const GridMap& map, const WorldRect& viewRect) {
    const uint8_t* cells = map.cells();
    if (cells == nullptr) return;
    int64_t firstColumn = truncToInt(std::floor(viewRect.left * map.cellsPerUnitX));
    int64_t endColumn = truncToInt(std::ceil(viewRect.right * map.cellsPerUnitX));
    int64_t firstRow = truncToInt(std::floor(viewRect.top * map.cellsPerUnitY));
    int64_t endRow = truncToInt(std::ceil(viewRect.bottom * map.cellsPerUnitY));
    // Cells outside the map read as type 1 and are never drawn, so the loops can stop at
    // the map's edges without changing the picture.
    firstColumn = std::max<int64_t>(firstColumn, 0);
    firstRow = std::max<int64_t>(firstRow, 0);
    endColumn = std::min<int64_t>(endColumn, map.width);
    endRow = std::min<int64_t>(endRow, map.height);

    win::SelectObject(dc, asGdiObject(run.drawing.greenBrush));
    for (int64_t c = firstColumn; c < endColumn; ++c) {
        const std::size_t columnIndex = static_cast<std::size_t>(c);
        const int left =
            boundedWallPixel((static_cast<double>(c) * map.cellWidth - run.view.viewOriginX) * run.view.viewInvScaleX);
        const int right =
            boundedWallPixel((static_cast<double>(c + 1) * map.cellWidth - run.view.viewOriginX) * run.view.viewInvScaleX + 1);
        for (int64_t r = firstRow; r < endRow; ++r) {
            if ((cells[static_cast<std::size_t>(r) * map.width + columnIndex] & 0x0F) != kWallType) continue;
            const int top =
                boundedWallPixel((static_cast<double>(r) * map.cellHeight - run.view.viewOriginY) * run.view.viewInvScaleY);
            const int bottom = boundedWallPixel(
                (static_cast<double>(r + 1) * map.cellHeight - run.view.viewOriginY) * run.view.viewInvScaleY + 1);
            win::Rectangle(dc, left, top, right, bottom);
        }
    }
}

void drawNeighbourGrid(SteeringRun& run, win::HDC dc, const NeighbourGrid& grid, const WorldRect& viewRect) {
    // The view's whole units in raw 16.16 form, 64-bit so a view past the Fixed range
    // still covers the cells it shows.
    auto raw = [](int32_t whole) { return static_cast<int64_t>(whole) * 65536; };
    const CellRange range =
        grid.boundingCells(raw(viewRect.left), raw(viewRect.top), raw(viewRect.right), raw(viewRect.bottom));
    if (range.empty()) return;
    win::SelectObject(dc, asGdiObject(run.drawing.bluePen));
    // Lines and cells wholly outside the window are skipped (they would be clipped away),
    // so a range that wrapped to the whole grid costs no more than the cells in view.
    for (uint32_t c = range.firstColumn; c <= range.lastColumn; ++c) {
        const double x = (c * grid.cellWidth - run.view.viewOriginX) * run.view.viewInvScaleX;
        if (!(x > -1.0 && x < kClientWidth)) continue;
        win::MoveToEx(dc, truncToInt(x), 0, nullptr);
        win::LineTo(dc, truncToInt(x), kClientHeight);
    }
    for (uint32_t r = range.firstRow; r <= range.lastRow; ++r) {
        const double y = (r * grid.cellHeight - run.view.viewOriginY) * run.view.viewInvScaleY;
        if (!(y > -1.0 && y < kClientHeight)) continue;
        win::MoveToEx(dc, 0, truncToInt(y), nullptr);
        win::LineTo(dc, kClientWidth, truncToInt(y));
    }
    for (uint32_t c = range.firstColumn; c <= range.lastColumn; ++c) {
        const double left = (c * grid.cellWidth - run.view.viewOriginX) * run.view.viewInvScaleX;
        const double right = ((c + 1) * grid.cellWidth - run.view.viewOriginX) * run.view.viewInvScaleX + 1;
        if (!spanVisible(left, right, kClientWidth)) continue;
        for (uint32_t r = range.firstRow; r <= range.lastRow; ++r) {
            const double top = (r * grid.cellHeight - run.view.viewOriginY) * run.view.viewInvScaleY;
            const double bottom = ((r + 1) * grid.cellHeight - run.view.viewOriginY) * run.view.viewInvScaleY + 1;
            if (!spanVisible(top, bottom, kClientHeight)) continue;
            const int n = grid.occupancy(c, r);
            if (n < 1) continue;
            win::SelectObject(dc,
                              asGdiObject(run.drawing.occupancyBrushes[n < kBlackOccupancy ? n : kBlackOccupancy]));
            win::Rectangle(dc, boundedGridPixel(left, kClientWidth), boundedGridPixel(top, kClientHeight),
                           boundedGridPixel(right, kClientWidth), boundedGridPixel(bottom, kClientHeight));
        }
    }
}

void drawObstacles(SteeringRun& run, win::HDC dc, const WorldRect& viewRect) {
    for (const auto& owned : run.world->obstacleList) {
        const Obstacle& o = *owned;
        const int32_t left = toWhole(wrapSub(o.x, o.radius));
        const int32_t right = toWhole(wrapAdd(o.x, o.radius));
        const int32_t top = toWhole(wrapSub(o.y, o.radius));
        const int32_t bottom = toWhole(wrapAdd(o.y, o.radius));
        if (!(left < viewRect.right && viewRect.left < right && top < viewRect.bottom && viewRect.top < bottom)) {
            continue;
        }
        win::SetBkColor(dc, kDrawingBackground);
        win::SetBkMode(dc, win::TRANSPARENT);
        win::SelectObject(dc, asGdiObject(run.drawing.blackPen));
        win::SelectObject(dc, asGdiObject(run.drawing.orangeBrush));
        win::Ellipse(dc, run.view.worldToPixelX(left), run.view.worldToPixelY(top), run.view.worldToPixelX(right), run.view.worldToPixelY(bottom));
    }
}

}  // namespace steering
