#include "render/user_settings.h"
#include "resources/command_ids.h"
#include "ui/commands.h"
#include "ui/dialog_builder.h"
#include "ui/panels.h"
#include "ui/platform.h"

namespace calyra::ui {
namespace {

int CheckedButton() {
    return RenderTypeCommand(renderType);
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
