#include "ui/render_canvas.h"

#include <QGuiApplication>
#include <QPainter>
#include <QScreen>
#include <algorithm>

#include "picture/cells.h"
#include "ui/draw_image.h"
#include "ui/platform.h"

namespace calyra::ui {

std::int32_t clientWidth = 0;
std::int32_t clientHeight = 0;
float imageLeft = 0.0f;
float imageTop = 0.0f;
float minSide = 0.0f;

namespace {

// Copies the block of image at (x, y) of size w x h to the same size at
// (toX, toY) on screen, clipped to the image.
void CopyBlock(QPainter& screen, const QImage& image, int x, int y, int w, int h, int toX,
               int toY) {
    const QRect source = QRect(x, y, w, h).intersected(image.rect());
    if (source.isEmpty()) return;
    screen.drawImage(QPoint(toX + source.x() - x, toY + source.y() - y), image, source);
}

// True colour shows exact greys; a palette display the nearest palette grey.
const GreyPalette* DevicePalette(const GreyPalette& palette) {
    const QScreen* screen = QGuiApplication::primaryScreen();
    return screen && screen->depth() <= 8 ? &palette : nullptr;
}

}  // namespace

void SetClientLayout(std::int32_t width, std::int32_t height) {
    clientWidth = width;
    clientHeight = height;
    minSide = static_cast<float>(std::min(clientWidth, clientHeight));
    imageLeft = (static_cast<float>(clientWidth) - minSide) * 0.5f;
    imageTop = (static_cast<float>(clientHeight) - minSide) * 0.5f;
}

RenderCanvas::RenderCanvas() : palette_(BuildGreyPalette()) {}

void RenderCanvas::Create(int width, int height, const RenderBuffers& buffers) {
    imageBitmap_ = QImage(std::max(width, 0), std::max(height, 0), QImage::Format_RGB32);
    stereoBitmap_ = QImage(std::max(width, 0), std::max(height, 0), QImage::Format_RGB32);
    stereoBitmap_.fill(Qt::black);
    drawnSecondRow_ = -1;
    if (imageBitmap_.isNull()) return;

    // The first width x height bytes of ImageBuffer are the initial pixels,
    // one palette index per pixel; the rest, if the buffer ends first, is black.
    imageBitmap_.fill(Qt::black);
    const auto* bytes = reinterpret_cast<const unsigned char*>(buffers.ImageBuffer.data());
    const std::size_t available = buffers.ImageBuffer.size() * sizeof(std::uint32_t);
    const std::size_t pixels =
        std::min(static_cast<std::size_t>(width) * static_cast<std::size_t>(height), available);
    for (std::size_t i = 0; i < pixels; ++i) {
        const int x = static_cast<int>(i % static_cast<std::size_t>(width));
        const int y = static_cast<int>(i / static_cast<std::size_t>(width));
        const std::uint8_t grey = palette_.entries[bytes[i]].red;
        reinterpret_cast<QRgb*>(imageBitmap_.scanLine(y))[x] = qRgb(grey, grey, grey);
    }
}

void RenderCanvas::CopyStored(QPainter& screen, bool showPair, int secondRow) const {
    const int left = DeviceCoordinate(imageLeft);
    const int top = DeviceCoordinate(imageTop);
    CopyBlock(screen, imageBitmap_, left, top, clientWidth, clientHeight, left, top);
    if (showPair && drawnSecondRow_ >= 0) {
        // The second image goes where it was last shown (a right-drag moves it).
        const int secondLeft = DeviceCoordinate((static_cast<float>(clientWidth) - minSide) * 0.5f);
        CopyBlock(screen, stereoBitmap_, secondLeft, drawnSecondRow_, clientWidth, clientHeight,
                  secondLeft, secondRow);
    }
}

void RenderCanvas::Draw(const RenderBuffers& buffers, const UserSettings& settings,
                        std::int32_t cells, float cell, float left, float top, QPainter* screen,
                        bool second) {
    DrawImage(buffers, settings, cells, screen, second ? stereoBitmap_ : imageBitmap_, cell, left,
              top, DevicePalette(palette_));
    drawnCells_ = cells;
}

void RenderCanvas::Redraw(const RenderBuffers& buffers, const UserSettings& settings) {
    if (drawnCells_ <= 0) return;
    const float cell = minSide / static_cast<float>(drawnCells_);
    Draw(buffers, settings, drawnCells_, cell, imageLeft, imageTop, nullptr);
}

QImage RenderCanvas::Picture(const RenderBuffers& buffers, const UserSettings& settings,
                             bool stereoShown, int secondRow) const {
    if (drawnCells_ <= 0 || minSide < 1.0f) return {};
    if (!stereoShown) {
        return picture::MonoPicture(buffers, settings, DeviceCoordinate(minSide), drawnCells_);
    }
    // The pair as the window shows it: both stored images in their places.
    QImage shown(clientWidth, clientHeight, QImage::Format_RGB32);
    shown.fill(Qt::black);
    QPainter painter(&shown);
    CopyStored(painter, true, secondRow);
    return shown;
}

}  // namespace calyra::ui
