// Display, Crop...: the crop box as six spin boxes, a lower and an upper
// store index for each axis, and Reset (the whole volume). A bound never
// passes its partner; every change renders. The panel follows the box
// wherever else it changes (the slice views, a new volume, a view opened).
#pragma once

#include <QDialog>

class QSpinBox;

namespace calyra::ui {

inline constexpr const char* kCropPanelTitle = "Crop";

class CropPanel : public QDialog {
  public:
    explicit CropPanel(QWidget* frame);

    // Bound k of x0, x1, y0, y1, z0, z1.
    QSpinBox* bound(int k) const { return bounds_[k]; }
    // Shows the box of the volume shown, in that volume's ranges.
    void refresh();

  private:
    void boundChanged();

    QSpinBox* bounds_[6] = {};
};

// Opens the panel, or shows and raises the one there is.
void ShowCropPanel(QWidget* frame);
// The panel while it exists, else null.
CropPanel* TheCropPanel();

}  // namespace calyra::ui
