// Painting ImageBuffer as a square grid of grey cells in the render window.
#pragma once

#include <cstdint>

#include "picture/cells.h"

class QImage;
class QPainter;

namespace calyra::ui {

struct GreyPalette;

using picture::CellRect;
using picture::CellRectangle;

// Paints elements (i, j), 0 <= i, j < D, of the buffers' ImageBuffer as cells
// of edge cell pixels with the image corner at (left, top), into memory (the
// client-sized off-screen image, first filled black), then copies memory from
// the corner to its lower-right end onto screen (if given) at the same place.
// A displayMax of 0 counts as 1. With a device palette each grey is the
// nearest palette grey.
void DrawImage(const RenderBuffers& buffers, const UserSettings& settings, std::int32_t D,
               QPainter* screen, QImage& memory, float cell, float left, float top,
               const GreyPalette* devicePalette = nullptr);

}  // namespace calyra::ui
