// Writing a picture in the format its file name's extension names.
#pragma once

#include <QString>

class QImage;

namespace calyra::picture {

// The extensions a picture may be saved under, for choosers and messages.
inline constexpr const char* kPictureFilter =
    "PNG (*.png);;JPEG (*.jpg *.jpeg);;TIFF (*.tif *.tiff);;BMP (*.bmp)";
inline constexpr const char* kPictureExtensions = ".png, .jpg, .jpeg, .tif, .tiff or .bmp";

// A name without an extension gets ".png"; any other name stays as it is.
QString PictureFileName(const QString& path);

// The image writer's format for the name's extension ("png", "jpeg", "tiff",
// "bmp"), or an empty string when the extension names none of them.
QByteArray PictureFormat(const QString& path);

// Checks that the name's format is known and that this installation can write
// it. Returns an empty string when it can, else the reason, ready to show.
QString CheckPictureFormat(const QString& path);

// The key under which a picture carries the view that made it (a PNG text
// chunk; other formats where the writer keeps text).
inline constexpr const char* kViewTextKey = "calyra-view";
// The text of a view file, or the view a picture carries; an empty string
// when path is neither (or cannot be read).
QString ViewTextOf(const QString& path);

// The bytes of image in the format name's extension names (the name as
// PictureFileName leaves it). Returns the reason when the format is unknown
// or the image cannot be encoded, else an empty string.
QString EncodePicture(const QImage& image, const QString& name, QByteArray& bytes);

// Writes image to path (".png" added when the name has no extension). The
// file appears only when the whole picture was written: a failure leaves no
// file behind and returns the reason; success returns an empty string.
QString SavePicture(const QImage& image, const QString& path);

}  // namespace calyra::picture
