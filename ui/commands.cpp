#include "ui/commands.h"

#include <QDialog>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QString>

#include "base/repaint.h"
#include "geometry/orientation.h"
#include "render/user_settings.h"
#include "ui/about_help.h"
#include "ui/frame_window.h"
#include "ui/geometry_window.h"
#include "ui/image_commands.h"
#include "ui/import_dialog.h"
#include "ui/live_view.h"
#include "ui/platform.h"
#include "ui/render_window.h"
#include "ui/slice_window.h"
#include "ui/view_commands.h"
#include "ui/volume_opener.h"
#include "volume/volume_store.h"

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

}  // namespace

namespace {

void ChooseModel(QWidget* frame, ModelType model) {
    modelType = model;
    RecreateModelWindows(frame);
    ShowModelChosen(model);
}

// Destroys an MDI child (its sub-window with it) at once.
void DestroyModelWindow(QWidget* window) {
    if (!window) return;
    if (auto* sub = qobject_cast<QMdiSubWindow*>(window->parentWidget())) {
        if (mdiClient) mdiClient->removeSubWindow(sub);
        delete sub;
    } else {
        delete window;
    }
}

void TileModelWindows() {
    if (mdiClient) mdiClient->tileSubWindows();
}

// The commands that are rows of a table (a snap face, a model, a rendering
// type, a colour map); false for any other id.
bool DispatchRowCommand(QWidget* frame, int id) {
    if (IsSnapWorldCommand(id)) {
        grabTarget = 0;
        SnapWorld(SnapWorldFace(id));
        return true;
    }
    if (IsSnapPlaneCommand(id)) {
        grabTarget = 1;
        SnapViewPlane(SnapPlaneFace(id));
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
    return false;
}

// The Parameters menu's switches: each toggles, shows its check mark and asks
// for the render it changes.
void ToggleOption(int id) {
    switch (id) {
        case kCmdStereo:
            stereo = Toggled(stereo);
            ShowParameterMarks();
            RequestRender();
            return;
        case kCmdInterpolate:
            interpolate = Toggled(interpolate);
            ShowParameterMarks();
            RequestRender();
            return;
        case kCmdLiveUpdate:
            liveUpdate = Toggled(liveUpdate);
            ShowParameterMarks();
            return;
        case kCmdGradientShading:
            gradientShading = Toggled(gradientShading);
            ShowParameterMarks();
            // Only a Surface image depends on it; the others repaint the stored image.
            if (renderType == RenderType::Surface) {
                RequestRender();
            } else {
                InvalidateWindow(renderWindow);
            }
            return;
        default:
            return;
    }
}

}  // namespace

int DispatchCommand(QWidget* frame, int command, int /*detail*/) {
    const int id = command & 0xFFFF;
    // A command may replace the volume or render itself: no live render may
    // be in flight while it runs.
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
            if (ImportVolumeFile(renderWindow ? renderWindow : frame)) {
                ShowLoadedVolume(frame, kLoadedFileModel);
                ShownVolume() = LastImportedVolume();
            }
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
        case kCmdStereo:
        case kCmdInterpolate:
        case kCmdLiveUpdate:
        case kCmdGradientShading:
            ToggleOption(id);
            return 1;
        default:
            return 0;
    }
}

void ShowLoadedVolume(QWidget* frame, ModelType model) {
    modelType = model;
    volumeAlreadyLoaded = true;
    RecreateModelWindows(frame);
    // Whatever happened, the next render window builds its own volume again.
    volumeAlreadyLoaded = false;
}

void RecreateModelWindows(QWidget* frame) {
    if (loadCount > 0) {
        DestroyModelWindow(renderWindow);
        DestroyModelWindow(geometryWindow);
    }
    CreateModelWindows(frame);
    TileModelWindows();
    RefreshSliceViews();
}

void CreateModelWindows(QWidget* /*frame*/) {
    // The geometry window exists before the render window builds the volume.
    if (!mdiClient) return;
    AddModelWindow([](QWidget* parent) { return new GeometryWindow(parent); },
                   QString::fromLatin1(kGeometryWindowTitle), false);
    if (!mdiClient) return;
    AddModelWindow([](QWidget* parent) { return new RenderWindow(parent); },
                   QString::fromLatin1(kRenderWindowTitle), true);
}

void ShowParameterMarks() {
    CheckMenuItem(kCmdStereo, stereo);
    CheckMenuItem(kCmdInterpolate, interpolate);
    CheckMenuItem(kCmdGradientShading, gradientShading);
    CheckMenuItem(kCmdLiveUpdate, liveUpdate);
}

void SelectRenderType(RenderType type, ViewPanelButtons viewPanelButtons) {
    CheckMenuItem(RenderTypeCommand(renderType), false);
    renderType = type;
    CheckMenuItem(RenderTypeCommand(type), true);
    // A projection has no button: the panel then shows none checked.
    if (viewPanelButtons == ViewPanelButtons::Follow)
        CheckRadioButton(viewPanel, kCtlViewPanelFirst, kCtlViewPanelLast, RenderTypeCommand(type));
    RequestRender();
}

void SelectColourMap(ColourMap map) {
    CheckMenuItem(ColourMapCommand(colourMap), false);
    colourMap = map;
    CheckMenuItem(ColourMapCommand(map), true);
    RedrawRenderWindow();
}

void SetDisplayWindow(DisplayWindow window) {
    displayWindow = window;
    RedrawRenderWindow();
}

void StepRenderType(ViewPanelButtons viewPanelButtons) {
    // From a projection the step leads back to Surface.
    SelectRenderType(NextRenderType(renderType), viewPanelButtons);
}

}  // namespace calyra::ui
