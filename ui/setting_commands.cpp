#include "ui/setting_commands.h"

#include "resources/command_ids.h"
#include "ui/document.h"
#include "ui/live_view.h"
#include "ui/platform.h"

namespace calyra::ui {

void SelectRenderType(RenderType type, ViewPanelButtons viewPanelButtons) {
    Session& session = ProgramSession();
    CheckMenuItem(RenderTypeCommand(session.settings.renderType), false);
    session.settings.renderType = type;
    CheckMenuItem(RenderTypeCommand(type), true);
    // A projection has no button: the panel then shows none checked.
    if (viewPanelButtons == ViewPanelButtons::Follow)
        CheckRadioButton(viewPanel, kCtlViewPanelFirst, kCtlViewPanelLast, RenderTypeCommand(type));
    RequestRender(session);
}

void StepRenderType(ViewPanelButtons viewPanelButtons) {
    // From a projection the step leads back to Surface.
    SelectRenderType(NextRenderType(ProgramSession().settings.renderType), viewPanelButtons);
}

void SelectColourMap(ColourMap map) {
    UserSettings& settings = ProgramSession().settings;
    CheckMenuItem(ColourMapCommand(settings.colourMap), false);
    settings.colourMap = map;
    CheckMenuItem(ColourMapCommand(map), true);
    RedrawRenderWindowCells();
}

void SetDisplayWindow(DisplayWindow window) {
    ProgramSession().settings.displayWindow = window;
    RedrawRenderWindowCells();
}

void ToggleSetting(Setting setting) {
    Session& session = ProgramSession();
    bool UserSettings::*toggle = RowOf(setting).toggle;
    if (!toggle) return;
    session.settings.*toggle = Toggled(session.settings.*toggle);
    ShowParameterMarks();
    // Only an image shaded from its depths, or a colour one whose samples the
    // gradient lights, depends on gradient shading; the others repaint the
    // stored image.
    const RenderTypeTraits& traits = TraitsOf(session.settings.renderType);
    const bool renders = setting != Setting::GradientShading || traits.depthShading || traits.rgb;
    if (renders) {
        RequestRender(session);
    } else {
        InvalidateWindow(renderWindow);
    }
}

void ShowParameterMarks() {
    const UserSettings& settings = ProgramSession().settings;
    for (const SettingItem& item : kSettingItems) {
        CheckMenuItem(item.command, settings.*RowOf(item.setting).toggle);
    }
    CheckMenuItem(kCmdLiveUpdate, liveUpdate);
}

}  // namespace calyra::ui
