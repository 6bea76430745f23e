// Menus built from resource data, check marks, and the instances that carry the resources
// each program hands over.
#include <cstdio>

#include "platform/window_state.h"

namespace win {

Menu* loadMenu(const resources::MenuData& data) {
    auto* menu = new Menu;
    menu->popups.reserve(static_cast<size_t>(data.popupCount));
    for (int p = 0; p < data.popupCount; ++p) {
        const resources::PopupData& popupData = data.popups[p];
        MenuPopup popup;
        popup.text = popupData.text != nullptr ? popupData.text : "";
        for (int i = 0; i < popupData.itemCount; ++i) {
            const resources::MenuItemData& itemData = popupData.items[i];
            MenuItem item;
            item.separator = itemData.text == nullptr;
            item.text = item.separator ? "" : itemData.text;
            item.commandId = itemData.commandId;
            popup.items.push_back(item);
        }
        menu->popups.push_back(std::move(popup));
    }
    return menu;
}

void destroyMenu(Menu* menu) { delete menu; }

DWORD CheckMenuItem(HMENU menu, UINT idCheckItem, UINT check) {
    constexpr DWORD kNoSuchItem = 0xFFFFFFFFu;
    if (menu == nullptr) {
        return kNoSuchItem;
    }
    if (check & MF_BYPOSITION) {
        // By position addresses the items of a pop-up menu handle; the bar itself has none.
        return kNoSuchItem;
    }
    for (MenuPopup& popup : menu->popups) {
        for (MenuItem& item : popup.items) {
            if (!item.separator && item.commandId == idCheckItem) {
                const DWORD previous = item.checked ? MF_CHECKED : MF_UNCHECKED;
                item.checked = (check & MF_CHECKED) != 0;
                return previous;
            }
        }
    }
    return kNoSuchItem;
}

namespace {

Icon buildIcon(const resources::IconData& data) {
    Icon icon;
    icon.resourceId = data.resourceId;
    icon.size = data.size;
    icon.pixels.assign(static_cast<size_t>(data.size) * data.size, 0);
    for (int y = 0; y < data.size; ++y) {
        const char* row = data.rows[y];
        for (int x = 0; x < data.size && row[x] != '\0'; ++x) {
            for (int k = 0; data.paletteKeys[k] != '\0'; ++k) {
                if (data.paletteKeys[k] == row[x]) {
                    icon.pixels[static_cast<size_t>(y) * data.size + x] = 0xFF000000u | data.paletteColours[k];
                }
            }
        }
    }
    return icon;
}

}  // namespace

namespace host {

HINSTANCE programInstance(const resources::ProgramResources& resources) {
    // Built on first use so that it is ready whenever a program's entry asks for it.
    static Instance instances[kMaxProgramInstances];
    for (Instance& instance : instances) {
        if (instance.resources == &resources) return &instance;
        if (instance.resources == nullptr) {
            instance.resources = &resources;
            instance.largeIcon = buildIcon(resources.largeIcon);
            instance.smallIcon = buildIcon(resources.smallIcon);
            return &instance;
        }
    }
    std::fprintf(stderr, "programInstance: no room for the resources of \"%s\" (%d programs already)\n",
                 resources.programName != nullptr ? resources.programName : "", kMaxProgramInstances);
    return nullptr;
}

}  // namespace host

HICON LoadIcon(HINSTANCE instance, const char* name) {
    if (instance == nullptr || name == nullptr || !IS_INTRESOURCE(name)) {
        return nullptr;
    }
    const int id = static_cast<int>(reinterpret_cast<uintptr_t>(name));
    if (id == instance->largeIcon.resourceId) {
        return &instance->largeIcon;
    }
    if (id == instance->smallIcon.resourceId) {
        return &instance->smallIcon;
    }
    return nullptr;
}

HCURSOR LoadCursor(HINSTANCE instance, const char* name) {
    static const Cursor arrow{32512};
    // System cursors come with a null instance; programs carry no cursors of their own.
    if (instance == nullptr && reinterpret_cast<uintptr_t>(name) == reinterpret_cast<uintptr_t>(IDC_ARROW)) {
        return &arrow;
    }
    return nullptr;
}

}  // namespace win
