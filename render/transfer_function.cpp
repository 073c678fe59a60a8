#include "render/transfer_function.h"

#include <algorithm>
#include <cmath>
#include <initializer_list>

namespace calyra {
namespace {

double Clamp01(double v) {
    return std::clamp(v, 0.0, 1.0);
}

// The literal rule over any list (sorted or not): the last point whose x is
// at most x, found from the end.
template <typename Point, typename Value>
double ValueAt(const std::vector<Point>& points, double x, Value value) {
    if (points.empty()) return 0.0;
    std::size_t n = points.size();
    while (n > 0 && !(points[n - 1].x <= x)) --n;
    if (n == 0) return value(points.front());
    const std::size_t i = n - 1;
    if (i + 1 == points.size()) return value(points.back());
    return BetweenPoints(value(points[i]), value(points[i + 1]), x, points[i].x, points[i + 1].x);
}

// Where a point of this x goes: after every point of equal or smaller x.
template <typename Point>
std::size_t InsertionIndex(const std::vector<Point>& points, double x) {
    const auto at = std::upper_bound(points.begin(), points.end(), x,
                                     [](double v, const Point& p) { return v < p.x; });
    return static_cast<std::size_t>(at - points.begin());
}

// x held between the neighbours of point i.
template <typename Point>
double BetweenNeighbours(const std::vector<Point>& points, std::size_t i, double x) {
    if (i > 0) x = std::max(x, points[i - 1].x);
    if (i + 1 < points.size()) x = std::min(x, points[i + 1].x);
    return x;
}

bool AllFinite(std::initializer_list<double> values) {
    return std::all_of(values.begin(), values.end(), [](double v) { return std::isfinite(v); });
}

bool Edited(TransferFunction& tf) {
    tf.preset.clear();
    return true;
}

}  // namespace

double OpacityAt(const TransferFunction& tf, double x) {
    return ValueAt(tf.opacity, x, [](const OpacityPoint& p) { return p.a; });
}

std::array<double, 3> ColourAt(const TransferFunction& tf, double x) {
    return {ValueAt(tf.colour, x, [](const ColourPoint& p) { return p.r; }),
            ValueAt(tf.colour, x, [](const ColourPoint& p) { return p.g; }),
            ValueAt(tf.colour, x, [](const ColourPoint& p) { return p.b; })};
}

bool ShiftPoints(TransferFunction& tf, double dx) {
    if (!std::isfinite(dx)) return false;
    // All or nothing: a shift that would carry a point out of double's range
    // is refused rather than leaving the lists half moved.
    for (const OpacityPoint& p : tf.opacity)
        if (!std::isfinite(p.x + dx)) return false;
    for (const ColourPoint& p : tf.colour)
        if (!std::isfinite(p.x + dx)) return false;
    for (OpacityPoint& p : tf.opacity) p.x += dx;
    for (ColourPoint& p : tf.colour) p.x += dx;
    return Edited(tf);
}

bool AddOpacityPoint(TransferFunction& tf, OpacityPoint point, std::size_t* index) {
    if (!AllFinite({point.x, point.a})) return false;
    const std::size_t at = InsertionIndex(tf.opacity, point.x);
    tf.opacity.insert(tf.opacity.begin() + static_cast<std::ptrdiff_t>(at),
                      {point.x, Clamp01(point.a)});
    if (index) *index = at;
    return Edited(tf);
}

bool MoveOpacityPoint(TransferFunction& tf, std::size_t i, double x, double a) {
    if (i >= tf.opacity.size() || !AllFinite({x, a})) return false;
    tf.opacity[i] = {BetweenNeighbours(tf.opacity, i, x), Clamp01(a)};
    return Edited(tf);
}

bool DeleteOpacityPoint(TransferFunction& tf, std::size_t i) {
    if (i >= tf.opacity.size() || tf.opacity.size() == 1) return false;
    tf.opacity.erase(tf.opacity.begin() + static_cast<std::ptrdiff_t>(i));
    return Edited(tf);
}

bool AddColourPoint(TransferFunction& tf, ColourPoint point, std::size_t* index) {
    if (!AllFinite({point.x, point.r, point.g, point.b})) return false;
    const std::size_t at = InsertionIndex(tf.colour, point.x);
    tf.colour.insert(tf.colour.begin() + static_cast<std::ptrdiff_t>(at),
                     {point.x, Clamp01(point.r), Clamp01(point.g), Clamp01(point.b)});
    if (index) *index = at;
    return Edited(tf);
}

bool MoveColourPoint(TransferFunction& tf, std::size_t i, double x) {
    if (i >= tf.colour.size() || !std::isfinite(x)) return false;
    tf.colour[i].x = BetweenNeighbours(tf.colour, i, x);
    return Edited(tf);
}

bool SetPointColour(TransferFunction& tf, std::size_t i, double r, double g, double b) {
    if (i >= tf.colour.size() || !AllFinite({r, g, b})) return false;
    ColourPoint& p = tf.colour[i];
    p.r = Clamp01(r);
    p.g = Clamp01(g);
    p.b = Clamp01(b);
    return Edited(tf);
}

bool DeleteColourPoint(TransferFunction& tf, std::size_t i) {
    if (i >= tf.colour.size() || tf.colour.size() == 1) return false;
    tf.colour.erase(tf.colour.begin() + static_cast<std::ptrdiff_t>(i));
    return Edited(tf);
}

bool SetShading(TransferFunction& tf, TfShading shading) {
    if (!AllFinite({shading.ka, shading.kd, shading.ks})) return false;
    shading.ka = std::max(shading.ka, 0.0);
    shading.kd = std::max(shading.kd, 0.0);
    shading.ks = std::max(shading.ks, 0.0);
    shading.p = std::clamp(shading.p, kLowestSpecularPower, kHighestSpecularPower);
    tf.shading = shading;
    return Edited(tf);
}

}  // namespace calyra
