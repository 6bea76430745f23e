#pragma once
// Command ids of the menu items the programs share: an item that does the same in two
// programs carries the same id in both, and its id is written only here.
#include "platform/win.h"

namespace shell {

constexpr win::WORD kCommandExit = 40004;         // File, Exit (all three)
constexpr win::WORD kCommandSavePicture = 40005;  // File, Save Picture (all three)
// The Debug overlays of steering and steering_walls.
constexpr win::WORD kCommandNeighbours = 40007;
constexpr win::WORD kCommandGrid = 40008;
constexpr win::WORD kCommandVectors = 40009;

}  // namespace shell
