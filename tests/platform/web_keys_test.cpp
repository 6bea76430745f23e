// Browser key events to virtual keys: the values are the Windows virtual-key codes.
#include "platform/web/web_keys.h"

#include <gtest/gtest.h>

namespace {

struct KeyCase {
    const char* key;
    const char* code;
    int virtualKey;
};

TEST(WebKeys, DomKeysBecomeWindowsVirtualKeys) {
    const KeyCase cases[] = {
        {"ArrowLeft", "ArrowLeft", 0x25}, {"ArrowUp", "ArrowUp", 0x26},     {"ArrowRight", "ArrowRight", 0x27},
        {"ArrowDown", "ArrowDown", 0x28}, {"PageUp", "PageUp", 0x21},       {"PageDown", "PageDown", 0x22},
        {"Insert", "Insert", 0x2D},       {"Delete", "Delete", 0x2E},       {"Escape", "Escape", 0x1B},
        {" ", "Space", 0x20},             {"Enter", "NumpadEnter", 0x0D},   {"Alt", "AltLeft", 0x12},
        {"Shift", "ShiftRight", 0x10},    {"Control", "ControlLeft", 0x11}, {"F10", "F10", 0x79},
        {"F1", "F1", 0x70},               {"F12", "F12", 0x7B},             {"Backspace", "Backspace", 0x08},
        // Letters by the character the layout gives, upper or lower case alike.
        {"d", "KeyD", 'D'},               {"D", "KeyD", 'D'},               {"z", "KeyY", 'Z'},
        {"7", "Digit7", '7'},
        // A layout that turns Alt+F into another character: the key's position decides.
        {"\xC6\x92", "KeyF", 'F'},        {"\xC2\xBA", "Digit0", '0'},
        // Keys the programs never see, and malformed names.
        {"F13", "F13", 0},                {"F0", "", 0},                    {"F123", "", 0},
        {"CapsLock", "CapsLock", 0},      {"\xC3\xA9", "Quote", 0},         {"", "", 0},
        {nullptr, nullptr, 0},            {"?", "KeyAB", 0},                {";", "Digit", 0},
    };
    for (const KeyCase& c : cases) {
        EXPECT_EQ(win::web::virtualKeyFromDom(c.key, c.code), c.virtualKey)
            << "key \"" << (c.key ? c.key : "(null)") << "\" code \"" << (c.code ? c.code : "(null)") << "\"";
    }
}

TEST(WebKeys, BrowserKeepsItsShortcutsAndProgramTheRest) {
    // Arrows, Page Up/Down, Insert/Delete, Space, letters, digits, Escape, F10 and F12 must
    // not reach the page.
    for (const int vk : {0x25, 0x28, 0x21, 0x22, 0x2D, 0x2E, 0x20, 0x44, 0x31, 0x35, 0x1B, 0x79, 0x7B, 0x12}) {
        EXPECT_TRUE(win::web::keyBelongsToProgram(vk, false, false)) << vk;
        EXPECT_FALSE(win::web::keyBelongsToProgram(vk, false, true)) << vk;  // Meta: browser shortcuts
    }
    // With Ctrl: save, undo and redo are the program's; the rest the browser's (Ctrl+D, Ctrl+W).
    for (const int vk : {int{'S'}, int{'Z'}, int{'Y'}}) EXPECT_TRUE(win::web::keyBelongsToProgram(vk, true, false)) << vk;
    for (const int vk : {int{'D'}, int{'W'}, int{'T'}, int{'R'}, 0x25, 0x7B}) EXPECT_FALSE(win::web::keyBelongsToProgram(vk, true, false)) << vk;
    // Tab (focus leaves the canvas), reload, full screen; and keys the program never sees.
    for (const int vk : {0x09, 0x74, 0x7A, 0}) EXPECT_FALSE(win::web::keyBelongsToProgram(vk, false, false)) << vk;
    EXPECT_FALSE(win::web::keyBelongsToProgram(0x09, true, false));
    EXPECT_TRUE(win::web::keyBelongsToProgram(0x73, false, false));  // F4 and F6 are the program's
    EXPECT_TRUE(win::web::keyBelongsToProgram(0x75, false, false));
}

}  // namespace
