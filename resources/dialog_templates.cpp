#include "resources/dialog_templates.h"

#include "geometry/orientation.h"
#include "resources/command_ids.h"

namespace calyra::resources {
namespace {

using K = ControlKind;
using namespace calyra::ui;
constexpr std::uint32_t kButton = kTabStop;
constexpr std::uint32_t kEdit = kTabStop | kBorder;

constexpr ControlTemplate kView2Controls[] = {
    {126, K::GroupBox, "Render Type", 3, 7, 59, 73, kNoStyle},
    {RenderTypeCommand(RenderType::Surface), K::RadioButton, "Surf", 7, 24, 27, 10,
     kButton | kGroup},
    {RenderTypeCommand(RenderType::Transparent), K::RadioButton, "Trans", 7, 44, 30, 10, kButton},
    {RenderTypeCommand(RenderType::Slice), K::RadioButton, "Slice", 7, 64, 30, 10, kButton},
    {122, K::Icon, "surf", 38, 17, 18, 20, kNoStyle},
    {120, K::Icon, "tran", 38, 38, 18, 20, kNoStyle},
    {124, K::Icon, "slice", 38, 57, 18, 20, kNoStyle},
};

constexpr ControlTemplate kMap2Controls[] = {
    {107, K::GroupBox, "Object", 2, 0, 60, 53, kNoStyle},
    {kCmdGrabWorld, K::RadioButton, "World", 5, 17, 33, 10, kButton | kGroup},
    {kCmdGrabViewPlane, K::RadioButton, "VPlane", 5, 38, 36, 10, kButton},
    {104, K::Icon, "world", 41, 10, 18, 20, kNoStyle},
    {106, K::Icon, "vplane", 41, 30, 18, 20, kNoStyle},
    {127, K::GroupBox, "Snap", 2, 59, 60, 141, kGroup},
    {SnapPlaneCommand(Face::Front), K::PushButton, "Front", 5, 74, 30, 14, kButton},
    {SnapPlaneCommand(Face::Back), K::PushButton, "Back", 5, 95, 30, 14, kButton},
    {SnapPlaneCommand(Face::Left), K::PushButton, "Left", 5, 117, 30, 14, kButton},
    {SnapPlaneCommand(Face::Right), K::PushButton, "Right", 5, 139, 30, 14, kButton},
    {SnapPlaneCommand(Face::Top), K::PushButton, "Top", 5, 159, 30, 14, kButton},
    {SnapPlaneCommand(Face::Bottom), K::PushButton, "Bottom", 5, 180, 30, 14, kButton},
    {116, K::Icon, "front", 40, 67, 18, 20, kNoStyle},
    {118, K::Icon, "back", 40, 89, 18, 20, kNoStyle},
    {120, K::Icon, "left", 40, 111, 18, 20, kNoStyle},
    {122, K::Icon, "right", 40, 132, 18, 20, kNoStyle},
    {124, K::Icon, "top", 40, 153, 18, 20, kNoStyle},
    {126, K::Icon, "bot", 40, 174, 18, 20, kNoStyle},
    {kCtlPanIn, K::PushButton, "Pan In", 12, 211, 40, 14, kButton},
    {kCtlPanOut, K::PushButton, "Pan Out", 12, 230, 40, 14, kButton},
};

constexpr ControlTemplate kThrAdjControls[] = {
    {kCtlThresholdScale, K::GroupBox, "  0 %                            100 %", 3, 1, 121, 24,
     kNoStyle},
    {kCtlThresholdScrollBar, K::HorizontalScrollBar, "", 6, 12, 114, 10, kTabStop},
    {kCtlThresholdText, K::Edit, "", 48, 0, 31, 12, kReadOnly | kBorder},
    {kCtlThresholdPreview, K::PushButton, "&Preview", 3, 26, 33, 14, kButton},
    {kCtlThresholdCancel, K::PushButton, "&CANCEL", 43, 26, 40, 14, kButton},
    {kCtlThresholdClose, K::PushButton, "C&lose", 89, 26, 36, 14, kButton},
};

constexpr ControlTemplate kFileLoadControls[] = {
    {kNoControlId, K::GroupBox, "Dimensions", 2, 3, 71, 142, kNoStyle},
    {102, K::Label, "X (width)", 7, 22, 40, 8, kNoStyle},
    {kCtlImportDimX, K::Edit, "", 42, 20, 21, 12, kEdit},
    {103, K::Label, "Y (height)", 6, 39, 43, 8, kNoStyle},
    {kCtlImportDimY, K::Edit, "", 42, 37, 21, 12, kEdit},
    {104, K::Label, "Z (depth)", 7, 56, 37, 8, kNoStyle},
    {kCtlImportDimZ, K::Edit, "", 42, 55, 21, 12, kEdit},
    {124, K::Label, "Order of Dimensions", 4, 77, 66, 8, kNoStyle},
    {kCtlImportOrder, K::DropDownList, "", 10, 90, 48, 35, kTabStop | kSorted | kVScroll},
    {123, K::Label, "Aspect Ratio", 6, 111, 58, 10, kNoStyle},
    {kCtlImportAspectX, K::Edit, "", 10, 124, 13, 12, kEdit | kAutoHScroll},
    {106, K::CenteredLabel, ":", 24, 124, 8, 12, kNoStyle},
    {kCtlImportAspectY, K::Edit, "", 31, 124, 13, 12, kEdit | kAutoHScroll},
    {109, K::CenteredLabel, ":", 45, 124, 8, 12, kNoStyle},
    {kCtlImportAspectZ, K::Edit, "", 53, 124, 13, 12, kEdit | kAutoHScroll},
    {kNoControlId, K::GroupBox, "Type of File", 76, 3, 114, 126, kGroup},
    {kCtlImportBinary, K::RadioButton, "Binary", 78, 18, 39, 10, kButton},
    {kCtlImportAscii, K::RadioButton, "ASCII", 79, 54, 39, 10, kButton},
    {110, K::Label, "Bytes per Voxel", 103, 30, 59, 8, kNoStyle},
    {kCtlImportBytes, K::Edit, "", 159, 28, 15, 12, kEdit},
    {kCtlImportReverse, K::CheckBox, "Reverse Byte Ordering", 103, 42, 84, 10, kButton},
    // Its own radio group, so that a data type never unchecks Binary or ASCII.
    {kNoControlId, K::GroupBox, "ASCII data type", 99, 65, 69, 53, kGroup},
    {kCtlImportLongInteger, K::RadioButton, "Long Integer", 106, 78, 57, 10, kButton},
    {kCtlImportInteger, K::RadioButton, "Integer", 106, 91, 39, 10, kButton},
    {kCtlImportFloat, K::RadioButton, "Float", 106, 104, 39, 10, kButton},
    // Bytes before the first voxel of a binary file (file headers).
    {112, K::Label, "Header bytes", 80, 135, 60, 8, kNoStyle},
    {kCtlImportHeaderBytes, K::Edit, "", 159, 133, 28, 12, kEdit},
    {kOkId, K::PushButton, "OK", 5, 153, 53, 14, kButton | kGroup},
    {kCancelId, K::PushButton, "Cancel", 5, 170, 53, 14, kButton},
    {kCtlImportPreviewSlice, K::PushButton, "Preview Slice", 5, 187, 53, 14, kButton},
    {kCtlImportHelp, K::PushButton, "HELP!", 5, 205, 54, 14, kButton},
};

constexpr ControlTemplate kAboutControls[] = {
    {kNoControlId, K::CenteredLabel, "Calyra Visualizer", 26, 14, 150, 10, kNoStyle},
    {kNoControlId, K::CenteredLabel, "Interactive Volume Visualization", 26, 24, 150, 10, kNoStyle},
    {kNoControlId, K::CenteredLabel, "December 1, 1993", 50, 48, 100, 10, kNoStyle},
    {1003, K::Label,
     "The Calyra Visualizer produces ray-traced volume renderings of three-dimensional image "
     "data -- such as that generated from NMR (Nuclear Magnetic Resonance), PET (Positron "
     "Emission Tomography), CAT (Computed Axial",
     6, 79, 190, 37, kNoStyle},
    {1004, K::Label,
     "Tomography), or related three-dimensional imaging techniques.  True ray-traced volume "
     "visualization allows users to learn more about their data than simple slicing or "
     "iso-surface representations, which can give users only",
     6, 111, 190, 34, kNoStyle},
    {1005, K::Label,
     "a glimpse of their underlying data, while our techniques can faithfully represent a "
     "complete volume data set.",
     6, 143, 190, 31, kNoStyle},
    {kOkId, K::DefaultPushButton, "OK", 87, 180, 28, 17, kButton | kGroup},
};

constexpr const char* kPanelFont = "MS Sans Serif";
constexpr std::uint32_t kPanelStyle = kDialogVisible | kDialogMinimizeBox;

// Name, caption, x, y, width, height, font (nullptr: the system font, as the
// About box has), point size, style, controls.
constexpr DialogTemplate kTemplates[] = {
    {"View2", "View", 220, 400, 64, 90, kPanelFont, 8, kPanelStyle, kView2Controls},
    {"Map2", "Map", 440, -63, 64, 248, kPanelFont, 8, kPanelStyle, kMap2Controls},
    {"ThrAdj", "Slide Bar", 5, 400, 129, 42, kPanelFont, 8, kDialogVisible, kThrAdjControls},
    {"FileLoad", "Volume File Import", 10, 19, 199, 234, kPanelFont, 8, kDialogPlain,
     kFileLoadControls},
    {"1002", "About the Calyra Visualizer", 50, 50, 200, 200, nullptr, 0, kDialogPlain,
     kAboutControls},
};

}  // namespace

const DialogTemplate& kView2Template = kTemplates[0];
const DialogTemplate& kMap2Template = kTemplates[1];
const DialogTemplate& kThrAdjTemplate = kTemplates[2];
const DialogTemplate& kFileLoadTemplate = kTemplates[3];
const DialogTemplate& kAboutTemplate = kTemplates[4];

const DialogTemplate* FindDialogTemplate(std::string_view name) {
    for (const DialogTemplate& t : kTemplates) {
        if (name == t.name) return &t;
    }
    return nullptr;
}

}  // namespace calyra::resources
