#include "ui/commands.h"

#include <QDialog>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QString>

#include "geometry/orientation.h"
#include "render/settings.h"
#include "ui/about_help.h"
#include "ui/frame_window.h"
#include "ui/geometry_window.h"
#include "ui/image_commands.h"
#include "ui/import_dialog.h"
#include "ui/view_commands.h"
#include "ui/platform.h"
#include "ui/render_window.h"
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

void SelectRenderType(int id) {
    CheckMenuItem(kCmdSurface + renderType, false);
    renderType = id - kCmdSurface;
    CheckMenuItem(id, true);
    CheckRadioButton(viewPanel, kCmdSurface, kCmdSlice, id);
    renderPending = true;
    InvalidateWindow(renderWindow, true);
}

namespace {

void ChooseModel(QWidget* frame, std::int32_t model) {
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

}  // namespace

int DispatchCommand(QWidget* frame, int command, int /*detail*/) {
    const int id = command & 0xFFFF;
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
        case 701:
        case 702:
        case 703:
        case 704:
        case 705:
        case 706:
            grabTarget = 0;
            SnapWorld(id - kCmdSnapWorldFront);
            return 1;
        case 707:
        case 708:
        case 709:
        case 710:
        case 711:
        case 712:
            grabTarget = 1;
            SnapViewPlane(id - kCmdSnapPlaneFront);
            return 1;
        case kCmdSurface:
        case kCmdTransparent:
        case kCmdSlice:
            SelectRenderType(id);
            return 1;
        case kCmdBallModel:
            ChooseModel(frame, 0);
            return 1;
        case kCmdHeadModel:
            ChooseModel(frame, 2);
            return 1;
        case kCmdHyperboloid:
            ChooseModel(frame, 6);
            return 1;
        case kCmdCone:
            ChooseModel(frame, 7);
            return 1;
        case kCmdMonkey:
            ChooseModel(frame, 8);
            return 1;
        case kCmdCombined:
            ChooseModel(frame, 9);
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
            stereo = Toggled(stereo);
            ShowParameterMarks();
            renderPending = true;
            InvalidateWindow(renderWindow, true);
            return 1;
        case kCmdInterpolate:
            interpolate = Toggled(interpolate);
            ShowParameterMarks();
            renderPending = true;
            InvalidateWindow(renderWindow, true);
            return 1;
        case kCmdGradientShading:
            gradientShading = Toggled(gradientShading);
            ShowParameterMarks();
            // Only a Surface image depends on it; the others repaint the stored image.
            if (renderType == Surface) renderPending = true;
            InvalidateWindow(renderWindow, true);
            return 1;
        default:
            return 0;
    }
}

void ShowLoadedVolume(QWidget* frame, std::int32_t model) {
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
}

void StepRenderType(bool updateViewPanel) {
    CheckMenuItem(kCmdSurface + renderType, false);
    renderType = (renderType + 1) % 3;
    CheckMenuItem(kCmdSurface + renderType, true);
    if (updateViewPanel)
        CheckRadioButton(viewPanel, kCmdSurface, kCmdSlice, kCmdSurface + renderType);
    renderPending = true;
    InvalidateWindow(renderWindow, true);
}

}  // namespace calyra::ui
