// The input-file parser: every event form, comments and blank lines, ordering, and the
// errors with their line numbers.
#include <gtest/gtest.h>

#include "platform/host.h"

#include "tools/headless/input_script.h"

namespace headless {
namespace {

ParseResult parse(const char* text) { return parseInputScript(text); }

TEST(InputScript, EmptyTextAndCommentsGiveNoEvents) {
    for (const char* text : {"", "\n\n", "# only a comment\n", "   \t  \n# x\n\r\n"}) {
        const ParseResult r = parse(text);
        EXPECT_TRUE(r.ok) << text;
        EXPECT_TRUE(r.events.empty()) << text;
    }
}

TEST(InputScript, ParsesEveryEventForm) {
    const ParseResult r = parse(
        "1 key Insert\n"
        "2 keydown Left 3\n"
        "2 keydown Right\n"
        "3 keyup Escape\n"
        "4 lclick 10 20\n"
        "5 rclick 639 479\n"
        "6 ldrag 1 2\n"
        "7 rdrag 3 4\n"
        "8 move 5 6\n"
        "9 menu 40009\n"
        "10 close\n");
    ASSERT_TRUE(r.ok) << r.error;
    ASSERT_EQ(r.events.size(), 11u);
    EXPECT_EQ(r.events[0].kind, EventKind::Key);
    EXPECT_EQ(r.events[0].key, 0x2Du);
    EXPECT_EQ(r.events[1].kind, EventKind::KeyDown);
    EXPECT_EQ(r.events[1].key, 0x25u);
    EXPECT_EQ(r.events[1].repeat, 3u);
    EXPECT_EQ(r.events[2].repeat, 1u);  // repeat defaults to one press
    EXPECT_EQ(r.events[3].kind, EventKind::KeyUp);
    EXPECT_EQ(r.events[3].key, 0x1Bu);
    EXPECT_EQ(r.events[4].kind, EventKind::LeftClick);
    EXPECT_EQ(r.events[4].x, 10u);
    EXPECT_EQ(r.events[4].y, 20u);
    EXPECT_EQ(r.events[5].kind, EventKind::RightClick);
    EXPECT_EQ(r.events[6].kind, EventKind::LeftDrag);
    EXPECT_EQ(r.events[7].kind, EventKind::RightDrag);
    EXPECT_EQ(r.events[8].kind, EventKind::Move);
    EXPECT_EQ(r.events[8].y, 6u);
    EXPECT_EQ(r.events[9].kind, EventKind::Menu);
    EXPECT_EQ(r.events[9].command, 40009u);
    EXPECT_EQ(r.events[10].kind, EventKind::Close);
    EXPECT_EQ(r.events[10].frame, 10u);
    EXPECT_EQ(r.events[10].line, 11);
}

TEST(InputScript, TrailingCommentsWhitespaceAndCarriageReturnsAreIgnored) {
    const ParseResult r = parse("  5\tkey   Delete   # remove five\r\n7 close#bye");
    ASSERT_TRUE(r.ok) << r.error;
    ASSERT_EQ(r.events.size(), 2u);
    EXPECT_EQ(r.events[0].frame, 5u);
    EXPECT_EQ(r.events[0].key, 0x2Eu);
    EXPECT_EQ(r.events[1].kind, EventKind::Close);
}

TEST(InputScript, EventsAreOrderedByFrameKeepingFileOrderWithinAFrame) {
    const ParseResult r = parse("9 key A\n3 key B\n9 key C\n3 key D\n0 key E\n");
    ASSERT_TRUE(r.ok);
    std::string order;
    for (const InputEvent& e : r.events) order += static_cast<char>(e.key);
    EXPECT_EQ(order, "EBDAC");
}

TEST(InputScript, KeyNamesIgnoreCaseAndAcceptDecimalCodes) {
    struct Case {
        const char* name;
        uint32_t code;
    };
    for (const Case& c : {Case{"Left", 0x25}, Case{"left", 0x25}, Case{"PRIOR", 0x21}, Case{"Next", 0x22},
                          Case{"Space", 0x20}, Case{"Up", 0x26}, Case{"Down", 0x28}, Case{"Escape", 0x1B},
                          Case{"q", 'Q'}, Case{"Z", 'Z'}, Case{"F12", 0x7B}, Case{"45", 45}, Case{"0", 0},
                          Case{"255", 255}, Case{"PageUp", 0x21}, Case{"pagedown", 0x22}, Case{"PgDn", 0x22},
                          Case{"Esc", 0x1B}, Case{"Del", 0x2E}, Case{"Ins", 0x2D}, Case{"Enter", 0x0D},
                          Case{"Backspace", 0x08}, Case{"Numpad7", 0x67}, Case{"F24", 0x87}}) {
        uint32_t code = 9999;
        EXPECT_TRUE(keyCodeFromName(c.name, code)) << c.name;
        EXPECT_EQ(code, c.code) << c.name;
    }
    uint32_t code = 0;
    for (const char* bad : {"", "VK_LEFT", "Lefty", "256", "-1", "1x", "AB", "Page", "F25", "F0"}) {
        EXPECT_FALSE(keyCodeFromName(bad, code)) << bad;
    }
}

TEST(InputScript, EveryCodeWrittenByARecordingReadsBack) {
    // A recorded session names each key with the platform's table; the driver reads it back.
    for (int vk = 0; vk < 256; ++vk) {
        uint32_t code = 9999;
        const std::string name = win::host::virtualKeyName(vk);
        ASSERT_TRUE(keyCodeFromName(name, code)) << vk << " " << name;
        ASSERT_EQ(code, static_cast<uint32_t>(vk)) << name;
    }
    EXPECT_EQ(win::host::virtualKeyName(0x22), "Next");  // its own name, not an alias
    EXPECT_EQ(win::host::virtualKeyName('7'), "55");       // digit keys as codes: "7" is code 7
}

TEST(InputScript, LimitsOfNumbers) {
    EXPECT_TRUE(parse("0 keydown Left 0\n").ok);
    EXPECT_TRUE(parse("0 keydown Left 65535\n").ok);
    EXPECT_FALSE(parse("0 keydown Left 65536\n").ok);
    EXPECT_TRUE(parse("1000000000 close\n").ok);
    EXPECT_FALSE(parse("1000000001 close\n").ok);
    EXPECT_FALSE(parse("99999999999999999999 close\n").ok);
    EXPECT_TRUE(parse("1 lclick 65535 0\n").ok);
    EXPECT_FALSE(parse("1 lclick 65536 0\n").ok);
    EXPECT_FALSE(parse("1 lclick -1 0\n").ok);
    EXPECT_FALSE(parse("1 menu 70000\n").ok);
}

struct BadLine {
    const char* text;
    int line;
    const char* fragment;  // part of the message that names the problem
};

// Stable, readable test names for the discovered tests.
void PrintTo(const BadLine& bad, std::ostream* out) { *out << "line " << bad.line << ": " << bad.fragment; }

class InputScriptErrors : public ::testing::TestWithParam<BadLine> {};

TEST_P(InputScriptErrors, NamesTheLineAndTheProblem) {
    const BadLine& bad = GetParam();
    const ParseResult r = parseInputScript(bad.text);
    EXPECT_FALSE(r.ok);
    EXPECT_TRUE(r.events.empty() || !r.ok);
    EXPECT_EQ(r.errorLine, bad.line);
    EXPECT_NE(r.error.find(bad.fragment), std::string::npos) << r.error;
    EXPECT_EQ(r.error.find('\n'), std::string::npos) << "message must be one line";
}

INSTANTIATE_TEST_SUITE_P(
    Malformed, InputScriptErrors,
    ::testing::Values(BadLine{"1 jump 3\n", 1, "unknown event 'jump'"},
                      BadLine{"# fine\n\n1 key Insert\nx key Insert\n", 4, "frame number expected"},
                      BadLine{"1\n", 1, "event name expected"},
                      BadLine{"1 key\n", 1, "wrong number of arguments for key"},
                      BadLine{"1 key Insert Delete\n", 1, "wrong number of arguments"},
                      BadLine{"1 key Hyper\n", 1, "unknown key name 'Hyper'"},
                      BadLine{"1 keydown Left many\n", 1, "repeat count expected"},
                      BadLine{"1 lclick 10\n", 1, "expected 'lclick X Y'"},
                      BadLine{"1 lclick a 10\n", 1, "X expected"},
                      BadLine{"1 move 10 b\n", 1, "Y expected"},
                      BadLine{"1 menu Exit\n", 1, "command id expected"},
                      BadLine{"1 close now\n", 1, "wrong number of arguments for close"},
                      BadLine{"1 KEY Insert\n", 1, "unknown event 'KEY'"},
                      BadLine{"-1 close\n", 1, "frame number expected"},
                      BadLine{"1 close\n2 clos\x01\n", 2, "unknown event 'clos?'"}));

TEST(InputScript, NulByteIsRejected) {
    const std::string text("1 key Insert\n2 key\0Delete\n", 26);
    const ParseResult r = parseInputScript(text);
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.errorLine, 2);
}

// Arbitrary bytes never crash the parser and always give either events or one error.
TEST(InputScript, ArbitraryBytesGiveAResultNotACrash) {
    uint32_t seed = 12345;
    for (int round = 0; round < 2000; ++round) {
        std::string text;
        const int length = static_cast<int>(seed % 64);
        for (int i = 0; i < length; ++i) {
            seed = seed * 1103515245u + 12345u;
            const char alphabet[] = "0123456789 \t\n#keyupdownlclickmenuInsertLeft\x01\xff-";
            text += alphabet[(seed >> 16) % (sizeof alphabet - 1)];
        }
        seed = seed * 1103515245u + 12345u;
        const ParseResult r = parseInputScript(text);
        if (r.ok) {
            for (std::size_t i = 1; i < r.events.size(); ++i) EXPECT_LE(r.events[i - 1].frame, r.events[i].frame);
        } else {
            EXPECT_GE(r.errorLine, 1);
            EXPECT_FALSE(r.error.empty());
        }
    }
}

}  // namespace
}  // namespace headless
