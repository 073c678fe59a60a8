#include "ui/tf_plot.h"

#include <algorithm>
#include <cmath>

namespace calyra::ui {
namespace {

constexpr double kBarGap = 6.0;  // between the curve's area and the colour bar

// A band of rows from top, height tall, across the plot's columns.
QRectF Band(double left, double right, double top, double height) {
    return QRectF(left, top, std::max(right - left, 0.0), std::max(height, 0.0));
}

}  // namespace

TfPlotLayout LayOutTfPlot(QSizeF size, double textHeight) {
    const double left = kTfPlotMargin;
    const double right = size.width() - kTfPlotMargin;
    const double textTop = size.height() - kTfPlotMargin / 2 - textHeight;
    const double marksTop = textTop - kTfMarkHeight;
    const double barTop = marksTop - kTfBarHeight;
    const double curveBottom = barTop - kBarGap;
    return {Band(left, right, kTfPlotMargin, curveBottom - kTfPlotMargin),
            Band(left, right, barTop, kTfBarHeight), Band(left, right, marksTop, kTfMarkHeight)};
}

TfAxes::TfAxes(QRectF area, double lo, double hi)
    : area_(area), lo_(lo), hi_(hi > lo ? hi : lo + 1.0) {}

double TfAxes::PixelX(double x) const {
    return area_.left() + (x - lo_) * area_.width() / (hi_ - lo_);
}

double TfAxes::PixelY(double a) const {
    return area_.bottom() - a * area_.height();
}

QPointF TfAxes::PixelOf(const OpacityPoint& p) const {
    return {PixelX(std::clamp(p.x, lo_, hi_)), PixelY(std::clamp(p.a, 0.0, 1.0))};
}

double TfAxes::MarkX(const ColourPoint& p) const {
    return PixelX(std::clamp(p.x, lo_, hi_));
}

double TfAxes::ValueAt(double px) const {
    if (!(area_.width() > 0.0)) return lo_;
    const double x = lo_ + (px - area_.left()) * (hi_ - lo_) / area_.width();
    return std::clamp(x, lo_, hi_);
}

double TfAxes::OpacityAt(double py) const {
    if (!(area_.height() > 0.0)) return 0.0;
    return std::clamp((area_.bottom() - py) / area_.height(), 0.0, 1.0);
}

namespace {

// The nearest within radius by the distance given; ties go to the later.
template <typename Point, typename Distance>
std::optional<std::size_t> Nearest(const std::vector<Point>& points, double radius,
                                   Distance distance) {
    std::optional<std::size_t> best;
    double bestDistance = radius;
    for (std::size_t i = 0; i < points.size(); ++i) {
        const double d = distance(points[i]);
        if (d <= bestDistance) {
            best = i;
            bestDistance = d;
        }
    }
    return best;
}

}  // namespace

std::optional<std::size_t> OpacityPointAt(const TfAxes& axes,
                                          const std::vector<OpacityPoint>& points, QPointF at,
                                          double radius) {
    return Nearest(points, radius, [&](const OpacityPoint& p) {
        const QPointF d = axes.PixelOf(p) - at;
        return std::hypot(d.x(), d.y());
    });
}

std::optional<std::size_t> ColourPointAt(const TfAxes& axes, const std::vector<ColourPoint>& points,
                                         double px, double radius) {
    return Nearest(points, radius,
                   [&](const ColourPoint& p) { return std::fabs(axes.MarkX(p) - px); });
}

std::array<double, kHistogramBins> LogBarHeights(const FineHistogram& histogram, double height) {
    std::array<double, kHistogramBins> heights{};
    const std::uint64_t largest = *std::max_element(histogram.begin(), histogram.end());
    if (largest == 0) return heights;
    const double top = std::log1p(static_cast<double>(largest));
    for (int b = 0; b < kHistogramBins; ++b) {
        heights[b] = height * std::log1p(static_cast<double>(histogram[b])) / top;
    }
    return heights;
}

}  // namespace calyra::ui
