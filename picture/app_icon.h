// The program's icon, drawn rather than stored: the window icons and the
// installed icon files (tools/make_icons.cpp) come from this one drawing.
#pragma once

class QImage;

namespace calyra::picture {

// A lit grey ball on a blue ramp, seen by the red viewing plane; side x side
// pixels with a transparent margin.
QImage DrawApplicationIcon(int side);

}  // namespace calyra::picture
