// The menu bar strip and drop-down menus drawn with our own font, in the flat light style of
// a desktop menu: grey bar, highlighted open title, check marks in a gutter.
#include "platform/menu_bar.h"

#include <algorithm>
#include <cstddef>
#include <cstring>

#include "platform/font.h"

namespace win::menubar {
namespace {

constexpr uint32_t kBarColour = 0xF0F0F0;
constexpr uint32_t kBarLineColour = 0xC8C8C8;
constexpr uint32_t kTextColour = 0x000000;
constexpr uint32_t kHotColour = 0x3070D0;
constexpr uint32_t kHotTextColour = 0xFFFFFF;
constexpr uint32_t kDropColour = 0xFAFAFA;
constexpr uint32_t kBorderColour = 0x808080;
constexpr uint32_t kSeparatorColour = 0xC0C0C0;
constexpr uint32_t kShadowColour = 0xA0A0A0;

int textWidth(const char* text) { return visibleLength(text) * font::kCellWidth; }

// Draws menu text, leaving out '&' and underlining the letter after it.
void drawMenuText(const raster::Canvas& canvas, int x, int y, const char* text, uint32_t ink) {
    const int length = static_cast<int>(std::strlen(text));
    int column = 0;
    for (int i = 0; i < length; ++i) {
        if (text[i] == '&' && i + 1 < length) {
            ++i;
            if (text[i] != '&') {
                const int ux = x + column * font::kCellWidth;
                raster::fillRect(canvas, ux, y + font::kBaselineRow + 1, ux + font::kGlyphWidth,
                                 y + font::kBaselineRow + 2, ink);
            }
        }
        font::drawText(canvas, x + column * font::kCellWidth, y, &text[i], 1, ink, false, 0);
        ++column;
    }
}

void drawCheckMark(const raster::Canvas& canvas, int x, int y, uint32_t ink) {
    // A tick 7 pixels wide and 5 high, two pixels thick.
    raster::drawLine(canvas, x, y + 2, x + 3, y + 5, 2, ink);
    raster::drawLine(canvas, x + 3, y + 5, x + 8, y, 2, ink);
}

}  // namespace

int visibleLength(const char* text) {
    int n = 0;
    for (int i = 0; text != nullptr && text[i] != '\0'; ++i) {
        if (text[i] == '&' && text[i + 1] != '\0') {
            ++i;
        }
        ++n;
    }
    return n;
}

int mnemonicIndex(const char* text) {
    int n = 0;
    for (int i = 0; text != nullptr && text[i] != '\0'; ++i) {
        if (text[i] == '&' && text[i + 1] != '\0') {
            ++i;
            if (text[i] != '&') {
                return n;
            }
        }
        ++n;
    }
    return -1;
}

char mnemonicLetter(const char* text) {
    for (int i = 0; text != nullptr && text[i] != '\0'; ++i) {
        if (text[i] == '&' && text[i + 1] != '\0') {
            ++i;
            if (text[i] != '&') {
                const char c = text[i];
                return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
            }
        }
    }
    return 0;
}

Box titleBox(const Menu& menu, int index) {
    int x = kFirstTitleX;
    for (int i = 0; i < static_cast<int>(menu.popups.size()); ++i) {
        const int width = textWidth(menu.popups[i].text.c_str()) + 2 * kTitlePadding;
        if (i == index) {
            return Box{x, 0, x + width, kMenuBarHeight - 1};
        }
        x += width;
    }
    return Box{};
}

Box dropDownBox(const Menu& menu, int index) {
    if (index < 0 || index >= static_cast<int>(menu.popups.size())) {
        return Box{};
    }
    const MenuPopup& popup = menu.popups[index];
    int width = kMinDropDownWidth;
    int height = 2;  // border
    for (const MenuItem& item : popup.items) {
        width = std::max(width, kCheckGutter + textWidth(item.text.c_str()) + kItemRightPadding);
        height += item.separator ? kSeparatorHeight : kItemHeight;
    }
    const Box title = titleBox(menu, index);
    return Box{title.left, kMenuBarHeight - 1, title.left + width, kMenuBarHeight - 1 + height};
}

Box itemBox(const Menu& menu, int popup, int item) {
    const Box drop = dropDownBox(menu, popup);
    if (drop.right == drop.left || item < 0 || item >= static_cast<int>(menu.popups[popup].items.size())) {
        return Box{};
    }
    int y = drop.top + 1;
    const auto& items = menu.popups[popup].items;
    for (int i = 0; i < item; ++i) {
        y += items[i].separator ? kSeparatorHeight : kItemHeight;
    }
    const int h = items[item].separator ? kSeparatorHeight : kItemHeight;
    return Box{drop.left + 1, y, drop.right - 1, y + h};
}

int hitTitle(const Menu& menu, int x, int y) {
    for (int i = 0; i < static_cast<int>(menu.popups.size()); ++i) {
        if (titleBox(menu, i).contains(x, y)) {
            return i;
        }
    }
    return -1;
}

int hitItem(const Menu& menu, int popup, int x, int y) {
    if (popup < 0 || popup >= static_cast<int>(menu.popups.size())) {
        return -1;
    }
    for (int i = 0; i < static_cast<int>(menu.popups[popup].items.size()); ++i) {
        if (!menu.popups[popup].items[i].separator && itemBox(menu, popup, i).contains(x, y)) {
            return i;
        }
    }
    return -1;
}

namespace {

char lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

// The letter that picks an entry: its mnemonic, or its first letter when it has none.
char accessLetter(const std::string& text) {
    const char m = mnemonicLetter(text.c_str());
    if (m != 0) {
        return m;
    }
    return text.empty() ? 0 : lower(text[0]);
}

}  // namespace

int popupForLetter(const Menu& menu, char letter) {
    const char wanted = lower(letter);
    for (int i = 0; i < static_cast<int>(menu.popups.size()); ++i) {
        if (accessLetter(menu.popups[i].text) == wanted) {
            return i;
        }
    }
    return -1;
}

int itemForLetter(const Menu& menu, int popup, char letter) {
    if (popup < 0 || popup >= static_cast<int>(menu.popups.size())) {
        return -1;
    }
    const char wanted = lower(letter);
    const auto& items = menu.popups[popup].items;
    for (int i = 0; i < static_cast<int>(items.size()); ++i) {
        if (!items[i].separator && accessLetter(items[i].text) == wanted) {
            return i;
        }
    }
    return -1;
}

void drawBar(const raster::Canvas& window, const Menu* menu, int openPopup) {
    raster::fillRect(window, 0, 0, window.width, kMenuBarHeight - 1, kBarColour);
    raster::fillRect(window, 0, kMenuBarHeight - 1, window.width, kMenuBarHeight, kBarLineColour);
    if (menu == nullptr) {
        return;
    }
    const int textTop = (kMenuBarHeight - 1 - font::kCellHeight) / 2;
    for (int i = 0; i < static_cast<int>(menu->popups.size()); ++i) {
        const Box box = titleBox(*menu, i);
        uint32_t ink = kTextColour;
        if (i == openPopup) {
            raster::fillRect(window, box.left, box.top, box.right, box.bottom, kHotColour);
            ink = kHotTextColour;
        }
        drawMenuText(window, box.left + kTitlePadding, textTop, menu->popups[i].text.c_str(), ink);
    }
}

void drawDropDown(const raster::Canvas& window, const Menu& menu, int popup, int hotItem) {
    const Box drop = dropDownBox(menu, popup);
    if (drop.right == drop.left) {
        return;
    }
    raster::fillRect(window, drop.left + 2, drop.bottom, drop.right + 2, drop.bottom + 2, kShadowColour);
    raster::fillRect(window, drop.right, drop.top + 2, drop.right + 2, drop.bottom, kShadowColour);
    raster::drawRectangle(window, drop.left, drop.top, drop.right, drop.bottom,
                          raster::Style{true, kBorderColour, 1, true, kDropColour});
    const auto& items = menu.popups[popup].items;
    for (int i = 0; i < static_cast<int>(items.size()); ++i) {
        const Box box = itemBox(menu, popup, i);
        if (items[i].separator) {
            const int y = (box.top + box.bottom) / 2;
            raster::fillRect(window, box.left + 4, y, box.right - 4, y + 1, kSeparatorColour);
            continue;
        }
        uint32_t ink = kTextColour;
        if (i == hotItem) {
            raster::fillRect(window, box.left, box.top, box.right, box.bottom, kHotColour);
            ink = kHotTextColour;
        }
        const int textTop = box.top + (kItemHeight - font::kCellHeight) / 2;
        if (items[i].checked) {
            drawCheckMark(window, box.left + 5, textTop + 3, ink);
        }
        drawMenuText(window, box.left + kCheckGutter, textTop, items[i].text.c_str(), ink);
    }
}

void composeWindow(const Menu* menu, const uint32_t* client, int clientWidth, int clientHeight, int openPopup,
                   int hotItem, host::Image& out) {
    const int barHeight = menu != nullptr ? kMenuBarHeight : 0;
    out.width = clientWidth;
    out.height = clientHeight + barHeight;
    out.pixels.resize(static_cast<size_t>(out.width) * out.height);
    const raster::Canvas canvas{out.pixels.data(), out.width, out.height, out.width};
    if (client != nullptr) {
        std::copy(client, client + static_cast<size_t>(clientWidth) * clientHeight,
                  out.pixels.begin() + static_cast<std::ptrdiff_t>(barHeight) * out.width);
    }
    if (menu != nullptr) {
        drawBar(canvas, menu, openPopup);
        if (openPopup >= 0) {
            drawDropDown(canvas, *menu, openPopup, hotItem);
        }
    }
}

}  // namespace win::menubar
