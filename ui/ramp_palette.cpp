#include "ui/ramp_palette.h"

#include <QPainter>
#include <QTransform>
#include <QWidget>

namespace calyra::ui {
namespace {

constexpr int kTrueColourExtent = 512;
constexpr int kTrueColourSquares = 256;

QColor RampColour(int colour, int intensity) {
    const int v = intensity & 0xFF;  // a palette entry holds one byte per channel
    switch (colour) {
        case 1:
            return QColor(v, 0, 0);
        case 2:
            return QColor(0, v, 0);
        case 3:
            return QColor(0, 0, v);
        default:
            return QColor(v, v, v);
    }
}

}  // namespace

std::vector<QColor> CreateRampPalette(const RampDevice& device, int colour) {
    std::vector<QColor> palette;
    if (device.paletteSize <= 0) return palette;
    const int n = device.paletteSize - device.reservedEntries;
    if (n <= 0) return palette;
    palette.reserve(static_cast<std::size_t>(n));
    for (int i = 0; i < n; ++i) palette.push_back(RampColour(colour, i));
    return palette;
}

RampPicture RampSquares(const RampDevice& device, int colour) {
    RampPicture picture;
    if (device.paletteSize > 0) {
        const std::vector<QColor> palette = CreateRampPalette(device, colour);
        if (palette.empty()) return picture;
        const int n = static_cast<int>(palette.size());
        picture.extent = n;
        for (int i = 0; i < n / 2; ++i) {
            const int index = n / 2 + i;
            picture.squares.push_back(
                {i, i, n - i, n - i, index, palette[static_cast<std::size_t>(index)]});
        }
        return picture;
    }
    picture.extent = kTrueColourExtent;
    for (int i = 0; i < kTrueColourSquares; ++i) {
        picture.squares.push_back(
            {i, i, kTrueColourExtent - i, kTrueColourExtent - i, -1, QColor(0, 0, i)});
    }
    return picture;
}

void PaintRampBackground(QWidget* window, int colour, const RampDevice& device) {
    if (!window) return;
    const RampPicture picture = RampSquares(device, colour);
    if (picture.extent <= 0) return;
    QPainter painter(window);
    if (!painter.isActive()) return;
    // The logical square fills the client area with y pointing up.
    const double w = window->width();
    const double h = window->height();
    painter.setTransform(QTransform(w / picture.extent, 0, 0, -h / picture.extent, 0, h));
    for (const RampSquare& s : picture.squares) {
        painter.fillRect(QRectF(s.left, s.top, s.right - s.left, s.bottom - s.top), s.colour);
    }
}

}  // namespace calyra::ui
