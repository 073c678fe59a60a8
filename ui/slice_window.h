// The slice-view window: axial, coronal and sagittal slices of the store in
// three equal columns, linked by one cursor. A click or drag in a pane moves
// the cursor, the wheel steps that pane's slice, Page Up/Down by ten; a
// middle (or Ctrl + left) drag changes the slice window, a middle double
// click resets it. The status field shows the voxel under the pointer, the
// cursor's when the pointer is elsewhere. It draws from the fine store on
// paint only, so it never holds up a render.
#pragma once

#include <QRect>
#include <QWidget>
#include <cstdint>
#include <memory>
#include <optional>

#include "base/int3.h"
#include "render/slice_panes.h"
#include "resources/command_ids.h"
#include "ui/mouse_window.h"
#include "ui/slice_crop.h"
#include "volume/volume_store.h"

class QLabel;

namespace calyra::ui {

inline constexpr const char* kSliceWindowTitle = "Slice Views";

class SliceWindow : public MouseWindow<QWidget> {
  public:
    explicit SliceWindow(QWidget* parent = nullptr);
    ~SliceWindow() override;

    // The cursor (store indices 1..dim); back at the centre after the
    // volume changed.
    Int3 cursor();
    // The pane a click, wheel or key went to last; axial until then.
    SlicePane lastPane();
    void setCursor(Int3 cursor, SlicePane pane);

    // Where a pane's voxels are drawn in the client area, square voxels,
    // under its label.
    QRect paneArea(SlicePane pane) const;

  protected:
    void paintEvent(QPaintEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mouseMessage(MouseMessage message, const QMouseEvent& event) override;

  private:
    void followVolume();
    void moveTo(Int3 cursor, SlicePane pane);
    void stepSlice(SlicePane pane, int steps);
    std::optional<SlicePane> paneAt(QPoint point) const;
    void moveToPoint(SlicePane pane, QPoint point);
    void showCursorField();
    void showVoxelUnder(QPoint point);
    void paintPane(class QPainter& painter, SlicePane pane);
    std::optional<Int3> voxelAt(SlicePane pane, QPoint point) const;

    Int3 cursor_;
    SlicePane last_ = SlicePane::Axial;
    std::optional<SlicePane> dragPane_;
    // A slice-window drag: where it started and the window then.
    struct WindowDrag {
        QPoint start;
        WindowLevel window;
    };
    std::optional<WindowDrag> windowDrag_;
    SliceCropDrag crop_;  // an edge of the crop box held
    Int3 dims_;
    // The volume the cursor belongs to (not kept alive here); a new one puts
    // the cursor back at the centre.
    std::weak_ptr<const VolumeStore> volume_;
};

// The window while it exists, else null.
extern SliceWindow* sliceWindow;

// Opens the window, or shows and raises the one there is.
void ShowSliceViews();
// The cursor while the window exists.
std::optional<Int3> SliceViewCursor();
// Snaps the viewing plane through the cursor, facing along the last pane
// used; without the window, through the centre of the volume, axially.
void SnapPlaneToSliceCursor();
// The volume was replaced, or its settings: the window shows the new one, and
// the Slice Window presets are offered when the volume's unit is HU.
void RefreshSliceViews();
// Makes window the panes' slice window and redraws them.
void SetSliceWindow(const WindowLevel& window);
// A Slice Window preset's command: its window, or the volume's whole range.
void ChooseSliceWindowPreset(const SliceWindowPreset& preset);

// The frame's permanent status-bar field "(X, Y, Z) = V   F UNIT", made on
// first use.
QLabel* CursorField();

}  // namespace calyra::ui
