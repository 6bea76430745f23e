#pragma once
// The four drawing resources of steering_basic, created once by static initialisation
// and deleted once at exit, and the drawing of one agent with its overlay.
#include "platform/win.h"
#include "programs/steering_basic/basic_agent.h"

namespace steering_basic {

struct BasicDrawingResources {
    win::HBRUSH tealBrush;    // agent fill
    win::HPEN thickBlackPen;  // agent outlines, width 2
    win::HPEN magentaPen;     // velocity lines
    win::HPEN bluePen;        // force lines and avoidance boxes
};

// Creation order is the declaration order; deletion too.
extern BasicDrawingResources drawingResources;

// Deletes the four objects and forgets them.
void deleteDrawingResources();
// Creates the four objects, in declaration order, unless they exist: a run that starts
// after an earlier run in the same process released them draws with live objects.
void ensureDrawingResources();

// The body, and with debugOverlay the velocity, the force total and the avoidance box.
void drawAgent(const BasicAgent& agent, win::HDC dc);

}  // namespace steering_basic
