#include "programs/steering/map_editing.h"

#include <strings.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>

#include "navigation/nav_mesh.h"
#include "programs/steering/scenario_view.h"
#include "steering/agent_list.h"
#include "world/map_file.h"
#include "world/neighbour_grid.h"
#include "world/safe_save.h"
#include "programs/steering/world_setup.h"
#include "world/map_install.h"
#include "programs/steering/drawing_resources.h"
#include "programs/steering/view_state.h"
#include "shell/program_entry.h"
#include "world/open_cells.h"
#include "world/world_navigation.h"

namespace steering {

MapEditState mapEdit;
MapStrokes mapStrokes;

namespace {

using namespace win;

constexpr uint32_t kMaxDropPath = 4096;  // longest dropped path taken
// Status text: black on the white background, at the bottom left of the client area.
constexpr int kStatusX = 6;
constexpr int kStatusY = 462;
constexpr int kStatusBandTop = kStatusY - 4;  // the band's top edge, pixels
// Far zoomed in a cell's edges lie millions of pixels away; the outline is pulled back
// to this margin around the window before the conversion to int.
constexpr double kOutlineLimit = 4096.0;

bool keyDown(int key) { return (GetKeyState(key) & 0x8000) != 0; }

// value held to -limit..limit, NaN taken as -limit: std::clamp passes NaN through, and NaN
// converted to int is undefined. Far zoomed out the view's scale overflows to infinity, far
// zoomed in its inverse does, and then pixel 0 times the scale, or a zero distance times the
// inverse, is NaN.
double clampOrLow(double value, double limit) {
    if (!(value > -limit)) return -limit;
    return value < limit ? value : limit;
}

CellIndex cellUnderPixel(LPARAM lParam) {
    const double x = LOWORD(static_cast<uintptr_t>(lParam));
    const double y = HIWORD(static_cast<uintptr_t>(lParam));
    // Whole world units as doubles (no 32-bit wrap far zoomed out), then cells of 256.
    const double worldX = x * view.viewScaleX + view.viewOriginX;
    const double worldY = y * view.viewScaleY + view.viewOriginY;
    const double limit = 1e9;  // any cell this far off the map is as good as any other
    return {static_cast<int32_t>(std::floor(clampOrLow(worldX / 256.0, limit))),
            static_cast<int32_t>(std::floor(clampOrLow(worldY / 256.0, limit)))};
}

}  // namespace

void setChoice(HWND window, std::size_t choice) {
    const HMENU menu = GetMenu(window);
    for (std::size_t i = 0; i < kPaintChoiceCount; ++i) {
        CheckMenuItem(menu, kPaintChoices[i].command, MF_BYCOMMAND | (i == choice ? MF_CHECKED : MF_UNCHECKED));
    }
    mapEdit.choice = choice;
}

namespace {

void setEditing(HWND window, bool on) {
    mapEdit.editing = on;
    mapEdit.hovering = false;
    CheckMenuItem(GetMenu(window), kCommandEditMap, MF_BYCOMMAND | (on ? MF_CHECKED : MF_UNCHECKED));
    if (on) setChoice(window, mapEdit.choice);
}

// The stroke's new cells go straight into the running map, so walls appear under the
// pointer; the navigation follows when the stroke ends.
void showStrokeCells() {
    const std::size_t count = mapStrokes.currentStrokeChanges();
    uint8_t* cells = gridMap.cells();
    for (; mapEdit.shownChanges < count; ++mapEdit.shownChanges) {
        const CellChange& change = mapStrokes.currentStrokeChange(mapEdit.shownChanges);
        if (cells != nullptr) cells[change.index] = change.after;
    }
}

void beginStroke(UINT button, uint8_t value, LPARAM lParam) {
    mapStrokes.begin(value);
    mapEdit.strokeButton = button;
    mapEdit.shownChanges = 0;
    const CellIndex cell = cellUnderPixel(lParam);
    mapStrokes.paintTo(worldMap.authored.data(), cell.column, cell.row);
    showStrokeCells();
}

void endStroke() {
    mapEdit.strokeButton = 0;
    if (mapStrokes.end()) applyMapChange();
}

uint8_t* authored() { return worldMap.authored.data(); }

void undoOrRedo(bool undo) {
    if (mapEdit.strokeButton != 0) endStroke();
    const bool changed = undo ? mapStrokes.undo(authored()) : mapStrokes.redo(authored());
    if (!changed) {
        showStatus(undo ? "nothing to undo" : "nothing to redo");
        return;
    }
    // An undo that could not be built is taken back by a redo, and the other way round.
    applyMapChange(undo ? MapChange::Undo : MapChange::StrokeOrRedo);
}

void moveAgentsOutOfWalls() {
    for (Agent& agent : agentList) {
        const CellIndex cell = worldToCell(agent.position);
        if (cellAt(cell) != kWallType) continue;
        CellIndex open;
        if (!nearestOpenCell(agent.position, open)) continue;
        const FixedVec old = agent.position;
        agent.position = cellCentre(open);
        neighbourGrid.moveAgent(&agent, old, agent.position, agent.radius);
    }
}

}  // namespace

void fitStatusLine(const std::string& text, char* line, std::size_t size) {
    if (size == 0) return;
    const std::size_t room = size - 1;
    std::string fitted = text;
    const std::size_t open = text.find('"');
    const std::size_t close = open == std::string::npos ? std::string::npos : text.find('"', open + 1);
    if (text.size() > room && close != std::string::npos) {
        constexpr std::string_view kGap = "...";
        const std::size_t quoted = close - open - 1;
        const std::size_t cut = text.size() - room + kGap.size();
        if (quoted > cut) {
            // Most of what is kept is the end of the path: the file's name.
            const std::size_t kept = quoted - cut;
            const std::size_t head = kept / 4;
            fitted = text.substr(0, open + 1 + head) + std::string(kGap) + text.substr(close - (kept - head));
        }
    }
    std::snprintf(line, size, "%s", fitted.c_str());
}

void showStatus(const std::string& text) {
    // The line under the map holds kStatusSize - 1 characters; stderr gets all of it.
    fitStatusLine(text, mapEdit.status, sizeof mapEdit.status);
    mapEdit.statusFrames = kStatusFrames;
    std::fprintf(stderr, "%s\n", text.c_str());
}

bool applyMapChange(MapChange change) {
    prepareCells(worldMap);
    installMap(worldMap);
    if (steering::navMesh.buildFailed) {
        // The change needs more navigation than the tables hold: take it back.
        const std::string text = std::string("the navigation ran out of ") +
                                 (steering::navMesh.buildFailure != nullptr ? steering::navMesh.buildFailure : "room") +
                                 ": change taken back";
        const bool takenBack = change == MapChange::Undo ? mapStrokes.redo(authored()) : mapStrokes.undo(authored());
        if (takenBack) {
            prepareCells(worldMap);
            installMap(worldMap);
        }
        showStatus(text);
        return false;
    }
    moveAgentsOutOfWalls();
    for (Agent& agent : agentList) {
        if (!agent.pathDone) agent.setTarget(agent.pathTarget);
    }
    return true;
}

bool loadMapFile(const char* path) {
    static PreparedMap candidate;  // two 64 KiB copies: not on the stack
    const MapFileRead read = prepareMapFile(path, candidate, MapFileUse::WholeFileOnly);
    if (read.status != MapFileStatus::Complete) {
        showStatus(read.problem);
        return false;
    }
    installMap(candidate);
    if (steering::navMesh.buildFailed) {
        installMap(worldMap);  // the running map again, exactly as it was
        showStatus(std::string("not loaded: the map needs more navigation than the tables hold (\"") + path + "\")");
        return false;
    }
    worldMap = candidate;
    mapFilePath = path;
    mapStrokes.clear();
    mapEdit.strokeButton = 0;
    moveAgentsOutOfWalls();
    for (Agent& agent : agentList) {
        if (!agent.pathDone) agent.setTarget(agent.pathTarget);
    }
    showStatus(std::string("loaded map \"") + path + "\"");
    return true;
}

bool saveMapFile() {
    const SaveResult result = saveFileSafely(mapFilePath, worldMap.authored.data(), worldMap.authored.size());
    showStatus(result.ok ? "saved map \"" + mapFilePath + "\"" : result.problem);
    return result.ok;
}

bool mapEditMouse(UINT message, WPARAM wParam, LPARAM lParam) {
    if (!mapEdit.editing) return false;
    switch (message) {
        case WM_MOUSEMOVE: {
            mapEdit.hovering = true;
            mapEdit.hoverCell = cellUnderPixel(lParam);
            if (mapEdit.strokeButton == 0) return true;
            const WPARAM held = mapEdit.strokeButton == WM_LBUTTONDOWN ? MK_LBUTTON : MK_RBUTTON;
            if ((wParam & held) == 0) {
                endStroke();  // released outside the window: no button-up came
                return true;
            }
            mapStrokes.paintTo(authored(), mapEdit.hoverCell.column, mapEdit.hoverCell.row);
            showStrokeCells();
            return true;
        }
        case WM_LBUTTONDOWN:
        case WM_RBUTTONDOWN:
            if (mapEdit.strokeButton != 0) endStroke();
            beginStroke(message, message == WM_LBUTTONDOWN ? kPaintChoices[mapEdit.choice].value : 0, lParam);
            return true;
        case WM_LBUTTONUP:
        case WM_RBUTTONUP:
            if (mapEdit.strokeButton == (message == WM_LBUTTONUP ? WM_LBUTTONDOWN : WM_RBUTTONDOWN)) endStroke();
            return true;
        default: return false;
    }
}

bool mapEditKeyDown(HWND window, WPARAM key, LPARAM lParam) {
    const bool repeated = (static_cast<uint32_t>(lParam) & (1u << 30)) != 0;
    if (keyDown(static_cast<int>(VK_CONTROL))) {
        switch (key) {
            case 'Z': undoOrRedo(true); return true;
            case 'Y': undoOrRedo(false); return true;
            case 'S':
                if (!repeated) saveMapFile();
                return true;
            default: return false;
        }
    }
    if (repeated) return false;
    if (key == 'E') {
        if (mapEdit.strokeButton != 0) endStroke();
        setEditing(window, !mapEdit.editing);
        return true;
    }
    if (mapEdit.editing && key >= '1' && key < '1' + kPaintChoiceCount) {
        setChoice(window, static_cast<std::size_t>(key - '1'));
        return true;
    }
    return false;
}

bool mapEditCommand(HWND window, WORD command) {
    if (command == kCommandEditMap) {
        if (mapEdit.strokeButton != 0) endStroke();
        setEditing(window, !mapEdit.editing);
        return true;
    }
    if (command == kCommandSaveMap) {
        saveMapFile();
        return true;
    }
    for (std::size_t i = 0; i < kPaintChoiceCount; ++i) {
        if (kPaintChoices[i].command == command) {
            setChoice(window, i);
            return true;
        }
    }
    return false;
}

void mapEditDrop(HDROP drop) {
    char path[kMaxDropPath];
    const UINT length = DragQueryFile(drop, 0, path, sizeof path);
    DragFinish(drop);
    if (length == 0 || length >= sizeof path) {
        showStatus("dropped file name is too long (or empty): not loaded");
        return;
    }
    if (mapEdit.strokeButton != 0) endStroke();
    const std::size_t n = std::strlen(path);
    if (n >= 4 && strcasecmp(path + n - 4, ".xml") == 0) {
        // A test case: its ground and agents replace the running ones.
        std::string reason;
        if (openScenario(path, reason)) {
            mapStrokes.clear();
            showStatus(std::string("opened test case \"") + path + "\"");
        } else {
            // Reason first and the path quoted, so a long path gives way on the status line.
            const std::string prefix = std::string(path) + ":";
            if (reason.rfind(prefix, 0) == 0) reason = "line " + reason.substr(prefix.size());
            if (reason.rfind("line  ", 0) == 0) reason = reason.substr(6);  // messages without a line
            showStatus(reason + " in test case \"" + path + "\": not opened");
        }
        return;
    }
    if (loadMapFile(path)) closeScenario();
}

bool handleMapEditing(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_KEYDOWN: return mapEditKeyDown(window, wParam, lParam);
        case WM_COMMAND: return mapEditCommand(window, LOWORD(wParam));
        case WM_DROPFILES: mapEditDrop(reinterpret_cast<HDROP>(wParam)); return true;
        case WM_MOUSEMOVE:
        case WM_LBUTTONDOWN:
        case WM_LBUTTONUP:
        case WM_RBUTTONDOWN:
        case WM_RBUTTONUP: return mapEditMouse(message, wParam, lParam);
        default: return false;
    }
}

void drawMapEditOverlay(HDC dc) {
    if (mapEdit.editing && mapEdit.hovering) {
        auto pixel = [](double world, double origin, double inverse) {
            return static_cast<int>(clampOrLow((world - origin) * inverse, kOutlineLimit));
        };
        const double left = mapEdit.hoverCell.column * 256.0, top = mapEdit.hoverCell.row * 256.0;
        const int x0 = pixel(left, view.viewOriginX, view.viewInvScaleX);
        const int y0 = pixel(top, view.viewOriginY, view.viewInvScaleY);
        const int x1 = pixel(left + 256.0, view.viewOriginX, view.viewInvScaleX);
        const int y1 = pixel(top + 256.0, view.viewOriginY, view.viewInvScaleY);
        SelectObject(dc, asGdiObject(drawingResources.magentaPen));
        MoveToEx(dc, x0, y0, nullptr);
        LineTo(dc, x1, y0);
        LineTo(dc, x1, y1);
        LineTo(dc, x0, y1);
        LineTo(dc, x0, y0);
    }
    if (mapEdit.statusFrames > 0) {
        --mapEdit.statusFrames;
        // A band of its own across the bottom, so walls and agents never show through.
        SelectObject(dc, asGdiObject(drawingResources.blackPen));
        SelectObject(dc, asGdiObject(drawingResources.messageBrush));
        Rectangle(dc, -1, kStatusBandTop, shell::kClientWidth + 1, shell::kClientHeight + 1);
        SetBkMode(dc, TRANSPARENT);
        SetTextColor(dc, RGB(0, 0, 0));
        TextOut(dc, kStatusX, kStatusY, mapEdit.status, static_cast<int>(std::strlen(mapEdit.status)));
    }
}

}  // namespace steering
