// The views of a turntable movie: a whole turn of the plane about the box
// centre, each frame one turn from the same start, as a drag turns it.
#pragma once

#include "geometry/orientation.h"

namespace calyra {

// Which drag a frame turns the view as: across (TurnViewPlane(o, angle, 0))
// or down (TurnViewPlane(o, 0, angle)).
enum class TurnAxis { Horizontal, Vertical };

// The view of frame k of n: start turned once by k x 2 pi / n (in double).
// Frame 0 is start itself.
void TurnForFrame(Orientation& o, const Orientation& start, TurnAxis axis, int k, int n);

}  // namespace calyra
