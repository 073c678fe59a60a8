#include "ui/tf_commands.h"

#include <QMainWindow>
#include <QStatusBar>
#include <QStringList>
#include <optional>
#include <string>
#include <vector>

#include "base/file_writer.h"
#include "render/transfer_function_presets.h"
#include "scene/transfer_function_file.h"
#include "ui/document.h"
#include "ui/file_chooser.h"
#include "ui/platform.h"

namespace calyra::ui {
namespace {

// The shifting drag moves the points by this part of the range a pixel.
constexpr double kShiftPixelsPerRange = 512.0;
// How long a file's notes stay in the status bar (ms).
constexpr int kNoteMilliseconds = 15000;

bool CompositeShown() {
    return ProgramSession().settings.renderType == RenderType::Composite;
}

void ShowNotes(const std::vector<std::string>& notes) {
    auto* frame = qobject_cast<QMainWindow*>(frameWindow);
    if (!frame || notes.empty()) return;
    QStringList lines;
    for (const std::string& note : notes) lines << QString::fromStdString(note);
    frame->statusBar()->showMessage(lines.join(QStringLiteral("; ")), kNoteMilliseconds);
}

}  // namespace

TfSignals& TransferFunctionChanges() {
    static TfSignals broadcaster;
    return broadcaster;
}

void AnnounceTransferFunctionChanged() {
    emit TransferFunctionChanges().changed();
}

void SetTransferFunction(const TransferFunction& tf, LiveView::Motion motion) {
    TransferFunction& inUse = ProgramSession().settings.transferFunction;
    const bool changed = !(tf == inUse);
    inUse = tf;
    if (changed) AnnounceTransferFunctionChanged();
    if (CompositeShown() && (changed || motion == LiveView::Motion::Stopped)) {
        RenderAfterChange(motion);
    }
}

bool ChooseTfPreset(std::string_view name) {
    const ValueMapping& m = ProgramSession().volume().mapping;
    const std::optional<TransferFunction> tf = PresetTransferFunction(name, m.lo, m.hi);
    if (!tf) return false;
    SetTransferFunction(*tf, LiveView::Motion::Stopped);
    return true;
}

double TfShiftPerPixel() {
    const ValueMapping& m = ProgramSession().volume().mapping;
    return (m.hi - m.lo) / kShiftPixelsPerRange;
}

bool LoadTransferFunction(QWidget* owner, const QString& path) {
    const ValueMapping& m = ProgramSession().volume().mapping;
    std::vector<std::string> notes;
    std::string error;
    const std::optional<TransferFunction> tf =
        ReadTransferFunctionFile(path.toStdString(), m.lo, m.hi, notes, error);
    if (!tf) {
        ShowMessage(owner, QString::fromStdString(error),
                    QString::fromLatin1(FileUseCaption(FileUse::LoadTransferFunction)),
                    Icon::Warning);
        return false;
    }
    ShowNotes(notes);
    SetTransferFunction(*tf, LiveView::Motion::Stopped);
    return true;
}

bool SaveTransferFunction(QWidget* owner, const QString& path) {
    const std::string failure = WriteFileAtomically(
        path.toStdString(), TransferFunctionText(ProgramSession().settings.transferFunction));
    if (failure.empty()) return true;
    ShowMessage(owner, QString::fromStdString(failure),
                QString::fromLatin1(FileUseCaption(FileUse::SaveTransferFunction)), Icon::Warning);
    return false;
}

bool LoadTransferFunctionFile(QWidget* owner) {
    const QString path = ChooseFileFor(owner, FileUse::LoadTransferFunction);
    return !path.isEmpty() && LoadTransferFunction(owner, path);
}

bool SaveTransferFunctionFile(QWidget* owner) {
    const QString path = ChooseFileFor(owner, FileUse::SaveTransferFunction);
    return !path.isEmpty() && SaveTransferFunction(owner, path);
}

}  // namespace calyra::ui
