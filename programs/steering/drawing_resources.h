#pragma once
// The pens and brushes of the steering program: created with its run, selected by every
// drawing function, deleted after the loop (releaseDrawingResources) or with the run. No
// drawing creates, deletes or replaces one of them.
#include "platform/win.h"

namespace steering {

struct DrawingResources {
    win::HPEN blackPen;        // agents, obstacles
    win::HPEN magentaPen;      // update timing bar, velocity vectors
    win::HPEN bluePen;         // drawing timing bar, neighbour grid, steering vectors
    win::HPEN secondBlackPen;  // probe lines and paths (a separate object from blackPen)
    win::HPEN whitePen;        // outline of agents without an active path
    win::HBRUSH tealBrush;     // agents
    win::HBRUSH orangeBrush;   // obstacles
    win::HBRUSH greenBrush;    // wall cells
    win::HBRUSH occupancyBrushes[9];  // [n] for n = 1..8 occupants (8 = black); [0] unused
    win::HBRUSH messageBrush;  // the message line's band
};

// Creates every pen and brush, in declaration order.
DrawingResources createDrawingResources();
// Deletes them in creation order and empties the record; an empty record is left alone.
void deleteDrawingResources(DrawingResources& resources);

// Pens and brushes go to SelectObject through the generic handle.
inline win::HGDIOBJ asGdiObject(win::HPEN pen) { return pen; }
inline win::HGDIOBJ asGdiObject(win::HBRUSH brush) { return brush; }

}  // namespace steering
