// Dialog templates as data: the three panels ("View2", "Map2", "ThrAdj"), the
// import dialog ("FileLoad") and the About box (1002). Coordinates are dialog
// units; the builder in ui/dialog_builder.h turns a template into widgets.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>

namespace calyra::resources {

enum class ControlKind : std::uint8_t {
    GroupBox,
    RadioButton,  // automatic: checks itself when clicked
    CheckBox,     // automatic
    PushButton,
    DefaultPushButton,  // pressed by Enter
    Label,              // left-aligned static text
    CenteredLabel,
    Edit,
    Icon,                 // static picture; text names the icon (ui/panel_icons.h)
    HorizontalScrollBar,  // range 0..100 unless the dialog sets another
    DropDownList,
};

// Control style bits the builder honours.
enum ControlStyle : std::uint32_t {
    kNoStyle = 0,
    kGroup = 1u << 0,    // starts a new radio group
    kTabStop = 1u << 1,  // reachable with Tab
    kReadOnly = 1u << 2,
    kBorder = 1u << 3,
    kAutoHScroll = 1u << 4,
    kSorted = 1u << 5,
    kVScroll = 1u << 6,
};

// Dialog style bits.
enum DialogStyle : std::uint32_t {
    kDialogPlain = 0,
    kDialogVisible = 1u << 0,      // shown when created (modeless panels)
    kDialogMinimizeBox = 1u << 1,  // has a minimise box
};

// A control with no id of its own uses kNoControlId.
inline constexpr int kNoControlId = -1;

struct ControlTemplate {
    int id;
    ControlKind kind;
    const char* text;
    int x, y, width, height;  // dialog units, relative to the client area
    std::uint32_t style;
};

struct DialogTemplate {
    const char* name;  // resource name; numeric resources by their number, e.g. "1002"
    const char* caption;
    int x, y, width, height;  // dialog units; the size is the client area
    const char* fontFamily;   // nullptr: the system font
    int pointSize;
    std::uint32_t style;
    std::span<const ControlTemplate> controls;
};

extern const DialogTemplate& kView2Template;
extern const DialogTemplate& kMap2Template;
extern const DialogTemplate& kThrAdjTemplate;
extern const DialogTemplate& kFileLoadTemplate;
extern const DialogTemplate& kAboutTemplate;  // resource 1002

// The template with this resource name, or nullptr.
const DialogTemplate* FindDialogTemplate(std::string_view name);

}  // namespace calyra::resources
