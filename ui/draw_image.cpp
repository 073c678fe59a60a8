#include "ui/draw_image.h"

#include <QImage>
#include <QPainter>

#include "ui/grey_palette.h"
#include "ui/platform.h"

namespace calyra::ui {

void DrawImage(const RenderBuffers& buffers, const UserSettings& settings, std::int32_t D,
               QPainter* screen, QImage& memory, float cell, float left, float top,
               const GreyPalette* devicePalette) {
    picture::GreyMap nearest{};
    if (devicePalette) {
        for (int grey = 0; grey < 256; ++grey)
            nearest[grey] = NearestPaletteGrey(*devicePalette, static_cast<std::uint8_t>(grey));
    }
    picture::DrawCells(buffers, settings, D, memory, cell, left, top,
                       devicePalette ? &nearest : nullptr);

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
