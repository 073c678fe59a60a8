#include "ui/import_dialog.h"

#include <QMdiSubWindow>
#include <QScreen>
#include <memory>

#include "formats/volume_loading.h"
#include "ui/dialog_builder.h"
#include "ui/document.h"
#include "ui/file_chooser.h"
#include "ui/import_dialog_box.h"
#include "ui/import_fields.h"
#include "ui/platform.h"
#include "ui/recent_menu.h"
#include "volume/raw_reader.h"

namespace calyra::ui {
namespace {

constexpr char kOpenFailed[] = "Open File Procedure FAILED!";

// An MDI child is measured with its frame, as the window it sits in. A
// window still being created (not on screen, not yet placed) is measured by
// the top-level window it will appear in.
QRect ScreenRectOf(QWidget* w) {
    if (auto* sub = qobject_cast<QMdiSubWindow*>(w->parentWidget())) w = sub;
    if (!w->isVisible() && w->window()->isVisible()) w = w->window();
    if (w->isWindow()) return w->frameGeometry();
    return QRect(w->mapToGlobal(QPoint(0, 0)), w->size());
}

void InitialiseFields(TemplateDialog& dialog) {
    ImportParams params;
    ImportOptions options;
    const std::string& volumePath = ProgramSession().volumePath;
    ImportStartValues(volumePath, params, options);
    const int type = ReadInfFile(volumePath, params, options);
    params.aspectX = params.aspectY = params.aspectZ = 1.0f;

    SetDialogItemInt(&dialog, kCtlImportDimX, params.dimX);
    SetDialogItemInt(&dialog, kCtlImportDimY, params.dimY);
    SetDialogItemInt(&dialog, kCtlImportDimZ, params.dimZ);
    // Written as integers: the fields read "1".
    SetDialogItemInt(&dialog, kCtlImportAspectX, static_cast<int>(params.aspectX));
    SetDialogItemInt(&dialog, kCtlImportAspectY, static_cast<int>(params.aspectY));
    SetDialogItemInt(&dialog, kCtlImportAspectZ, static_cast<int>(params.aspectZ));
    CheckDialogButton(&dialog, type != 0 ? kCtlImportBinary : kCtlImportAscii, true);
    SetDialogItemInt(&dialog, kCtlImportBytes, options.bytesPerVoxel);
    CheckDialogButton(&dialog, kCtlImportReverse, options.reverseBytes != 0);
    SetDialogItemInt(&dialog, kCtlImportHeaderBytes, options.headerBytes);
}

}  // namespace

QPoint CenteredDialogPosition(const QSize& dialog, const QRect& owner, const QSize& screen) {
    int x = owner.left() + (owner.width() - dialog.width()) / 2;
    int y = owner.top() + (owner.height() - dialog.height()) / 2;
    if (x < 0) {
        x = 0;
    } else if (x + dialog.width() > screen.width()) {
        x = screen.width() - dialog.width();
    }
    if (y < 0) {
        y = 0;
    } else if (y + dialog.height() > screen.height()) {
        y = screen.height() - dialog.height();
    }
    return QPoint(x, y);
}

void CenterDialog(QWidget* dialog, QWidget* owner) {
    if (!dialog || !owner) return;
    QScreen* screen = dialog->screen();
    if (!screen) return;
    dialog->move(CenteredDialogPosition(dialog->frameGeometry().size(), ScreenRectOf(owner),
                                        screen->geometry().size()));
}

bool ImportDialogProc(TemplateDialog& dialog, const DialogEvent& event) {
    switch (event.message) {
        case DialogMessage::Init:
            CenterDialog(&dialog, dialog.owner());
            InitialiseFields(dialog);
            return true;
        case DialogMessage::Command:
            if (event.id == kOkId) {
                ImportFromFields(ImportDialogTexts(&dialog), &dialog);
                return true;
            }
            if (event.id == kCancelId) {
                dialog.EndDialog(kCancelId);
                return true;
            }
            return false;  // Preview Slice, HELP!, the list and the buttons start nothing
        default:
            return false;
    }
}

TemplateDialog* CreateImportDialog(QWidget* owner) {
    return new TemplateDialog(resources::kFileLoadTemplate, owner, ImportDialogProc,
                              DialogMode::Modal);
}

ImportFieldTexts ImportDialogTexts(QWidget* dialog) {
    ImportFieldTexts t;
    t.dimX = DialogItemText(dialog, kCtlImportDimX);
    t.dimY = DialogItemText(dialog, kCtlImportDimY);
    t.dimZ = DialogItemText(dialog, kCtlImportDimZ);
    t.aspectX = DialogItemText(dialog, kCtlImportAspectX);
    t.aspectY = DialogItemText(dialog, kCtlImportAspectY);
    t.aspectZ = DialogItemText(dialog, kCtlImportAspectZ);
    t.bytesPerVoxel = DialogItemText(dialog, kCtlImportBytes);
    t.headerBytes = DialogItemText(dialog, kCtlImportHeaderBytes);
    t.ascii = IsDialogButtonChecked(dialog, kCtlImportAscii);
    t.reverse = IsDialogButtonChecked(dialog, kCtlImportReverse);
    return t;
}

bool ImportFromFields(const ImportFieldTexts& texts, TemplateDialog* dialog) {
    const ImportFields f = ReadImportFields(texts);
    const std::string refusal = ImportRefusalReason(f.params, f.options, f.format);
    if (refusal.empty()) {
        if (dialog) dialog->EndDialog(kOkId);
        Session& session = ProgramSession();
        const bool loaded =
            formats::ImportRawVolume(session, session.volumePath, f.format, f.params, f.options);
        // The modal run answers OK only for a volume that is there.
        if (!loaded && dialog) dialog->setResult(kCancelId);
        return loaded;
    }
    ShowMessage(dialog, QString::fromStdString(RefusalMessage(refusal)), QString(), Icon::Warning);
    if (dialog) dialog->EndDialog(kCancelId);
    return false;
}

bool ImportVolumeFromPath(QWidget* owner, const std::string& path) {
    ProgramSession().volumePath = path;
    const std::unique_ptr<TemplateDialog> dialog(CreateImportDialog(owner));
    if (dialog->exec() != kOkId) return false;
    RememberImport(ProgramSession().shownVolume);
    return true;
}

bool ImportVolumeFile(QWidget* owner) {
    if (CurrentVolumeFileChooser()(owner) != 1) {
        ShowMessage(owner, QString::fromLatin1(kOpenFailed), QString(), Icon::Warning);
        return false;
    }
    return ImportVolumeFromPath(owner, ProgramSession().volumePath);
}

}  // namespace calyra::ui
