#pragma once
// A 256 x 256 byte map being authored, with the drawing primitives the map design uses
// and the checks that keep the design honest (placement rules, reachability, and the
// rectangle cover that the navigation build will make of it).
#include <cstdint>
#include <string>
#include <vector>

namespace mapgen {

constexpr int kSide = 256;           // cells per side of the map file
constexpr int kPlayable = 127;       // cells 0..126 on each axis can hold an agent's centre
constexpr uint8_t kGround = 0;
constexpr uint8_t kWall = 15;
constexpr uint8_t kObstacleMarker = 14;
constexpr uint8_t kObstacleAfterSetUp = 1;  // what the set-up rewrites a marker to

struct Cell {
    int x = 0;  // column
    int y = 0;  // row
};

struct Rect {  // cells x0..x1-1, y0..y1-1
    int x0 = 0, y0 = 0, x1 = 0, y1 = 0;
    uint8_t value = 0;
};

class Canvas {
public:
    Canvas();
    uint8_t at(int x, int y) const;  // kWall outside the file
    void set(int x, int y, uint8_t value);
    void fill(int x0, int y0, int x1, int y1, uint8_t value);  // x1, y1 exclusive
    void hline(int x0, int x1, int y, uint8_t value);          // x1 exclusive
    void vline(int x, int y0, int y1, uint8_t value);          // y1 exclusive
    // Filled ellipse with centre (cx, cy) and radii rx, ry in cells.
    void ellipse(int cx, int cy, int rx, int ry, uint8_t value);
    // Remembers a doorway (or any spot) that obstacles must keep clear of.
    void keepClear(int x0, int y0, int x1, int y1);
    bool isKeptClear(int x, int y) const;
    // Counts a doorway opened, `width` cells wide, for the statistics.
    void noteDoorway(int width) {
        ++doorways_;
        if (width < narrowestDoorway_) narrowestDoorway_ = width;
    }
    int doorways() const { return doorways_; }
    int narrowestDoorway() const { return narrowestDoorway_; }  // kSide before any doorway

    // Chebyshev distance from (x, y) to the nearest cell satisfying the value test, capped.
    int distanceTo(int x, int y, bool (*test)(uint8_t), int cap) const;

    const std::vector<uint8_t>& bytes() const { return cells_; }

private:
    std::vector<uint8_t> cells_;
    std::vector<uint8_t> clear_;
    int doorways_ = 0;
    int narrowestDoorway_ = kSide;
};

// The greedy skyline cover the navigation build makes: topmost, then leftmost uncovered
// cell first, as wide as its row allows, then as deep as identical rows allow.
std::vector<Rect> skylineCover(const std::vector<uint8_t>& cells);

// Cells reachable from start through 4-connected cells whose value passes the test.
std::vector<uint8_t> floodFill(const std::vector<uint8_t>& cells, Cell start, bool (*walkable)(uint8_t));

// One character per cell for the preview.
char previewChar(uint8_t value);

}  // namespace mapgen
