#include "picture/picture_file.h"

#include <QBuffer>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QImageWriter>
#include <string>
#include <string_view>

#include "base/file_writer.h"

namespace calyra::picture {
namespace {

constexpr int kJpegQuality = 95;

}  // namespace

QString PictureFileName(const QString& path) {
    return QFileInfo(path).suffix().isEmpty() && !path.isEmpty() && !path.endsWith(QLatin1Char('/'))
               ? path + QStringLiteral(".png")
               : path;
}

QByteArray PictureFormat(const QString& path) {
    const QString suffix = QFileInfo(PictureFileName(path)).suffix().toLower();
    if (suffix == QLatin1String("png")) return "png";
    if (suffix == QLatin1String("jpg") || suffix == QLatin1String("jpeg")) return "jpeg";
    if (suffix == QLatin1String("tif") || suffix == QLatin1String("tiff")) return "tiff";
    if (suffix == QLatin1String("bmp")) return "bmp";
    return {};
}

QString CheckPictureFormat(const QString& path) {
    const QString name = PictureFileName(path);
    const QByteArray format = PictureFormat(name);
    if (format.isEmpty()) {
        return QStringLiteral(
                   "Cannot save a picture as \"%1\": the extension names no picture "
                   "format. Use %2.")
            .arg(QFileInfo(name).fileName(), QLatin1String(kPictureExtensions));
    }
    if (!QImageWriter::supportedImageFormats().contains(format)) {
        // TIFF comes with Qt's extra image format plugins.
        return QStringLiteral(
                   "Cannot save %1 pictures: this installation of Qt has no %1 "
                   "writer (install qt6-image-formats-plugins).")
            .arg(QString::fromLatin1(format).toUpper());
    }
    return {};
}

QString ViewTextOf(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return {};
    const QByteArray head = file.peek(16);
    if (head.startsWith(kViewTextKey) || head.startsWith("#")) {
        // A view file is a few hundred bytes; anything far larger is not one.
        return QString::fromUtf8(file.read(1 << 20));
    }
    file.close();
    // QImageReader::text() folds line breaks into blanks; the decoded image keeps them.
    const QImage image(path);
    return image.isNull() ? QString() : image.text(QString::fromLatin1(kViewTextKey));
}

QString EncodePicture(const QImage& image, const QString& name, QByteArray& bytes) {
    if (QString reason = CheckPictureFormat(name); !reason.isEmpty()) return reason;
    if (image.isNull()) return QStringLiteral("There is no image to save.");
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, PictureFormat(name));
    if (writer.format() == "jpeg") writer.setQuality(kJpegQuality);
    if (!writer.write(image)) {
        return QStringLiteral("Cannot write %1: %2").arg(name, writer.errorString());
    }
    return {};
}

QString SavePicture(const QImage& image, const QString& path) {
    const QString name = PictureFileName(path);
    // Encoded in memory, then written by the one writer: the file appears
    // whole or not at all, and an existing one stays until then.
    QByteArray bytes;
    if (QString reason = EncodePicture(image, name, bytes); !reason.isEmpty()) return reason;
    const std::string failure = WriteFileAtomically(
        name.toStdString(),
        std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())));
    return QString::fromStdString(failure);
}

}  // namespace calyra::picture
