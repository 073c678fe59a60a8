#include "ui/tf_window.h"

#include <QColorDialog>
#include <QComboBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPainter>
#include <QPainterPath>
#include <QPointer>
#include <QPushButton>
#include <QSignalBlocker>
#include <QVBoxLayout>
#include <algorithm>
#include <array>
#include <cmath>

#include "render/transfer_function_presets.h"
#include "ui/document.h"
#include "ui/mdi_children.h"
#include "ui/platform.h"

namespace calyra::ui {
namespace {

QPointer<TfWindow> window;

const QColor kBackground(30, 30, 30);
const QColor kCurveBackground(44, 44, 44);
const QColor kGridColour(70, 70, 70);
const QColor kHistogramColour(92, 92, 92);
const QColor kCurveColour(255, 255, 255);
const QColor kPickedColour(255, 220, 0);
const QColor kTextColour(220, 220, 220);
constexpr int kUnderCurveAlpha = 110;  // the colours under the curve, over the histogram
constexpr double kPointRadius = 4.0;
constexpr double kOpacityGrid[] = {0.25, 0.5, 0.75};
const QSize kWindowSize(560, 330);

TfColourChooser& InstalledColourChooser() {
    static TfColourChooser chooser;
    return chooser;
}

std::optional<QColor> ChooseColour(QWidget* owner, const QColor& start) {
    if (InstalledColourChooser()) return InstalledColourChooser()(owner, start);
    const QColor chosen =
        QColorDialog::getColor(start, owner, QString::fromLatin1(kTfColourCaption));
    if (!chosen.isValid()) return std::nullopt;
    return chosen;
}

const TransferFunction& InUse() {
    return ProgramSession().settings.transferFunction;
}

QColor ColourOf(const std::array<double, 3>& c, int alpha = 255) {
    QColor colour;
    colour.setRgbF(static_cast<float>(std::clamp(c[0], 0.0, 1.0)),
                   static_cast<float>(std::clamp(c[1], 0.0, 1.0)),
                   static_cast<float>(std::clamp(c[2], 0.0, 1.0)));
    colour.setAlpha(alpha);
    return colour;
}

QString Number(double v) {
    return QString::number(v, 'g', 4);
}

// A file value with the volume's unit.
QString FileValueText(double x) {
    const std::string& unit = ProgramSession().volume().mapping.unit;
    return unit.empty() ? Number(x) : Number(x) + QLatin1Char(' ') + QString::fromStdString(unit);
}

// The places a press may take a point from: the areas, a point's radius
// beyond their edges.
QRectF Reach(const QRectF& area) {
    return area.adjusted(-kTfPickRadius, -kTfPickRadius, kTfPickRadius, kTfPickRadius);
}

}  // namespace

TfPlotWidget::TfPlotWidget(QWidget* parent) : MouseWindow(parent) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    setFocusPolicy(Qt::StrongFocus);
    // Moves without a button show the value under the pointer.
    setMouseTracking(true);
    setMinimumSize(240, 140);
}

TfPlotLayout TfPlotWidget::layout() const {
    return LayOutTfPlot(QSizeF(size()), fontMetrics().height());
}

TfAxes TfPlotWidget::curveAxes() const {
    const ValueMapping& m = ProgramSession().volume().mapping;
    return TfAxes(layout().curve, m.lo, m.hi);
}

TfAxes TfPlotWidget::barAxes() const {
    const ValueMapping& m = ProgramSession().volume().mapping;
    return TfAxes(layout().bar, m.lo, m.hi);
}

bool TfPlotWidget::Holds(const Picked& p) {
    const TransferFunction& tf = InUse();
    return p.index < (p.list == List::Opacity ? tf.opacity.size() : tf.colour.size());
}

void TfPlotWidget::followVolume() {
    const std::shared_ptr<const VolumeStore>& shown = ProgramSession().VoxelVolume;
    if (shown == volume_.lock()) return;
    volume_ = shown;
    histogram_ = HistogramOfFineValues(*shown);
}

void TfPlotWidget::transferFunctionChanged() {
    // A change from elsewhere (a preset, a file, the render window) lets go.
    if (!editing_ || (picked_ && !Holds(*picked_))) {
        picked_.reset();
        dragging_ = false;
    }
    followVolume();
    showReadout(std::nullopt);
    update();
}

bool TfPlotWidget::edit(const std::function<bool(TransferFunction&)>& change,
                        LiveView::Motion motion) {
    TransferFunction tf = InUse();
    if (!change(tf)) return false;
    editing_ = true;
    SetTransferFunction(tf, motion);
    editing_ = false;
    return true;
}

void TfPlotWidget::press(MouseMessage message, QPointF at) {
    const TfPlotLayout l = layout();
    const TfAxes curve = curveAxes();
    const TfAxes bar = barAxes();
    // A point of the curve on its bottom edge lies within the bar's reach too:
    // the curve's points go first.
    std::optional<std::size_t> hit;
    if (Reach(l.curve).contains(at)) hit = OpacityPointAt(curve, InUse().opacity, at);
    dragChanged_ = false;
    if (hit) {
        picked_ = Picked{List::Opacity, *hit};
    } else if (Reach(l.bar.united(l.marks)).contains(at)) {
        hit = ColourPointAt(bar, InUse().colour, at.x());
        if (hit && message == MouseMessage::DoubleClick) {
            chooseColour(*hit);
            return;
        }
        if (!hit) {
            // A new point takes the colour the bar shows there.
            const double x = bar.ValueAt(at.x());
            const std::array<double, 3> c = ColourAt(InUse(), x);
            const ColourPoint p{x, c[0], c[1], c[2]};
            std::size_t index = 0;
            if (!edit([&](TransferFunction& tf) { return AddColourPoint(tf, p, &index); },
                      LiveView::Motion::Moving)) {
                return;
            }
            hit = index;
            dragChanged_ = true;
        }
        picked_ = Picked{List::Colour, *hit};
    } else if (Reach(l.curve).contains(at)) {
        const OpacityPoint p{curve.ValueAt(at.x()), curve.OpacityAt(at.y())};
        std::size_t index = 0;
        if (!edit([&](TransferFunction& tf) { return AddOpacityPoint(tf, p, &index); },
                  LiveView::Motion::Moving)) {
            return;
        }
        dragChanged_ = true;
        picked_ = Picked{List::Opacity, index};
    } else {
        return;
    }
    dragging_ = true;
    showReadout(std::nullopt);
    update();
}

void TfPlotWidget::drag(QPointF at) {
    if (!dragging_ || !picked_) return;
    const std::size_t i = picked_->index;
    if (picked_->list == List::Opacity) {
        const TfAxes axes = curveAxes();
        const double x = axes.ValueAt(at.x()), a = axes.OpacityAt(at.y());
        edit([&](TransferFunction& tf) { return MoveOpacityPoint(tf, i, x, a); },
             LiveView::Motion::Moving);
    } else {
        const double x = barAxes().ValueAt(at.x());
        edit([&](TransferFunction& tf) { return MoveColourPoint(tf, i, x); },
             LiveView::Motion::Moving);
    }
    dragChanged_ = true;
    showReadout(std::nullopt);
}

void TfPlotWidget::release() {
    if (!dragging_) return;
    dragging_ = false;
    // The hand stopped: the exact image of where the point was left.
    if (dragChanged_) edit([](TransferFunction&) { return true; }, LiveView::Motion::Stopped);
    dragChanged_ = false;
}

void TfPlotWidget::removeAt(QPointF at) {
    const TfPlotLayout l = layout();
    std::optional<std::size_t> hit;
    if (Reach(l.curve).contains(at)) hit = OpacityPointAt(curveAxes(), InUse().opacity, at);
    if (hit) {
        picked_ = Picked{List::Opacity, *hit};
    } else if (Reach(l.bar.united(l.marks)).contains(at)) {
        hit = ColourPointAt(barAxes(), InUse().colour, at.x());
        if (!hit) return;
        picked_ = Picked{List::Colour, *hit};
    } else {
        return;
    }
    removePicked();
}

void TfPlotWidget::removePicked() {
    if (!picked_) return;
    const Picked p = *picked_;
    picked_.reset();
    dragging_ = false;
    edit(
        [&](TransferFunction& tf) {
            return p.list == List::Opacity ? DeleteOpacityPoint(tf, p.index)
                                           : DeleteColourPoint(tf, p.index);
        },
        LiveView::Motion::Stopped);
    showReadout(std::nullopt);
    update();
}

void TfPlotWidget::chooseColour(std::size_t index) {
    if (index >= InUse().colour.size()) return;
    picked_ = Picked{List::Colour, index};
    dragging_ = false;
    update();
    const ColourPoint& p = InUse().colour[index];
    const std::optional<QColor> chosen = ChooseColour(this, ColourOf({p.r, p.g, p.b}));
    if (!chosen) return;
    // The dialog's colours are bytes: 51 reads as 0.2, not as 0.2f.
    const double r = chosen->red() / 255.0, g = chosen->green() / 255.0, b = chosen->blue() / 255.0;
    edit([&](TransferFunction& tf) { return SetPointColour(tf, index, r, g, b); },
         LiveView::Motion::Stopped);
    showReadout(std::nullopt);
}

void TfPlotWidget::showReadout(std::optional<QPointF> hover) {
    if (!onReadout) return;
    const TransferFunction& tf = InUse();
    if (picked_ && picked_->list == List::Opacity && picked_->index < tf.opacity.size()) {
        const OpacityPoint& p = tf.opacity[picked_->index];
        onReadout(QStringLiteral("opacity point %1 of %2: %3, opacity %4")
                      .arg(picked_->index + 1)
                      .arg(tf.opacity.size())
                      .arg(FileValueText(p.x), Number(p.a)));
        return;
    }
    if (picked_ && picked_->list == List::Colour && picked_->index < tf.colour.size()) {
        const ColourPoint& p = tf.colour[picked_->index];
        onReadout(QStringLiteral("colour point %1 of %2: %3, colour %4 %5 %6")
                      .arg(picked_->index + 1)
                      .arg(tf.colour.size())
                      .arg(FileValueText(p.x), Number(p.r), Number(p.g), Number(p.b)));
        return;
    }
    if (!hover) {
        onReadout(QString());
        return;
    }
    const double x = curveAxes().ValueAt(hover->x());
    onReadout(QStringLiteral("%1: opacity %2").arg(FileValueText(x), Number(OpacityAt(tf, x))));
}

void TfPlotWidget::mouseMessage(MouseMessage message, const QMouseEvent& event) {
    const QPointF at = event.position();
    switch (message) {
        case MouseMessage::Press:
        case MouseMessage::DoubleClick:
            setFocus(Qt::MouseFocusReason);
            if (event.button() == Qt::LeftButton) press(message, at);
            if (event.button() == Qt::RightButton) removeAt(at);
            return;
        case MouseMessage::Move:
            if (dragging_ && (event.buttons() & Qt::LeftButton)) {
                drag(at);
            } else if (event.buttons() == Qt::NoButton) {
                showReadout(at);
            }
            return;
        case MouseMessage::Release:
            if (event.button() == Qt::LeftButton) release();
            return;
    }
}

void TfPlotWidget::keyPressEvent(QKeyEvent* event) {
    if ((event->key() == Qt::Key_Delete || event->key() == Qt::Key_Backspace) && picked_) {
        removePicked();
        event->accept();
        return;
    }
    QWidget::keyPressEvent(event);
}

void TfPlotWidget::paintHistogram(QPainter& painter, const TfAxes& axes) {
    const ValueMapping& m = ProgramSession().volume().mapping;
    const QRectF& area = axes.area();
    const std::array<double, kHistogramBins> heights = LogBarHeights(histogram_, area.height());
    painter.setPen(Qt::NoPen);
    painter.setBrush(kHistogramColour);
    for (int b = 0; b < kHistogramBins; ++b) {
        if (heights[b] <= 0.0) continue;
        const double left = axes.PixelX(HistogramBinEdge(m, b));
        const double right = axes.PixelX(HistogramBinEdge(m, b + 1));
        painter.drawRect(QRectF(left, area.bottom() - heights[b], right - left, heights[b]));
    }
}

void TfPlotWidget::paintCurve(QPainter& painter, const TfAxes& axes) {
    const TransferFunction& tf = InUse();
    const QRectF& area = axes.area();
    // The colour each value takes, as high as its opacity.
    for (int px = static_cast<int>(area.left()); px < static_cast<int>(area.right()); ++px) {
        const double x = axes.ValueAt(px + 0.5);
        const double a = std::clamp(OpacityAt(tf, x), 0.0, 1.0);
        painter.fillRect(QRectF(px, axes.PixelY(a), 1.0, area.bottom() - axes.PixelY(a)),
                         ColourOf(ColourAt(tf, x), kUnderCurveAlpha));
    }
    // The curve: its ends at the range's edges, its points in between.
    QPainterPath path;
    path.moveTo(area.left(), axes.PixelY(std::clamp(OpacityAt(tf, axes.lo()), 0.0, 1.0)));
    for (const OpacityPoint& p : tf.opacity) {
        if (p.x > axes.lo() && p.x < axes.hi()) path.lineTo(axes.PixelOf(p));
    }
    path.lineTo(area.right(), axes.PixelY(std::clamp(OpacityAt(tf, axes.hi()), 0.0, 1.0)));
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(kCurveColour, 1.5));
    painter.drawPath(path);
    for (std::size_t i = 0; i < tf.opacity.size(); ++i) {
        const OpacityPoint& p = tf.opacity[i];
        const bool picked = picked_ == Picked{List::Opacity, i};
        const bool beyond = p.x < axes.lo() || p.x > axes.hi();
        painter.setPen(QPen(picked ? kPickedColour : kCurveColour, 1.5));
        // A point beyond the range stands hollow at its edge.
        painter.setBrush(beyond ? QBrush(Qt::NoBrush)
                                : QBrush(picked ? kPickedColour : kBackground));
        painter.drawEllipse(axes.PixelOf(p), kPointRadius, kPointRadius);
    }
}

void TfPlotWidget::paintBar(QPainter& painter, const TfPlotLayout& l) {
    const TransferFunction& tf = InUse();
    const TfAxes axes(l.bar, curveAxes().lo(), curveAxes().hi());
    for (int px = static_cast<int>(l.bar.left()); px < static_cast<int>(l.bar.right()); ++px) {
        painter.fillRect(QRectF(px, l.bar.top(), 1.0, l.bar.height()),
                         ColourOf(ColourAt(tf, axes.ValueAt(px + 0.5))));
    }
    painter.setPen(QPen(kGridColour, 1.0));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(l.bar);
    // A mark under the bar for each point, pointing up at its place; marks
    // closer than their width (a map of many points) narrow so as not to overlap.
    double half = kTfMarkHeight / 2;
    for (std::size_t i = 1; i < tf.colour.size(); ++i) {
        const double gap = axes.MarkX(tf.colour[i]) - axes.MarkX(tf.colour[i - 1]);
        if (gap > 0) half = std::min(half, std::max(gap / 2, 1.0));
    }
    for (std::size_t i = 0; i < tf.colour.size(); ++i) {
        const ColourPoint& p = tf.colour[i];
        const double x = axes.MarkX(p);
        const bool picked = picked_ == Picked{List::Colour, i};
        const QPointF mark[] = {
            {x, l.marks.top()}, {x - half, l.marks.bottom()}, {x + half, l.marks.bottom()}};
        // Outlines would paint a crowd of narrow marks white.
        if (picked) {
            painter.setPen(QPen(kPickedColour, 2.0));
        } else if (half >= kTfMarkHeight / 4) {
            painter.setPen(QPen(kCurveColour, 1.0));
        } else {
            painter.setPen(Qt::NoPen);
        }
        painter.setBrush(ColourOf({p.r, p.g, p.b}));
        painter.drawPolygon(mark, 3);
    }
    // The range's ends under the marks.
    const QRectF text(l.marks.left(), l.marks.bottom(), l.marks.width(),
                      height() - l.marks.bottom());
    painter.setPen(kTextColour);
    painter.drawText(text, Qt::AlignLeft | Qt::AlignTop, FileValueText(axes.lo()));
    painter.drawText(text, Qt::AlignRight | Qt::AlignTop, FileValueText(axes.hi()));
}

void TfPlotWidget::paintEvent(QPaintEvent* /*event*/) {
    followVolume();
    QPainter painter(this);
    painter.fillRect(rect(), kBackground);
    const TfPlotLayout l = layout();
    const TfAxes axes = curveAxes();
    painter.fillRect(l.curve, kCurveBackground);
    paintHistogram(painter, axes);
    painter.setPen(QPen(kGridColour, 1.0, Qt::DotLine));
    for (double a : kOpacityGrid) {
        painter.drawLine(QPointF(l.curve.left(), axes.PixelY(a)),
                         QPointF(l.curve.right(), axes.PixelY(a)));
    }
    painter.setRenderHint(QPainter::Antialiasing, true);
    paintCurve(painter, axes);
    painter.setRenderHint(QPainter::Antialiasing, false);
    paintBar(painter, l);
}

TfWindow::TfWindow(QWidget* parent) : QWidget(parent) {
    setWindowTitle(QString::fromLatin1(kTfWindowTitle));
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(6, 6, 6, 6);
    auto* row = new QHBoxLayout;
    row->addWidget(new QLabel(QString::fromLatin1(kTfPresetLabel), this));
    presets_ = new QComboBox(this);
    presets_->setObjectName(QStringLiteral("tfPreset"));
    presets_->setPlaceholderText(QString::fromLatin1(kTfEditedPreset));
    for (const TfPresetRow& preset : kTfPresets) {
        presets_->addItem(
            QString::fromUtf8(preset.name.data(), static_cast<qsizetype>(preset.name.size())));
    }
    // Activated, not changed: choosing the preset shown again undoes the edits.
    connect(presets_, &QComboBox::activated, this, [this](int index) {
        if (index >= 0) ChooseTfPreset(presets_->itemText(index).toStdString());
    });
    row->addWidget(presets_);
    row->addStretch(1);
    load_ = new QPushButton(QString::fromLatin1(kTfLoadLabel), this);
    load_->setObjectName(QStringLiteral("tfLoad"));
    connect(load_, &QPushButton::clicked, this, [this] { LoadTransferFunctionFile(this); });
    row->addWidget(load_);
    save_ = new QPushButton(QString::fromLatin1(kTfSaveLabel), this);
    save_->setObjectName(QStringLiteral("tfSave"));
    connect(save_, &QPushButton::clicked, this, [this] { SaveTransferFunctionFile(this); });
    row->addWidget(save_);
    column->addLayout(row);
    plot_ = new TfPlotWidget(this);
    column->addWidget(plot_, 1);
    readout_ = new QLabel(this);
    readout_->setObjectName(QStringLiteral("tfReadout"));
    column->addWidget(readout_);
    plot_->onReadout = [this](const QString& text) { readout_->setText(text); };
    connect(&TransferFunctionChanges(), &TfSignals::changed, this, [this] { refresh(); });
    refresh();
}

void TfWindow::refresh() {
    const QSignalBlocker block(presets_);
    const QString preset = QString::fromStdString(InUse().preset);
    presets_->setCurrentIndex(preset.isEmpty() ? -1 : presets_->findText(preset));
    plot_->transferFunctionChanged();
}

void ShowTransferFunctionWindow() {
    if (window) {
        if (auto* sub = qobject_cast<QMdiSubWindow*>(window->parentWidget())) {
            sub->showNormal();
            sub->raise();
        }
        window->plot()->setFocus();
        return;
    }
    QMdiSubWindow* sub = AddModelWindow(
        [](QWidget* parent) {
            window = new TfWindow(parent);
            return window.data();
        },
        QString::fromLatin1(kTfWindowTitle), false);
    if (!sub || !mdiClient) return;
    // In the client's top right corner, over the model windows; they keep
    // their places and sizes (a resize would cost a render).
    const QSize client = mdiClient->viewport()->size();
    sub->resize(kWindowSize.boundedTo(client.expandedTo(QSize(320, 200))));
    sub->move(std::max(client.width() - sub->width(), 0), 0);
}

TfWindow* TransferFunctionWindow() {
    return window;
}

void SetTfColourChooser(TfColourChooser chooser) {
    InstalledColourChooser() = std::move(chooser);
}

}  // namespace calyra::ui
