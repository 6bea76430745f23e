#pragma once
// F12 and File, Save Picture in all three programs: the window as a person sees it (menu
// bar and client area) written as a PNG under a new numbered name in the working folder.
#include <functional>
#include <string>

#include "platform/win.h"
#include "shell/menu_commands.h"

namespace shell {

// Numbered names tried: PROGRAM-0001.png to PROGRAM-9999.png.
constexpr int kMaxPictureNumber = 9999;

// The first PROGRAM-NNNN.png not yet in the working folder, or empty when all are taken.
std::string nextPictureName(const char* programName);
// Says one line to the person: the program's message line (and stderr).
using SayLine = std::function<void(const std::string& line)>;

// Writes the picture; says the name, or why nothing was written, through `say` or, without
// one, on stderr. False when nothing was written.
bool savePicture(const char* programName, std::string* written = nullptr, SayLine say = {});

// For a window procedure: true (and the picture saved) for the F12 key release and for
// the File, Save Picture command.
bool handlePictureMessage(const char* programName, win::UINT message, win::WPARAM wParam, SayLine say = {});

}  // namespace shell
