// The controls of a dialog template as Qt widgets, dialog units, and access
// to the controls by their template ids.
#pragma once

#include <QFont>
#include <QRect>
#include <QString>

#include "resources/dialog_templates.h"

class QWidget;

namespace calyra::ui {

using resources::ControlKind;
using resources::ControlTemplate;
using resources::DialogTemplate;
using resources::kNoControlId;

// Average character width and character height of a font, in pixels: one
// horizontal dialog unit is a quarter of the width, one vertical an eighth
// of the height.
struct DialogBaseUnits {
    int width = 0;
    int height = 0;
};
DialogBaseUnits BaseUnitsOf(const QFont& font);
QRect DialogUnitsToPixels(const QRect& units, DialogBaseUnits base);

// The widget for control c, a child of dialog, not yet placed; a scroll
// bar's keys follow the classic scroll bar control.
QWidget* MakeControlWidget(const ControlTemplate& c, QWidget* dialog, DialogBaseUnits base);

// Controls by template id (found with DialogItem of ui/platform.h, through the
// kControlIdProperty each control carries); every function accepts a null
// dialog or an unknown id and then does nothing (or answers empty / false).
QString DialogItemText(QWidget* dialog, int id);
void SetDialogItemText(QWidget* dialog, int id, const QString& text);
void SetDialogItemInt(QWidget* dialog, int id, int value);
bool IsDialogButtonChecked(QWidget* dialog, int id);
void CheckDialogButton(QWidget* dialog, int id, bool checked);

}  // namespace calyra::ui
