#include "resources/command_ids.h"
#include "ui/dialog_builder.h"
#include "ui/document.h"
#include "ui/panels.h"
#include "ui/platform.h"
#include "ui/setting_commands.h"

namespace calyra::ui {
namespace {

int CheckedButton() {
    return RenderTypeCommand(ProgramSession().settings.renderType);
}

bool OnCommand(int id) {
    const std::optional<RenderType> type = RenderTypeOfCommand(id);
    if (!type) return false;
    // The radio button has checked itself; the menu follows.
    SelectRenderType(*type, ViewPanelButtons::Keep);
    return true;
}

}  // namespace

const RadioPanel kViewPanel{viewPanelShown, kCtlViewPanelFirst, kCtlViewPanelLast,
                            CheckedButton,  OnCommand,          nullptr};

}  // namespace calyra::ui
