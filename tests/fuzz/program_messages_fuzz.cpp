// A program on the headless backend fed with any sequence of window messages (keys with
// repeat counts, clicks and drags anywhere including outside the client area, zoom,
// scroll, every menu command, Insert and Delete) interleaved with frame ticks. The
// program's state is process-wide, so set-up runs once and every input continues it.
// FUZZ_PROGRAM names the program ("steering", "steering_walls" or "steering_basic").
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <iterator>
#include <string>
#include <string_view>
#include <system_error>

#include <unistd.h>

#include "platform/host.h"
#include "platform/win.h"
#include "tests/fuzz/byte_reader.h"
#include "tools/headless/session.h"
#include "tools/headless/driver.h"
#include "programs/steering/view_state.h"
#include "programs/steering/steering_run.h"

namespace {

using namespace win;

// Beyond this many agents the keys that add agents are skipped, so memory and the time
// per tick stay bounded however long the fuzzer runs.
constexpr int kPopulationCap = 500;
// Ticks one tick operation may ask for: enough for agents to move, few enough to keep
// thousands of inputs per minute.
constexpr int kMaxTicksPerOperation = 8;

constexpr WPARAM kF10 = 0x79;  // opens the menu bar from the keyboard
// Keys with a meaning in at least one program; other codes come straight from the input.
constexpr WPARAM kKeys[] = {VK_LEFT, VK_RIGHT, VK_UP, VK_DOWN, VK_PRIOR, VK_NEXT,  VK_INSERT, VK_DELETE,
                            VK_SPACE, VK_MENU,  kF10,  VK_RETURN, VK_CONTROL, 'E',     'Z',       'Y'};
// Every menu command of the three programs. Exit only posts the quit message, which the
// harness drops, so the program keeps running.
// steering's Map menu too (edit mode, save, the paint values); the map it saves is a private
// copy (below). File, Save Picture is left out: it writes a file per press.
constexpr WORD kCommands[] = {40004, 40007, 40008, 40009, 40010, 40012, 40040, 40041,
                              40050, 40051, 40052, 40053, 40054};

// Ticks one input may run in all: a crowd of the capped size stacked on one point costs
// milliseconds per tick under the sanitizers, and an input must stay far below the
// fuzzer's time limit whatever state earlier inputs left.
constexpr int kMaxTicksPerInput = 32;

// Lives as long as the process: no teardown after the platform state is gone.
headless::Session& harness = *new headless::Session;
int ticksLeft = 0;  // of the current input
const char* programName = FUZZ_PROGRAM;

// steering makes new agents 5 to 15 pixels wide at the current zoom, so far zoomed out an
// agent covers many neighbour-grid buckets (all 16,384 beyond about twelve zooms out) and
// each of its steps touches every one. Beyond this view scale (world units per pixel; six
// zooms out, agents up to about ten buckets across) the population is held much smaller,
// so one input's ticks stay within the fuzzer's time limit.
constexpr double kWideAgentScale = 160.0;
constexpr int kWideAgentCap = 20;

bool populationFull() {
    const int agents = harness.agentCount();
    if (agents > kPopulationCap) return true;
    return std::string_view(programName) == "steering" && harness.runAs<steering::SteeringRun>().view.viewScaleX > kWideAgentScale &&
           agents > kWideAgentCap;
}

// Keys that add agents in this program.
bool addsAgents(WPARAM key) {
    if (key == VK_INSERT) return true;
    return key == VK_UP && std::string_view(programName) == "steering_walls";
}

WPARAM chooseKey(fuzzing::ByteReader& in) {
    const uint8_t b = in.byte();
    WPARAM key = b < 128 ? kKeys[b % std::size(kKeys)] : static_cast<WPARAM>(in.byte());
    // Escape closes the window; the harness would reopen it, but only after a whole set-up
    // of presentation, which would slow every input down.
    if (key == VK_ESCAPE) key = VK_SPACE;
    return key;
}

void keyUp(WPARAM key) {
    if (addsAgents(key) && populationFull()) return;
    harness.post(WM_KEYUP, key, host::keyUpLParam());
}

void runOperation(fuzzing::ByteReader& in) {
    switch (in.byte() % 13) {
        case 0: {
            const WPARAM key = chooseKey(in);
            harness.post(WM_KEYDOWN, key, host::keyDownLParam(in.word(), (in.byte() & 1) != 0));
            break;
        }
        case 1: keyUp(chooseKey(in)); break;
        case 2: {
            const WPARAM key = chooseKey(in);
            harness.post(WM_KEYDOWN, key, host::keyDownLParam(in.word(), false));
            keyUp(key);
            break;
        }
        case 3: {
            const uint16_t x = in.word(), y = in.word();
            harness.leftClick(x, y);
            break;
        }
        case 4: {
            const uint16_t x = in.word(), y = in.word();
            harness.rightClick(x, y);
            break;
        }
        case 5: {
            const uint16_t x = in.word(), y = in.word();
            harness.post(WM_MOUSEMOVE, MK_LBUTTON, headless::Session::point(x, y));
            break;
        }
        case 6: {
            const uint16_t x = in.word(), y = in.word();
            harness.post(WM_MOUSEMOVE, MK_RBUTTON, headless::Session::point(x, y));
            break;
        }
        case 7: {
            const uint16_t x = in.word(), y = in.word();
            harness.post(WM_MOUSEMOVE, 0, headless::Session::point(x, y));
            break;
        }
        case 8: {
            const uint8_t b = in.byte();
            const WORD command = b < 200 ? kCommands[b % std::size(kCommands)] : in.word();
            harness.post(WM_COMMAND, command, 0);
            break;
        }
        case 9: keyUp(VK_INSERT); break;
        case 10: harness.post(WM_KEYUP, VK_DELETE, host::keyUpLParam()); break;
        case 11: {
            const int ticks = 1 + in.byte() % kMaxTicksPerOperation;
            for (int i = 0; i < ticks && ticksLeft > 0; ++i, --ticksLeft) harness.tick();
            break;
        }
        case 12: {
            // Zoom: several presses of Page Up or Page Down at once.
            const uint8_t b = in.byte();
            const WPARAM key = (b & 1) != 0 ? VK_PRIOR : VK_NEXT;
            for (int i = 0; i < 1 + (b >> 1) % 16; ++i) harness.press(key);
            break;
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    static const bool started = [] {
        const shell::Program* program = headless::findProgram(programName);
        if (program == nullptr || !harness.start(*program, {.world = false, .reopenClosedWindow = true})) {
            std::fprintf(stderr, "fuzz: cannot start %s\n", programName);
            std::abort();
        }
        // Edit mode can save the map (Ctrl+S, Map, Save): it goes to a copy of its own.
        if (std::string_view(programName) == "steering") {
            const std::string copy = "/tmp/steering_messages_fuzz_" + std::to_string(getpid()) + ".raw";
            std::error_code error;
            std::filesystem::copy_file("maptest.raw", copy, std::filesystem::copy_options::overwrite_existing, error);
            harness.runAs<steering::SteeringRun>().mapFilePath = copy;
        }
        harness.run()->setupWorld();
        harness.pump();
        return true;
    }();
    (void)started;
    ticksLeft = kMaxTicksPerInput;
    fuzzing::ByteReader in(data, size);
    while (!in.done()) runOperation(in);
    harness.tick();  // every input ends with a frame drawn from what it did
    return 0;
}
