// Menu resource 1000: the frame's menu bar as data, turned into QMenus by
// the menu builder (ui/menu_builder.h).
#pragma once

#include <cstddef>
#include <span>

namespace calyra::resources {

enum class MenuKind {
    Popup,      // opens a pop-up menu titled text; entries until the matching EndPopup
    EndPopup,   // closes the innermost open pop-up
    Item,       // a command item: id and label
    Separator,  // a horizontal line
};

struct MenuEntry {
    MenuKind kind;
    int id;            // command id of an Item, 0 otherwise
    const char* text;  // exact label: "&" marks the mnemonic, "\t" starts the right column
};

// A top-level pop-up whose title starts with this character stands at the
// right end of the menu bar.
inline constexpr char kRightJustify = '\b';

// The whole menu. The Rendering Type and Colour Map items are made from the
// rows of their tables (resources/command_ids.h), so a new type or map needs
// no entry here.
std::span<const MenuEntry> MenuTable();

}  // namespace calyra::resources
