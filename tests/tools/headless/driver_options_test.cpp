// The driver's command line and the window messages its events stand for.
#include <gtest/gtest.h>

#include "platform/win.h"
#include "tools/headless/event_messages.h"
#include "tools/headless/options.h"

namespace headless {
namespace {

OptionsResult parse(std::vector<std::string> args) { return parseOptions(args); }

TEST(DriverOptions, ProgramAloneTakesTheDefaults) {
    const OptionsResult r = parse({"steering_walls"});
    ASSERT_TRUE(r.ok) << r.error;
    EXPECT_EQ(r.options.program, "steering_walls");
    EXPECT_EQ(r.options.frames, kDefaultFrames);
    EXPECT_TRUE(r.options.inputPath.empty());
    EXPECT_EQ(r.options.screenshotEvery, 0u);
    EXPECT_FALSE(r.options.navLog);
}

TEST(DriverOptions, EveryOptionInBothSpellings) {
    const OptionsResult r = parse({"--frames", "12", "steering", "--input=in.txt", "--screenshot", "a.png",
                                   "--screenshot-every=4", "--screenshot-dir", "shots", "--trace", "t.csv",
                                   "--workdir=/tmp", "--nav-log"});
    ASSERT_TRUE(r.ok) << r.error;
    EXPECT_EQ(r.options.program, "steering");
    EXPECT_EQ(r.options.frames, 12u);
    EXPECT_EQ(r.options.inputPath, "in.txt");
    EXPECT_EQ(r.options.screenshotPath, "a.png");
    EXPECT_EQ(r.options.screenshotEvery, 4u);
    EXPECT_EQ(r.options.screenshotDir, "shots");
    EXPECT_EQ(r.options.tracePath, "t.csv");
    EXPECT_EQ(r.options.workdir, "/tmp");
    EXPECT_TRUE(r.options.navLog);
}

TEST(DriverOptions, HelpNeedsNothingElse) {
    const OptionsResult r = parse({"--help"});
    EXPECT_TRUE(r.ok);
    EXPECT_TRUE(r.options.help);
    EXPECT_NE(std::string(usageText()).find("--screenshot-every"), std::string::npos);
}

struct BadCommandLine {
    std::vector<std::string> args;
    const char* fragment;
};

// Stable, readable test names for the discovered tests.
void PrintTo(const BadCommandLine& bad, std::ostream* out) {
    *out << "args";
    for (const std::string& a : bad.args) *out << " " << a;
}

class DriverOptionErrors : public ::testing::TestWithParam<BadCommandLine> {};

TEST_P(DriverOptionErrors, AreRejectedWithAMessage) {
    const OptionsResult r = parseOptions(GetParam().args);
    EXPECT_FALSE(r.ok);
    EXPECT_NE(r.error.find(GetParam().fragment), std::string::npos) << r.error;
}

INSTANTIATE_TEST_SUITE_P(
    Bad, DriverOptionErrors,
    ::testing::Values(BadCommandLine{{}, "no program given"},
                      BadCommandLine{{"--frames", "5"}, "no program given"},
                      BadCommandLine{{"steer"}, "unknown program 'steer'"},
                      BadCommandLine{{"steering", "steering_basic"}, "unexpected argument 'steering_basic'"},
                      BadCommandLine{{"steering", "--fps", "3"}, "unknown option '--fps'"},
                      BadCommandLine{{"steering", "-x"}, "unknown option '-x'"},
                      BadCommandLine{{"steering", "--frames"}, "option --frames needs a value"},
                      BadCommandLine{{"steering", "--frames", "0"}, "whole number from 1"},
                      BadCommandLine{{"steering", "--frames", "-3"}, "whole number from 1"},
                      BadCommandLine{{"steering", "--frames", "ten"}, "whole number from 1"},
                      BadCommandLine{{"steering", "--frames", "1000000001"}, "whole number from 1"},
                      BadCommandLine{{"steering", "--input="}, "needs a non-empty value"},
                      BadCommandLine{{"steering", "--nav-log=1"}, "takes no value"},
                      BadCommandLine{{"steering", "--screenshot-every", "5"}, "go together"},
                      BadCommandLine{{"steering", "--screenshot-dir", "d"}, "go together"}));

TEST(EventMessages, KeyIsAPressOfOneRepeatThenARelease) {
    InputEvent e;
    e.kind = EventKind::Key;
    e.key = win::VK_INSERT;
    WindowMessage m[kMaxMessagesPerEvent];
    ASSERT_EQ(messagesForEvent(e, m), 2);
    EXPECT_EQ(m[0].message, win::WM_KEYDOWN);
    EXPECT_EQ(m[0].wParam, win::VK_INSERT);
    EXPECT_EQ(m[0].lParam & 0xFFFF, 1);
    EXPECT_EQ(m[1].message, win::WM_KEYUP);
    EXPECT_EQ(m[1].wParam, win::VK_INSERT);
}

TEST(EventMessages, KeyDownCarriesItsRepeatCount) {
    InputEvent e;
    e.kind = EventKind::KeyDown;
    e.key = win::VK_LEFT;
    e.repeat = 128;
    WindowMessage m[kMaxMessagesPerEvent];
    ASSERT_EQ(messagesForEvent(e, m), 1);
    EXPECT_EQ(m[0].message, win::WM_KEYDOWN);
    EXPECT_EQ(m[0].lParam & 0xFFFF, 128);
}

TEST(EventMessages, MouseEventsCarryTheClientPointAndButtonState) {
    struct Case {
        EventKind kind;
        int count;
        win::UINT first;
        win::WPARAM firstButtons;
    };
    for (const Case& c : {Case{EventKind::LeftClick, 2, win::WM_LBUTTONDOWN, win::MK_LBUTTON},
                          Case{EventKind::RightClick, 2, win::WM_RBUTTONDOWN, win::MK_RBUTTON},
                          Case{EventKind::LeftDown, 1, win::WM_LBUTTONDOWN, win::MK_LBUTTON},
                          Case{EventKind::LeftUp, 1, win::WM_LBUTTONUP, 0},
                          Case{EventKind::RightDown, 1, win::WM_RBUTTONDOWN, win::MK_RBUTTON},
                          Case{EventKind::RightUp, 1, win::WM_RBUTTONUP, 0},
                          Case{EventKind::LeftDrag, 1, win::WM_MOUSEMOVE, win::MK_LBUTTON},
                          Case{EventKind::RightDrag, 1, win::WM_MOUSEMOVE, win::MK_RBUTTON},
                          Case{EventKind::Move, 1, win::WM_MOUSEMOVE, 0}}) {
        InputEvent e;
        e.kind = c.kind;
        e.x = 639;
        e.y = 65535;
        WindowMessage m[kMaxMessagesPerEvent];
        ASSERT_EQ(messagesForEvent(e, m), c.count);
        EXPECT_EQ(m[0].message, c.first);
        EXPECT_EQ(m[0].wParam, c.firstButtons);
        EXPECT_EQ(win::LOWORD(static_cast<uintptr_t>(m[0].lParam)), 639);
        EXPECT_EQ(win::HIWORD(static_cast<uintptr_t>(m[0].lParam)), 65535);
        if (c.count == 2) {
            EXPECT_EQ(m[1].message, c.first + 1);  // the matching button-up
        }
    }
}

TEST(EventMessages, MenuAndClose) {
    InputEvent e;
    e.kind = EventKind::Menu;
    e.command = 40012;
    WindowMessage m[kMaxMessagesPerEvent];
    ASSERT_EQ(messagesForEvent(e, m), 1);
    EXPECT_EQ(m[0].message, win::WM_COMMAND);
    EXPECT_EQ(win::LOWORD(m[0].wParam), 40012);
    e.kind = EventKind::Close;
    ASSERT_EQ(messagesForEvent(e, m), 1);
    EXPECT_EQ(m[0].message, win::WM_CLOSE);
}

}  // namespace
}  // namespace headless
