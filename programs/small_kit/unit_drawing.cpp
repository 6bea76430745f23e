#include "programs/small_kit/unit_drawing.h"

namespace small_kit {

void drawUnitDisc(win::HDC dc, win::HPEN pen, win::HBRUSH brush, DoubleVec centre, double radius) {
    win::SelectObject(dc, pen);
    win::SelectObject(dc, brush);
    win::SetBkColor(dc, win::RGB(0, 10, 0));
    win::SetBkMode(dc, win::TRANSPARENT);
    win::Ellipse(dc, truncToInt32(centre.x - radius), truncToInt32(centre.y - radius), truncToInt32(centre.x + radius),
                 truncToInt32(centre.y + radius));
}

}  // namespace small_kit
