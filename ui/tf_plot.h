// The geometry of the transfer-function editor, apart from the widget: where
// its curve and colour bar lie, how widget pixels map to file values and
// opacities and back, which point a pointer is on, and how tall the
// histogram's bars stand.
#pragma once

#include <QPointF>
#include <QRectF>
#include <QSizeF>
#include <array>
#include <cstddef>
#include <optional>
#include <vector>

#include "render/transfer_function.h"
#include "volume/fine_histogram.h"

namespace calyra::ui {

// The opacity curve over the histogram, and under it the colour bar with
// its points' marks below it.
struct TfPlotLayout {
    QRectF curve;
    QRectF bar;
    QRectF marks;
};
inline constexpr double kTfPlotMargin = 10.0;
inline constexpr double kTfBarHeight = 18.0;
inline constexpr double kTfMarkHeight = 10.0;
// How near a point the pointer must be to take it, in pixels.
inline constexpr double kTfPickRadius = 6.0;

// The areas for a widget of this size; the text under the marks (the
// range's ends) takes textHeight. Areas never have a negative size.
TfPlotLayout LayOutTfPlot(QSizeF size, double textHeight);

// File values lo..hi from the area's left edge to its right edge,
// opacities 0..1 from its bottom edge to its top edge. A range that is
// empty or upside down (a volume of one value) shows lo..lo + 1.
class TfAxes {
  public:
    TfAxes(QRectF area, double lo, double hi);

    double lo() const { return lo_; }
    double hi() const { return hi_; }
    const QRectF& area() const { return area_; }

    double PixelX(double x) const;
    double PixelY(double a) const;
    // Where a point is drawn: a point beyond the range stands at its edge,
    // so that it can still be taken.
    QPointF PixelOf(const OpacityPoint& p) const;
    double MarkX(const ColourPoint& p) const;

    // The file value and opacity at a pixel, held to lo..hi and 0..1.
    double ValueAt(double px) const;
    double OpacityAt(double py) const;

  private:
    QRectF area_;
    double lo_, hi_;
};

// The point drawn nearest to at, if within radius pixels; of points drawn
// at the same place, the later one (the one drawn on top).
std::optional<std::size_t> OpacityPointAt(const TfAxes& axes,
                                          const std::vector<OpacityPoint>& points, QPointF at,
                                          double radius = kTfPickRadius);
// The colour point whose mark is nearest to column px, if within radius.
std::optional<std::size_t> ColourPointAt(const TfAxes& axes, const std::vector<ColourPoint>& points,
                                         double px, double radius = kTfPickRadius);

// Bar heights in pixels for a plot height pixels tall: log(1 + count) over
// log(1 + the largest count), so that a few voxels still show beside the
// background's millions. All 0 for an empty histogram.
std::array<double, kHistogramBins> LogBarHeights(const FineHistogram& histogram, double height);

}  // namespace calyra::ui
