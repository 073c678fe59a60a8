// What the render window draws with: where the image lies in the client
// area, the grey palette, the two stored bitmaps (the image, and a stereo
// pair's second image) a plain paint copies back, and the pictures Save
// Image and Copy Image keep.
#pragma once

#include <QImage>
#include <cstdint>

#include "render/buffers.h"
#include "render/user_settings.h"
#include "ui/grey_palette.h"

class QPainter;

namespace calyra::ui {

// The render window's client area (pixels), as the window's state.
extern std::int32_t clientWidth;
extern std::int32_t clientHeight;
extern float imageLeft;  // top-left corner of the image
extern float imageTop;
extern float minSide;  // min(clientWidth, clientHeight)

// The layout for a client area of width x height: the image a centred
// square of minSide.
void SetClientLayout(std::int32_t width, std::int32_t height);

class RenderCanvas {
  public:
    RenderCanvas();

    // New client-sized bitmaps; the first shows the first bytes of the
    // image buffer through the palette, as the platform's first bitmap does.
    void Create(int width, int height, const RenderBuffers& buffers);
    // Paints the stored images where they were drawn; the second stereo
    // image (when showPair) at client row secondRow.
    void CopyStored(QPainter& screen, bool showPair, int secondRow) const;

    // Draws cells x cells cells of buffers with edge cell into the image
    // bitmap (second: the stereo bitmap) at (left, top), and onto screen if given.
    void Draw(const RenderBuffers& buffers, const UserSettings& settings, std::int32_t cells,
              float cell, float left, float top, QPainter* screen, bool second = false);
    // The last mono image drawn again from buffers with the current colours.
    void Redraw(const RenderBuffers& buffers, const UserSettings& settings);

    // Cells per side of the image in the bitmaps; 0 before the first render.
    std::int32_t DrawnCells() const { return drawnCells_; }
    // Row at which the second image lies in the stereo bitmap; -1 before a pair.
    void SetDrawnSecondRow(int row) { drawnSecondRow_ = row; }

    // Mono: the image drawn from the top-left corner into a minSide square;
    // a pair: the client area as shown. Null while there is no image.
    QImage Picture(const RenderBuffers& buffers, const UserSettings& settings, bool stereoShown,
                   int secondRow) const;

  private:
    GreyPalette palette_;
    QImage imageBitmap_;
    QImage stereoBitmap_;
    int drawnSecondRow_ = -1;
    std::int32_t drawnCells_ = 0;
};

}  // namespace calyra::ui
