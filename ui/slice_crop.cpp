#include "ui/slice_crop.h"

#include <QPainter>
#include <QWidget>
#include <algorithm>
#include <cmath>

#include "ui/cut_commands.h"

namespace calyra::ui {
namespace {

const QColor kBoxColour(255, 255, 0);
constexpr int kGripPixels = 4;  // how near an edge a press grabs it

// The store axes (0 x, 1 y, 2 z) a pane shows across and down.
struct PaneAxes {
    int across, down;
};
PaneAxes AxesOf(SlicePane pane) {
    switch (pane) {
        case SlicePane::Axial:
            return {0, 1};
        case SlicePane::Coronal:
            return {0, 2};
        case SlicePane::Sagittal:
            return {1, 2};
    }
    return {0, 1};
}

std::int32_t Extent(Int3 dims, int axis) {
    const std::int32_t d[3] = {dims.x, dims.y, dims.z};
    return std::max(d[axis], 1);
}

// Bound side (0 lower, 1 upper) of an axis, and its setter.
std::int32_t& BoundOf(CropBox& box, int axis, int side) {
    std::int32_t* bounds[3][2] = {{&box.x0, &box.x1}, {&box.y0, &box.y1}, {&box.z0, &box.z1}};
    return *bounds[axis][side];
}

// Pixels per voxel of the pane drawn into area.
double ScaleOf(SlicePane pane, const QRect& area, Int3 dims) {
    const PaneSize size = SlicePaneSize(pane, dims);
    return size.width > 0 ? static_cast<double>(area.width()) / size.width : 0.0;
}

// The box's rectangle in client pixels: voxel v spans [v - 1, v) voxels
// from the area's corner.
QRectF BoxRect(SlicePane pane, const QRect& area, Int3 dims, const CropBox& box) {
    const PaneAxes axes = AxesOf(pane);
    const double scale = ScaleOf(pane, area, dims);
    CropBox b = box;
    const double left = area.left() + (BoundOf(b, axes.across, 0) - 1) * scale;
    const double right = area.left() + BoundOf(b, axes.across, 1) * scale;
    const double top = area.top() + (BoundOf(b, axes.down, 0) - 1) * scale;
    const double bottom = area.top() + BoundOf(b, axes.down, 1) * scale;
    return QRectF(QPointF(left, top), QPointF(right, bottom));
}

// Which edge of the span [low, high] the coordinate grabs, if near one.
int EdgeAt(double at, double low, double high) {
    const double toLow = std::fabs(at - low), toHigh = std::fabs(at - high);
    if (std::min(toLow, toHigh) > kGripPixels) return -1;
    return toLow <= toHigh ? 0 : 1;
}

}  // namespace

void RepaintOnCutChanges(QWidget* window) {
    QObject::connect(&CutChanges(), &CutSignals::changed, window, [window] { window->update(); });
}

void PaintCropBox(QPainter& painter, SlicePane pane, const QRect& area, Int3 dims) {
    if (area.isEmpty()) return;
    const QRectF box = BoxRect(pane, area, dims, ShownCropBox());
    painter.save();
    painter.setPen(QPen(kBoxColour, 1));
    painter.setBrush(Qt::NoBrush);
    // The outline inside the box's own pixels.
    painter.drawRect(box.adjusted(0.5, 0.5, -0.5, -0.5));
    painter.restore();
}

std::optional<CropGrip> GripAt(SlicePane pane, const QRect& area, Int3 dims, const CropBox& box,
                               QPoint point) {
    if (area.isEmpty()) return std::nullopt;
    const QRectF r = BoxRect(pane, area, dims, box);
    const QRectF near = r.adjusted(-kGripPixels, -kGripPixels, kGripPixels, kGripPixels);
    if (!near.contains(point)) return std::nullopt;
    CropGrip grip{EdgeAt(point.x(), r.left(), r.right()), EdgeAt(point.y(), r.top(), r.bottom())};
    if (grip.across < 0 && grip.down < 0) return std::nullopt;
    return grip;
}

CropBox DraggedBox(SlicePane pane, const QRect& area, Int3 dims, const CropBox& box,
                   const CropGrip& grip, QPoint point) {
    const PaneAxes axes = AxesOf(pane);
    const double scale = ScaleOf(pane, area, dims);
    if (!(scale > 0.0)) return box;
    CropBox moved = box;
    auto drag = [&](int axis, int side, double offset) {
        if (side < 0) return;
        // The voxel boundary nearest the pointer: boundary k lies after voxel k.
        const auto boundary = static_cast<std::int32_t>(std::lround(offset / scale));
        std::int32_t& bound = BoundOf(moved, axis, side);
        if (side == 0) {
            bound = std::clamp(boundary + 1, 1, BoundOf(moved, axis, 1));
        } else {
            bound = std::clamp(boundary, BoundOf(moved, axis, 0), Extent(dims, axis));
        }
    };
    drag(axes.across, grip.across, point.x() - area.left());
    drag(axes.down, grip.down, point.y() - area.top());
    return moved;
}

bool SliceCropDrag::Press(QPoint point, const std::function<QRect(SlicePane)>& areaOf, Int3 dims) {
    for (SlicePane pane : kSlicePanes) {
        const QRect area = areaOf(pane);
        if (const std::optional<CropGrip> grip = GripAt(pane, area, dims, ShownCropBox(), point)) {
            grip_ = grip;
            pane_ = pane;
            area_ = area;
            dims_ = dims;
            return true;
        }
    }
    return false;
}

bool SliceCropDrag::Move(QPoint point) {
    if (!grip_) return false;
    SetCropBox(DraggedBox(pane_, area_, dims_, ShownCropBox(), *grip_, point),
               LiveView::Motion::Moving);
    return true;
}

bool SliceCropDrag::Release() {
    if (!grip_) return false;
    grip_.reset();
    SetCropBox(ShownCropBox(), LiveView::Motion::Stopped);
    return true;
}

}  // namespace calyra::ui
