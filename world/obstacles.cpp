#include "world/obstacles.h"

#include <new>

#include "world/drawing_resources.h"
#include "world/neighbour_grid.h"
#include "world/view_state.h"

namespace steering {

ObstacleList obstacleList;

void ObstacleList::add(const Obstacle& obstacle) {
    std::unique_ptr<Obstacle> copy(new (std::nothrow) Obstacle(obstacle));
    if (!copy) return;
    obstacles_.push_back(std::move(copy));
    neighbourGrid.insertObstacle(obstacles_.back().get());
}

void ObstacleList::clear() { obstacles_.clear(); }

namespace {

// Background colour every world drawing sets; with the transparent mode it never shows.
constexpr win::COLORREF kDrawingBackground = win::RGB(0, 10, 0);

}  // namespace

void drawObstacles(win::HDC dc, const WorldRect& viewRect) {
    for (const auto& owned : obstacleList) {
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
        win::SelectObject(dc, asGdiObject(drawingResources.blackPen));
        win::SelectObject(dc, asGdiObject(drawingResources.orangeBrush));
        win::Ellipse(dc, worldToPixelX(left), worldToPixelY(top), worldToPixelX(right), worldToPixelY(bottom));
    }
}

}  // namespace steering
