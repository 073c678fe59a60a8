// The commands that change a rendering setting, whichever window or panel
// gives them: each keeps the menu's check marks and the View panel in step
// and asks for the render or redraw the change needs.
#pragma once

#include <optional>

#include "render/display_map.h"
#include "render/render_type.h"
#include "render/setting_table.h"

namespace calyra::ui {

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

// A Parameters switch (stereo, interpolation, gradient shading): toggles,
// shows its check mark and asks for the render it changes.
void ToggleSetting(Setting setting);

// The Parameters menu's check marks follow the toggled settings and Live Update.
void ShowParameterMarks();

}  // namespace calyra::ui
