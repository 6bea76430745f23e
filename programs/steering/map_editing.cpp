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
#include "programs/steering/steering_run.h"
#include "world/map_install.h"
#include "programs/steering/drawing_resources.h"
#include "programs/steering/view_state.h"
#include "shell/program_entry.h"
#include "world/open_cells.h"
#include "world/world_navigation.h"

namespace steering {

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

CellIndex cellUnderPixel(SteeringRun& run, LPARAM lParam) {
    const double x = LOWORD(static_cast<uintptr_t>(lParam));
    const double y = HIWORD(static_cast<uintptr_t>(lParam));
    // Whole world units as doubles (no 32-bit wrap far zoomed out), then cells of 256.
    const double worldX = x * run.view.viewScaleX + run.view.viewOriginX;
    const double worldY = y * run.view.viewScaleY + run.view.viewOriginY;
    const double limit = 1e9;  // any cell this far off the map is as good as any other
    return {static_cast<int32_t>(std::floor(clampOrLow(worldX / 256.0, limit))),
            static_cast<int32_t>(std::floor(clampOrLow(worldY / 256.0, limit)))};
}

}  // namespace

void setChoice(SteeringRun& run, HWND window, std::size_t choice) {
    const HMENU menu = GetMenu(window);
    for (std::size_t i = 0; i < kPaintChoiceCount; ++i) {
        CheckMenuItem(menu, kPaintChoices[i].command, MF_BYCOMMAND | (i == choice ? MF_CHECKED : MF_UNCHECKED));
    }
    run.mapEdit.choice = choice;
}

namespace {

void setEditing(SteeringRun& run, HWND window, bool on) {
    run.mapEdit.editing = on;
    run.mapEdit.hovering = false;
    CheckMenuItem(GetMenu(window), kCommandEditMap, MF_BYCOMMAND | (on ? MF_CHECKED : MF_UNCHECKED));
    if (on) setChoice(run, window, run.mapEdit.choice);
}

// The stroke's new cells go straight into the running map, so walls appear under the
// pointer; the navigation follows when the stroke ends.
void showStrokeCells(SteeringRun& run) {
    const std::size_t count = run.mapStrokes.currentStrokeChanges();
    uint8_t* cells = run.world->gridMap.cells();
    for (; run.mapEdit.shownChanges < count; ++run.mapEdit.shownChanges) {
        const CellChange& change = run.mapStrokes.currentStrokeChange(run.mapEdit.shownChanges);
        if (cells != nullptr) cells[change.index] = change.after;
    }
}

void beginStroke(SteeringRun& run, UINT button, uint8_t value, LPARAM lParam) {
    run.mapStrokes.begin(value);
    run.mapEdit.strokeButton = button;
    run.mapEdit.shownChanges = 0;
    const CellIndex cell = cellUnderPixel(run, lParam);
    run.mapStrokes.paintTo(run.worldMap.authored.data(), cell.column, cell.row);
    showStrokeCells(run);
}

void endStroke(SteeringRun& run) {
    run.mapEdit.strokeButton = 0;
    if (run.mapStrokes.end()) applyMapChange(run);
}

uint8_t* authored(SteeringRun& run) { return run.worldMap.authored.data(); }

void undoOrRedo(SteeringRun& run, bool undo) {
    if (run.mapEdit.strokeButton != 0) endStroke(run);
    const bool changed = undo ? run.mapStrokes.undo(authored(run)) : run.mapStrokes.redo(authored(run));
    if (!changed) {
        showStatus(run, undo ? "nothing to undo" : "nothing to redo");
        return;
    }
    // An undo that could not be built is taken back by a redo, and the other way round.
    applyMapChange(run, undo ? MapChange::Undo : MapChange::StrokeOrRedo);
}

void moveAgentsOutOfWalls(SteeringRun& run) {
    for (Agent& agent : run.world->agentList) {
        const CellIndex cell = run.world->gridMap.worldToCell(agent.position);
        if (run.world->gridMap.cellAt(cell) != kWallType) continue;
        CellIndex open;
        if (!nearestOpenCell(run.world->gridMap, agent.position, open)) continue;
        const FixedVec old = agent.position;
        agent.position = cellCentre(open);
        agent.gridRecord = run.world->neighbourGrid.moveAgent(&agent, old, agent.position, agent.radius, agent.gridRecord);
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

void showStatus(SteeringRun& run, const std::string& text) {
    // The line under the map holds kStatusSize - 1 characters; stderr gets all of it.
    fitStatusLine(text, run.mapEdit.status, sizeof run.mapEdit.status);
    run.mapEdit.statusFrames = kStatusFrames;
    std::fprintf(stderr, "%s\n", text.c_str());
}

bool applyMapChange(SteeringRun& run, MapChange change) {
    prepareCells(run.worldMap);
    installMap(*run.world, run.worldMap);
    if (run.world->navMesh.buildFailed) {
        // The change needs more navigation than the tables hold: take it back.
        const std::string text = std::string("the navigation ran out of ") +
                                 (run.world->navMesh.buildFailure != nullptr ? run.world->navMesh.buildFailure : "room") +
                                 ": change taken back";
        const bool takenBack = change == MapChange::Undo ? run.mapStrokes.redo(authored(run)) : run.mapStrokes.undo(authored(run));
        if (takenBack) {
            prepareCells(run.worldMap);
            installMap(*run.world, run.worldMap);
        }
        showStatus(run, text);
        return false;
    }
    moveAgentsOutOfWalls(run);
    for (Agent& agent : run.world->agentList) {
        if (!agent.pathDone) agent.setTarget(agent.pathTarget);
    }
    return true;
}

bool loadMapFile(SteeringRun& run, const char* path) {
    PreparedMap& candidate = run.candidateMap;  // two 64 KiB copies: not on the stack
    const MapFileRead read = prepareMapFile(path, candidate, MapFileUse::WholeFileOnly);
    if (read.status != MapFileStatus::Complete) {
        showStatus(run, read.problem);
        return false;
    }
    installMap(*run.world, candidate);
    if (run.world->navMesh.buildFailed) {
        installMap(*run.world, run.worldMap);  // the running map again, exactly as it was
        showStatus(run, std::string("not loaded: the map needs more navigation than the tables hold (\"") + path + "\")");
        return false;
    }
    run.worldMap = candidate;
    run.mapFilePath = path;
    run.mapStrokes.clear();
    run.mapEdit.strokeButton = 0;
    moveAgentsOutOfWalls(run);
    for (Agent& agent : run.world->agentList) {
        if (!agent.pathDone) agent.setTarget(agent.pathTarget);
    }
    showStatus(run, std::string("loaded map \"") + path + "\"");
    return true;
}

bool saveMapFile(SteeringRun& run) {
    const SaveResult result = saveFileSafely(run.mapFilePath, run.worldMap.authored.data(), run.worldMap.authored.size());
    showStatus(run, result.ok ? "saved map \"" + run.mapFilePath + "\"" : result.problem);
    return result.ok;
}

bool mapEditMouse(SteeringRun& run, UINT message, WPARAM wParam, LPARAM lParam) {
    if (!run.mapEdit.editing) return false;
    switch (message) {
        case WM_MOUSEMOVE: {
            run.mapEdit.hovering = true;
            run.mapEdit.hoverCell = cellUnderPixel(run, lParam);
            if (run.mapEdit.strokeButton == 0) return true;
            const WPARAM held = run.mapEdit.strokeButton == WM_LBUTTONDOWN ? MK_LBUTTON : MK_RBUTTON;
            if ((wParam & held) == 0) {
                endStroke(run);  // released outside the window: no button-up came
                return true;
            }
            run.mapStrokes.paintTo(authored(run), run.mapEdit.hoverCell.column, run.mapEdit.hoverCell.row);
            showStrokeCells(run);
            return true;
        }
        case WM_LBUTTONDOWN:
        case WM_RBUTTONDOWN:
            if (run.mapEdit.strokeButton != 0) endStroke(run);
            beginStroke(run, message, message == WM_LBUTTONDOWN ? kPaintChoices[run.mapEdit.choice].value : 0, lParam);
            return true;
        case WM_LBUTTONUP:
        case WM_RBUTTONUP:
            if (run.mapEdit.strokeButton == (message == WM_LBUTTONUP ? WM_LBUTTONDOWN : WM_RBUTTONDOWN)) endStroke(run);
            return true;
        default: return false;
    }
}

bool mapEditKeyDown(SteeringRun& run, HWND window, WPARAM key, LPARAM lParam) {
    const bool repeated = (static_cast<uint32_t>(lParam) & (1u << 30)) != 0;
    if (keyDown(static_cast<int>(VK_CONTROL))) {
        switch (key) {
            case 'Z': undoOrRedo(run, true); return true;
            case 'Y': undoOrRedo(run, false); return true;
            case 'S':
                if (!repeated) saveMapFile(run);
                return true;
            default: return false;
        }
    }
    if (repeated) return false;
    if (key == 'E') {
        if (run.mapEdit.strokeButton != 0) endStroke(run);
        setEditing(run, window, !run.mapEdit.editing);
        return true;
    }
    if (run.mapEdit.editing && key >= '1' && key < '1' + kPaintChoiceCount) {
        setChoice(run, window, static_cast<std::size_t>(key - '1'));
        return true;
    }
    return false;
}

bool mapEditCommand(SteeringRun& run, HWND window, WORD command) {
    if (command == kCommandEditMap) {
        if (run.mapEdit.strokeButton != 0) endStroke(run);
        setEditing(run, window, !run.mapEdit.editing);
        return true;
    }
    if (command == kCommandSaveMap) {
        saveMapFile(run);
        return true;
    }
    for (std::size_t i = 0; i < kPaintChoiceCount; ++i) {
        if (kPaintChoices[i].command == command) {
            setChoice(run, window, i);
            return true;
        }
    }
    return false;
}

void mapEditDrop(SteeringRun& run, HDROP drop) {
    char path[kMaxDropPath];
    const UINT length = DragQueryFile(drop, 0, path, sizeof path);
    DragFinish(drop);
    if (length == 0 || length >= sizeof path) {
        showStatus(run, "dropped file name is too long (or empty): not loaded");
        return;
    }
    if (run.mapEdit.strokeButton != 0) endStroke(run);
    const std::size_t n = std::strlen(path);
    if (n >= 4 && strcasecmp(path + n - 4, ".xml") == 0) {
        // A test case: its ground and agents replace the running ones.
        std::string reason;
        if (openScenario(run, path, reason)) {
            run.mapStrokes.clear();
            showStatus(run, std::string("opened test case \"") + path + "\"");
        } else {
            // Reason first and the path quoted, so a long path gives way on the status line.
            const std::string prefix = std::string(path) + ":";
            if (reason.rfind(prefix, 0) == 0) reason = "line " + reason.substr(prefix.size());
            if (reason.rfind("line  ", 0) == 0) reason = reason.substr(6);  // messages without a line
            showStatus(run, reason + " in test case \"" + path + "\": not opened");
        }
        return;
    }
    if (loadMapFile(run, path)) closeScenario(run);
}

bool handleMapEditing(SteeringRun& run, HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_KEYDOWN: return mapEditKeyDown(run, window, wParam, lParam);
        case WM_COMMAND: return mapEditCommand(run, window, LOWORD(wParam));
        case WM_DROPFILES: mapEditDrop(run, reinterpret_cast<HDROP>(wParam)); return true;
        case WM_MOUSEMOVE:
        case WM_LBUTTONDOWN:
        case WM_LBUTTONUP:
        case WM_RBUTTONDOWN:
        case WM_RBUTTONUP: return mapEditMouse(run, message, wParam, lParam);
        default: return false;
    }
}

void drawMapEditOverlay(SteeringRun& run, HDC dc) {
    if (run.mapEdit.editing && run.mapEdit.hovering) {
        auto pixel = [](double world, double origin, double inverse) {
            return static_cast<int>(clampOrLow((world - origin) * inverse, kOutlineLimit));
        };
        const double left = run.mapEdit.hoverCell.column * 256.0, top = run.mapEdit.hoverCell.row * 256.0;
        const int x0 = pixel(left, run.view.viewOriginX, run.view.viewInvScaleX);
        const int y0 = pixel(top, run.view.viewOriginY, run.view.viewInvScaleY);
        const int x1 = pixel(left + 256.0, run.view.viewOriginX, run.view.viewInvScaleX);
        const int y1 = pixel(top + 256.0, run.view.viewOriginY, run.view.viewInvScaleY);
        SelectObject(dc, asGdiObject(run.drawing.magentaPen));
        MoveToEx(dc, x0, y0, nullptr);
        LineTo(dc, x1, y0);
        LineTo(dc, x1, y1);
        LineTo(dc, x0, y1);
        LineTo(dc, x0, y0);
    }
    if (run.mapEdit.statusFrames > 0) {
        --run.mapEdit.statusFrames;
        // A band of its own across the bottom, so walls and agents never show through.
        SelectObject(dc, asGdiObject(run.drawing.blackPen));
        SelectObject(dc, asGdiObject(run.drawing.messageBrush));
        Rectangle(dc, -1, kStatusBandTop, shell::kClientWidth + 1, shell::kClientHeight + 1);
        SetBkMode(dc, TRANSPARENT);
        SetTextColor(dc, RGB(0, 0, 0));
        TextOut(dc, kStatusX, kStatusY, run.mapEdit.status, static_cast<int>(std::strlen(run.mapEdit.status)));
    }
}

}  // namespace steering
