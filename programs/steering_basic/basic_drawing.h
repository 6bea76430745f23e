#pragma once
// The four drawing resources of steering_basic, made and deleted with its run, and the
// drawing of one agent with its overlay.
#include "platform/win.h"
#include "programs/steering_basic/basic_agent.h"

namespace steering_basic {

struct BasicDrawingResources {
    win::HBRUSH tealBrush;    // agent fill
    win::HPEN thickBlackPen;  // agent outlines, width 2
    win::HPEN magentaPen;     // velocity lines
    win::HPEN bluePen;        // force lines and avoidance boxes
};

// Creates the four objects, in declaration order.
BasicDrawingResources createDrawingResources();
// Deletes them in creation order and forgets them; forgotten ones are left alone.
void deleteDrawingResources(BasicDrawingResources& resources);

// The body, and with the overlay the velocity, the force total and the avoidance box.
void drawAgent(const BasicAgent& agent, win::HDC dc, const BasicDrawingResources& resources, bool overlay);

}  // namespace steering_basic
