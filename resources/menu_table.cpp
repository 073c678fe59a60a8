#include "resources/menu_table.h"

#include <vector>

#include "geometry/orientation.h"
#include "resources/command_ids.h"

namespace calyra::resources {
namespace {

using enum MenuKind;
using namespace calyra::ui;

// A row of the table: an entry as it stands, or the place where the rows of
// a table of command_ids.h come in.
enum class Source { Entry, RenderTypes, ColourMaps, SliceWindowPresets };
struct Row {
    Source source;
    MenuEntry entry;
};
constexpr Row Entry(MenuKind kind, int id, const char* text) {
    return {Source::Entry, {kind, id, text}};
}

constexpr Row kMenu[] = {
    Entry(Popup, 0, "Model &File"),
    Entry(Item, kCmdBallModel, "Development Ball Model"),
    Entry(Item, kCmdMonkey, "Math Model &Monkey"),
    Entry(Item, kCmdCombined, "Math Model &Combined"),
    Entry(Separator, 0, ""),
    Entry(Item, kCmdHeadModel, "Small MRI Head 128^3  "),
    Entry(Item, kCmdHyperboloid, "Math Model &Hyperboloid"),
    Entry(Item, kCmdCone, "Math Model &Cone"),
    Entry(Separator, 0, ""),
    Entry(Item, kCmdLoadFile, "&Load File..."),
    Entry(Item, kCmdOpenVolume, "&Open Volume..."),
    // Their labels are the names remembered (ui/recent_commands.h).
    Entry(Popup, 0, "Open &Recent"),
    Entry(Item, kCmdRecentFirst + 0, "&1"),
    Entry(Item, kCmdRecentFirst + 1, "&2"),
    Entry(Item, kCmdRecentFirst + 2, "&3"),
    Entry(Item, kCmdRecentFirst + 3, "&4"),
    Entry(Item, kCmdRecentFirst + 4, "&5"),
    Entry(Item, kCmdRecentFirst + 5, "&6"),
    Entry(Item, kCmdRecentFirst + 6, "&7"),
    Entry(Item, kCmdRecentFirst + 7, "&8"),
    Entry(EndPopup, 0, ""),
    Entry(Separator, 0, ""),
    Entry(Item, kCmdSaveImage, "&Save Image..."),
    Entry(Item, kCmdCopyImage, "Co&py Image"),
    Entry(Item, kCmdSaveMovie, "Sav&e Movie..."),
    Entry(Item, kCmdSaveView, "Sa&ve View..."),
    Entry(Item, kCmdOpenView, "Open V&iew..."),
    Entry(Separator, 0, ""),
    Entry(Item, kCmdExit, "E&xit"),
    Entry(EndPopup, 0, ""),

    Entry(Popup, 0, "&Options"),
    Entry(Item, kCmdGrabViewPlane, "Grab &ViewPlane (Rt. Mouse Button)"),
    Entry(Item, kCmdGrabWorld, "Grab &World     (Left Mouse Button)"),
    Entry(Separator, 0, ""),
    Entry(Popup, 0, "Snap &World to:"),
    Entry(Item, SnapWorldCommand(Face::Front), "&Front"),
    Entry(Item, SnapWorldCommand(Face::Back), "&Back"),
    Entry(Item, SnapWorldCommand(Face::Left), "&Left"),
    Entry(Item, SnapWorldCommand(Face::Right), "&Right"),
    Entry(Item, SnapWorldCommand(Face::Top), "&Top"),
    Entry(Item, SnapWorldCommand(Face::Bottom), "B&ottom"),
    Entry(EndPopup, 0, ""),
    Entry(Popup, 0, "Snap &ViewPlane to:"),
    Entry(Item, SnapPlaneCommand(Face::Front), "&Front"),
    Entry(Item, SnapPlaneCommand(Face::Back), "&Back"),
    Entry(Item, SnapPlaneCommand(Face::Left), "&Left"),
    Entry(Item, SnapPlaneCommand(Face::Right), "&Right"),
    Entry(Item, SnapPlaneCommand(Face::Top), "&Top"),
    Entry(Item, SnapPlaneCommand(Face::Bottom), "B&ottom"),
    Entry(EndPopup, 0, ""),
    Entry(Separator, 0, ""),
    Entry(Popup, 0, "&Rendering Type:"),
    {Source::RenderTypes, {}},
    Entry(EndPopup, 0, ""),
    Entry(Separator, 0, ""),
    Entry(Item, kCmdThresholdPanel, "T&hreshold Value"),
    Entry(EndPopup, 0, ""),

    Entry(Popup, 0, "&Display"),
    Entry(Item, kCmdRender, "&Render"),
    Entry(Separator, 0, ""),
    Entry(Item, kCmdShowViewPanel, "Show/Hide &View Control"),
    Entry(Item, kCmdShowMapPanel, "Show/Hide &Map Control"),
    Entry(Separator, 0, ""),
    Entry(Popup, 0, "&Colour Map"),
    {Source::ColourMaps, {}},
    Entry(EndPopup, 0, ""),
    Entry(Item, kCmdResetDisplayWindow, "Reset Display &Window"),
    Entry(Item, kCmdTransferFunction, "&Transfer Function..."),
    Entry(Separator, 0, ""),
    Entry(Item, kCmdSliceViews, "&Slice Views"),
    Entry(Item, kCmdSnapPlaneToCursor, "Snap ViewPlane to &Cursor"),
    Entry(Popup, 0, "Slice Wi&ndow"),
    {Source::SliceWindowPresets, {}},
    Entry(EndPopup, 0, ""),
    Entry(Separator, 0, ""),
    Entry(Item, kCmdCropPanel, "Cro&p..."),
    Entry(Item, kCmdCutAtViewPlane, "Cut &at ViewPlane"),
    Entry(Item, kCmdRemoveCut, "R&emove Cut"),
    Entry(EndPopup, 0, ""),

    Entry(Popup, 0, "&Arrange"),
    Entry(Item, kCmdCascade, "&Cascade"),
    Entry(Item, kCmdTile, "&Tile"),
    Entry(Item, kCmdArrangeIcons, "&Icons"),
    Entry(EndPopup, 0, ""),

    Entry(Popup, 0, "&Parameters"),
    Entry(Item, kCmdStereo, "&Stereo\tON/OFF"),
    Entry(Item, kCmdInterpolate, "&Interp\tON/OFF"),
    Entry(Item, kCmdGradientShading, "&Grad Shad\tON/OFF"),
    Entry(Item, kCmdLiveUpdate, "&Live Update"),
    Entry(EndPopup, 0, ""),

    Entry(Popup, 0, "\b&Help"),
    Entry(Item, kCmdHelpContents, "&Contents..."),
    Entry(Separator, 0, ""),
    Entry(Item, kCmdAbout, "&About..."),
    Entry(EndPopup, 0, ""),
};

std::vector<MenuEntry> ExpandedMenu() {
    std::vector<MenuEntry> menu;
    for (const Row& row : kMenu) {
        switch (row.source) {
            case Source::Entry:
                menu.push_back(row.entry);
                break;
            case Source::RenderTypes:
                // A line before the first type the T key does not step.
                for (std::size_t k = 0; k < std::size(kRenderTypeItems); ++k) {
                    const RenderTypeItem& item = kRenderTypeItems[k];
                    if (k > 0 && !TraitsOf(item.type).stepped &&
                        TraitsOf(kRenderTypeItems[k - 1].type).stepped) {
                        menu.push_back({Separator, 0, ""});
                    }
                    menu.push_back({Item, item.command, item.menuText});
                }
                break;
            case Source::ColourMaps:
                for (const ColourMapItem& item : kColourMapItems) {
                    menu.push_back({Item, item.command, item.menuText});
                }
                break;
            case Source::SliceWindowPresets:
                for (const SliceWindowPreset& preset : kSliceWindowPresets) {
                    menu.push_back({Item, preset.command, preset.menuText});
                }
                break;
        }
    }
    return menu;
}

}  // namespace

std::span<const MenuEntry> MenuTable() {
    static const std::vector<MenuEntry> menu = ExpandedMenu();
    return menu;
}

}  // namespace calyra::resources
