// The "Volume File Import" dialog (template "FileLoad") and its placement,
// apart from the chooser, so tests can build and drive it without running
// it modally.
#pragma once

#include <QPoint>
#include <QRect>
#include <QSize>

#include "resources/command_ids.h"

class QWidget;

namespace calyra::ui {

class TemplateDialog;
struct DialogEvent;
struct ImportFieldTexts;

// Centres a dialog of size dialog over owner (screen coordinates), then
// keeps it on a screen of size screen: x below 0 becomes 0, else a right
// edge past the screen moves it left; y likewise.
QPoint CenteredDialogPosition(const QSize& dialog, const QRect& owner, const QSize& screen);
// Moves dialog there; nothing when either is null.
void CenterDialog(QWidget* dialog, QWidget* owner);

bool ImportDialogProc(TemplateDialog& dialog, const DialogEvent& event);

// The dialog, initialised (centred, fields from the start values and the
// side file of volumePath), not shown. The caller owns it.
TemplateDialog* CreateImportDialog(QWidget* owner);

// The fields of an import dialog as they stand.
ImportFieldTexts ImportDialogTexts(QWidget* dialog);

// What OK does with these field texts: loads the volume and answers true
// when the parameters are accepted and the data file could be read, else
// shows the refusal (owned by dialog) or the read failure and answers false,
// the current volume unchanged. The dialog, if any, is ended first on
// acceptance and after the refusal.
bool ImportFromFields(const ImportFieldTexts& texts, TemplateDialog* dialog);

}  // namespace calyra::ui
