#include "ui/volume_opener.h"

#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QPushButton>

#include "formats/open_volume.h"
#include "formats/volume_loading.h"
#include "ui/document.h"
#include "ui/import_dialog.h"
#include "ui/live_view.h"
#include "ui/mdi_children.h"
#include "ui/model_windows.h"
#include "ui/platform.h"
#include "ui/recent_menu.h"

namespace calyra::ui {
namespace {

VolumePathChooser& PathChooser() {
    static VolumePathChooser chooser = nullptr;
    return chooser;
}

}  // namespace

QString VolumeFilesFilter() {
    return QStringLiteral("Volume Files (") +
           QString::fromStdString(formats::VolumeFilePatterns()) + QStringLiteral(" *.raw)");
}

QString ChooseVolumePath(QWidget* owner) {
    QFileDialog dialog(owner, QStringLiteral("Open Volume"));
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setFileMode(QFileDialog::ExistingFile);
    // DICOM files often have no extension: the second filter matches every name.
    dialog.setNameFilters({VolumeFilesFilter(), QStringLiteral("All Files (*)")});
    QString folder;
    if (auto* buttons = dialog.findChild<QDialogButtonBox*>()) {
        QPushButton* open =
            buttons->addButton(QStringLiteral("Open &Folder"), QDialogButtonBox::ActionRole);
        QObject::connect(open, &QPushButton::clicked, &dialog, [&dialog, &folder] {
            folder = dialog.directory().absolutePath();
            dialog.reject();
        });
    }
    if (dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty()) {
        return dialog.selectedFiles().front();
    }
    return folder;
}

void SetVolumePathChooser(VolumePathChooser chooser) {
    PathChooser() = chooser;
}

bool OpenVolumePath(QWidget* frame, const QString& path) {
    // The volume is replaced: the live render in flight stops, to save its work.
    StopLiveRender();
    if (path.isEmpty()) return false;
    const std::string name = path.toStdString();
    if (formats::IsVolumeFile(name)) {
        // Saved views and pictures name the file it came from.
        ViewVolume v;
        v.kind = ViewVolume::Kind::Open;
        v.path = name;
        if (!formats::OpenStandardVolume(ProgramSession(), v)) return false;
        ShowLoadedVolume(frame);
        NameOpenFile(frame, path);
        RememberOpenedVolume(path);
        return true;
    }
    // Raw data: the import dialog asks for the shape, as Load File does.
    if (!ImportVolumeFromPath(renderWindow ? renderWindow : frame, name)) return false;
    ShowLoadedVolume(frame);
    NameOpenFile(frame, path);
    return true;
}

void RunOpenVolume(QWidget* frame) {
    const VolumePathChooser chooser = PathChooser() ? PathChooser() : ChooseVolumePath;
    OpenVolumePath(frame, chooser(frame));
}

void OpenCommandLinePath(QWidget* frame, const QStringList& arguments) {
    if (arguments.size() > 1) OpenVolumePath(frame, arguments.at(1));
}

}  // namespace calyra::ui
