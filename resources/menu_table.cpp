#include "resources/menu_table.h"

namespace calyra::resources {
namespace {

using enum MenuKind;

constexpr MenuEntry kMenu[] = {
    {Popup, 0, "Model &File"},
    {Item, 716, "Development Ball Model"},
    {Item, 780, "Math Model &Monkey"},
    {Item, 785, "Math Model &Combined"},
    {Separator, 0, ""},
    {Item, 718, "Small MRI Head 128^3  "},
    {Item, 750, "Math Model &Hyperboloid"},
    {Item, 755, "Math Model &Cone"},
    {Separator, 0, ""},
    {Item, 745, "&Load File..."},
    {Item, 746, "&Open Volume..."},
    {Separator, 0, ""},
    {Item, 747, "&Save Image..."},
    {Item, 748, "Co&py Image"},
    {Item, 760, "Sa&ve View..."},
    {Item, 761, "Open V&iew..."},
    {Separator, 0, ""},
    {Item, 105, "E&xit"},
    {EndPopup, 0, ""},

    {Popup, 0, "&Options"},
    {Item, 725, "Grab &ViewPlane (Rt. Mouse Button)"},
    {Item, 724, "Grab &World     (Left Mouse Button)"},
    {Separator, 0, ""},
    {Popup, 0, "Snap &World to:"},
    {Item, 701, "&Front"},
    {Item, 702, "&Back"},
    {Item, 705, "&Left"},
    {Item, 706, "&Right"},
    {Item, 703, "&Top"},
    {Item, 704, "B&ottom"},
    {EndPopup, 0, ""},
    {Popup, 0, "Snap &ViewPlane to:"},
    {Item, 707, "&Front"},
    {Item, 708, "&Back"},
    {Item, 711, "&Left"},
    {Item, 712, "&Right"},
    {Item, 709, "&Top"},
    {Item, 710, "B&ottom"},
    {EndPopup, 0, ""},
    {Separator, 0, ""},
    {Popup, 0, "&Rendering Type:"},
    {Item, 713, "Sur&face"},
    {Item, 714, "&Transparent"},
    {Item, 715, "&Slice"},
    {EndPopup, 0, ""},
    {Separator, 0, ""},
    {Item, 739, "T&hreshold Value"},
    {EndPopup, 0, ""},

    {Popup, 0, "&Display"},
    {Item, 741, "&Render"},
    {Separator, 0, ""},
    {Item, 722, "Show/Hide &View Control"},
    {Item, 723, "Show/Hide &Map Control"},
    {EndPopup, 0, ""},

    {Popup, 0, "&Arrange"},
    {Item, 200, "&Cascade"},
    {Item, 201, "&Tile"},
    {Item, 202, "&Icons"},
    {EndPopup, 0, ""},

    {Popup, 0, "&Parameters"},
    {Item, 9010, "&Stereo\tON/OFF"},
    {Item, 9011, "&Interp\tON/OFF"},
    {Item, 9012, "&Grad Shad\tON/OFF"},
    {EndPopup, 0, ""},

    {Popup, 0, "\b&Help"},
    {Item, 905, "&Contents..."},
    {Separator, 0, ""},
    {Item, 900, "&About..."},
    {EndPopup, 0, ""},
};

}  // namespace

std::span<const MenuEntry> MenuTable() {
    return kMenu;
}

}  // namespace calyra::resources
