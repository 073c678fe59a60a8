// The transfer function's keys in view files: its opacity points, its
// colour points, its shading and the name of an unedited preset. Numbers
// are doubles written bit for bit.
#include <algorithm>
#include <cmath>

#include "base/hex_number.h"
#include "render/setting_table.h"
#include "volume/volume_store.h"

namespace calyra::setting_rules {
namespace {

constexpr long long kMostPoints = 4096;

// "N" and then N groups of `per` finite numbers; false with nothing read
// otherwise.
bool ReadGroups(const std::vector<std::string>& w, std::size_t per,
                std::vector<std::vector<double>>& groups) {
    if (w.empty()) return false;
    const std::optional<long long> n = ParseWholeNumber(w[0], 1, kMostPoints);
    if (!n || w.size() != 1 + static_cast<std::size_t>(*n) * per) return false;
    groups.assign(static_cast<std::size_t>(*n), std::vector<double>(per));
    for (std::size_t k = 1; k < w.size(); ++k) {
        const std::optional<double> v = ParseFiniteDoubleNumber(w[k]);
        if (!v) return false;
        groups[(k - 1) / per][(k - 1) % per] = *v;
    }
    return true;
}

bool InUnitRange(double v) {
    return v >= 0.0 && v <= 1.0;
}

// A point from its group of numbers, whether it is one, and its words.
OpacityPoint MakePoint(const std::vector<double>& g, OpacityPoint*) {
    return {g[0], g[1]};
}
ColourPoint MakePoint(const std::vector<double>& g, ColourPoint*) {
    return {g[0], g[1], g[2], g[3]};
}
bool Valid(const OpacityPoint& p) {
    return InUnitRange(p.a);
}
bool Valid(const ColourPoint& p) {
    return InUnitRange(p.r) && InUnitRange(p.g) && InUnitRange(p.b);
}
std::string PointWords(const OpacityPoint& p) {
    return " " + Hex(p.x) + " " + Hex(p.a);
}
std::string PointWords(const ColourPoint& p) {
    return " " + Hex(p.x) + " " + Hex(p.r) + " " + Hex(p.g) + " " + Hex(p.b);
}

// "N" and N points of `per` numbers each, sorted by x, into points.
template <typename Point>
std::string ReadPoints(const std::vector<std::string>& w, std::size_t per, const char* reason,
                       std::vector<Point>& into) {
    std::vector<std::vector<double>> groups;
    if (!ReadGroups(w, per, groups)) return reason;
    std::vector<Point> points;
    for (const std::vector<double>& g : groups) {
        points.push_back(MakePoint(g, static_cast<Point*>(nullptr)));
        if (!Valid(points.back())) return reason;
    }
    const auto byX = [](const Point& a, const Point& b) { return a.x < b.x; };
    if (!std::is_sorted(points.begin(), points.end(), byX)) return reason;
    into = std::move(points);
    return {};
}

template <typename Point>
std::string WritePoints(const std::vector<Point>& points) {
    std::string text = std::to_string(points.size());
    for (const Point& p : points) text += PointWords(p);
    return text;
}

}  // namespace

std::string ReadTfOpacity(const std::vector<std::string>& w, UserSettings& s) {
    return ReadPoints(w, 2,
                      "takes N (1..4096) and N finite pairs X A, A from 0 to 1, X never falling",
                      s.transferFunction.opacity);
}

std::string WriteTfOpacity(const UserSettings& s) {
    return WritePoints(s.transferFunction.opacity);
}

std::string ReadTfColour(const std::vector<std::string>& w, UserSettings& s) {
    return ReadPoints(
        w, 4, "takes N (1..4096) and N finite groups X R G B, R G B from 0 to 1, X never falling",
        s.transferFunction.colour);
}

std::string WriteTfColour(const UserSettings& s) {
    return WritePoints(s.transferFunction.colour);
}

std::string ReadTfShading(const std::vector<std::string>& w, UserSettings& s) {
    TfShading& shading = s.transferFunction.shading;
    // Off keeps no numbers: they would be unused.
    if (w.size() == 1 && w[0] == "off") {
        shading = TfShading{false};
        return {};
    }
    const char* const reason =
        "takes off, or KA KD KS P: finite KA, KD, KS of at least 0 and a whole P from 1 to 128";
    if (w.size() != 4) return reason;
    double k[3];
    for (int i = 0; i < 3; ++i) {
        const std::optional<double> v = ParseFiniteDoubleNumber(w[i]);
        if (!v || !(*v >= 0.0)) return reason;
        k[i] = *v;
    }
    const std::optional<long long> p =
        ParseWholeNumber(w[3], kLowestSpecularPower, kHighestSpecularPower);
    if (!p) return reason;
    shading = {true, k[0], k[1], k[2], static_cast<int>(*p)};
    return {};
}

std::string WriteTfShading(const UserSettings& s) {
    const TfShading& shading = s.transferFunction.shading;
    if (!shading.on) return "off";
    return Hex(shading.ka) + " " + Hex(shading.kd) + " " + Hex(shading.ks) + " " +
           std::to_string(shading.p);
}

std::string ReadTfPreset(const std::vector<std::string>& w, UserSettings& s) {
    // Left out: the points are the user's own.
    if (w.empty()) {
        s.transferFunction.preset.clear();
        return {};
    }
    std::string names;
    for (const TfPresetRow& row : kTfPresets) {
        if (w.size() == 1 && w[0] == row.name) {
            s.transferFunction.preset = std::string(row.name);
            return {};
        }
        names += (names.empty() ? "" : ", ") + std::string(row.name);
    }
    return "is one of " + names;
}

std::string WriteTfPreset(const UserSettings& s) {
    return s.transferFunction.preset;
}

void TfFollowsTheVolume(UserSettings& s, const VolumeStore& volume) {
    s.transferFunction = ForVolume(s.transferFunction, volume.mapping.lo, volume.mapping.hi);
}

}  // namespace calyra::setting_rules
