#include "ui/panels.h"

#include <QDialog>

#include "ui/dialog_builder.h"
#include "ui/map_panel.h"
#include "ui/platform.h"
#include "ui/slide_bar.h"
#include "ui/view_panel.h"

namespace calyra::ui {
namespace {

// The handle goes back to null when the frame takes its panel down with it.
void ForgetOnDestruction(QDialog* panel, QDialog** handle) {
    QObject::connect(panel, &QObject::destroyed, [handle, panel] {
        if (*handle == panel) *handle = nullptr;
    });
}

}  // namespace

void CreatePanels(QWidget* frame) {
    viewPanel = CreateViewPanel(frame);
    ForgetOnDestruction(viewPanel, &viewPanel);
    SendRefreshMessage(viewPanel);

    mapPanel = CreateMapPanel(frame);
    ForgetOnDestruction(mapPanel, &mapPanel);
    SendRefreshMessage(mapPanel);

    slideBar = CreateSlideBar(frame);
    ForgetOnDestruction(slideBar, &slideBar);
    SendRefreshMessage(slideBar);

    viewPanelShown = 1;
    mapPanelShown = 1;
    slideBarShown = 0;
    slideBar->hide();
}

}  // namespace calyra::ui
