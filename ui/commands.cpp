#include "ui/commands.h"

#include <QDialog>
#include <QMdiArea>
#include <QString>

#include "ui/about_help.h"
#include "ui/crop_panel.h"
#include "ui/cut_commands.h"
#include "ui/document.h"
#include "ui/image_commands.h"
#include "ui/import_dialog.h"
#include "ui/live_view.h"
#include "ui/mdi_children.h"
#include "ui/model_windows.h"
#include "ui/movie_commands.h"
#include "ui/platform.h"
#include "ui/recent_commands.h"
#include "ui/setting_commands.h"
#include "ui/slice_window.h"
#include "ui/tf_window.h"
#include "ui/view_commands.h"
#include "ui/volume_opener.h"

namespace calyra::ui {
namespace {

// Shows a hidden panel restored, or hides a shown one, and keeps its flag.
void TogglePanel(QDialog* panel, std::int32_t& shown) {
    if (shown) {
        if (panel) panel->hide();
        shown = 0;
    } else {
        if (panel) panel->showNormal();
        shown = 1;
    }
}

// The commands that are rows of a table (a snap face, a model, a rendering
// type, a colour map); false for any other id.
bool DispatchRowCommand(QWidget* frame, int id) {
    if (IsSnapWorldCommand(id)) {
        grabTarget = 0;
        SnapWorld(ProgramSession(), SnapWorldFace(id));
        return true;
    }
    if (IsSnapPlaneCommand(id)) {
        grabTarget = 1;
        SnapViewPlane(ProgramSession(), SnapPlaneFace(id));
        return true;
    }
    for (const ModelCommand& m : kModelCommands) {
        if (m.command == id) {
            ChooseModel(frame, m.model);
            return true;
        }
    }
    if (const std::optional<RenderType> type = RenderTypeOfCommand(id)) {
        SelectRenderType(*type, ViewPanelButtons::Follow);
        return true;
    }
    if (const std::optional<ColourMap> map = ColourMapOfCommand(id)) {
        SelectColourMap(*map);
        return true;
    }
    if (const SliceWindowPreset* preset = SliceWindowPresetOfCommand(id)) {
        ChooseSliceWindowPreset(*preset);
        return true;
    }
    if (const std::optional<Setting> setting = ToggledSettingOfCommand(id)) {
        ToggleSetting(*setting);
        return true;
    }
    if (IsRecentCommand(id)) {
        OpenRecent(frame, id - kCmdRecentFirst);
        return true;
    }
    return false;
}

}  // namespace

int DispatchCommand(QWidget* frame, int command, int /*detail*/) {
    const int id = command & 0xFFFF;
    // A command may replace the volume or render itself: the live render in
    // flight has nothing more to show and stops, to save its work.
    StopLiveRender();
    if (DispatchRowCommand(frame, id)) return 1;
    switch (id) {
        case kCmdExit:
            PostQuitMessage(0);
            return 1;
        case kCmdCascade:
            if (mdiClient) mdiClient->cascadeSubWindows();
            return 1;
        case kCmdTile:
            TileModelWindows();
            return 1;
        case kCmdArrangeIcons:
            ArrangeIcons();
            return 1;
        case kCmdLoadFile:
            // Chosen, checked and read before the current windows go: a
            // cancel, a refusal or an unreadable file leaves them as they are.
            if (ImportVolumeFile(renderWindow ? renderWindow : frame)) ShowLoadedVolume(frame);
            return 1;
        case kCmdOpenVolume:
            RunOpenVolume(frame);
            return 1;
        case kCmdSaveImage:
            SaveImage(frame);
            return 1;
        case kCmdCopyImage:
            CopyImage(frame);
            return 1;
        case kCmdSaveMovie:
            SaveMovie(frame);
            return 1;
        case kCmdSaveView:
            SaveView(frame);
            return 1;
        case kCmdOpenView:
            OpenView(frame);
            return 1;
        case kCmdShowViewPanel:
            TogglePanel(viewPanel, viewPanelShown);
            return 1;
        case kCmdShowMapPanel:
            TogglePanel(mapPanel, mapPanelShown);
            return 1;
        case kCmdThresholdPanel:
            TogglePanel(slideBar, slideBarShown);
            return 1;
        case kCmdResetDisplayWindow:
            SetDisplayWindow(DisplayWindow{});
            return 1;
        case kCmdSliceViews:
            ShowSliceViews();
            return 1;
        case kCmdSnapPlaneToCursor:
            grabTarget = 1;
            SnapPlaneToSliceCursor();
            return 1;
        case kCmdTransferFunction:
            ShowTransferFunctionWindow();
            return 1;
        case kCmdCropPanel:
            ShowCropPanel(frame);
            return 1;
        case kCmdCutAtViewPlane:
            CutAtViewPlane();
            return 1;
        case kCmdRemoveCut:
            RemoveCut();
            return 1;
        // Known commands with no action of their own in the menu (the Map
        // panel's buttons of the same ids do act there).
        case kCmdGrabWorld:
        case kCmdGrabViewPlane:
        case kCmdRender:
            return 1;
        case kCmdAbout:
            RunAboutBox(frame);
            return 1;
        case kCmdHelpContents:
            OpenHelp(frame, QStringLiteral("CONTENTS"));
            return 1;
        case kCmdLiveUpdate:
            liveUpdate = Toggled(liveUpdate);
            ShowParameterMarks();
            return 1;
        default:
            return 0;
    }
}

}  // namespace calyra::ui
