// Any text as a headless input file: the parser either accepts it, with events in frame
// order inside their documented ranges, or refuses it with a line number inside the text
// and a one-line message. Accepted events also become window messages. The same bytes,
// cut at NUL bytes, are also a command line for the driver's option parser.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "tools/headless/event_messages.h"
#include "tools/headless/input_script.h"
#include "tools/headless/options.h"

namespace {

[[noreturn]] void fail(const char* what, std::string_view text) {
    std::fprintf(stderr, "input script fuzz: %s (input of %zu bytes)\n", what, text.size());
    std::abort();
}

int lineCount(std::string_view text) {
    int lines = 1;
    for (char c : text) lines += c == '\n';
    return lines;
}

}  // namespace

void checkOptions(std::string_view text) {
    std::vector<std::string> args;
    std::size_t start = 0;
    while (start <= text.size()) {
        std::size_t end = text.find('\0', start);
        if (end == std::string_view::npos) end = text.size();
        args.emplace_back(text.substr(start, end - start));
        start = end + 1;
    }
    const headless::OptionsResult result = headless::parseOptions(args);
    if (!result.ok) {
        if (result.error.empty()) fail("options refused without a message", text);
        return;
    }
    const headless::DriverOptions& o = result.options;
    if (o.help) return;
    if (o.frames < 1 || o.frames > headless::kMaxFrame) fail("frame count out of range", text);
    if (o.screenshotEvery != 0 && o.screenshotDir.empty()) fail("screenshots every K frames without a folder", text);
    if (o.program != "steering" && o.program != "steering_walls" && o.program != "steering_basic") {
        fail("unknown program accepted", text);
    }
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    checkOptions(text);
    const headless::ParseResult parsed = headless::parseInputScript(text);
    if (!parsed.ok) {
        if (parsed.error.empty()) fail("refusal without a message", text);
        if (parsed.error.find('\n') != std::string::npos) fail("message of more than one line", text);
        if (parsed.errorLine < 1 || parsed.errorLine > lineCount(text)) fail("error line outside the text", text);
        return 0;
    }
    uint32_t previousFrame = 0;
    headless::WindowMessage messages[headless::kMaxMessagesPerEvent];
    for (const headless::InputEvent& e : parsed.events) {
        if (e.frame > headless::kMaxFrame) fail("frame out of range", text);
        if (e.frame < previousFrame) fail("events out of frame order", text);
        previousFrame = e.frame;
        if (e.repeat > 0xFFFF || e.x > 0xFFFF || e.y > 0xFFFF || e.command > 0xFFFF) fail("value out of range", text);
        if (e.key > 255) fail("key code out of range", text);
        if (e.line < 1 || e.line > lineCount(text)) fail("event line outside the text", text);
        const int count = headless::messagesForEvent(e, messages);
        if (count < 1 || count > headless::kMaxMessagesPerEvent) fail("message count", text);
        // A drop's handle belongs to whoever receives the message: here nobody does.
        if (messages[0].message == win::WM_DROPFILES) win::DragFinish(reinterpret_cast<win::HDROP>(messages[0].wParam));
    }
    // Key names the parser accepts are the ones its lookup knows.
    uint32_t code = 0;
    if (headless::keyCodeFromName(text, code) && code > 255) fail("key code from name out of range", text);
    return 0;
}
