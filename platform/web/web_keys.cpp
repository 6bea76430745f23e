// DOM key names to Windows virtual-key codes.
#include "platform/web/web_keys.h"

#include <cstring>

#include "platform/win.h"

namespace win::web {
namespace {

struct NamedKey {
    const char* name;  // KeyboardEvent.key
    WPARAM code;
};

constexpr NamedKey kNamedKeys[] = {
    {"Backspace", VK_BACK}, {"Tab", VK_TAB},       {"Enter", VK_RETURN},      {"Shift", VK_SHIFT},
    {"Control", VK_CONTROL}, {"Alt", VK_MENU},     {"AltGraph", VK_MENU},     {"Escape", VK_ESCAPE},
    {"Esc", VK_ESCAPE},     {" ", VK_SPACE},       {"Spacebar", VK_SPACE},    {"PageUp", VK_PRIOR},
    {"PageDown", VK_NEXT},  {"End", VK_END},       {"Home", VK_HOME},         {"ArrowLeft", VK_LEFT},
    {"Left", VK_LEFT},      {"ArrowUp", VK_UP},    {"Up", VK_UP},             {"ArrowRight", VK_RIGHT},
    {"Right", VK_RIGHT},    {"ArrowDown", VK_DOWN}, {"Down", VK_DOWN},        {"Insert", VK_INSERT},
    {"Delete", VK_DELETE},  {"Del", VK_DELETE},
};

// A letter or digit key: its virtual key is the upper-case character itself.
int fromCharacter(char c) {
    if (c >= 'a' && c <= 'z') return 'A' + (c - 'a');
    if (c >= 'A' && c <= 'Z') return c;
    if (c >= '0' && c <= '9') return c;
    return 0;
}

// "F1" to "F12".
int fromFunctionKey(const char* key) {
    if (key[0] != 'F' || key[1] < '1' || key[1] > '9') return 0;
    int n = key[1] - '0';
    if (key[2] != '\0') {
        if (key[2] < '0' || key[2] > '9' || key[3] != '\0') return 0;
        n = n * 10 + (key[2] - '0');
    }
    return n >= 1 && n <= 12 ? static_cast<int>(VK_F1) + n - 1 : 0;
}

}  // namespace

int virtualKeyFromDom(const char* key, const char* code) {
    key = key != nullptr ? key : "";
    code = code != nullptr ? code : "";
    for (const NamedKey& k : kNamedKeys) {
        if (std::strcmp(key, k.name) == 0) return static_cast<int>(k.code);
    }
    if (key[0] != '\0' && key[1] == '\0') {
        const int vk = fromCharacter(key[0]);
        if (vk != 0) return vk;
    }
    if (const int vk = fromFunctionKey(key); vk != 0) return vk;
    // The layout made something else of a letter or digit (Alt+F as "ƒ", say): its position.
    if (std::strncmp(code, "Key", 3) == 0 && code[3] >= 'A' && code[3] <= 'Z' && code[4] == '\0') return code[3];
    if (std::strncmp(code, "Digit", 5) == 0 && code[5] >= '0' && code[5] <= '9' && code[6] == '\0') return code[5];
    return 0;
}

bool keyBelongsToProgram(int virtualKey, bool ctrl, bool meta) {
    if (virtualKey == 0 || meta || virtualKey == static_cast<int>(VK_TAB)) return false;
    // With Ctrl only the program's own shortcuts: save, undo, redo.
    if (ctrl) return virtualKey == 'S' || virtualKey == 'Z' || virtualKey == 'Y';
    const int f5 = static_cast<int>(VK_F1) + 4;
    const int f11 = static_cast<int>(VK_F1) + 10;
    return virtualKey != f5 && virtualKey != f11;
}

}  // namespace win::web
