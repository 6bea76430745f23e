#pragma once
// Edit mode of the steering program: the Map menu, painting cells with the mouse, undo and
// redo, saving the map to its file, loading another map (--map, a dropped file), and the
// rebuild that follows every change: navigation rebuilt, agents stuck in new walls moved
// to the nearest open cell, every following agent re-planned to its target.
#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/win.h"
#include "steering/agent.h"
#include "world/grid_map.h"
#include "world/map_strokes.h"

namespace steering {

class SteeringRun;

// Menu command ids (Map menu, and File, Save Picture shared by the three programs).
constexpr win::WORD kCommandEditMap = 40040;
constexpr win::WORD kCommandSaveMap = 40041;

// The cell values the Map menu offers, in menu order; number keys 1..5 choose them too.
struct PaintChoice {
    uint8_t value;       // the whole byte painted
    win::WORD command;   // its Map menu item
};
constexpr PaintChoice kPaintChoices[] = {
    {15, 40050},  // wall (the default)
    {0, 40051},   // open ground
    {14, 40052},  // obstacle marker: becomes a round obstacle
    {2, 40053},   // the demonstration map's two other area values
    {3, 40054},
};
constexpr std::size_t kPaintChoiceCount = sizeof kPaintChoices / sizeof kPaintChoices[0];

// Room for the status line shown at the bottom of the window.
constexpr std::size_t kStatusSize = 160;
// Frames a status line stays up (about five seconds at the 10 ms gate).
constexpr int kStatusFrames = 500;

struct MapEditState {
    bool editing = false;
    std::size_t choice = 0;        // index into kPaintChoices
    bool hovering = false;         // the cursor is over the client area in edit mode
    CellIndex hoverCell;           // the cell under the cursor
    win::UINT strokeButton = 0;    // WM_LBUTTONDOWN or WM_RBUTTONDOWN while painting, else 0
    std::size_t shownChanges = 0;  // changes of the stroke already copied to the grid map
    char status[kStatusSize] = {};
    int statusFrames = 0;          // frames left to show the status line
};

// The window procedure's one seam: true when edit mode, the map keys (E, 1-5, Ctrl+Z,
// Ctrl+Y, Ctrl+S), the Map menu or a dropped file took the message.
bool handleMapEditing(SteeringRun& run, win::HWND window, win::UINT message, win::WPARAM wParam, win::LPARAM lParam);
// Its parts, each true when it took the message.
bool mapEditMouse(SteeringRun& run, win::UINT message, win::WPARAM wParam, win::LPARAM lParam);
bool mapEditKeyDown(SteeringRun& run, win::HWND window, win::WPARAM key, win::LPARAM lParam);
bool mapEditCommand(SteeringRun& run, win::HWND window, win::WORD command);
// WM_DROPFILES: loads the first dropped file.
void mapEditDrop(SteeringRun& run, win::HDROP drop);

// Loads a map file in place of the running one. A file that is not a whole map, or whose
// navigation does not fit the tables, leaves map, navigation and agents as they were and
// says why in the status line and on stderr.
bool loadMapFile(SteeringRun& run, const char* path);
// Writes the map (as authored: markers kept) back to its file with a safe save.
bool saveMapFile(SteeringRun& run);
// After run.worldMap.authored changed: re-prepare and install it, move agents out of new
// walls, re-plan every following agent. False (and the map restored) when the navigation
// no longer fits its tables.
enum class MapChange { StrokeOrRedo, Undo };
bool applyMapChange(SteeringRun& run, MapChange change = MapChange::StrokeOrRedo);

// Makes `choice` (an index into kPaintChoices) the value a left drag paints, its Map item
// the one checked; the check shows in and out of edit mode.
void setChoice(SteeringRun& run, win::HWND window, std::size_t choice);

// Says something in the status line (fitted as below) and, whole, on stderr.
void showStatus(SteeringRun& run, const std::string& text);
// Copies text into a status line of `size` bytes. A message too long for it loses the middle
// of its first quoted path ("...") rather than its end, so the reason after the path and the
// file's own name stay readable however deep the folder is; one without a quoted path that
// could give way is cut at the end.
void fitStatusLine(const std::string& text, char* line, std::size_t size);

// Edit mode's drawing: the outline of the cell under the cursor and the status line.
void drawMapEditOverlay(SteeringRun& run, win::HDC dc);

}  // namespace steering
