#include "render/tf_tables.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstddef>
#include <vector>

namespace calyra {
namespace {

constexpr int kEntries = TfTables::kEntries;
using EntryXs = std::array<double, kEntries>;

// Unlike std::clamp, NaN (points so far apart that their differences
// overflow) becomes 0, so the renderer never meets it.
double Clamp01(double v) {
    if (!(v > 0.0)) return 0.0;
    return v < 1.0 ? v : 1.0;
}

// Non-decreasing, with no NaN.
template <typename Sequence, typename X>
bool InOrder(const Sequence& items, X x) {
    for (std::size_t k = 1; k < items.size(); ++k)
        if (!(x(items[k - 1]) <= x(items[k]))) return false;
    return true;
}

// The value at x given n, the number of points with x_i <= x found as the
// rule finds them (n - 1 is the rule's i).
template <typename Point, typename Value>
double ValueFrom(const std::vector<Point>& points, std::size_t n, double x, Value value) {
    if (n == 0) return value(points.front());
    if (n == points.size()) return value(points.back());
    return BetweenPoints(value(points[n - 1]), value(points[n]), x, points[n - 1].x, points[n].x);
}

// Calls store(e, n) for every entry. With the points and the entries both in
// order, n only grows and one walk serves all entries; otherwise each entry
// searches from the end as the rule is stated.
template <typename Point, typename Store>
void WalkEntries(const std::vector<Point>& points, const EntryXs& xs, bool xsInOrder, Store store) {
    const bool walk = xsInOrder && InOrder(points, [](const Point& p) { return p.x; });
    std::size_t n = 0;
    for (int e = 0; e < kEntries; ++e) {
        const double x = xs[static_cast<std::size_t>(e)];
        if (walk) {
            while (n < points.size() && points[n].x <= x) ++n;
        } else {
            n = points.size();
            while (n > 0 && !(points[n - 1].x <= x)) --n;
        }
        store(e, n, x);
    }
}

}  // namespace

double TfEntryX(int e, double lo, double hi) {
    const double f = 16.0 * e + 8.0;
    return lo + (f * (hi - lo)) / 65535.0;
}

void BuildTfTables(const TransferFunction& tf, double lo, double hi, bool interpolate,
                   TfTables& out) {
    EntryXs xs;
    for (int e = 0; e < kEntries; ++e) xs[static_cast<std::size_t>(e)] = TfEntryX(e, lo, hi);
    const bool xsInOrder = InOrder(xs, [](double x) { return x; });

    if (tf.opacity.empty()) {
        std::fill(std::begin(out.opacity), std::end(out.opacity), 0.0f);
    } else {
        WalkEntries(tf.opacity, xs, xsInOrder, [&](int e, std::size_t n, double x) {
            double a =
                Clamp01(ValueFrom(tf.opacity, n, x, [](const OpacityPoint& p) { return p.a; }));
            if (interpolate) a = 1.0 - std::sqrt(1.0 - a);
            out.opacity[e] = static_cast<float>(a);
        });
    }

    if (tf.colour.empty()) {
        for (float(&rgb)[3] : out.colour) std::fill(std::begin(rgb), std::end(rgb), 0.0f);
    } else {
        WalkEntries(tf.colour, xs, xsInOrder, [&](int e, std::size_t n, double x) {
            const auto& c = tf.colour;
            out.colour[e][0] = static_cast<float>(
                Clamp01(ValueFrom(c, n, x, [](const ColourPoint& p) { return p.r; })));
            out.colour[e][1] = static_cast<float>(
                Clamp01(ValueFrom(c, n, x, [](const ColourPoint& p) { return p.g; })));
            out.colour[e][2] = static_cast<float>(
                Clamp01(ValueFrom(c, n, x, [](const ColourPoint& p) { return p.b; })));
        });
    }

    out.shading = tf.shading.on;
    if (tf.shading.on) {
        out.ka = static_cast<float>(tf.shading.ka);
        out.kd = static_cast<float>(tf.shading.kd);
        out.ks = static_cast<float>(tf.shading.ks);
        out.p = std::clamp(tf.shading.p, kLowestSpecularPower, kHighestSpecularPower);
    } else {
        out.ka = out.kd = out.ks = 0.0f;
        out.p = 1;
    }
}

}  // namespace calyra
