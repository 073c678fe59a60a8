// Transfer functions of the Composite type: an opacity and a colour for every
// value, in the volume's file units, as piecewise-linear functions of points,
// with the shading the lit samples take.
#pragma once

#include <array>
#include <cstddef>
#include <string>
#include <vector>

namespace calyra {

struct OpacityPoint {
    double x, a;
    bool operator==(const OpacityPoint&) const = default;
};

struct ColourPoint {
    double x, r, g, b;
    bool operator==(const ColourPoint&) const = default;
};

// Ambient, diffuse and specular weights and the specular power. When off the
// numbers are kept but unused.
struct TfShading {
    bool on = true;
    double ka = 0.2, kd = 0.8, ks = 0.0;
    int p = 1;
    bool operator==(const TfShading&) const = default;
};

inline constexpr int kLowestSpecularPower = 1;
inline constexpr int kHighestSpecularPower = 128;

// Each list sorted by x (equal x is a step). preset names the preset the
// points were made from; while it is set the points follow each volume's
// range (ForVolume), and every edit clears it.
struct TransferFunction {
    std::vector<OpacityPoint> opacity;
    std::vector<ColourPoint> colour;
    TfShading shading;
    std::string preset;
    bool operator==(const TransferFunction&) const = default;
};

// The functions' values at x: with i the last point whose x_i <= x,
// v_i + ((v_{i+1} - v_i) * (x - x_i)) / (x_{i+1} - x_i) in double; the first
// value before the first point, the last at or after the last point. Not
// clamped. An empty list gives 0 (black).
double OpacityAt(const TransferFunction& tf, double x);
std::array<double, 3> ColourAt(const TransferFunction& tf, double x);

// The rule between points i and i + 1 (x0 <= x < x1), shared with the tables.
inline double BetweenPoints(double v0, double v1, double x, double x0, double x1) {
    return v0 + ((v1 - v0) * (x - x0)) / (x1 - x0);
}

// Editing. Each returns whether it changed the function; one that did clears
// the preset name. Opacities and colours are clamped to 0..1; x, a and colour
// values that are not finite are refused, as are indices outside the list.

// Every point of both lists moves by dx.
bool ShiftPoints(TransferFunction& tf, double dx);

// A new point goes after the points of equal or smaller x; index receives
// where it went.
bool AddOpacityPoint(TransferFunction& tf, OpacityPoint point, std::size_t* index = nullptr);
// x is held between the neighbours' x: a point never passes another.
bool MoveOpacityPoint(TransferFunction& tf, std::size_t i, double x, double a);
// The last point stays: a list never becomes empty.
bool DeleteOpacityPoint(TransferFunction& tf, std::size_t i);

bool AddColourPoint(TransferFunction& tf, ColourPoint point, std::size_t* index = nullptr);
bool MoveColourPoint(TransferFunction& tf, std::size_t i, double x);
bool SetPointColour(TransferFunction& tf, std::size_t i, double r, double g, double b);
bool DeleteColourPoint(TransferFunction& tf, std::size_t i);

// A shading change is an edit too: the preset's own shading would come back
// with the next volume otherwise. p is held to 1..128, negative weights to 0.
bool SetShading(TransferFunction& tf, TfShading shading);

}  // namespace calyra
