// The command dispatcher: one function over every menu and accelerator id.
#pragma once

#include <cstdint>

class QWidget;

namespace calyra::ui {

// Carries out command id; returns 1 when the id is known, else 0.
int DispatchCommand(QWidget* frame, int id, int detail = 0);

// Destroys the model windows when a volume was built, creates them again and tiles.
void RecreateModelWindows(QWidget* frame);
// The same for a volume already loaded into the store (an import, an opened
// file): model is what modelType becomes; the render window builds nothing.
void ShowLoadedVolume(QWidget* frame, std::int32_t model);
// modelType of a volume brought in through "&Load File...".
inline constexpr std::int32_t kLoadedFileModel = 3;
// Creates the geometry window, then the render window, as MDI children.
void CreateModelWindows(QWidget* frame);

// The T key: moves the check mark from 713 + renderType to the next type,
// sets the View panel's radio group too when asked, and requests a render.
void StepRenderType(bool updateViewPanel);
// A Rendering Type command (713..715): moves the menu's check mark and the
// View panel's button there and requests a render.
void SelectRenderType(int id);

// The Parameters menu's check marks follow stereo, interpolate and gradientShading.
void ShowParameterMarks();

// Command ids of the menu, the accelerators and the panels.
enum CommandId : int {
    kCmdExit = 105,
    kCmdCascade = 200,
    kCmdTile = 201,
    kCmdArrangeIcons = 202,
    kCmdSnapWorldFront = 701,  // 701..706: World to Front, Back, Top, Bottom, Left, Right
    kCmdSnapPlaneFront = 707,  // 707..712: ViewPlane to the same faces
    kCmdSurface = 713,
    kCmdTransparent = 714,
    kCmdSlice = 715,
    kCmdBallModel = 716,
    kCmdHeadModel = 718,
    kCmdShowViewPanel = 722,
    kCmdShowMapPanel = 723,
    kCmdGrabWorld = 724,
    kCmdGrabViewPlane = 725,
    kCmdThresholdPanel = 739,
    kCmdRender = 741,
    kCmdLoadFile = 745,
    kCmdOpenVolume = 746,
    kCmdSaveImage = 747,
    kCmdCopyImage = 748,
    kCmdSaveView = 760,
    kCmdOpenView = 761,
    kCmdHyperboloid = 750,
    kCmdCone = 755,
    kCmdMonkey = 780,
    kCmdCombined = 785,
    kCmdAbout = 900,
    kCmdHelpContents = 905,
    kCmdStereo = 9010,
    kCmdInterpolate = 9011,
    kCmdGradientShading = 9012,
};

}  // namespace calyra::ui
