// Menu 103 and icons 104/106 of the steering_walls program.
#include "platform/program_resources.h"
#include "programs/steering_walls/walls_program.h"

namespace steering_walls {
namespace {

using namespace win::resources;

constexpr MenuItemData kFileItems[] = {
    {"Save &Picture (F12)", kCommandSavePicture}, {nullptr, 0}, {"E&xit", kCommandExit}};
constexpr MenuItemData kDebugItems[] = {
    {"&Neighbours", kCommandNeighbours}, {"&Grid", kCommandGrid}, {"&Vectors", kCommandVectors}};
constexpr PopupData kPopups[] = {{"&File", kFileItems, 3}, {"&Debug", kDebugItems, 3}};

// Wall blocks on a coarse grid with a few agents finding their way between them.
constexpr const char* kLarge[32] = {
    "kkkkkkkkkkkkkkkkkkkkkkkkkkkkkkkk",
    "kggggggggkggggggggk.......kggggg",
    "kggggggggkggggggggk.......kggggg",
    "kggggggggkggggggggk.......kggggg",
    "kggggggggkggggggggk.......kggggg",
    "kggggggggkggggggggk.......kggggg",
    "kkkkkkkkkkkkkkkkkkkkkkkkkkkkkkkk",
    "k........k........k.......k.....",
    "k...kk...k........k..kk...k.....",
    "k..kttk..k...kk...k.kttk..k.....",
    "k..kttk..k..kttk..k.kttk..k.....",
    "k...kk...k..kttk..k..kk...k.....",
    "k........k...kk...k.......k.....",
    "kkkkkkkkkkkkkkkkkkkkkkkkkkkkkkkk",
    "kggggggggkggggggggk.......kggggg",
    "kggggggggkggggggggk...kk..kggggg",
    "kggggggggkggggggggk..kttk.kggggg",
    "kggggggggkggggggggk..kttk.kggggg",
    "kggggggggkggggggggk...kk..kggggg",
    "kggggggggkggggggggk.......kggggg",
    "kkkkkkkkkkkkkkkkkkkkkkkkkkkkkkkk",
    "kggggggggk........k.......kggggg",
    "kggggggggk..kk....kggggggggggggk",
    "kggggggggk.kttk...kggggggggggggk",
    "kggggggggk.kttk...kggggggggggggk",
    "kggggggggk..kk....kggggggggggggk",
    "kggggggggk........kggggggggggggk",
    "kkkkkkkkkkkkkkkkkkkkkkkkkkkkkkkk",
    "k........k...kk...k.......k.....",
    "k........k..kttk..k.......k.....",
    "k........k...kk...k.......k.....",
    "kkkkkkkkkkkkkkkkkkkkkkkkkkkkkkkk",
};
constexpr const char* kSmall[16] = {
    "kkkkkkkkkkkkkkkk",
    "kgggkgggk....ggk",
    "kgggkgggk....ggk",
    "kkkkkkkkkkkkkkkk",
    "k...k...k.kk...k",
    "k.tt.k..kkttk..k",
    "k.tt.k..k.kk...k",
    "kkkkkkkkkkkkkkkk",
    "kgggk.ttkgggk..k",
    "kgggk.ttkgggk..k",
    "kkkkkkkkkkkkkkkk",
    "kgggk...kgggggk.",
    "kgggk.tt.kgggk..",
    "kgggk.tt.kgggk..",
    "kkkkkkkkkkkkkkkk",
    "................",
};
constexpr uint32_t kColours[] = {0x000000, 0x00C8C8, 0x00C800};

constexpr ProgramResources kResources = {
    "steering_walls",
    {103, kPopups, 2},
    {104, 32, kLarge, "ktg", kColours},
    {106, 16, kSmall, "ktg", kColours},
};

}  // namespace

const win::resources::ProgramResources& programResources() { return kResources; }

}  // namespace steering_walls
