#include "tools/headless/input_script.h"

#include "platform/host.h"

#include <algorithm>
#include <array>
#include <cctype>

namespace headless {
namespace {

// Decimal digits only, no sign, value at most maxValue.
bool parseNumber(std::string_view text, uint32_t maxValue, uint32_t& value) {
    if (text.empty() || text.size() > 10) return false;
    uint64_t v = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return false;
        v = v * 10 + static_cast<uint64_t>(c - '0');
    }
    if (v > maxValue) return false;
    value = static_cast<uint32_t>(v);
    return true;
}

int hexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

// A path is one word: spaces, '#', '%' and control characters are written as %XX.
bool decodePath(std::string_view word, std::string& path) {
    path.clear();
    for (std::size_t i = 0; i < word.size(); ++i) {
        if (word[i] != '%') {
            path += word[i];
            continue;
        }
        const int high = i + 1 < word.size() ? hexDigit(word[i + 1]) : -1;
        const int low = i + 2 < word.size() ? hexDigit(word[i + 2]) : -1;
        if (high < 0 || low < 0) return false;
        const char decoded = static_cast<char>(high * 16 + low);
        if (decoded == '\0') return false;
        path += decoded;
        i += 2;
    }
    return true;
}

std::vector<std::string_view> splitWords(std::string_view line) {
    std::vector<std::string_view> words;
    std::size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && (line[i] == ' ' || line[i] == '\t' || line[i] == '\r')) ++i;
        const std::size_t start = i;
        while (i < line.size() && line[i] != ' ' && line[i] != '\t' && line[i] != '\r') ++i;
        if (i > start) words.push_back(line.substr(start, i - start));
    }
    return words;
}

struct EventSyntax {
    std::string_view name;
    EventKind kind;
    int minArgs;
    int maxArgs;
    std::string_view usage;
};

constexpr std::array<EventSyntax, 15> kEvents = {{
    {"key", EventKind::Key, 1, 1, "key NAME"},
    {"keydown", EventKind::KeyDown, 1, 2, "keydown NAME [REPEAT]"},
    {"keyup", EventKind::KeyUp, 1, 1, "keyup NAME"},
    {"lclick", EventKind::LeftClick, 2, 2, "lclick X Y"},
    {"rclick", EventKind::RightClick, 2, 2, "rclick X Y"},
    {"ldown", EventKind::LeftDown, 2, 2, "ldown X Y"},
    {"lup", EventKind::LeftUp, 2, 2, "lup X Y"},
    {"rdown", EventKind::RightDown, 2, 2, "rdown X Y"},
    {"rup", EventKind::RightUp, 2, 2, "rup X Y"},
    {"ldrag", EventKind::LeftDrag, 2, 2, "ldrag X Y"},
    {"rdrag", EventKind::RightDrag, 2, 2, "rdrag X Y"},
    {"move", EventKind::Move, 2, 2, "move X Y"},
    {"menu", EventKind::Menu, 1, 1, "menu ID"},
    {"close", EventKind::Close, 0, 0, "close"},
    {"drop", EventKind::Drop, 1, 1, "drop PATH"},
}};

constexpr uint32_t kMaxWord = 65535;  // key repeat counts, coordinates and command ids are 16-bit

std::string quoted(std::string_view word) {
    std::string out = "'";
    // Control characters would garble the one-line message; show them as '?'.
    for (char c : word) out += (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) ? '?' : c;
    out += "'";
    return out;
}

// Parses one non-empty line's words into an event; an empty string means success.
std::string parseEvent(const std::vector<std::string_view>& words, InputEvent& event) {
    if (!parseNumber(words[0], kMaxFrame, event.frame)) {
        return "frame number expected (0 to " + std::to_string(kMaxFrame) + "), found " + quoted(words[0]);
    }
    if (words.size() < 2) return "event name expected after the frame number";
    const EventSyntax* syntax = nullptr;
    for (const EventSyntax& s : kEvents) {
        if (s.name == words[1]) syntax = &s;
    }
    if (syntax == nullptr) {
        return "unknown event " + quoted(words[1]) +
               " (expected key, keydown, keyup, lclick, rclick, ldown, lup, rdown, rup, ldrag, rdrag, move, menu, close or drop)";
    }
    event.kind = syntax->kind;
    const int args = static_cast<int>(words.size()) - 2;
    if (args < syntax->minArgs || args > syntax->maxArgs) {
        return "wrong number of arguments for " + std::string(syntax->name) + ", expected '" +
               std::string(syntax->usage) + "'";
    }
    switch (syntax->kind) {
        case EventKind::Key:
        case EventKind::KeyDown:
        case EventKind::KeyUp:
            if (!keyCodeFromName(words[2], event.key)) return "unknown key name " + quoted(words[2]);
            if (args == 2 && !parseNumber(words[3], kMaxWord, event.repeat)) {
                return "repeat count expected (0 to 65535), found " + quoted(words[3]);
            }
            break;
        case EventKind::LeftClick:
        case EventKind::RightClick:
        case EventKind::LeftDown:
        case EventKind::LeftUp:
        case EventKind::RightDown:
        case EventKind::RightUp:
        case EventKind::LeftDrag:
        case EventKind::RightDrag:
        case EventKind::Move:
            if (!parseNumber(words[2], kMaxWord, event.x)) return "X expected (0 to 65535), found " + quoted(words[2]);
            if (!parseNumber(words[3], kMaxWord, event.y)) return "Y expected (0 to 65535), found " + quoted(words[3]);
            break;
        case EventKind::Menu:
            if (!parseNumber(words[2], kMaxWord, event.command)) {
                return "command id expected (0 to 65535), found " + quoted(words[2]);
            }
            break;
        case EventKind::Close: break;
        case EventKind::Drop:
            if (!decodePath(words[2], event.path)) return "bad %-escape in path " + quoted(words[2]);
            break;
    }
    return {};
}

}  // namespace

bool keyCodeFromName(std::string_view name, uint32_t& code) {
    // One table of names for the driver, recorded sessions and the platform.
    const int found = win::host::virtualKeyFromName(std::string(name));
    if (found < 0) return false;
    code = static_cast<uint32_t>(found);
    return true;
}

ParseResult parseInputScript(std::string_view text) {
    ParseResult result;
    int lineNumber = 0;
    std::size_t pos = 0;
    while (pos < text.size()) {
        std::size_t end = text.find('\n', pos);
        if (end == std::string_view::npos) end = text.size();
        std::string_view line = text.substr(pos, end - pos);
        pos = end + 1;
        ++lineNumber;

        const std::size_t hash = line.find('#');
        if (hash != std::string_view::npos) line = line.substr(0, hash);
        if (line.find('\0') != std::string_view::npos) {
            result.errorLine = lineNumber;
            result.error = "unexpected NUL byte";
            return result;
        }
        const std::vector<std::string_view> words = splitWords(line);
        if (words.empty()) continue;

        InputEvent event;
        event.line = lineNumber;
        const std::string error = parseEvent(words, event);
        if (!error.empty()) {
            result.errorLine = lineNumber;
            result.error = error;
            return result;
        }
        result.events.push_back(event);
    }
    std::stable_sort(result.events.begin(), result.events.end(),
                     [](const InputEvent& a, const InputEvent& b) { return a.frame < b.frame; });
    result.ok = true;
    return result;
}

}  // namespace headless
