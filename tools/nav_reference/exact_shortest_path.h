#pragma once
// The exact shortest path for a point among the cells of a 256 x 256 map that are not of
// the walkable type (walls, patches of other types, everything beyond the map): a
// visibility graph over the corners of those cells, searched with A*. Independent of the
// navigation mesh, so tests and tools can measure the planners against it. It may be slow
// and it allocates; it is an oracle, not a planner.
#include <cstdint>
#include <vector>

namespace navref {

struct Point {
    int64_t x = 0;  // world units (256 per cell)
    int64_t y = 0;
};

// Whether cell (cx, cy) blocks a path over cells of the walkable type: beyond the map, a
// wall (low four bits 15) or another type (low four bits differ).
bool cell_blocks(const uint8_t* cells, int walkableType, int64_t cx, int64_t cy);

// Exact test that segment a-b stays in walkable space: it enters the interior of no
// blocking cell, runs along no cell edge with blocking cells on both sides, and passes
// through no cell corner where two blocking cells meet diagonally (a gap of zero width).
bool segment_clear(const uint8_t* cells, int walkableType, Point a, Point b);

class ExactShortestPaths {
public:
    // cells: 256 * 256 bytes, kept by reference. walkableType: low four bits of the ground
    // that paths may cross.
    ExactShortestPaths(const uint8_t* cells, int walkableType);

    // Length of the shortest path from a to b in world units; -1 when none exists (an end
    // in a blocking cell, or the ends not connected).
    double shortest_length(Point a, Point b) const;
    // The same, with the bend points (corners) and b appended to `points` (a excluded).
    double shortest_path(Point a, Point b, std::vector<Point>& points) const;

    int corner_count() const { return static_cast<int>(corners_.size()); }
    int64_t edge_count() const { return edges_; }

private:
    struct Corner {
        Point p;
        int quadrantSign;  // +1: the blocking cell lies at (+x,+y) or (-x,-y); -1: the other diagonal
    };
    bool taut_at(const Corner& c, int64_t dx, int64_t dy) const;
    bool point_free(Point p) const;

    const uint8_t* cells_;
    int walkableType_;
    std::vector<Corner> corners_;
    std::vector<std::vector<std::pair<int, double>>> links_;
    int64_t edges_ = 0;
};

}  // namespace navref
