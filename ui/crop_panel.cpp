#include "ui/crop_panel.h"

#include <QGridLayout>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSpinBox>
#include <algorithm>
#include <iterator>

#include "ui/cut_commands.h"
#include "ui/document.h"

namespace calyra::ui {
namespace {

QPointer<CropPanel> panel;

constexpr const char* kAxisNames[3] = {"X", "Y", "Z"};

// The box's bounds in the order of the spin boxes.
void BoundsOf(const CropBox& b, std::int32_t (&v)[6]) {
    const std::int32_t bounds[6] = {b.x0, b.x1, b.y0, b.y1, b.z0, b.z1};
    std::copy(std::begin(bounds), std::end(bounds), std::begin(v));
}

}  // namespace

CropPanel::CropPanel(QWidget* frame) : QDialog(frame, Qt::Tool) {
    setWindowTitle(QString::fromLatin1(kCropPanelTitle));
    auto* grid = new QGridLayout(this);
    grid->addWidget(new QLabel(tr("from")), 0, 1);
    grid->addWidget(new QLabel(tr("to")), 0, 2);
    for (int axis = 0; axis < 3; ++axis) {
        grid->addWidget(new QLabel(QString::fromLatin1(kAxisNames[axis])), axis + 1, 0);
        for (int side = 0; side < 2; ++side) {
            auto* spin = new QSpinBox(this);
            // Typing a number renders once, when it is complete.
            spin->setKeyboardTracking(false);
            spin->setObjectName(QStringLiteral("crop%1%2").arg(kAxisNames[axis]).arg(side));
            connect(spin, &QSpinBox::valueChanged, this, [this] { boundChanged(); });
            grid->addWidget(spin, axis + 1, side + 1);
            bounds_[2 * axis + side] = spin;
        }
    }
    auto* reset = new QPushButton(tr("Reset"), this);
    reset->setObjectName(QStringLiteral("cropReset"));
    connect(reset, &QPushButton::clicked, this, [] {
        SetCropBox(WholeVolumeBox(ProgramSession().volume().dims), LiveView::Motion::Stopped);
    });
    grid->addWidget(reset, 4, 0, 1, 3);
    connect(&CutChanges(), &CutSignals::changed, this, [this] { refresh(); });
    refresh();
}

void CropPanel::refresh() {
    const Int3 dims = ProgramSession().volume().dims;
    const std::int32_t extent[3] = {std::max(dims.x, 1), std::max(dims.y, 1), std::max(dims.z, 1)};
    std::int32_t v[6];
    BoundsOf(ShownCropBox(), v);
    for (int axis = 0; axis < 3; ++axis) {
        QSpinBox* low = bounds_[2 * axis];
        QSpinBox* high = bounds_[2 * axis + 1];
        const QSignalBlocker blockLow(low), blockHigh(high);
        // Each bound stops at its partner.
        low->setRange(1, v[2 * axis + 1]);
        high->setRange(v[2 * axis], extent[axis]);
        low->setValue(v[2 * axis]);
        high->setValue(v[2 * axis + 1]);
    }
}

void CropPanel::boundChanged() {
    std::int32_t v[6];
    for (int k = 0; k < 6; ++k) v[k] = bounds_[k]->value();
    SetCropBox(CropBox{v[0], v[1], v[2], v[3], v[4], v[5]}, LiveView::Motion::Stopped);
    // Unchanged (a whole box again), the ranges still follow the values.
    refresh();
}

void ShowCropPanel(QWidget* frame) {
    if (!panel) panel = new CropPanel(frame);
    panel->refresh();
    panel->show();
    panel->raise();
}

CropPanel* TheCropPanel() {
    return panel;
}

}  // namespace calyra::ui
