#pragma once
// Painting a map with the mouse: strokes of one cell value along the pointer's path, and
// undo/redo of whole strokes within a fixed memory budget. Works on any 256 x 256 cell
// array (the editor passes the map as its file holds it).
#include <cstddef>
#include <cstdint>
#include <vector>

#include "world/grid_map.h"

namespace steering {

// Cell changes the history keeps for undo: 4 bytes each, 4 MiB in all. One stroke changes
// each cell at most once, so even a stroke over the whole map (65,536 changes) fits; the
// oldest strokes are forgotten to make room.
constexpr std::size_t kMaxHistoryChanges = std::size_t{1} << 20;
// Strokes the history remembers, whatever their size.
constexpr std::size_t kMaxHistoryStrokes = 4096;

struct CellChange {
    uint16_t index;  // row * 256 + column
    uint8_t before;
    uint8_t after;
};

class MapStrokes {
public:
    MapStrokes();  // reserves the whole budget: painting never allocates

    // Forgets every stroke (a different map was loaded).
    void clear();

    // Starts a stroke painting value; a stroke in progress is ended first. Strokes undone
    // before are dropped: they can no longer be redone.
    void begin(uint8_t value);
    // Paints every cell on the 4-connected line from the stroke's last cell to (column,
    // row), both ends included, so fast pointer moves leave no gaps and a painted wall has
    // no diagonal leaks. The first call paints just its cell. Cells off the map are skipped.
    // Returns the number of cells that changed.
    int paintTo(uint8_t* cells, int32_t column, int32_t row);
    // Ends the stroke; true when it changed any cell (it can then be undone).
    bool end();
    bool painting() const { return painting_; }
    // The changes the stroke in progress has made so far, in painting order.
    std::size_t currentStrokeChanges() const {
        return painting_ ? changes_.size() - strokeStarts_.back() : 0;
    }
    const CellChange& currentStrokeChange(std::size_t i) const { return changes_[strokeStarts_.back() + i]; }

    // Puts the cells of the last stroke back (undo) or paints the next undone one again
    // (redo). False when there is nothing to undo or redo.
    bool undo(uint8_t* cells);
    bool redo(uint8_t* cells);
    std::size_t undoableStrokes() const { return strokeStarts_.size() - undone_; }
    std::size_t redoableStrokes() const { return undone_; }

private:
    void paintCell(uint8_t* cells, int32_t column, int32_t row, int& changed);
    void dropOldestStroke();

    std::vector<CellChange> changes_;     // every kept stroke's changes, oldest first
    std::vector<std::size_t> strokeStarts_;  // index in changes_ where each stroke starts
    std::size_t undone_ = 0;              // strokes at the end of the history that are undone
    std::vector<uint32_t> paintedMark_;   // per cell: the stroke stamp that last painted it
    uint32_t strokeStamp_ = 0;
    bool painting_ = false;
    uint8_t value_ = 0;
    int32_t lastColumn_ = 0;
    int32_t lastRow_ = 0;
    bool hasLast_ = false;
};

}  // namespace steering
