// The render window's cell layout: ImageBuffer painted as a square grid of
// grey cells. The windowed program and calyra-render draw with these, so a
// saved picture and a batch picture of the same view are the same pixels.
#pragma once

#include <array>
#include <cstdint>

class QImage;

namespace calyra {
struct RenderBuffers;
struct UserSettings;
}  // namespace calyra

namespace calyra::picture {

// Truncates toward zero into a device coordinate; saturates far outside any
// screen (and maps NaN to 0), so no conversion can overflow.
int DeviceCoordinate(double value);

// Rectangle of one cell in device pixels: [left, right) x [top, bottom).
struct CellRect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
};

// A cell whose corner is at (x, y): left trunc(x), right trunc(x + cell + 0.5),
// likewise for the rows. Neighbours overlap by at most one pixel, never gap.
CellRect CellRectangle(float x, float y, float cell);

// Maps each exact grey to the grey a display shows (a palette display's nearest entry).
using GreyMap = std::array<std::uint8_t, 256>;

// Fills image black, then paints elements (i, j), 0 <= i, j < D, of the
// buffers' ImageBuffer as cells of edge cell pixels with the image corner at
// (left, top), each in the colour of its grey under the settings' display
// window and colour map. A displayMax of 0 counts as 1. Cell corners
// accumulate by float addition.
void DrawCells(const RenderBuffers& buffers, const UserSettings& settings, std::int32_t D,
               QImage& image, float cell, float left, float top, const GreyMap* greyMap = nullptr);

// Cells per image side for R rays per side: R, or 2R with interpolation.
std::int32_t CellsPerSide(std::int32_t rays, bool interpolated);

// The last image drawn into a side x side picture from its top-left corner,
// with the render window's cells (edge side / D) for D cells per side.
QImage MonoPicture(const RenderBuffers& buffers, const UserSettings& settings, int side,
                   std::int32_t D);

}  // namespace calyra::picture
