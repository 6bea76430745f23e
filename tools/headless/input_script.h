#pragma once
// The headless driver's input files: one event per line, "FRAME EVENT ARGS", '#' starts
// a comment. Parsing is a pure function of the text so it can be tested and fuzzed
// without files or a program.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace headless {

enum class EventKind {
    Key,        // key NAME: key down (repeat 1) then key up
    KeyDown,    // keydown NAME [REPEAT]
    KeyUp,      // keyup NAME
    LeftClick,  // lclick X Y
    RightClick, // rclick X Y
    LeftDown,   // ldown X Y: the left button pressed alone (a drag's start, as recorded)
    LeftUp,     // lup X Y
    RightDown,  // rdown X Y
    RightUp,    // rup X Y
    LeftDrag,   // ldrag X Y: mouse move with the left button held
    RightDrag,  // rdrag X Y
    Move,       // move X Y: mouse move with no button
    Menu,       // menu ID
    Close,      // close
    Drop,       // drop PATH: a file dropped onto the window (%XX escapes in PATH)
};

struct InputEvent {
    uint32_t frame = 0;   // delivered before the tick that produces this frame (1-based)
    EventKind kind = EventKind::Close;
    uint32_t key = 0;     // virtual-key code (key events)
    uint32_t repeat = 1;  // key-down repeat count, 0..65535
    uint32_t x = 0;       // client pixel, 0..65535 (mouse events)
    uint32_t y = 0;
    uint32_t command = 0; // menu command id, 0..65535
    std::string path;     // dropped file (drop)
    int line = 0;         // 1-based line of the file it came from
};

struct ParseResult {
    bool ok = false;
    std::vector<InputEvent> events;  // in frame order; same-frame events keep file order
    int errorLine = 0;               // 1-based, when !ok
    std::string error;               // one line without the file and line prefix, when !ok
};

// Largest frame number an input file may name; far beyond any run, small enough that
// arithmetic on it never overflows.
constexpr uint32_t kMaxFrame = 1000000000;

ParseResult parseInputScript(std::string_view text);

// Virtual-key code for a key name without "VK_" ("Left", "Insert", "Prior", "A", ...)
// or a decimal code 0..255. Names are matched without regard to case. False when unknown.
bool keyCodeFromName(std::string_view name, uint32_t& code);

}  // namespace headless
