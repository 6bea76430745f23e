#include "shell/window_messages.h"

#include <utility>


namespace shell {

bool handleCommonMessage(const Presentation& presentation, const char* programName, win::HWND window,
                         win::UINT message, win::WPARAM wParam, SayLine say) {
    if (handlePictureMessage(programName, message, wParam, std::move(say))) return true;
    switch (message) {
        case win::WM_PAINT: paintWindow(presentation, window); return true;
        case win::WM_DESTROY: win::PostQuitMessage(0); return true;
        default: return false;
    }
}

}  // namespace shell
