#pragma once
// Between the canvas backend and the browser loop: whether a frame reached the canvas.

namespace win::web {

// True when the canvas was drawn since the last call; clears the mark.
bool takeFramePresented();

}  // namespace win::web
