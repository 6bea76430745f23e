#pragma once
// How both small programs draw an agent's body: a disc of the agent's radius in the given
// pen and brush, its corners truncated as the processor converts, transparent background.
#include "platform/win.h"
#include "programs/small_kit/double_vec.h"

namespace small_kit {

void drawUnitDisc(win::HDC dc, win::HPEN pen, win::HBRUSH brush, DoubleVec centre, double radius);

}  // namespace small_kit
