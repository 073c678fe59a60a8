#include "ui/volume_opener.h"

#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QPushButton>
#include <filesystem>

#include "formats/open_volume.h"
#include "ui/commands.h"
#include "ui/frame_window.h"
#include "ui/import_dialog.h"
#include "ui/live_view.h"
#include "ui/platform.h"
#include "ui/render_window.h"
#include "ui/view_commands.h"
#include "volume/raw_reader.h"
#include "volume/volume_store.h"

namespace calyra::ui {
namespace {

VolumePathChooser& PathChooser() {
    static VolumePathChooser chooser = nullptr;
    return chooser;
}

// The frame's caption names the file shown (the render window's own caption
// tells the progress of each render).
void NameOpenFile(QWidget* frame, const QString& path) {
    if (!frame) return;
    frame->window()->setWindowTitle(QString::fromLatin1(kFrameTitle) + QStringLiteral(" - ") +
                                    QFileInfo(path).fileName());
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
    // The store is replaced: a live render of it stops first.
    StopLiveRender();
    if (path.isEmpty()) return false;
    const std::string name = path.toStdString();
    if (formats::IsVolumeFile(name)) {
        if (!formats::OpenVolume(name, formats::OpenOptions{})) return false;
        volumePath = name;
        ShowLoadedVolume(frame, kLoadedFileModel);
        NameOpenFile(frame, path);
        // Saved views and pictures name the file it came from.
        ViewVolume& shown = ShownVolume();
        shown = {};
        shown.kind = ViewVolume::Kind::Open;
        std::error_code ec;
        shown.path = std::filesystem::absolute(name, ec).string();
        shown.fileBytes = ViewDataFileBytes(name);
        return true;
    }
    // Raw data: the import dialog asks for the shape, as Load File does.
    if (!ImportVolumeFromPath(renderWindow ? renderWindow : frame, name)) return false;
    ShowLoadedVolume(frame, kLoadedFileModel);
    NameOpenFile(frame, path);
    ShownVolume() = LastImportedVolume();
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
