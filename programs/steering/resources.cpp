// Menu 103 and icons 104/106 of the steering program.
#include "platform/program_resources.h"
#include "programs/steering/map_editing.h"
#include "programs/steering/steering_program.h"

namespace steering {
namespace {

using namespace win::resources;

constexpr MenuItemData kFileItems[] = {
    {"Save &Picture (F12)", kCommandSavePicture}, {nullptr, 0}, {"E&xit", kCommandExit}};
constexpr MenuItemData kDebugItems[] = {{"&Neighbours", kCommandNeighbours},
                                        {"&Grid", kCommandGrid},
                                        {"&Vectors", kCommandVectors},
                                        {"&Paths", kCommandPaths}};
constexpr MenuItemData kViewItems[] = {{"Triangles", kCommandTriangles}};
constexpr MenuItemData kNavigationItems[] = {{"&Classic", kCommandNavigationClassic},
                                             {"&Shortest paths", kCommandNavigationShortest}};
// Map: edit mode, saving, and the cell values a stroke paints (a radio group, in the
// order of kPaintChoices).
constexpr MenuItemData kMapItems[] = {
    {"&Edit (E)", kCommandEditMap},       {"&Save (Ctrl+S)", kCommandSaveMap},
    {nullptr, 0},                         {"&1 Wall", kPaintChoices[0].command},
    {"&2 Open ground", kPaintChoices[1].command}, {"&3 Obstacle", kPaintChoices[2].command},
    {"&4 Area 2", kPaintChoices[3].command},      {"&5 Area 3", kPaintChoices[4].command}};
constexpr PopupData kPopups[] = {{"&File", kFileItems, 3},
                                 {"&Debug", kDebugItems, 4},
                                 {"&View", kViewItems, 1},
                                 {"&Map", kMapItems, 8},
                                 {"&Navigation", kNavigationItems, 2}};

// An agent drawn as a heading triangle leaving a dotted path round a wall block.
constexpr const char* kLarge[32] = {
    "................................",
    "................................",
    "..gggggggg......................",
    "..gGGGGGGg......................",
    "..gGGGGGGg..........kk..........",
    "..gGGGGGGg..........ktkk........",
    "..gGGGGGGg..........kttttkk.....",
    "..gGGGGGGg..........ktttttttkk..",
    "..gGGGGGGg..........kttttttkk...",
    "..gggggggg..........ktttttkk....",
    "....................ktttkk......",
    "..................m.kkkk........",
    "................m...............",
    "..............m.................",
    "............m...................",
    "..........m.....................",
    "........m.......................",
    "......m.........................",
    ".....m..........................",
    ".....m..........................",
    "......m...............kkkk......",
    ".......m............kkoooookk...",
    "........m..........kooooooooko..",
    ".........m.........koooooooook..",
    "..........m.......koooooooooook.",
    "...........m......koooooooooook.",
    "............m.....koooooooooook.",
    ".............m.....koooooooook..",
    "..............x....koooooooook..",
    ".............xxx....kkooooookk..",
    "..............x.......kkkkkk....",
    "................................",
};
constexpr const char* kSmall[16] = {
    "................",
    ".gggg...........",
    ".gGGg.....kk....",
    ".gGGg.....kttk..",
    ".gggg.....ktttk.",
    "..........kttk..",
    "........m.kk....",
    "......m.........",
    "....m...........",
    "...m............",
    "...m......kkkk..",
    "....m....koooook",
    ".....m...koooook",
    "......x..koooook",
    ".....xxx..kkkkk.",
    "................",
};
constexpr uint32_t kColours[] = {0x000000, 0x00C8C8, 0x00C800, 0x008C00, 0xFF00FF, 0xFF8248, 0xFF0000};

constexpr ProgramResources kResources = {
    "steering",
    {103, kPopups, 5},
    {104, 32, kLarge, "ktgGmox", kColours},
    {106, 16, kSmall, "ktgGmox", kColours},
};

}  // namespace

const win::resources::ProgramResources& programResources() { return kResources; }

}  // namespace steering
