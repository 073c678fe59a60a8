#include "ui/draw_image.h"

#include <QImage>
#include <QPainter>
#include <algorithm>

#include "render/buffers.h"
#include "render/grey_map.h"
#include "ui/grey_palette.h"
#include "ui/platform.h"

namespace calyra::ui {
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

CellRect CellRectangle(float x, float y, float cell) {
    // x + cell is a float sum; the half is added in double, as the edge rule says.
    const float right = x + cell;
    const float bottom = y + cell;
    return {DeviceCoordinate(x), DeviceCoordinate(y), DeviceCoordinate(right + 0.5),
            DeviceCoordinate(bottom + 0.5)};
}

void DrawImage(std::int32_t D, QPainter* screen, QImage& memory, float cell, float left, float top,
               const GreyPalette* devicePalette) {
    if (memory.format() != QImage::Format_RGB32)
        memory = memory.convertToFormat(QImage::Format_RGB32);
    memory.fill(Qt::black);

    if (displayMax == 0) displayMax = 1;
    const float k = GreyScale(displayMax);

    // Corners accumulate by float addition, cell after cell.
    const int cells = std::min<std::int32_t>(D, kBufferSide);
    float y = top;
    for (int j = 0; j < cells; ++j) {
        float x = left;
        for (int i = 0; i < cells; ++i) {
            const std::uint32_t* c = &ImageAt(i, j);
            std::uint8_t red = GreyLevel(c[0], k);
            std::uint8_t green = GreyLevel(c[1], k);
            std::uint8_t blue = GreyLevel(c[2], k);
            if (devicePalette) {
                red = NearestPaletteGrey(*devicePalette, red);
                green = NearestPaletteGrey(*devicePalette, green);
                blue = NearestPaletteGrey(*devicePalette, blue);
            }
            FillCell(memory, CellRectangle(x, y, cell), qRgb(red, green, blue));
            x += cell;
        }
        y += cell;
    }

    if (!screen) return;
    // Everything from the image corner to the lower-right end of the client.
    const int cornerX = DeviceCoordinate(left);
    const int cornerY = DeviceCoordinate(top);
    const int width = DeviceCoordinate(static_cast<float>(memory.width()) - left);
    const int height = DeviceCoordinate(static_cast<float>(memory.height()) - top);
    if (width <= 0 || height <= 0) return;
    screen->drawImage(QPoint(cornerX, cornerY), memory, QRect(cornerX, cornerY, width, height));
}

}  // namespace calyra::ui
