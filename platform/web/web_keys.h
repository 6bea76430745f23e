#pragma once
// Translation of browser keyboard events into Windows virtual-key codes. Plain C++ (no
// Emscripten), so the table is tested by the native suite.

namespace win::web {

// The virtual-key code of a DOM KeyboardEvent, from its `key` (the character or key name
// the layout produces, as SDL's key codes are) and, for letters and digits that the layout
// turns into something else (Alt on some layouts), its `code` ("KeyF", "Digit3"). 0 for keys
// the programs never see. Null strings count as empty.
int virtualKeyFromDom(const char* key, const char* code);

// Whether the browser's own action for a key must be suppressed so the key reaches only the
// program: everything the program can see (F12 saves a picture, Ctrl+S, Ctrl+Z and Ctrl+Y
// save, undo and redo), except Tab (moves the focus out of the canvas), F5 and F11 (reload,
// full screen), other keys with Ctrl and every key with Meta (the browser's shortcuts).
bool keyBelongsToProgram(int virtualKey, bool ctrl, bool meta);

}  // namespace win::web
