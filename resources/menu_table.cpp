#include "resources/menu_table.h"

#include "geometry/orientation.h"
#include "resources/command_ids.h"

namespace calyra::resources {
namespace {

using enum MenuKind;
using namespace calyra::ui;

constexpr MenuEntry kMenu[] = {
    {Popup, 0, "Model &File"},
    {Item, kCmdBallModel, "Development Ball Model"},
    {Item, kCmdMonkey, "Math Model &Monkey"},
    {Item, kCmdCombined, "Math Model &Combined"},
    {Separator, 0, ""},
    {Item, kCmdHeadModel, "Small MRI Head 128^3  "},
    {Item, kCmdHyperboloid, "Math Model &Hyperboloid"},
    {Item, kCmdCone, "Math Model &Cone"},
    {Separator, 0, ""},
    {Item, kCmdLoadFile, "&Load File..."},
    {Item, kCmdOpenVolume, "&Open Volume..."},
    {Separator, 0, ""},
    {Item, kCmdSaveImage, "&Save Image..."},
    {Item, kCmdCopyImage, "Co&py Image"},
    {Item, kCmdSaveView, "Sa&ve View..."},
    {Item, kCmdOpenView, "Open V&iew..."},
    {Separator, 0, ""},
    {Item, kCmdExit, "E&xit"},
    {EndPopup, 0, ""},

    {Popup, 0, "&Options"},
    {Item, kCmdGrabViewPlane, "Grab &ViewPlane (Rt. Mouse Button)"},
    {Item, kCmdGrabWorld, "Grab &World     (Left Mouse Button)"},
    {Separator, 0, ""},
    {Popup, 0, "Snap &World to:"},
    {Item, SnapWorldCommand(Face::Front), "&Front"},
    {Item, SnapWorldCommand(Face::Back), "&Back"},
    {Item, SnapWorldCommand(Face::Left), "&Left"},
    {Item, SnapWorldCommand(Face::Right), "&Right"},
    {Item, SnapWorldCommand(Face::Top), "&Top"},
    {Item, SnapWorldCommand(Face::Bottom), "B&ottom"},
    {EndPopup, 0, ""},
    {Popup, 0, "Snap &ViewPlane to:"},
    {Item, SnapPlaneCommand(Face::Front), "&Front"},
    {Item, SnapPlaneCommand(Face::Back), "&Back"},
    {Item, SnapPlaneCommand(Face::Left), "&Left"},
    {Item, SnapPlaneCommand(Face::Right), "&Right"},
    {Item, SnapPlaneCommand(Face::Top), "&Top"},
    {Item, SnapPlaneCommand(Face::Bottom), "B&ottom"},
    {EndPopup, 0, ""},
    {Separator, 0, ""},
    {Popup, 0, "&Rendering Type:"},
    {Item, kCmdSurface, ItemOf(RenderType::Surface).menuText},
    {Item, kCmdTransparent, ItemOf(RenderType::Transparent).menuText},
    {Item, kCmdSlice, ItemOf(RenderType::Slice).menuText},
    {Separator, 0, ""},
    {Item, kCmdMaximum, ItemOf(RenderType::Maximum).menuText},
    {Item, kCmdMinimum, ItemOf(RenderType::Minimum).menuText},
    {Item, kCmdAverage, ItemOf(RenderType::Average).menuText},
    {EndPopup, 0, ""},
    {Separator, 0, ""},
    {Item, kCmdThresholdPanel, "T&hreshold Value"},
    {EndPopup, 0, ""},

    {Popup, 0, "&Display"},
    {Item, kCmdRender, "&Render"},
    {Separator, 0, ""},
    {Item, kCmdShowViewPanel, "Show/Hide &View Control"},
    {Item, kCmdShowMapPanel, "Show/Hide &Map Control"},
    {Separator, 0, ""},
    {Popup, 0, "&Colour Map"},
    {Item, kCmdGreyMap, ItemOf(ColourMap::Grey).menuText},
    {Item, kCmdInvertedMap, ItemOf(ColourMap::Inverted).menuText},
    {Item, kCmdHotMap, ItemOf(ColourMap::Hot).menuText},
    {Item, kCmdBoneMap, ItemOf(ColourMap::Bone).menuText},
    {Item, kCmdViridisMap, ItemOf(ColourMap::Viridis).menuText},
    {EndPopup, 0, ""},
    {Item, kCmdResetDisplayWindow, "Reset Display &Window"},
    {Separator, 0, ""},
    {Item, kCmdSliceViews, "&Slice Views"},
    {Item, kCmdSnapPlaneToCursor, "Snap ViewPlane to &Cursor"},
    {EndPopup, 0, ""},

    {Popup, 0, "&Arrange"},
    {Item, kCmdCascade, "&Cascade"},
    {Item, kCmdTile, "&Tile"},
    {Item, kCmdArrangeIcons, "&Icons"},
    {EndPopup, 0, ""},

    {Popup, 0, "&Parameters"},
    {Item, kCmdStereo, "&Stereo\tON/OFF"},
    {Item, kCmdInterpolate, "&Interp\tON/OFF"},
    {Item, kCmdGradientShading, "&Grad Shad\tON/OFF"},
    {Item, kCmdLiveUpdate, "&Live Update"},
    {EndPopup, 0, ""},

    {Popup, 0, "\b&Help"},
    {Item, kCmdHelpContents, "&Contents..."},
    {Separator, 0, ""},
    {Item, kCmdAbout, "&About..."},
    {EndPopup, 0, ""},
};

}  // namespace

std::span<const MenuEntry> MenuTable() {
    return kMenu;
}

}  // namespace calyra::resources
