#include "ui/image_commands.h"

#include <QClipboard>
#include <QDir>
#include <QFileDialog>
#include <QGuiApplication>
#include <QImage>

#include "picture/picture_file.h"
#include "ui/platform.h"
#include "ui/render_window.h"

namespace calyra::ui {
namespace {

PictureFileChooser& Chooser() {
    static PictureFileChooser chooser;
    return chooser;
}

// The picture of the render window, or a message when there is none.
QImage CurrentPicture(QWidget* frame, const char* caption) {
    auto* window = dynamic_cast<RenderWindow*>(renderWindow);
    QImage image = window ? window->picture() : QImage();
    if (image.isNull()) {
        ShowMessage(frame, QString::fromLatin1(kNoImageText), QString::fromLatin1(caption),
                    Icon::Information);
    }
    return image;
}

}  // namespace

QString ChoosePictureFile(QWidget* owner) {
    if (Chooser()) return Chooser()(owner);
    QFileDialog dialog(owner, QString::fromLatin1(kSaveImageCaption));
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setNameFilter(QString::fromLatin1(picture::kPictureFilter));
    // The name's extension decides the format; a bare name becomes PNG.
    dialog.setDefaultSuffix(QString());
    dialog.selectFile(QDir::current().filePath(QStringLiteral("calyra.png")));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
    return dialog.selectedFiles().front();
}

void SetPictureFileChooser(PictureFileChooser chooser) {
    Chooser() = std::move(chooser);
}

void SaveImage(QWidget* frame) {
    const QImage image = CurrentPicture(frame, kSaveImageCaption);
    if (image.isNull()) return;
    const QString path = ChoosePictureFile(frame);
    if (path.isEmpty()) return;
    const QString failure = picture::SavePicture(image, path);
    if (!failure.isEmpty()) {
        ShowMessage(frame, failure, QString::fromLatin1(kSaveImageCaption), Icon::Warning);
    }
}

void CopyImage(QWidget* frame) {
    const QImage image = CurrentPicture(frame, kCopyImageCaption);
    if (image.isNull()) return;
    if (QClipboard* clipboard = QGuiApplication::clipboard()) clipboard->setImage(image);
}

}  // namespace calyra::ui
