// Painting ImageBuffer as a square grid of grey cells.
#pragma once

#include <cstdint>

class QImage;
class QPainter;

namespace calyra::ui {

struct GreyPalette;

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

// Paints elements (i, j), 0 <= i, j < D, of ImageBuffer as cells of edge cell
// pixels with the image corner at (left, top), into memory (the client-sized
// off-screen image, first filled black), then copies memory from the corner to
// its lower-right end onto screen (if given) at the same place. A displayMax
// of 0 becomes 1. With a device palette each grey is the nearest palette grey.
void DrawImage(std::int32_t D, QPainter* screen, QImage& memory, float cell, float left, float top,
               const GreyPalette* devicePalette = nullptr);

}  // namespace calyra::ui
