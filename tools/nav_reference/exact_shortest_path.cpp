// Visibility graph over blocking-cell corners. Only corners with exactly one blocking
// cell among their four can be bend points of a shortest path (a corner between two
// diagonal blocking cells is a zero-width gap a path may not pass), and a link is kept
// only when the path can wrap the corner's cell at both ends (it is "taut" there).
#include "tools/nav_reference/exact_shortest_path.h"

#include <cmath>
#include <queue>

namespace navref {
namespace {

constexpr int kSide = 256;
constexpr int64_t kCell = 256;

int64_t floorDiv(int64_t a, int64_t b) {  // b > 0
    int64_t q = a / b;
    if ((a % b != 0) && (a < 0)) --q;
    return q;
}
int64_t ceilDiv(int64_t a, int64_t b) { return -floorDiv(-a, b); }

double dist(Point a, Point b) {
    const double dx = static_cast<double>(a.x - b.x), dy = static_cast<double>(a.y - b.y);
    return std::sqrt(dx * dx + dy * dy);
}

// A cell corner where two blocking cells meet diagonally.
bool diagonalGap(const uint8_t* cells, int type, int64_t gx, int64_t gy) {
    const bool nw = cell_blocks(cells, type, gx - 1, gy - 1), ne = cell_blocks(cells, type, gx, gy - 1);
    const bool sw = cell_blocks(cells, type, gx - 1, gy), se = cell_blocks(cells, type, gx, gy);
    return (nw && se) || (ne && sw);
}

}  // namespace

bool cell_blocks(const uint8_t* cells, int walkableType, int64_t cx, int64_t cy) {
    if (cx < 0 || cy < 0 || cx >= kSide || cy >= kSide) return true;
    const int low = cells[cy * kSide + cx] & 15;
    return low == 15 || low != (walkableType & 15);
}

bool segment_clear(const uint8_t* cells, int type, Point a, Point b) {
    if (a.x > b.x || (a.x == b.x && a.y > b.y)) std::swap(a, b);
    const int64_t dx = b.x - a.x, dy = b.y - a.y;
    if (dx == 0 && dy == 0) return true;
    if (dx == 0) {
        const int64_t x = a.x;
        const int64_t first = floorDiv(a.y, kCell), last = ceilDiv(b.y, kCell) - 1;
        const bool onLine = x % kCell == 0;
        const int64_t cx = floorDiv(x, kCell);
        for (int64_t cy = first; cy <= last; ++cy) {
            if (onLine ? (cell_blocks(cells, type, cx - 1, cy) && cell_blocks(cells, type, cx, cy))
                       : cell_blocks(cells, type, cx, cy)) {
                return false;
            }
        }
        if (onLine) {
            for (int64_t gy = floorDiv(a.y, kCell) + 1; gy * kCell < b.y; ++gy) {
                if (diagonalGap(cells, type, cx, gy)) return false;
            }
        }
        return true;
    }
    // Column by column: the open x-range of the segment in the column and the cells its
    // open y-range overlaps. y(x) = (a.y * dx + (x - a.x) * dy) / dx exactly.
    const int64_t den = kCell * dx;
    for (int64_t cx = floorDiv(a.x, kCell); cx * kCell < b.x; ++cx) {
        const int64_t x0 = std::max(a.x, cx * kCell), x1 = std::min(b.x, (cx + 1) * kCell);
        if (x0 >= x1) continue;
        if (dy == 0) {
            if (a.y % kCell != 0) {
                if (cell_blocks(cells, type, cx, floorDiv(a.y, kCell))) return false;
            } else if (cell_blocks(cells, type, cx, a.y / kCell - 1) && cell_blocks(cells, type, cx, a.y / kCell)) {
                return false;
            }
            continue;
        }
        const int64_t n0 = a.y * dx + (x0 - a.x) * dy, n1 = a.y * dx + (x1 - a.x) * dy;
        const int64_t lo = std::min(n0, n1), hi = std::max(n0, n1);
        for (int64_t cy = floorDiv(lo, den); cy <= ceilDiv(hi, den) - 1; ++cy) {
            if (cell_blocks(cells, type, cx, cy)) return false;
        }
    }
    // Cell corners strictly inside the segment.
    for (int64_t gx = floorDiv(a.x, kCell) + 1; gx * kCell < b.x; ++gx) {
        const int64_t n = a.y * dx + (gx * kCell - a.x) * dy;
        if (n % den == 0 && diagonalGap(cells, type, gx, n / den)) return false;
    }
    return true;
}

ExactShortestPaths::ExactShortestPaths(const uint8_t* cells, int walkableType)
    : cells_(cells), walkableType_(walkableType) {
    for (int gy = 0; gy <= kSide; ++gy) {
        for (int gx = 0; gx <= kSide; ++gx) {
            const bool nw = cell_blocks(cells, walkableType, gx - 1, gy - 1);
            const bool ne = cell_blocks(cells, walkableType, gx, gy - 1);
            const bool sw = cell_blocks(cells, walkableType, gx - 1, gy);
            const bool se = cell_blocks(cells, walkableType, gx, gy);
            if (nw + ne + sw + se != 1) continue;
            corners_.push_back(Corner{Point{gx * kCell, gy * kCell}, (nw || se) ? 1 : -1});
        }
    }
    links_.resize(corners_.size());
    for (size_t i = 0; i < corners_.size(); ++i) {
        for (size_t j = i + 1; j < corners_.size(); ++j) {
            const int64_t dx = corners_[j].p.x - corners_[i].p.x, dy = corners_[j].p.y - corners_[i].p.y;
            if (!taut_at(corners_[i], dx, dy) || !taut_at(corners_[j], dx, dy)) continue;
            if (!segment_clear(cells_, walkableType_, corners_[i].p, corners_[j].p)) continue;
            const double d = dist(corners_[i].p, corners_[j].p);
            links_[i].push_back({static_cast<int>(j), d});
            links_[j].push_back({static_cast<int>(i), d});
            ++edges_;
        }
    }
}

// The blocking cell at a corner lies on one side of the line through it in direction
// (dx, dy) exactly when dx * dy * quadrantSign <= 0; only then can a path wrap it there.
bool ExactShortestPaths::taut_at(const Corner& c, int64_t dx, int64_t dy) const {
    const int sx = dx > 0 ? 1 : (dx < 0 ? -1 : 0), sy = dy > 0 ? 1 : (dy < 0 ? -1 : 0);
    return sx * sy * c.quadrantSign <= 0;
}

bool ExactShortestPaths::point_free(Point p) const {
    const int64_t cx = floorDiv(p.x, kCell), cy = floorDiv(p.y, kCell);
    const bool onX = p.x % kCell == 0, onY = p.y % kCell == 0;
    for (int64_t ox = onX ? -1 : 0; ox <= 0; ++ox) {
        for (int64_t oy = onY ? -1 : 0; oy <= 0; ++oy) {
            if (!cell_blocks(cells_, walkableType_, cx + ox, cy + oy)) return true;
        }
    }
    return false;
}

double ExactShortestPaths::shortest_length(Point a, Point b) const {
    std::vector<Point> unused;
    return shortest_path(a, b, unused);
}

double ExactShortestPaths::shortest_path(Point a, Point b, std::vector<Point>& points) const {
    if (!point_free(a) || !point_free(b)) return -1;
    if (segment_clear(cells_, walkableType_, a, b)) {
        points.push_back(b);
        return dist(a, b);
    }
    const int n = static_cast<int>(corners_.size());
    const int goal = n;  // node index of b; the start is handled as the search's source
    std::vector<double> toGoal(n, -1);
    for (int i = 0; i < n; ++i) {
        const Corner& c = corners_[i];
        if (taut_at(c, b.x - c.p.x, b.y - c.p.y) && segment_clear(cells_, walkableType_, c.p, b)) toGoal[i] = dist(c.p, b);
    }
    std::vector<double> g(n + 1, 1e300);
    std::vector<int> parent(n + 1, -1);
    using Entry = std::pair<double, int>;
    std::priority_queue<Entry, std::vector<Entry>, std::greater<Entry>> open;
    for (int i = 0; i < n; ++i) {
        const Corner& c = corners_[i];
        if (!taut_at(c, c.p.x - a.x, c.p.y - a.y) || !segment_clear(cells_, walkableType_, a, c.p)) continue;
        g[i] = dist(a, c.p);
        parent[i] = -1;
        open.push({g[i] + dist(c.p, b), i});
    }
    std::vector<char> closed(n + 1, 0);
    while (!open.empty()) {
        // A plain variable, not a structured binding: the lambda below captures it, which
        // clang 14 refuses for bindings.
        const int i = open.top().second;
        open.pop();
        if (closed[i]) continue;
        closed[i] = 1;
        if (i == goal) break;
        auto relax = [&](int j, double w) {
            if (g[i] + w < g[j]) {
                g[j] = g[i] + w;
                parent[j] = i;
                open.push({g[j] + (j == goal ? 0.0 : dist(corners_[j].p, b)), j});
            }
        };
        for (const auto& [j, w] : links_[i]) relax(j, w);
        if (toGoal[i] >= 0) relax(goal, toGoal[i]);
    }
    if (g[goal] >= 1e300) return -1;
    std::vector<Point> reversed{b};
    for (int i = parent[goal]; i >= 0; i = parent[i]) reversed.push_back(corners_[i].p);
    points.insert(points.end(), reversed.rbegin(), reversed.rend());
    return g[goal];
}

}  // namespace navref
