// Names of the virtual keys: one table for input files, recorded sessions and --help.
#include <cctype>
#include <cstdlib>
#include <string>

#include "platform/host.h"

namespace win::host {
namespace {

// Each virtual key's own name (its VK_ name without the prefix) comes first, then the
// usual names people type for it.
constexpr VirtualKeyName kKeyNames[] = {
    {"Back", 0x08},     {"Tab", 0x09},       {"Clear", 0x0C},    {"Return", 0x0D},   {"Shift", 0x10},
    {"Control", 0x11},  {"Menu", 0x12},      {"Pause", 0x13},    {"Escape", 0x1B},   {"Space", 0x20},
    {"Prior", 0x21},    {"Next", 0x22},      {"End", 0x23},      {"Home", 0x24},     {"Left", 0x25},
    {"Up", 0x26},       {"Right", 0x27},     {"Down", 0x28},     {"Insert", 0x2D},   {"Delete", 0x2E},
    {"Numpad0", 0x60},  {"Numpad1", 0x61},   {"Numpad2", 0x62},  {"Numpad3", 0x63},  {"Numpad4", 0x64},
    {"Numpad5", 0x65},  {"Numpad6", 0x66},   {"Numpad7", 0x67},  {"Numpad8", 0x68},  {"Numpad9", 0x69},
    {"Multiply", 0x6A}, {"Add", 0x6B},       {"Subtract", 0x6D}, {"Decimal", 0x6E},  {"Divide", 0x6F},
    // Aliases.
    {"Backspace", 0x08}, {"Enter", 0x0D},    {"Ctrl", 0x11},     {"Alt", 0x12},      {"Esc", 0x1B},
    {"PageUp", 0x21},   {"PgUp", 0x21},      {"PageDown", 0x22}, {"PgDn", 0x22},     {"Ins", 0x2D},
    {"Del", 0x2E},
};
constexpr int kFunctionKeys = 24;  // F1..F24, VK_F1 = 0x70 onward

bool equalIgnoringCase(const std::string& a, const char* b) {
    size_t i = 0;
    for (; i < a.size() && b[i] != '\0'; ++i) {
        if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i]))) {
            return false;
        }
    }
    return i == a.size() && b[i] == '\0';
}

}  // namespace

std::span<const VirtualKeyName> virtualKeyNames() { return kKeyNames; }

std::string virtualKeyName(int code) {
    for (const VirtualKeyName& key : kKeyNames) {
        if (key.code == code) {
            return key.name;  // the first entry of a code is its own name
        }
    }
    if (code >= 'A' && code <= 'Z') {
        return std::string(1, static_cast<char>(code));
    }
    if (code >= 0x70 && code < 0x70 + kFunctionKeys) {
        return "F" + std::to_string(code - 0x70 + 1);
    }
    return std::to_string(code);
}

LPARAM keyDownLParam(WORD repeatCount, bool wasDown, BYTE scanCode) {
    const uint32_t bits = static_cast<uint32_t>(repeatCount) | (static_cast<uint32_t>(scanCode) << 16) |
                          (wasDown ? (1u << 30) : 0u);
    return static_cast<LPARAM>(bits);
}

LPARAM keyUpLParam(BYTE scanCode) {
    // Repeat count 1, previous state down, transition up.
    const uint32_t bits = 1u | (static_cast<uint32_t>(scanCode) << 16) | (1u << 30) | (1u << 31);
    return static_cast<LPARAM>(bits);
}

int virtualKeyFromName(const std::string& name) {
    if (name.empty()) {
        return -1;
    }
    const bool allDigits = name.find_first_not_of("0123456789") == std::string::npos;
    if (allDigits) {
        if (name.size() > 3) {
            return -1;
        }
        const int code = std::atoi(name.c_str());
        return code <= 255 ? code : -1;
    }
    for (const VirtualKeyName& key : kKeyNames) {
        if (equalIgnoringCase(name, key.name)) {
            return key.code;
        }
    }
    if (name.size() == 1 && std::isalpha(static_cast<unsigned char>(name[0]))) {
        return std::toupper(static_cast<unsigned char>(name[0]));
    }
    if ((name[0] == 'F' || name[0] == 'f') && name.size() <= 3) {
        const std::string digits = name.substr(1);
        if (!digits.empty() && digits.find_first_not_of("0123456789") == std::string::npos) {
            const int n = std::atoi(digits.c_str());
            if (n >= 1 && n <= kFunctionKeys) {
                return 0x70 + n - 1;
            }
        }
    }
    return -1;
}

}  // namespace win::host
