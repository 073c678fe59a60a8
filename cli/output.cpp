#include "cli/output.h"

#include <QImage>
#include <algorithm>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "base/file_writer.h"
#include "picture/cells.h"
#include "picture/picture_file.h"
#include "render/buffers.h"
#include "render/display_map.h"
#include "render/session.h"
#include "render/slice_panes.h"
#include "volume/volume_store.h"

namespace calyra::cli {
namespace {

void AppendNumber(std::string& line, long long value) {
    char text[24];
    const int n = std::snprintf(text, sizeof text, "%lld", value);
    line.append(text, static_cast<std::size_t>(n));
}

// One line per row y: value(x, y) for each column x, separated by spaces.
template <typename Value>
void WriteGrid(AtomicFile& f, int width, int height, Value value) {
    std::string line;
    for (int y = 0; y < height; ++y) {
        line.clear();
        for (int x = 0; x < width; ++x) {
            if (x) line += ' ';
            AppendNumber(line, value(x, y));
        }
        line += '\n';
        if (!f.Write(line)) return;
    }
}

}  // namespace

std::string WriteDump(const Session& session, const std::string& path, int width, int height) {
    AtomicFile f(path);
    const VolumeStore& v = session.volume();
    const RenderBuffers& b = session.buffers;
    char header[200];
    std::snprintf(header, sizeof header,
                  "calyra-dump %d\nvolume %d %d %d %d %u %d\nimage %d %d %d\n", b.rgb ? 2 : 1,
                  v.dims.x, v.dims.y, v.dims.z, v.size, v.maxValue, v.mirrorZ, width, height,
                  b.displayMax);
    f.Write(header);
    // The image block holds the first component (red in a colour image).
    WriteGrid(f, width, height, [&b](int x, int y) { return b.ImageAt(x, y); });
    const std::string shape = " " + std::to_string(width) + " " + std::to_string(height) + "\n";
    f.Write("depth" + shape);
    WriteGrid(f, width, height, [&b](int x, int y) { return b.DepthAt(x, y); });
    if (b.rgb) {
        f.Write("green" + shape);
        WriteGrid(f, width, height, [&b](int x, int y) { return b.PixelAt(x, y)[1]; });
        f.Write("blue" + shape);
        WriteGrid(f, width, height, [&b](int x, int y) { return b.PixelAt(x, y)[2]; });
    }
    if (f.ok()) f.Commit();
    return f.Error();
}

QImage PictureOf(const Session& session, int side, int size, const std::string& viewText) {
    QImage image;
    const RenderBuffers& b = session.buffers;
    if (size > 0) {
        image = picture::MonoPicture(b, session.settings, size, side);
    } else {
        // One pixel per cell; an empty image area still makes a valid picture.
        image = picture::MonoPicture(b, session.settings, side > 0 ? side : 1, side);
        // A grey map keeps the grey picture format.
        const ColourMap map = session.settings.colourMap;
        if (!b.rgb && (map == ColourMap::Grey || map == ColourMap::Inverted)) {
            image = image.convertToFormat(QImage::Format_Grayscale8);
        }
    }
    if (!image.isNull()) {
        image.setText(QString::fromLatin1(picture::kViewTextKey), QString::fromStdString(viewText));
    }
    return image;
}

std::string WritePicture(const Session& session, const std::string& path, int side, int size,
                         const std::string& viewText) {
    const QImage image = PictureOf(session, side, size, viewText);
    if (image.isNull())
        return "not enough memory for a picture of " + std::to_string(size) + " pixels a side";
    return picture::SavePicture(image, QString::fromStdString(path)).toStdString();
}

std::string WriteSlicePicture(const Session& session, const std::string& path, Int3 cursor) {
    const SliceStrip strip = MakeSliceStrip(session.volume(), session.settings, cursor);
    QImage image(std::max(strip.width, 1), std::max(strip.height, 1), QImage::Format_RGB888);
    if (image.isNull()) return "not enough memory for the slice picture";
    image.fill(Qt::black);
    const std::size_t rowBytes = 3 * static_cast<std::size_t>(strip.width);
    for (std::int32_t y = 0; y < strip.height; ++y) {
        std::copy_n(strip.rgb.data() + static_cast<std::size_t>(y) * rowBytes, rowBytes,
                    image.scanLine(y));
    }
    return picture::SavePicture(image, QString::fromStdString(path)).toStdString();
}

std::string WriteVolume(const Session& session, const std::string& path) {
    AtomicFile f(path);
    const VolumeStore& v = session.volume();
    const std::size_t zCount = static_cast<std::size_t>(v.dims.z) + 1;
    std::vector<std::uint8_t> row(zCount, 0);
    for (std::int32_t x = 0; x <= v.dims.x; ++x) {
        for (std::int32_t y = 0; y <= v.dims.y; ++y) {
            // Published dims never pass the allocation; a store that is not there reads 0.
            const bool present =
                v.voxels && x <= v.allocated.x && y <= v.allocated.y && v.dims.z <= v.allocated.z;
            if (present) {
                std::copy(v.voxels[x][y], v.voxels[x][y] + zCount, row.begin());
            } else {
                std::fill(row.begin(), row.end(), 0);
            }
            if (!f.Write(std::string_view(reinterpret_cast<const char*>(row.data()), zCount))) {
                return f.Error();
            }
        }
    }
    if (f.ok()) f.Commit();
    return f.Error();
}

std::string WriteFine(const Session& session, const std::string& path) {
    AtomicFile f(path);
    const VolumeStore& v = session.volume();
    char line[160];
    std::snprintf(line, sizeof line, "calyra-fine 1\nvolume %d %d %d\nrange %.17g %.17g", v.dims.x,
                  v.dims.y, v.dims.z, v.mapping.lo, v.mapping.hi);
    std::string head = line;
    if (!v.mapping.unit.empty()) head += " " + v.mapping.unit;
    f.Write(head + "\n");
    // Published dims never pass the allocation; a store without fine values reads 0.
    const bool present = v.fine && v.dims.x <= v.allocated.x && v.dims.y <= v.allocated.y &&
                         v.dims.z <= v.allocated.z;
    std::string text;
    for (std::int32_t x = 1; x <= v.dims.x && f.ok(); ++x) {
        for (std::int32_t y = 1; y <= v.dims.y; ++y) {
            text.clear();
            const std::uint16_t* row = present ? v.FineRow(x, y) : nullptr;
            for (std::int32_t z = 1; z <= v.dims.z; ++z) {
                if (z > 1) text += ' ';
                AppendNumber(text, row ? row[z] : 0);
            }
            text += '\n';
            if (!f.Write(text)) return f.Error();
        }
    }
    if (f.ok()) f.Commit();
    return f.Error();
}

}  // namespace calyra::cli
