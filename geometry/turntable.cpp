#include "geometry/turntable.h"

#include <numbers>

namespace calyra {

void TurnForFrame(Orientation& o, const Orientation& start, TurnAxis axis, int k, int n) {
    o = start;
    // Frame 0 is the plain render of the start, not a turn by zero.
    if (k == 0 || n <= 0) return;
    const double angle = k * (2.0 * std::numbers::pi) / n;
    if (axis == TurnAxis::Horizontal) {
        TurnViewPlane(o, angle, 0.0);
    } else {
        TurnViewPlane(o, 0.0, angle);
    }
}

}  // namespace calyra
