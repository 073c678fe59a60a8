// The settings of the slice window and of the cuts: how they are read from
// and written as words, and what a new volume does to them.
#include <cmath>

#include "base/hex_number.h"
#include "render/setting_table.h"
#include "volume/volume_store.h"

namespace calyra::setting_rules {
namespace {

// A finite float that has no more than float's range.
std::optional<float> FiniteFloat(const std::string& word) {
    const std::optional<double> d = ParseFiniteDoubleNumber(word);
    if (!d || std::fabs(*d) > 3.4e38) return std::nullopt;
    return ParseFloatNumber(word);
}

}  // namespace

std::string ReadSliceWindow(const std::vector<std::string>& w, UserSettings& s) {
    const std::optional<double> level = ParseFiniteDoubleNumber(w.at(0));
    const std::optional<double> width = ParseFiniteDoubleNumber(w.at(1));
    if (!level || !width || !(*width > 0.0)) {
        return "takes two finite numbers L W with W > 0";
    }
    s.sliceWindow = {*level, *width};
    return {};
}

std::string WriteSliceWindow(const UserSettings& s) {
    return Hex(s.sliceWindow.level) + " " + Hex(s.sliceWindow.width);
}

void StartSliceWindowOf(UserSettings& s, const VolumeStore& volume) {
    s.sliceWindow = StartSliceWindow(volume.mapping);
}

std::string ReadCrop(const std::vector<std::string>& w, UserSettings& s) {
    if (w.size() == 1 && w[0] == "none") {
        s.crop.reset();
        return {};
    }
    const char* const reason =
        "takes none or six whole numbers X0 X1 Y0 Y1 Z0 Z1 with 1 <= X0 <= X1 and likewise";
    if (w.size() != 6) return reason;
    std::int32_t v[6];
    for (int k = 0; k < 6; ++k) {
        const std::optional<long long> n = ParseWholeNumber(w[k], 1, INT32_MAX);
        if (!n) return reason;
        v[k] = static_cast<std::int32_t>(*n);
    }
    if (v[0] > v[1] || v[2] > v[3] || v[4] > v[5]) return reason;
    s.crop = CropBox{v[0], v[1], v[2], v[3], v[4], v[5]};
    return {};
}

std::string WriteCrop(const UserSettings& s) {
    if (!s.crop) return "none";
    const CropBox& c = *s.crop;
    return std::to_string(c.x0) + " " + std::to_string(c.x1) + " " + std::to_string(c.y0) + " " +
           std::to_string(c.y1) + " " + std::to_string(c.z0) + " " + std::to_string(c.z1);
}

std::string CheckCrop(const UserSettings& s, const VolumeStore& volume) {
    if (!s.crop) return {};
    const CropBox& c = *s.crop;
    const Int3 d = volume.dims;
    if (c.x1 > d.x || c.y1 > d.y || c.z1 > d.z) {
        return "lies outside the volume's 1.." + std::to_string(d.x) + ", 1.." +
               std::to_string(d.y) + ", 1.." + std::to_string(d.z);
    }
    return {};
}

std::string ReadClip(const std::vector<std::string>& w, UserSettings& s) {
    if (w.size() == 1 && w[0] == "none") {
        s.clip.reset();
        return {};
    }
    const char* const reason = "takes none or six finite numbers OX OY OZ NX NY NZ, N not zero";
    if (w.size() != 6) return reason;
    float v[6];
    for (int k = 0; k < 6; ++k) {
        const std::optional<float> f = FiniteFloat(w[k]);
        if (!f) return reason;
        v[k] = *f;
    }
    if (v[3] == 0.0f && v[4] == 0.0f && v[5] == 0.0f) return reason;
    s.clip = ClipPlane{{v[0], v[1], v[2]}, {v[3], v[4], v[5]}};
    return {};
}

std::string WriteClip(const UserSettings& s) {
    if (!s.clip) return "none";
    const ClipPlane& c = *s.clip;
    return Hex(c.origin.x) + " " + Hex(c.origin.y) + " " + Hex(c.origin.z) + " " + Hex(c.normal.x) +
           " " + Hex(c.normal.y) + " " + Hex(c.normal.z);
}

void Uncut(UserSettings& s, const VolumeStore&) {
    s.crop.reset();
    s.clip.reset();
}

}  // namespace calyra::setting_rules
