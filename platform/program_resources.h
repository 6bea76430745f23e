#pragma once
// The resources a program carries: menu 103 and icons 104 (large) and 106 (small), kept as
// plain constant data. Each program owns its record and hands it to the platform
// (host::programInstance), which builds menus and icons from it without files.
#include <cstdint>

namespace win::resources {

// One entry of a drop-down menu. A separator has no text and no command.
struct MenuItemData {
    const char* text;   // '&' marks the mnemonic letter; null for a separator
    uint16_t commandId; // sent as the low word of WM_COMMAND's wParam; 0 for a separator
};

// One pop-up of the menu bar with its items in display order.
struct PopupData {
    const char* text;  // title on the menu bar, '&' marks the mnemonic
    const MenuItemData* items;
    int itemCount;
};

struct MenuData {
    int resourceId;  // 103 for every program
    const PopupData* popups;
    int popupCount;
};

// A square icon drawn as text: each character of a row picks a palette entry.
struct IconData {
    int resourceId;     // 104 (large) or 106 (small)
    int size;           // pixels per side
    const char* const* rows;  // `size` strings of `size` characters
    const char* paletteKeys;  // characters used in rows, '.' is transparent
    const uint32_t* paletteColours;  // 0x00RRGGBB per key, same order as paletteKeys
};

struct ProgramResources {
    const char* programName;  // for messages only; the platform never looks a program up by name
    MenuData menu;
    IconData largeIcon;
    IconData smallIcon;
};

}  // namespace win::resources
