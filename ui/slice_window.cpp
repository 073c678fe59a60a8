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

#include "ui/document.h"
#include "ui/mdi_children.h"
#include "ui/platform.h"

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
    const Session& session = ProgramSession();
    const PaneSize size = SlicePaneSize(pane, session.volume().dims);
    QImage image(size.width, size.height, QImage::Format_RGB888);
    if (!image.isNull()) {
        WritePaneRgb(session.volume(), session.settings, pane, cursor, image.bits(),
                     static_cast<std::size_t>(image.bytesPerLine()));
    }
    return image;
}

void InvalidateGeometryWindow() {
    ProgramSession().repaint.InvalidateGeometryWindow();
}

}  // namespace

SliceWindow::SliceWindow(QWidget* parent) : MouseWindow(parent) {
    sliceWindow = this;
    PrepareDrawnWindow(this, kSliceWindowTitle);
    // Moves without a button show the voxel under the pointer.
    setMouseTracking(true);
    RepaintOnCutChanges(this);
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
    const std::shared_ptr<const VolumeStore>& shown = ProgramSession().VoxelVolume;
    const VolumeStore& v = *shown;
    if (shown == volume_.lock()) return;
    volume_ = shown;
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
    const PaneSize size = SlicePaneSize(pane, ProgramSession().volume().dims);
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

std::optional<Int3> SliceWindow::voxelAt(SlicePane pane, QPoint point) const {
    const QRect area = paneArea(pane);
    const PaneSize size = SlicePaneSize(pane, dims_);
    if (area.width() <= 0 || area.height() <= 0) return std::nullopt;
    const double scale = static_cast<double>(area.width()) / size.width;
    const auto column = static_cast<std::int32_t>(std::floor((point.x() - area.left()) / scale));
    const auto row = static_cast<std::int32_t>(std::floor((point.y() - area.top()) / scale));
    return CursorAtPanePixel(pane, cursor_, column, row, dims_);
}

void SliceWindow::moveToPoint(SlicePane pane, QPoint point) {
    if (const std::optional<Int3> voxel = voxelAt(pane, point)) moveTo(*voxel, pane);
}

void SliceWindow::stepSlice(SlicePane pane, int steps) {
    const std::int64_t slice = std::int64_t{PaneSlice(pane, cursor_)} + steps;
    const auto clamped = static_cast<std::int32_t>(std::clamp<std::int64_t>(slice, 0, INT32_MAX));
    moveTo(WithPaneSlice(pane, cursor_, clamped, dims_), pane);
}

void SliceWindow::showCursorField() {
    QLabel* field = CursorField();
    if (!field) return;
    field->setText(QString::fromStdString(VoxelReadout(ProgramSession().volume(), cursor_)));
    field->show();
}

void SliceWindow::showVoxelUnder(QPoint point) {
    const std::optional<SlicePane> pane = paneAt(point);
    const std::optional<Int3> voxel = pane ? voxelAt(*pane, point) : std::nullopt;
    QLabel* field = CursorField();
    if (!voxel || !field) {
        showCursorField();
        return;
    }
    field->setText(QString::fromStdString(VoxelReadout(ProgramSession().volume(), *voxel)));
    field->show();
}

void SliceWindow::leaveEvent(QEvent* event) {
    showCursorField();
    QWidget::leaveEvent(event);
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
    PaintCropBox(painter, pane, area, dims_);
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
    const bool middle = event.button() == Qt::MiddleButton;
    const bool ctrlLeft =
        event.button() == Qt::LeftButton && (event.modifiers() & Qt::ControlModifier);
    switch (message) {
        case MouseMessage::DoubleClick:
            if (middle) {
                windowDrag_.reset();
                SetSliceWindow(StartSliceWindow(ProgramSession().volume().mapping));
                return;
            }
            [[fallthrough]];
        case MouseMessage::Press:
            if (middle || ctrlLeft) {
                windowDrag_ = WindowDrag{point, ProgramSession().settings.sliceWindow};
                return;
            }
            if (event.button() != Qt::LeftButton) return;
            // An edge of the crop box takes the press before the cursor does.
            if (crop_.Press(
                    point, [this](SlicePane p) { return paneArea(p); }, dims_))
                return;
            dragPane_ = paneAt(point);
            if (dragPane_) moveToPoint(*dragPane_, point);
            return;
        case MouseMessage::Move:
            if (windowDrag_ && (event.buttons() & (Qt::MiddleButton | Qt::LeftButton))) {
                const QPoint moved = point - windowDrag_->start;
                SetSliceWindow(DraggedWindow(windowDrag_->window, ProgramSession().volume().mapping,
                                             moved.x(), -moved.y()));
                return;
            }
            if (crop_.Move(point)) return;
            // A drag stays with the pane it started in, clamped to its edges.
            if ((event.buttons() & Qt::LeftButton) && dragPane_) {
                moveToPoint(*dragPane_, point);
                return;
            }
            if (event.buttons() == Qt::NoButton) showVoxelUnder(point);
            return;
        case MouseMessage::Release:
            if (windowDrag_ && !(event.buttons() & (Qt::MiddleButton | Qt::LeftButton))) {
                windowDrag_.reset();
            }
            if (event.button() == Qt::LeftButton) {
                dragPane_.reset();
                crop_.Release();
            }
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
    Session& session = ProgramSession();
    if (sliceWindow) {
        SnapViewPlaneToCursor(session, sliceWindow->lastPane(), sliceWindow->cursor());
    } else {
        SnapViewPlaneToCursor(session, SlicePane::Axial, CentreCursor(session.volume().dims));
    }
}

namespace {

// The presets are offered for CT values; the one that is the window is checked.
void ShowSliceWindowPresets() {
    const Session& session = ProgramSession();
    const bool offered = session.volume().mapping.unit == kSliceWindowPresetUnit;
    const WindowLevel full = StartSliceWindow(session.volume().mapping);
    for (const SliceWindowPreset& preset : kSliceWindowPresets) {
        const WindowLevel window =
            preset.fullRange ? full : WindowLevel{preset.level, preset.width};
        EnableMenuItem(preset.command, offered);
        CheckMenuItem(preset.command, offered && window == session.settings.sliceWindow);
    }
}

}  // namespace

void RefreshSliceViews() {
    ShowSliceWindowPresets();
    if (!sliceWindow) return;
    // cursor() takes the new volume's centre.
    sliceWindow->setCursor(sliceWindow->cursor(), sliceWindow->lastPane());
}

void SetSliceWindow(const WindowLevel& window) {
    Session& session = ProgramSession();
    if (session.settings.sliceWindow == window) return;
    session.settings.sliceWindow = window;
    ShowSliceWindowPresets();
    if (sliceWindow) sliceWindow->update();
}

void ChooseSliceWindowPreset(const SliceWindowPreset& preset) {
    SetSliceWindow(preset.fullRange ? StartSliceWindow(ProgramSession().volume().mapping)
                                    : WindowLevel{preset.level, preset.width});
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
