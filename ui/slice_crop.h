// The crop box in the slice views: a yellow rectangle over each pane (the
// voxels outside it drawn as they are), whose edges the left button drags.
// A bound never passes its partner; the render follows live while the edge
// moves and renders exactly when it is let go.
#pragma once

#include <QPoint>
#include <QRect>
#include <functional>
#include <optional>

#include "base/int3.h"
#include "render/slice_panes.h"
#include "render/volume_cut.h"

class QPainter;
class QWidget;

namespace calyra::ui {

// Repaints the window whenever the cut changes (ui/cut_commands.h).
void RepaintOnCutChanges(QWidget* window);

// Draws the crop box over the pane drawn into area (one voxel a square).
void PaintCropBox(QPainter& painter, SlicePane pane, const QRect& area, Int3 dims);

// The edges of the box a pane pixel position grabs: for the pane's across
// and down axes, -1 none, 0 the lower bound, 1 the upper.
struct CropGrip {
    int across = -1;
    int down = -1;
};
// The grip at point, within a few pixels of an edge of the box's
// rectangle in the pane drawn into area; none elsewhere.
std::optional<CropGrip> GripAt(SlicePane pane, const QRect& area, Int3 dims, const CropBox& box,
                               QPoint point);
// The box with the grip's edges moved to the voxel boundary nearest point,
// each bound kept between 1 and its partner, or its partner and the dims.
CropBox DraggedBox(SlicePane pane, const QRect& area, Int3 dims, const CropBox& box,
                   const CropGrip& grip, QPoint point);

// One drag of the box's edges in a slice window.
class SliceCropDrag {
  public:
    // A left press on an edge of the box in some pane grabs it; true when it did.
    bool Press(QPoint point, const std::function<QRect(SlicePane)>& areaOf, Int3 dims);
    // True while an edge is held: the box follows the pointer.
    bool Move(QPoint point);
    // True when an edge was held: let go, the exact render follows.
    bool Release();

  private:
    std::optional<CropGrip> grip_;
    SlicePane pane_ = SlicePane::Axial;
    QRect area_;
    Int3 dims_;
};

}  // namespace calyra::ui
