#include "ui/slice_window.h"

#include <QImage>
#include <QKeyEvent>
#include <QLabel>
#include <QMainWindow>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMouseEvent>
#include <QPainter>
#include <QStatusBar>
#include <QWheelEvent>
#include <algorithm>
#include <cmath>

#include "base/repaint.h"
#include "ui/frame_window.h"
#include "ui/platform.h"
#include "volume/volume_store.h"

namespace calyra::ui {

SliceWindow* sliceWindow = nullptr;

namespace {

const QColor kCrossColour(255, 255, 0);
const QColor kLabelColour(255, 255, 255);
constexpr int kPageStep = 10;
constexpr int kWheelNotch = 120;  // angle delta of one wheel step
constexpr char kCursorFieldName[] = "sliceCursorField";

// Pixel edge of one voxel in a pane drawn into an area of the given size.
double VoxelScale(PaneSize pane, QSize area) {
    if (pane.width <= 0 || pane.height <= 0) return 0.0;
    return std::min(static_cast<double>(area.width()) / pane.width,
                    static_cast<double>(area.height()) / pane.height);
}

QImage PaneImage(SlicePane pane, Int3 cursor) {
    const PaneSize size = SlicePaneSize(pane, VoxelVolume.dims);
    QImage image(size.width, size.height, QImage::Format_RGB888);
    if (!image.isNull()) {
        WritePaneRgb(pane, cursor, image.bits(), static_cast<std::size_t>(image.bytesPerLine()));
    }
    return image;
}

}  // namespace

SliceWindow::SliceWindow(QWidget* parent) : MouseWindow(parent) {
    sliceWindow = this;
    PrepareDrawnWindow(this, kSliceWindowTitle);
    followVolume();
    showCursorField();
    InvalidateGeometryWindow();
}

SliceWindow::~SliceWindow() {
    if (sliceWindow == this) sliceWindow = nullptr;
    if (QLabel* field = CursorField()) {
        field->clear();
        field->hide();
    }
    // The geometry window drops its cursor mark.
    InvalidateGeometryWindow();
}

void SliceWindow::followVolume() {
    const VolumeStore& v = VoxelVolume;
    const bool same = seen_ && v.generation == generation_ && v.dims.x == dims_.x &&
                      v.dims.y == dims_.y && v.dims.z == dims_.z;
    if (same) return;
    seen_ = true;
    generation_ = v.generation;
    dims_ = v.dims;
    cursor_ = CentreCursor(v.dims);
    last_ = SlicePane::Axial;
}

Int3 SliceWindow::cursor() {
    followVolume();
    return cursor_;
}

SlicePane SliceWindow::lastPane() {
    followVolume();
    return last_;
}

void SliceWindow::setCursor(Int3 cursor, SlicePane pane) {
    followVolume();
    moveTo(cursor, pane);
}

void SliceWindow::moveTo(Int3 cursor, SlicePane pane) {
    cursor_ = ClampCursor(cursor, dims_);
    last_ = pane;
    showCursorField();
    update();
    InvalidateGeometryWindow();
}

QRect SliceWindow::paneArea(SlicePane pane) const {
    const int columnWidth = width() / kSlicePaneCount;
    const int labelHeight = fontMetrics().height() + 4;
    const QSize area(columnWidth, std::max(height() - labelHeight, 0));
    const PaneSize size = SlicePaneSize(pane, VoxelVolume.dims);
    const double scale = VoxelScale(size, area);
    const int w = static_cast<int>(size.width * scale);
    const int h = static_cast<int>(size.height * scale);
    const int left = static_cast<int>(pane) * columnWidth + (columnWidth - w) / 2;
    return {left, labelHeight, w, h};
}

std::optional<SlicePane> SliceWindow::paneAt(QPoint point) const {
    for (SlicePane pane : kSlicePanes) {
        if (paneArea(pane).contains(point)) return pane;
    }
    return std::nullopt;
}

void SliceWindow::moveToPoint(SlicePane pane, QPoint point) {
    const QRect area = paneArea(pane);
    const PaneSize size = SlicePaneSize(pane, dims_);
    if (area.width() <= 0 || area.height() <= 0) return;
    const double scale = static_cast<double>(area.width()) / size.width;
    const auto column = static_cast<std::int32_t>(std::floor((point.x() - area.left()) / scale));
    const auto row = static_cast<std::int32_t>(std::floor((point.y() - area.top()) / scale));
    moveTo(CursorAtPanePixel(pane, cursor_, column, row, dims_), pane);
}

void SliceWindow::stepSlice(SlicePane pane, int steps) {
    const std::int64_t slice = std::int64_t{PaneSlice(pane, cursor_)} + steps;
    const auto clamped = static_cast<std::int32_t>(std::clamp<std::int64_t>(slice, 0, INT32_MAX));
    moveTo(WithPaneSlice(pane, cursor_, clamped, dims_), pane);
}

void SliceWindow::showCursorField() {
    QLabel* field = CursorField();
    if (!field) return;
    const Int3 c = cursor_;
    field->setText(QStringLiteral("(%1, %2, %3) = %4")
                       .arg(c.x)
                       .arg(c.y)
                       .arg(c.z)
                       .arg(SliceVoxel(c.x, c.y, c.z)));
    field->show();
}

void SliceWindow::paintPane(QPainter& painter, SlicePane pane) {
    const QRect area = paneArea(pane);
    const int columnWidth = width() / kSlicePaneCount;
    const QRect label(static_cast<int>(pane) * columnWidth, 0, columnWidth, area.top());
    painter.setPen(kLabelColour);
    painter.drawText(label, Qt::AlignCenter,
                     QStringLiteral("%1  %2 = %3")
                         .arg(QString::fromLatin1(SlicePaneName(pane)))
                         .arg(QChar::fromLatin1(SlicePaneAxis(pane)))
                         .arg(PaneSlice(pane, cursor_)));
    if (area.isEmpty()) return;
    // Nearest voxel: each voxel a square block of pixels.
    painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
    painter.drawImage(area, PaneImage(pane, cursor_));

    // Cross-hairs through the middle of the cursor's voxel.
    const PanePixel at = PanePixelOfCursor(pane, cursor_);
    const double scale = static_cast<double>(area.width()) / SlicePaneSize(pane, dims_).width;
    const int x = area.left() + static_cast<int>((at.column + 0.5) * scale);
    const int y = area.top() + static_cast<int>((at.row + 0.5) * scale);
    painter.setPen(QPen(kCrossColour, 1));
    painter.drawLine(area.left(), y, area.right(), y);
    painter.drawLine(x, area.top(), x, area.bottom());
}

void SliceWindow::paintEvent(QPaintEvent* /*event*/) {
    followVolume();
    QPainter painter(this);
    painter.fillRect(rect(), Qt::black);
    for (SlicePane pane : kSlicePanes) paintPane(painter, pane);
}

void SliceWindow::mouseMessage(MouseMessage message, const QMouseEvent& event) {
    followVolume();
    const QPoint point = event.position().toPoint();
    switch (message) {
        case MouseMessage::Press:
        case MouseMessage::DoubleClick:
            if (event.button() != Qt::LeftButton) return;
            dragPane_ = paneAt(point);
            if (dragPane_) moveToPoint(*dragPane_, point);
            return;
        case MouseMessage::Move:
            // A drag stays with the pane it started in, clamped to its edges.
            if ((event.buttons() & Qt::LeftButton) && dragPane_) moveToPoint(*dragPane_, point);
            return;
        case MouseMessage::Release:
            return;
    }
}

void SliceWindow::wheelEvent(QWheelEvent* event) {
    event->accept();
    followVolume();
    const int delta = event->angleDelta().y();
    if (delta == 0) return;
    const int steps = delta / kWheelNotch != 0 ? delta / kWheelNotch : (delta > 0 ? 1 : -1);
    stepSlice(paneAt(event->position().toPoint()).value_or(last_), steps);
}

void SliceWindow::keyPressEvent(QKeyEvent* event) {
    followVolume();
    if (event->key() == Qt::Key_PageUp) {
        stepSlice(last_, kPageStep);
    } else if (event->key() == Qt::Key_PageDown) {
        stepSlice(last_, -kPageStep);
    } else {
        QWidget::keyPressEvent(event);
        return;
    }
    event->accept();
}

void ShowSliceViews() {
    if (sliceWindow) {
        if (auto* sub = qobject_cast<QMdiSubWindow*>(sliceWindow->parentWidget())) {
            sub->showNormal();
            sub->raise();
        }
        sliceWindow->setFocus();
        return;
    }
    QMdiSubWindow* sub = AddModelWindow([](QWidget* parent) { return new SliceWindow(parent); },
                                        QString::fromLatin1(kSliceWindowTitle), false);
    if (!sub || !mdiClient) return;
    // Across the bottom part of the client, over the model windows; the
    // other windows keep their places and sizes (a resize would cost a render).
    const QSize client = mdiClient->viewport()->size();
    const int height = std::max(client.height() * 2 / 5, 160);
    sub->resize(std::max(client.width(), 320), height);
    sub->move(0, std::max(client.height() - height, 0));
}

std::optional<Int3> SliceViewCursor() {
    if (!sliceWindow) return std::nullopt;
    return sliceWindow->cursor();
}

void SnapPlaneToSliceCursor() {
    if (sliceWindow) {
        SnapViewPlaneToCursor(sliceWindow->lastPane(), sliceWindow->cursor());
    } else {
        SnapViewPlaneToCursor(SlicePane::Axial, CentreCursor(VoxelVolume.dims));
    }
}

void RefreshSliceViews() {
    if (!sliceWindow) return;
    // cursor() takes the new volume's centre.
    sliceWindow->setCursor(sliceWindow->cursor(), sliceWindow->lastPane());
}

QLabel* CursorField() {
    auto* frame = qobject_cast<QMainWindow*>(frameWindow);
    if (!frame) return nullptr;
    if (auto* field = frame->statusBar()->findChild<QLabel*>(QLatin1String(kCursorFieldName))) {
        return field;
    }
    auto* field = new QLabel;
    field->setObjectName(QLatin1String(kCursorFieldName));
    frame->statusBar()->addPermanentWidget(field);
    return field;
}

}  // namespace calyra::ui
