// Every command and control id the program uses: the menu, accelerator and
// dialog tables, the dispatcher, the panels, the demonstration and the tests
// name them from here and nowhere else spells out the numbers.
#pragma once

#include <optional>

#include "geometry/orientation.h"
#include "render/display_map.h"
#include "render/render_type.h"
#include "render/setting_table.h"
#include "volume/model_type.h"

namespace calyra::ui {

// Model File menu.
inline constexpr int kCmdBallModel = 716;
inline constexpr int kCmdHeadModel = 718;
inline constexpr int kCmdHyperboloid = 750;
inline constexpr int kCmdCone = 755;
inline constexpr int kCmdMonkey = 780;
inline constexpr int kCmdCombined = 785;
inline constexpr int kCmdLoadFile = 745;
inline constexpr int kCmdOpenVolume = 746;
inline constexpr int kCmdSaveImage = 747;
inline constexpr int kCmdCopyImage = 748;
inline constexpr int kCmdSaveView = 760;
inline constexpr int kCmdOpenView = 761;
inline constexpr int kCmdSaveMovie = 9034;
// Open Recent: the last volumes and views opened, most recent first.
inline constexpr int kCmdRecentFirst = 9040;
inline constexpr int kCmdRecentLast = 9047;
inline constexpr int kRecentCount = kCmdRecentLast - kCmdRecentFirst + 1;
constexpr bool IsRecentCommand(int id) {
    return id >= kCmdRecentFirst && id <= kCmdRecentLast;
}
inline constexpr int kCmdExit = 105;

// Options menu and Map panel. The snap ids run in Face order: Front, Back,
// Top, Bottom, Left, Right.
inline constexpr int kCmdSnapWorldFirst = 701;
inline constexpr int kCmdSnapWorldLast = 706;
inline constexpr int kCmdSnapPlaneFirst = 707;
inline constexpr int kCmdSnapPlaneLast = 712;
inline constexpr int kCmdGrabWorld = 724;
inline constexpr int kCmdGrabViewPlane = 725;
inline constexpr int kCmdThresholdPanel = 739;

// The rendering types' and colour maps' items are rows of their tables
// below; the display window's reset.
inline constexpr int kCmdResetDisplayWindow = 9025;

// Display and Arrange menus.
inline constexpr int kCmdRender = 741;
inline constexpr int kCmdShowViewPanel = 722;
inline constexpr int kCmdShowMapPanel = 723;
inline constexpr int kCmdSliceViews = 742;
inline constexpr int kCmdSnapPlaneToCursor = 743;
inline constexpr int kCmdTransferFunction = 9030;
inline constexpr int kCmdCropPanel = 9031;
inline constexpr int kCmdCutAtViewPlane = 9032;
inline constexpr int kCmdRemoveCut = 9033;
inline constexpr int kCmdCascade = 200;
inline constexpr int kCmdTile = 201;
inline constexpr int kCmdArrangeIcons = 202;

// Parameters and Help menus.
inline constexpr int kCmdStereo = 9010;
inline constexpr int kCmdInterpolate = 9011;
inline constexpr int kCmdGradientShading = 9012;
inline constexpr int kCmdLiveUpdate = 9013;
inline constexpr int kCmdHelpContents = 905;
inline constexpr int kCmdAbout = 900;

// Map panel buttons of its own.
inline constexpr int kCtlPanIn = 733;
inline constexpr int kCtlPanOut = 734;

// Slide Bar controls.
inline constexpr int kCtlThresholdScale = 101;
inline constexpr int kCtlThresholdScrollBar = 1998;
inline constexpr int kCtlThresholdText = 735;
inline constexpr int kCtlThresholdPreview = 736;
inline constexpr int kCtlThresholdCancel = 737;
inline constexpr int kCtlThresholdClose = 738;

// The standard commands of every dialog: OK, and Cancel (also sent by Escape
// and the system menu's Close).
inline constexpr int kOkId = 1;
inline constexpr int kCancelId = 2;

// Volume File Import dialog (template "FileLoad").
inline constexpr int kCtlImportDimX = 805;
inline constexpr int kCtlImportDimY = 806;
inline constexpr int kCtlImportDimZ = 807;
inline constexpr int kCtlImportOrder = 810;
inline constexpr int kCtlImportAspectX = 815;
inline constexpr int kCtlImportAspectY = 816;
inline constexpr int kCtlImportAspectZ = 817;
inline constexpr int kCtlImportBinary = 820;
inline constexpr int kCtlImportAscii = 821;
inline constexpr int kCtlImportBytes = 825;
inline constexpr int kCtlImportReverse = 830;
inline constexpr int kCtlImportLongInteger = 835;
inline constexpr int kCtlImportInteger = 840;
inline constexpr int kCtlImportFloat = 845;
inline constexpr int kCtlImportHeaderBytes = 850;
inline constexpr int kCtlImportPreviewSlice = 860;
inline constexpr int kCtlImportHelp = 870;

// The frame's timers.
inline constexpr int kDemoTimerId = 910;  // every 100 ms: one demonstration step
inline constexpr int kIdleTimerId = 911;  // every 7000 ms: nothing

// The snap command of a face and the face of a snap command.
constexpr int SnapWorldCommand(Face face) {
    return kCmdSnapWorldFirst + static_cast<int>(face);
}
constexpr int SnapPlaneCommand(Face face) {
    return kCmdSnapPlaneFirst + static_cast<int>(face);
}
constexpr bool IsSnapWorldCommand(int id) {
    return id >= kCmdSnapWorldFirst && id <= kCmdSnapWorldLast;
}
constexpr bool IsSnapPlaneCommand(int id) {
    return id >= kCmdSnapPlaneFirst && id <= kCmdSnapPlaneLast;
}
constexpr Face SnapWorldFace(int id) {
    return static_cast<Face>(id - kCmdSnapWorldFirst);
}
constexpr Face SnapPlaneFace(int id) {
    return static_cast<Face>(id - kCmdSnapPlaneFirst);
}

// The Rendering Type menu, one row per type in RenderType order; the first
// three are the View panel's buttons too (713..715, its radio group). Never
// derive an id by arithmetic: 713 + 3 is the ball model's 716.
struct RenderTypeItem {
    RenderType type;
    int command;
    const char* menuText;
};
inline constexpr RenderTypeItem kRenderTypeItems[] = {
    {RenderType::Surface, 713, "Sur&face"},     {RenderType::Transparent, 714, "&Transparent"},
    {RenderType::Slice, 715, "&Slice"},         {RenderType::Maximum, 790, "&Maximum"},
    {RenderType::Minimum, 791, "M&inimum"},     {RenderType::Average, 792, "&Average"},
    {RenderType::Composite, 793, "&Composite"},
};

// The Colour Map menu, one row per map in ColourMap order.
struct ColourMapItem {
    ColourMap map;
    int command;
    const char* menuText;
};
inline constexpr ColourMapItem kColourMapItems[] = {
    {ColourMap::Grey, 9020, "Grey"},       {ColourMap::Inverted, 9021, "Inverted Grey"},
    {ColourMap::Hot, 9022, "Hot"},         {ColourMap::Bone, 9023, "Bone"},
    {ColourMap::Viridis, 9024, "Viridis"},
};

// The Slice Window menu's presets for CT (level, width in HU); the last is
// the volume's whole range, the window it starts with.
struct SliceWindowPreset {
    int command;
    const char* menuText;
    double level;
    double width;
    bool fullRange;
};
inline constexpr SliceWindowPreset kSliceWindowPresets[] = {
    {9035, "&Brain", 40.0, 80.0, false},    {9036, "&Soft Tissue", 40.0, 400.0, false},
    {9037, "&Lung", -600.0, 1500.0, false}, {9038, "B&one", 400.0, 1800.0, false},
    {9039, "&Full Range", 0.0, 0.0, true},
};
// The unit the presets are offered for.
inline constexpr const char* kSliceWindowPresetUnit = "HU";

constexpr const SliceWindowPreset* SliceWindowPresetOfCommand(int id) {
    for (const SliceWindowPreset& preset : kSliceWindowPresets) {
        if (preset.command == id) return &preset;
    }
    return nullptr;
}

// Every type and every map has its row, row k for the value numbered k.
constexpr bool MenuRowsInOrder() {
    if (std::size(kRenderTypeItems) != kRenderTypeCount) return false;
    if (std::size(kColourMapItems) != kColourMapCount) return false;
    for (std::size_t k = 0; k < kRenderTypeCount; ++k) {
        if (static_cast<std::size_t>(kRenderTypeItems[k].type) != k) return false;
    }
    for (std::size_t k = 0; k < kColourMapCount; ++k) {
        if (static_cast<std::size_t>(kColourMapItems[k].map) != k) return false;
    }
    return true;
}
static_assert(MenuRowsInOrder(), "one menu row per rendering type and colour map, in enum order");

// The row of a value (rows in value order, checked below).
constexpr const RenderTypeItem& ItemOf(RenderType type) {
    const auto k = static_cast<std::size_t>(type);
    return kRenderTypeItems[k < std::size(kRenderTypeItems) ? k : 0];
}
constexpr const ColourMapItem& ItemOf(ColourMap map) {
    const auto k = static_cast<std::size_t>(map);
    return kColourMapItems[k < std::size(kColourMapItems) ? k : 0];
}

// The item of a rendering type and back.
constexpr int RenderTypeCommand(RenderType type) {
    return ItemOf(type).command;
}
constexpr std::optional<RenderType> RenderTypeOfCommand(int id) {
    for (const RenderTypeItem& item : kRenderTypeItems) {
        if (item.command == id) return item.type;
    }
    return std::nullopt;
}
constexpr int ColourMapCommand(ColourMap map) {
    return ItemOf(map).command;
}
// The View panel's radio group: the items of the types the T key steps.
inline constexpr int kCtlViewPanelFirst = RenderTypeCommand(RenderType::Surface);
inline constexpr int kCtlViewPanelLast = RenderTypeCommand(RenderType::Slice);

constexpr std::optional<ColourMap> ColourMapOfCommand(int id) {
    for (const ColourMapItem& item : kColourMapItems) {
        if (item.command == id) return item.map;
    }
    return std::nullopt;
}

// The menu items of the settings that toggle (render/setting_table.h): one
// row each, keyed by the setting; the types and maps have their rows above.
struct SettingItem {
    Setting setting;
    int command;
};
inline constexpr SettingItem kSettingItems[] = {
    {Setting::Stereo, kCmdStereo},
    {Setting::Interpolate, kCmdInterpolate},
    {Setting::GradientShading, kCmdGradientShading},
};

// Every row names a toggle of the settings table.
constexpr bool SettingItemsToggle() {
    for (const SettingItem& item : kSettingItems) {
        if (RowOf(item.setting).toggle == nullptr) return false;
    }
    for (const SettingRow& row : kSettingRows) {
        if (row.toggle == nullptr) continue;
        bool found = false;
        for (const SettingItem& item : kSettingItems) found = found || item.setting == row.setting;
        if (!found) return false;
    }
    return true;
}
static_assert(SettingItemsToggle(), "one menu item per toggled setting");

constexpr std::optional<Setting> ToggledSettingOfCommand(int id) {
    for (const SettingItem& item : kSettingItems) {
        if (item.command == id) return item.setting;
    }
    return std::nullopt;
}

// The Model File items that build a model.
struct ModelCommand {
    int command;
    ModelType model;
};
inline constexpr ModelCommand kModelCommands[] = {
    {kCmdBallModel, ModelType::Ball},          {kCmdMonkey, ModelType::Monkey},
    {kCmdCombined, ModelType::Combined},       {kCmdHeadModel, ModelType::Head},
    {kCmdHyperboloid, ModelType::Hyperboloid}, {kCmdCone, ModelType::Cone},
};

}  // namespace calyra::ui
