// The commands that change the transfer function, whichever window gives
// them: the Transfer Function window's edits, presets, Load and Save, and the
// render window's shifting drag. The function lives in the session; each
// change renders when Composite shows it (live while the hand moves) and is
// only kept otherwise, and the window hears of it.
#pragma once

#include <QObject>
#include <QString>
#include <string_view>

#include "render/transfer_function.h"
#include "ui/live_view.h"

class QWidget;

namespace calyra::ui {

// Sends changed() after every change of the transfer function in use and
// after a new volume (whose range and histogram the window shows).
class TfSignals : public QObject {
    Q_OBJECT
  signals:
    void changed();
};
TfSignals& TransferFunctionChanges();
void AnnounceTransferFunctionChanged();

// Makes tf the transfer function in use. With Composite shown it renders:
// live while a drag moves, and exactly when it stops even if nothing changed.
void SetTransferFunction(const TransferFunction& tf, LiveView::Motion motion);

// The preset called name, made for the range of the volume shown; false
// for a name no preset has.
bool ChooseTfPreset(std::string_view name);

// File units a pixel of the render window's shifting drag moves every point.
double TfShiftPerPixel();

// Reads the file at path for the volume shown and uses it. A refusal is a
// message box owned by owner naming the file and the reason, and the
// function in use stays; notes go to the frame's status bar.
bool LoadTransferFunction(QWidget* owner, const QString& path);
// Writes the function in use to path through the one writer; a failure is a
// message box owned by owner.
bool SaveTransferFunction(QWidget* owner, const QString& path);
// The same after asking for the file; false when the user cancels.
bool LoadTransferFunctionFile(QWidget* owner);
bool SaveTransferFunctionFile(QWidget* owner);

}  // namespace calyra::ui
