// The About box's background: a ramp of concentric squares, drawn through a
// ramp palette on palette devices and in plain colours on true-colour ones.
#pragma once

#include <QColor>
#include <vector>

class QWidget;

namespace calyra::ui {

// The display's palette: paletteSize 0 means a true-colour device.
struct RampDevice {
    int paletteSize = 0;
    int reservedEntries = 0;  // system colours the program cannot change
};

// Ramp colours: 1 red, 2 green, 3 blue, any other grey.
inline constexpr int kRampBlue = 3;

// Palette entries i = 0..n-1 (n = paletteSize - reservedEntries) in the
// ramp colour with intensity i (low 8 bits); empty on a true-colour device
// or when no entries are left.
std::vector<QColor> CreateRampPalette(const RampDevice& device, int colour);

// One filled square in logical units: left, top inclusive, right, bottom
// exclusive; y points up in the logical space.
struct RampSquare {
    int left, top, right, bottom;
    int paletteIndex;  // -1 on a true-colour device
    QColor colour;
};

struct RampPicture {
    int extent = 0;  // the logical space is extent x extent
    std::vector<RampSquare> squares;
};

// True colour: 256 squares (i, i, 512-i, 512-i) coloured (0, 0, i) in a 512
// space. Palette device: n/2 squares (i, i, n-i, n-i) with palette index
// n/2 + i in an n space; nothing when the palette cannot be made.
RampPicture RampSquares(const RampDevice& device, int colour);

// Paints the ramp over window's client area; call it from its paint handler.
void PaintRampBackground(QWidget* window, int colour, const RampDevice& device = {});

}  // namespace calyra::ui
