#include "cli/output.h"

#include <QImage>
#include <algorithm>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "picture/cells.h"
#include "picture/picture_file.h"
#include "render/buffers.h"
#include "render/display_map.h"
#include "render/slice_panes.h"
#include "volume/volume_store.h"

namespace calyra::cli {
namespace {

struct FileCloser {
    void operator()(std::FILE* f) const {
        if (f != stdout) std::fclose(f);
    }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

File Open(const std::string& path, const char* mode) {
    if (path == "-") return File(stdout);
    return File(std::fopen(path.c_str(), mode));
}

void AppendNumber(std::string& line, long long value) {
    char text[24];
    const int n = std::snprintf(text, sizeof text, "%lld", value);
    line.append(text, static_cast<std::size_t>(n));
}

// One line per row y: value(x, y) for each column x, separated by spaces.
template <typename Value>
void WriteGrid(std::FILE* f, int width, int height, Value value) {
    std::string line;
    for (int y = 0; y < height; ++y) {
        line.clear();
        for (int x = 0; x < width; ++x) {
            if (x) line += ' ';
            AppendNumber(line, value(x, y));
        }
        line += '\n';
        std::fputs(line.c_str(), f);
    }
}

}  // namespace

bool WriteDump(const std::string& path, int width, int height) {
    File f = Open(path, "w");
    if (!f) return false;
    const VolumeStore& v = VoxelVolume;
    std::fprintf(f.get(), "calyra-dump 1\nvolume %d %d %d %d %u %d\nimage %d %d %d\n", v.dims.x,
                 v.dims.y, v.dims.z, v.size, v.maxValue, v.mirrorZ, width, height, displayMax);
    WriteGrid(f.get(), width, height, [](int x, int y) { return ImageAt(x, y); });
    std::fprintf(f.get(), "depth %d %d\n", width, height);
    WriteGrid(f.get(), width, height, [](int x, int y) { return DepthAt(x, y); });
    return std::fflush(f.get()) == 0 && !std::ferror(f.get());
}

std::string WritePicture(const std::string& path, int side, int size, const std::string& viewText) {
    QImage image;
    if (size > 0) {
        image = picture::MonoPicture(size, side);
    } else {
        // One pixel per cell; an empty image area still makes a valid picture.
        image = picture::MonoPicture(side > 0 ? side : 1, side);
        // A grey map keeps the grey picture format.
        if (colourMap == ColourMap::Grey || colourMap == ColourMap::Inverted) {
            image = image.convertToFormat(QImage::Format_Grayscale8);
        }
    }
    if (image.isNull())
        return "not enough memory for a picture of " + std::to_string(size) + " pixels a side";
    image.setText(QString::fromLatin1(picture::kViewTextKey), QString::fromStdString(viewText));
    return picture::SavePicture(image, QString::fromStdString(path)).toStdString();
}

std::string WriteSlicePicture(const std::string& path, Int3 cursor) {
    const SliceStrip strip = MakeSliceStrip(cursor);
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

bool WriteVolume(const std::string& path) {
    File f = Open(path, "wb");
    if (!f) return false;
    const VolumeStore& v = VoxelVolume;
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
            if (std::fwrite(row.data(), 1, zCount, f.get()) != zCount) return false;
        }
    }
    return std::fflush(f.get()) == 0;
}

}  // namespace calyra::cli
