// The command dispatcher: one function over every menu and accelerator id.
#pragma once

#include <cstdint>

#include "resources/command_ids.h"

class QWidget;

namespace calyra::ui {

// Carries out command id; returns 1 when the id is known, else 0.
int DispatchCommand(QWidget* frame, int id, int detail = 0);

// Destroys the model windows when a volume was built, creates them again and tiles.
void RecreateModelWindows(QWidget* frame);
// The same for a volume already loaded into the store (an import, an opened
// file): model is what modelType becomes; the render window builds nothing.
void ShowLoadedVolume(QWidget* frame, ModelType model);
// modelType of a volume brought in through "&Load File...".
inline constexpr ModelType kLoadedFileModel = ModelType::Import;
// Creates the geometry window, then the render window, as MDI children.
void CreateModelWindows(QWidget* frame);

// Makes type the rendering type: moves the menu's check mark from the item of
// renderType to the item of type, sets the View panel's radio group too when
// it follows, and requests a render.
enum class ViewPanelButtons { Follow, Keep };
void SelectRenderType(RenderType type, ViewPanelButtons viewPanelButtons);
// The T key: the next type.
void StepRenderType(ViewPanelButtons viewPanelButtons);

// Makes map the colour map (moving the menu's check mark), or window the
// display window; either redraws the shown image from its kept buffers.
void SelectColourMap(ColourMap map);
void SetDisplayWindow(DisplayWindow window);

// The Parameters menu's check marks follow stereo, interpolate and gradientShading.
void ShowParameterMarks();

}  // namespace calyra::ui
