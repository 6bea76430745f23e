// A recorded line, read back by the driver's parser, makes the message the window handled
// (as far as any program reads it), before the same frame.
#include "shell/session_record.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/drop_files.h"
#include "tools/headless/event_messages.h"
#include "tools/headless/input_script.h"

namespace {

using namespace win;

struct Case {
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
    const char* line;        // what the recorder writes, frame 7
    UINT replayed;           // the first message the replay sends
    WPARAM replayedWParam;   // its wParam
};

constexpr LPARAM at(int x, int y) { return MAKELPARAM(static_cast<WORD>(x), static_cast<WORD>(y)); }
// The SDL backend's key-down lParam: repeat 1, scan code 0x52, previously up.
constexpr LPARAM kSdlKeyDown = static_cast<LPARAM>(0x00520001u);

TEST(SessionRecord, EveryInputMessageRoundTripsThroughTheDriversFormat) {
    const Case cases[] = {
        {WM_KEYDOWN, VK_INSERT, kSdlKeyDown, "7 keydown Insert 1\n", WM_KEYDOWN, VK_INSERT},
        {WM_KEYDOWN, VK_LEFT, static_cast<LPARAM>(0x40000003u), "7 keydown Left 3\n", WM_KEYDOWN, VK_LEFT},
        {WM_KEYUP, 0x11, static_cast<LPARAM>(0xC01D0001u), "7 keyup Control\n", WM_KEYUP, 0x11},
        {WM_KEYDOWN, 'Z', kSdlKeyDown, "7 keydown Z 1\n", WM_KEYDOWN, 'Z'},
        {WM_KEYDOWN, '3', kSdlKeyDown, "7 keydown 51 1\n", WM_KEYDOWN, '3'},  // digits by code
        {WM_KEYUP, 0x7B, static_cast<LPARAM>(0xC0000001u), "7 keyup F12\n", WM_KEYUP, 0x7B},
        {WM_LBUTTONDOWN, MK_LBUTTON | MK_CONTROL, at(10, 479), "7 ldown 10 479\n", WM_LBUTTONDOWN, MK_LBUTTON},
        {WM_LBUTTONUP, 0, at(639, 0), "7 lup 639 0\n", WM_LBUTTONUP, 0},
        {WM_RBUTTONDOWN, MK_RBUTTON, at(1, 2), "7 rdown 1 2\n", WM_RBUTTONDOWN, MK_RBUTTON},
        {WM_RBUTTONUP, 0, at(3, 4), "7 rup 3 4\n", WM_RBUTTONUP, 0},
        // Dragged out of the window: negative client coordinates stay their 16-bit selves.
        {WM_MOUSEMOVE, MK_LBUTTON | MK_RBUTTON, at(-5, -1), "7 ldrag 65531 65535\n", WM_MOUSEMOVE, MK_LBUTTON},
        {WM_MOUSEMOVE, MK_RBUTTON | MK_SHIFT, at(20, 30), "7 rdrag 20 30\n", WM_MOUSEMOVE, MK_RBUTTON},
        {WM_MOUSEMOVE, 0, at(20, 30), "7 move 20 30\n", WM_MOUSEMOVE, 0},
        {WM_COMMAND, 40012, 0, "7 menu 40012\n", WM_COMMAND, 40012},
        {WM_CLOSE, 0, 0, "7 close\n", WM_CLOSE, 0},
    };
    for (const Case& c : cases) {
        MSG message{};
        message.message = c.message;
        message.wParam = c.wParam;
        message.lParam = c.lParam;
        char line[shell::kRecordLineSize];
        const int length = shell::recordedLine(message, 7, line, sizeof line);
        ASSERT_GT(length, 0) << c.line;
        EXPECT_EQ(std::string(line, static_cast<std::size_t>(length)), c.line);

        const headless::ParseResult parsed = headless::parseInputScript(line);
        ASSERT_TRUE(parsed.ok) << c.line << parsed.error;
        ASSERT_EQ(parsed.events.size(), 1u);
        EXPECT_EQ(parsed.events[0].frame, 7u);
        headless::WindowMessage replay[headless::kMaxMessagesPerEvent];
        ASSERT_EQ(headless::messagesForEvent(parsed.events[0], replay), 1) << c.line;
        EXPECT_EQ(replay[0].message, c.replayed) << c.line;
        EXPECT_EQ(replay[0].wParam, c.replayedWParam) << c.line;
        if (c.message == WM_KEYDOWN) {
            // Programs read the repeat count: the low 16 bits.
            EXPECT_EQ(LOWORD(static_cast<uintptr_t>(replay[0].lParam)), LOWORD(static_cast<uintptr_t>(c.lParam)));
        } else if (c.message != WM_KEYUP) {
            EXPECT_EQ(replay[0].lParam, c.lParam) << c.line;
        }
    }
}

TEST(SessionRecord, NonInputMessagesAreNotRecorded) {
    for (const UINT m : {WM_PAINT, WM_DESTROY, WM_QUIT, WM_CREATE}) {
        MSG message{};
        message.message = m;
        char line[shell::kRecordLineSize];
        EXPECT_EQ(shell::recordedLine(message, 1, line, sizeof line), 0) << m;
    }
}

TEST(SessionRecord, OptionsOfTheInteractivePrograms) {
    struct Case {
        std::vector<std::string> args;
        bool allowMap;
        bool ok;
        const char* said;
    };
    const Case cases[] = {
        {{"--record", "r.txt", "--trace", "t.csv", "--map", "m.raw"}, true, true, ""},
        {{"--map", "m.raw"}, false, false, "unknown option '--map'"},
        {{"--record"}, true, false, "--record needs a file name"},
        {{"--trace", ""}, true, false, "--trace needs a file name"},
        {{"m.raw"}, true, false, "unknown option 'm.raw'"},
    };
    for (const Case& c : cases) {
        std::vector<char*> argv{const_cast<char*>("program")};
        for (const std::string& a : c.args) argv.push_back(const_cast<char*>(a.c_str()));
        shell::SessionOptions options;
        std::string error;
        EXPECT_EQ(shell::parseSessionOptions(static_cast<int>(argv.size()), argv.data(), c.allowMap, options, error),
                  c.ok);
        EXPECT_NE(error.find(c.said), std::string::npos) << error;
        if (c.ok) {
            EXPECT_EQ(options.recordPath, "r.txt");
            EXPECT_EQ(options.tracePath, "t.csv");
            EXPECT_EQ(options.mapPath, "m.raw");
        }
    }
}

}  // namespace

namespace {

TEST(SessionRecord, DroppedPathsRoundTripAsOneWord) {
    const std::string path = "/tmp/my maps/#1 100%.raw";
    win::MSG message{};
    message.message = win::WM_DROPFILES;
    const win::HDROP drop = win::host::makeDrop(path);
    message.wParam = reinterpret_cast<win::WPARAM>(drop);
    char line[shell::kRecordLineSize];
    const int length = shell::recordedLine(message, 3, line, sizeof line);
    win::DragFinish(drop);
    ASSERT_GT(length, 0);
    EXPECT_EQ(std::string(line, static_cast<std::size_t>(length)), "3 drop /tmp/my%20maps/%231%20100%25.raw\n");
    const headless::ParseResult parsed = headless::parseInputScript(line);
    ASSERT_TRUE(parsed.ok) << parsed.error;
    headless::WindowMessage replay[headless::kMaxMessagesPerEvent];
    ASSERT_EQ(headless::messagesForEvent(parsed.events[0], replay), 1);
    ASSERT_EQ(replay[0].message, win::WM_DROPFILES);
    const win::HDROP replayed = reinterpret_cast<win::HDROP>(replay[0].wParam);
    char back[256];
    EXPECT_EQ(win::DragQueryFile(replayed, 0, back, sizeof back), path.size());
    EXPECT_EQ(std::string(back), path);
    EXPECT_EQ(win::DragQueryFile(replayed, win::kDragQueryFileCount, nullptr, 0), 1u);
    win::DragFinish(replayed);
    for (const char* bad : {"1 drop a%2", "1 drop a%zz", "1 drop %00"}) {
        EXPECT_FALSE(headless::parseInputScript(bad).ok) << bad;
    }
}

}  // namespace
