#include "tools/mapgen/map_canvas.h"

#include <algorithm>
#include <cstdlib>

namespace mapgen {

Canvas::Canvas() : cells_(static_cast<std::size_t>(kSide) * kSide, kGround), clear_(cells_.size(), 0) {}

uint8_t Canvas::at(int x, int y) const {
    if (x < 0 || y < 0 || x >= kSide || y >= kSide) return kWall;
    return cells_[static_cast<std::size_t>(y) * kSide + x];
}

void Canvas::set(int x, int y, uint8_t value) {
    if (x < 0 || y < 0 || x >= kSide || y >= kSide) return;
    cells_[static_cast<std::size_t>(y) * kSide + x] = value;
}

void Canvas::fill(int x0, int y0, int x1, int y1, uint8_t value) {
    for (int y = y0; y < y1; ++y) {
        for (int x = x0; x < x1; ++x) set(x, y, value);
    }
}

void Canvas::hline(int x0, int x1, int y, uint8_t value) { fill(x0, y, x1, y + 1, value); }
void Canvas::vline(int x, int y0, int y1, uint8_t value) { fill(x, y0, x + 1, y1, value); }

void Canvas::ellipse(int cx, int cy, int rx, int ry, uint8_t value) {
    for (int y = cy - ry; y <= cy + ry; ++y) {
        for (int x = cx - rx; x <= cx + rx; ++x) {
            const double dx = (x - cx) / static_cast<double>(rx);
            const double dy = (y - cy) / static_cast<double>(ry);
            if (dx * dx + dy * dy < 1.0) set(x, y, value);  // strict: no one-cell spikes
        }
    }
}

void Canvas::keepClear(int x0, int y0, int x1, int y1) {
    for (int y = std::max(y0, 0); y < std::min(y1, kSide); ++y) {
        for (int x = std::max(x0, 0); x < std::min(x1, kSide); ++x) {
            clear_[static_cast<std::size_t>(y) * kSide + x] = 1;
        }
    }
}

bool Canvas::isKeptClear(int x, int y) const {
    if (x < 0 || y < 0 || x >= kSide || y >= kSide) return false;
    return clear_[static_cast<std::size_t>(y) * kSide + x] != 0;
}

int Canvas::distanceTo(int x, int y, bool (*test)(uint8_t), int cap) const {
    for (int d = 0; d < cap; ++d) {
        for (int yy = y - d; yy <= y + d; ++yy) {
            for (int xx = x - d; xx <= x + d; ++xx) {
                if (std::max(std::abs(xx - x), std::abs(yy - y)) != d) continue;
                if (test(at(xx, yy))) return d;
            }
        }
    }
    return cap;
}

std::vector<Rect> skylineCover(const std::vector<uint8_t>& cells) {
    std::vector<Rect> rects;
    std::vector<int> skyline(kSide, 0);
    auto cell = [&](int x, int y) { return cells[static_cast<std::size_t>(y) * kSide + x]; };
    for (;;) {
        int bestStart = -1;
        int bestEnd = -1;
        int bestValue = kSide;
        for (int x = 0; x < kSide;) {
            int end = x + 1;
            while (end < kSide && skyline[end] == skyline[x]) ++end;
            if (skyline[x] < bestValue) {
                bestValue = skyline[x];
                bestStart = x;
                bestEnd = end;
            }
            x = end;
        }
        if (bestValue == kSide) break;
        const int x = bestStart;
        const int y = bestValue;
        const uint8_t v = cell(x, y);
        int w = 1;
        while (x + w < bestEnd && cell(x + w, y) == v) ++w;
        int h = 1;
        while (y + h < kSide) {
            bool same = true;
            for (int i = 0; i < w && same; ++i) same = cell(x + i, y + h) == cell(x + i, y);
            if (!same) break;
            ++h;
        }
        for (int i = 0; i < w; ++i) skyline[x + i] = y + h;
        rects.push_back(Rect{x, y, x + w, y + h, v});
    }
    return rects;
}

std::vector<uint8_t> floodFill(const std::vector<uint8_t>& cells, Cell start, bool (*walkable)(uint8_t)) {
    std::vector<uint8_t> reached(cells.size(), 0);
    auto index = [](int x, int y) { return static_cast<std::size_t>(y) * kSide + x; };
    if (!walkable(cells[index(start.x, start.y)])) return reached;
    std::vector<Cell> stack{start};
    reached[index(start.x, start.y)] = 1;
    while (!stack.empty()) {
        const Cell c = stack.back();
        stack.pop_back();
        const Cell next[4] = {{c.x + 1, c.y}, {c.x - 1, c.y}, {c.x, c.y + 1}, {c.x, c.y - 1}};
        for (const Cell n : next) {
            if (n.x < 0 || n.y < 0 || n.x >= kSide || n.y >= kSide) continue;
            const std::size_t i = index(n.x, n.y);
            if (reached[i] || !walkable(cells[i])) continue;
            reached[i] = 1;
            stack.push_back(n);
        }
    }
    return reached;
}

char previewChar(uint8_t value) {
    switch (value) {
        case kGround: return '.';
        case kWall: return '#';
        case kObstacleMarker: return 'o';
        case 2: return ':';
        case 3: return '~';
        default: return value < 10 ? static_cast<char>('0' + value) : '?';
    }
}

}  // namespace mapgen
