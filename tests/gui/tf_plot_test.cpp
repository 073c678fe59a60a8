// The transfer-function editor's geometry without its widget: the areas,
// pixels to file values and opacities and back, which point the pointer
// takes, and the histogram's log heights.
#include "ui/tf_plot.h"

#include <gtest/gtest.h>

#include <cmath>

#include "tests/test_support.h"

namespace calyra::ui {
namespace {

TEST(TfPlotLayout, CurveBarAndMarksStackInsideTheWidgetWithoutOverlapping) {
    for (const QSizeF size : {QSizeF(560, 300), QSizeF(241, 141), QSizeF(1200, 800)}) {
        SCOPED_TRACE(::testing::Message() << size.width() << " x " << size.height());
        const TfPlotLayout l = LayOutTfPlot(size, 14);
        const QRectF widget(QPointF(0, 0), size);
        for (const QRectF& area : {l.curve, l.bar, l.marks}) {
            EXPECT_TRUE(widget.contains(area));
            EXPECT_DOUBLE_EQ(area.left(), l.curve.left());
            EXPECT_DOUBLE_EQ(area.width(), l.curve.width());
        }
        EXPECT_GT(l.curve.height(), 0);
        EXPECT_LT(l.curve.bottom(), l.bar.top());
        EXPECT_LE(l.bar.bottom(), l.marks.top());
        // The range's ends are written under the marks.
        EXPECT_LE(l.marks.bottom() + 14, size.height());
    }
    // Too small for everything: nothing turns inside out.
    const TfPlotLayout tiny = LayOutTfPlot(QSizeF(8, 20), 14);
    for (const QRectF& area : {tiny.curve, tiny.bar, tiny.marks}) {
        EXPECT_GE(area.width(), 0);
        EXPECT_GE(area.height(), 0);
    }
}

struct AxesCase {
    const char* label;
    QRectF area;
    double lo, hi;
};

class TfAxesTest : public ::testing::TestWithParam<AxesCase> {};

TEST_P(TfAxesTest, EdgesAreTheRangeAndPixelsMapBackToTheirValues) {
    const AxesCase& c = GetParam();
    const TfAxes axes(c.area, c.lo, c.hi);
    EXPECT_DOUBLE_EQ(axes.PixelX(c.lo), c.area.left());
    EXPECT_DOUBLE_EQ(axes.PixelX(c.hi), c.area.right());
    EXPECT_DOUBLE_EQ(axes.PixelY(0.0), c.area.bottom());
    EXPECT_DOUBLE_EQ(axes.PixelY(1.0), c.area.top());
    for (double t : {0.0, 0.125, 0.5, 0.9, 1.0}) {
        const double x = c.lo + t * (c.hi - c.lo);
        EXPECT_NEAR(axes.ValueAt(axes.PixelX(x)), x, 1e-9 * (c.hi - c.lo)) << t;
        EXPECT_NEAR(axes.OpacityAt(axes.PixelY(t)), t, 1e-12) << t;
    }
    // Beyond the area the values stop at the range's ends.
    EXPECT_EQ(axes.ValueAt(c.area.left() - 50), c.lo);
    EXPECT_EQ(axes.ValueAt(c.area.right() + 50), c.hi);
    EXPECT_EQ(axes.OpacityAt(c.area.top() - 50), 1.0);
    EXPECT_EQ(axes.OpacityAt(c.area.bottom() + 50), 0.0);
    // A point beyond the range stands at its edge, its opacity held to 0..1.
    EXPECT_EQ(axes.PixelOf({c.lo - 1000, 2.0}), QPointF(c.area.left(), c.area.top()));
    EXPECT_EQ(axes.PixelOf({c.hi + 1000, -1.0}), QPointF(c.area.right(), c.area.bottom()));
    EXPECT_EQ(axes.MarkX({c.hi + 5, 0, 0, 0}), c.area.right());
}

INSTANTIATE_TEST_SUITE_P(Ranges, TfAxesTest,
                         ::testing::Values(AxesCase{"bytes", QRectF(10, 10, 540, 200), 0, 255},
                                           AxesCase{"hounsfield", QRectF(10, 10, 540, 200), -1024,
                                                    3071},
                                           AxesCase{"offset", QRectF(37.5, 4, 101, 33), 0.25, 0.75},
                                           AxesCase{"pet", QRectF(0, 0, 1000, 1000), 0, 1.5e6}),
                         test::kByLabel);

TEST(TfAxes, AVolumeOfOneValueShowsARangeOfOneUnit) {
    for (const double hi : {5.0, 4.0}) {
        const TfAxes axes(QRectF(0, 0, 100, 50), 5.0, hi);
        EXPECT_EQ(axes.lo(), 5.0);
        EXPECT_EQ(axes.hi(), 6.0);
        EXPECT_DOUBLE_EQ(axes.ValueAt(50), 5.5);
    }
    // An area without width or height answers the range's start.
    const TfAxes flat(QRectF(0, 0, 0, 0), 0, 255);
    EXPECT_EQ(flat.ValueAt(10), 0.0);
    EXPECT_EQ(flat.OpacityAt(10), 0.0);
}

TEST(TfHitTest, TakesTheNearestPointWithinTheRadiusAndTheTopOneOfEquals) {
    // 1 pixel a unit across, 1/100 of opacity a pixel up.
    const TfAxes axes(QRectF(0, 0, 100, 100), 0, 100);
    const std::vector<OpacityPoint> points = {{10, 0.5}, {20, 0.5}, {20, 0.5},
                                              {30, 0.0}, {30, 1.0}, {-50, 0.2}};
    struct Case {
        QPointF at;
        std::optional<std::size_t> expected;
    };
    const Case cases[] = {
        {{10, 50}, 0},
        {{14, 50}, 0},                         // nearer 10 than 20
        {{16, 50}, 2},                         // nearer 20: of the two there, the later
        {{10, 50 + kTfPickRadius}, 0},         // on the radius
        {{10, 50 + kTfPickRadius + 0.5}, {}},  // just beyond it
        {{30, 98}, 3},                         // a step: its low end
        {{30, 2}, 4},                          // and its high end
        {{0, 80}, 5},                          // beyond the range, at the left edge
        {{60, 50}, {}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(OpacityPointAt(axes, points, c.at), c.expected) << c.at.x() << ", " << c.at.y();
    }
    EXPECT_EQ(OpacityPointAt(axes, {}, QPointF(10, 50)), std::nullopt);
}

TEST(TfHitTest, ColourMarksAreTakenByColumnAlone) {
    const TfAxes axes(QRectF(0, 200, 100, 18), 0, 100);
    const std::vector<ColourPoint> points = {{0, 0, 0, 0}, {50, 1, 0, 0}, {100, 1, 1, 1}};
    EXPECT_EQ(ColourPointAt(axes, points, 52), std::optional<std::size_t>(1));
    EXPECT_EQ(ColourPointAt(axes, points, 50 - kTfPickRadius), std::optional<std::size_t>(1));
    EXPECT_EQ(ColourPointAt(axes, points, 30), std::nullopt);
    EXPECT_EQ(ColourPointAt(axes, points, 99), std::optional<std::size_t>(2));
    EXPECT_EQ(ColourPointAt(axes, points, 2, 1.0), std::nullopt);
}

TEST(TfHistogramBars, HeightsFollowTheLogarithmOfTheCounts) {
    FineHistogram h{};
    EXPECT_EQ(LogBarHeights(h, 200), (std::array<double, kHistogramBins>{}));
    h[0] = 9999;  // 1 + count = 10^4
    h[1] = 99;    // 10^2: half as high
    h[2] = 1;     // a single voxel still shows
    h[255] = 9999;
    const std::array<double, kHistogramBins> heights = LogBarHeights(h, 200);
    EXPECT_DOUBLE_EQ(heights[0], 200);
    EXPECT_DOUBLE_EQ(heights[255], 200);
    EXPECT_NEAR(heights[1], 100, 1e-9);
    EXPECT_NEAR(heights[2], 200 * std::log(2.0) / std::log(1e4), 1e-9);
    EXPECT_GT(heights[2], 10);
    EXPECT_EQ(heights[3], 0);
}

}  // namespace
}  // namespace calyra::ui
