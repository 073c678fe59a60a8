#include "ui/image_commands.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QImage>

#include "picture/picture_file.h"
#include "ui/file_chooser.h"
#include "ui/platform.h"
#include "ui/render_window.h"
#include "ui/shown_view.h"

namespace calyra::ui {
namespace {

constexpr const char* kCopyImageCaption = "Copy Image";

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

void SaveImage(QWidget* frame) {
    const char* caption = FileUseCaption(FileUse::SavePicture);
    const QImage image = CurrentPicture(frame, caption);
    if (image.isNull()) return;
    // A picture found later still knows how to make it again: the view is
    // taken with the pixels, before the chooser's event loop can show a
    // later frame (a live render landing, a volume finishing its load).
    const QString view = ShownViewText();
    const QString path = ChooseFileFor(frame, FileUse::SavePicture);
    if (path.isEmpty()) return;
    QImage withView = image;
    withView.setText(QString::fromLatin1(picture::kViewTextKey), view);
    const QString failure = picture::SavePicture(withView, path);
    if (!failure.isEmpty()) {
        ShowMessage(frame, failure, QString::fromLatin1(caption), Icon::Warning);
    }
}

void CopyImage(QWidget* frame) {
    const QImage image = CurrentPicture(frame, kCopyImageCaption);
    if (image.isNull()) return;
    if (QClipboard* clipboard = QGuiApplication::clipboard()) clipboard->setImage(image);
}

}  // namespace calyra::ui
