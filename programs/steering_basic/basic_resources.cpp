// Menu 103 and icons 104/106 of the steering_basic program.
#include "platform/program_resources.h"
#include "programs/steering_basic/basic_program.h"

namespace steering_basic {
namespace {

using namespace win::resources;

// A separator is an item without text.
constexpr MenuItemData kFileItems[] = {
    {"&Debug", kCommandDebug}, {"Save &Picture (F12)", kCommandSavePicture}, {nullptr, 0}, {"E&xit", kCommandExit}};
constexpr PopupData kPopups[] = {{"File", kFileItems, 4}};

// A leader with its followers in formation behind it.
constexpr const char* kLarge[32] = {
    "................................",
    "................................",
    "...........................kk...",
    ".........................kkttk..",
    "........................kttttk..",
    "........................kttttk..",
    ".........................kttk...",
    "..........................kk....",
    "................................",
    "..................kk............",
    ".................kttk...........",
    ".................kttk..kk.......",
    "..................kk..kttk......",
    "......................kttk......",
    "..............kk.......kk.......",
    ".............kttk...............",
    ".............kttk..kk...........",
    "..............kk..kttk..........",
    "..................kttk..........",
    "...........kk......kk...........",
    "..........kttk..................",
    "..........kttk..kk..............",
    "...........kk..kttk.............",
    "...............kttk.............",
    "................kk..............",
    "......oooo......................",
    ".....oooooo.....................",
    "....oooooooo....................",
    "....oooooooo....................",
    ".....oooooo.....................",
    "......oooo......................",
    "................................",
};
constexpr const char* kSmall[16] = {
    "................",
    ".............kk.",
    "............kttk",
    "............kttk",
    ".............kk.",
    ".........kk.....",
    "........kttk....",
    "....kk...kk.kk..",
    "...kttk....kttk.",
    "....kk..kk..kk..",
    "...kk..kttk.....",
    "..kttk..kk......",
    "ooo.kk..........",
    "oooo............",
    "oooo............",
    ".oo.............",
};
constexpr uint32_t kColours[] = {0x000000, 0x00C8C8, 0xFF8248};

constexpr ProgramResources kResources = {
    "steering_basic",
    {103, kPopups, 1},
    {104, 32, kLarge, "kto", kColours},
    {106, 16, kSmall, "kto", kColours},
};

}  // namespace

const win::resources::ProgramResources& programResources() { return kResources; }

}  // namespace steering_basic
