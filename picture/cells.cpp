#include "picture/cells.h"

#include <QImage>
#include <algorithm>
#include <cmath>

#include "render/buffers.h"
#include "render/grey_map.h"

namespace calyra::picture {
namespace {

// Fills [r.left, r.right) x [r.top, r.bottom), clipped to the image.
void FillCell(QImage& image, const CellRect& r, QRgb colour) {
    const int x0 = std::max(r.left, 0);
    const int x1 = std::min(r.right, image.width());
    const int y0 = std::max(r.top, 0);
    const int y1 = std::min(r.bottom, image.height());
    for (int y = y0; y < y1; ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        std::fill(line + x0, line + x1, colour);
    }
}

}  // namespace

int DeviceCoordinate(double value) {
    constexpr double kLimit = 1.0e8;
    if (std::isnan(value)) return 0;
    if (value > kLimit) return static_cast<int>(kLimit);
    if (value < -kLimit) return static_cast<int>(-kLimit);
    return static_cast<int>(value);
}

CellRect CellRectangle(float x, float y, float cell) {
    // x + cell is a float sum; the half is added in double, as the edge rule says.
    const float right = x + cell;
    const float bottom = y + cell;
    return {DeviceCoordinate(x), DeviceCoordinate(y), DeviceCoordinate(right + 0.5),
            DeviceCoordinate(bottom + 0.5)};
}

void DrawCells(std::int32_t D, QImage& image, float cell, float left, float top,
               const GreyMap* greyMap) {
    if (image.format() != QImage::Format_RGB32) image = image.convertToFormat(QImage::Format_RGB32);
    image.fill(Qt::black);

    if (displayMax == 0) displayMax = 1;
    const float k = GreyScale(displayMax);

    const int cells = std::clamp<std::int32_t>(D, 0, kBufferSide);
    float y = top;
    for (int j = 0; j < cells; ++j) {
        float x = left;
        for (int i = 0; i < cells; ++i) {
            const std::uint32_t* c = &ImageAt(i, j);
            std::uint8_t red = GreyLevel(c[0], k);
            std::uint8_t green = GreyLevel(c[1], k);
            std::uint8_t blue = GreyLevel(c[2], k);
            if (greyMap) {
                red = (*greyMap)[red];
                green = (*greyMap)[green];
                blue = (*greyMap)[blue];
            }
            FillCell(image, CellRectangle(x, y, cell), qRgb(red, green, blue));
            x += cell;
        }
        y += cell;
    }
}

std::int32_t CellsPerSide(std::int32_t rays, bool interpolated) {
    return rays * (interpolated ? 2 : 1);
}

QImage MonoPicture(int side, std::int32_t D) {
    QImage image(std::max(side, 1), std::max(side, 1), QImage::Format_RGB32);
    if (image.isNull()) return image;
    // The cell edge is computed as the render window computes it from minSide.
    const float cell = D > 0 ? static_cast<float>(side) / static_cast<float>(D) : 0.0f;
    DrawCells(D, image, cell, 0.0f, 0.0f);
    return image;
}

}  // namespace calyra::picture
