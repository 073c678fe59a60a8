#include "picture/cells.h"

#include <QImage>
#include <algorithm>
#include <cmath>

#include "render/buffers.h"
#include "render/display_map.h"
#include "render/grey_map.h"
#include "render/user_settings.h"

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

void DrawCells(const RenderBuffers& buffers, const UserSettings& settings, std::int32_t D,
               QImage& image, float cell, float left, float top, const GreyMap* greyMap) {
    if (image.format() != QImage::Format_RGB32) image = image.convertToFormat(QImage::Format_RGB32);
    image.fill(Qt::black);

    const float k = GreyScale(buffers.displayMax == 0 ? 1 : buffers.displayMax);

    const int cells = std::clamp<std::int32_t>(D, 0, kBufferSide);
    float y = top;
    for (int j = 0; j < cells; ++j) {
        float x = left;
        for (int i = 0; i < cells; ++i) {
            Rgb8 c;
            if (buffers.rgb) {
                // Components of 0..255, shown as they are: no window, no map.
                const std::uint32_t* v = buffers.PixelAt(i, j);
                c = {GreyLevel(v[0], k), GreyLevel(v[1], k), GreyLevel(v[2], k)};
            } else {
                // The three components are equal: the first stands for all.
                const std::uint8_t grey = GreyLevel(buffers.ImageAt(i, j), k);
                c = DisplayColour(grey, settings.colourMap, settings.displayWindow);
            }
            if (greyMap) {
                // A grey ramp palette shows greys only: a colour map shows
                // its brightness there (integer luma weights 77, 150, 29).
                const auto luma = static_cast<std::uint8_t>((77 * c.r + 150 * c.g + 29 * c.b) >> 8);
                const std::uint8_t shown = (*greyMap)[c.r == c.g && c.g == c.b ? c.r : luma];
                c = {shown, shown, shown};
            }
            FillCell(image, CellRectangle(x, y, cell), qRgb(c.r, c.g, c.b));
            x += cell;
        }
        y += cell;
    }
}

std::int32_t CellsPerSide(std::int32_t rays, bool interpolated) {
    return rays * (interpolated ? 2 : 1);
}

QImage MonoPicture(const RenderBuffers& buffers, const UserSettings& settings, int side,
                   std::int32_t D) {
    QImage image(std::max(side, 1), std::max(side, 1), QImage::Format_RGB32);
    if (image.isNull()) return image;
    // The cell edge is computed as the render window computes it from minSide.
    const float cell = D > 0 ? static_cast<float>(side) / static_cast<float>(D) : 0.0f;
    DrawCells(buffers, settings, D, image, cell, 0.0f, 0.0f);
    return image;
}

}  // namespace calyra::picture
