#include "scene/transfer_function_file.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <iterator>
#include <nlohmann/json.hpp>
#include <string_view>
#include <utility>

namespace calyra {
namespace {

using nlohmann::json;
using Group = std::array<double, 4>;

// nlohmann's code for a number too large for a double.
constexpr int kNumberOverflow = 406;

// A function and a character array rather than tables of views, so that no
// pointer needs relocating into writable data.
bool IsKnownKey(std::string_view key) {
    return key == "Name" || key == "ColorSpace" || key == "Points" || key == "RGBPoints" ||
           key == "Units" || key == "Shading";
}
constexpr char kShadingRule[] =
    "\"Shading\" must be \"off\" or [ka, kd, ks, p], ka, kd, ks >= 0 and p a whole number "
    "1..128";

// Keys can be any length; a note shows the start of one, cut between
// characters.
std::string Shortened(const std::string& key) {
    constexpr std::size_t kLongest = 40;
    if (key.size() <= kLongest) return key;
    std::size_t cut = kLongest;
    while (cut > 0 && (static_cast<unsigned char>(key[cut]) & 0xC0) == 0x80) --cut;
    return key.substr(0, cut) + "...";
}

// A list of numbers in groups of four: x and 1 or 3 values in 0..1 (the
// first `values` after x), then what else the group holds. x in order.
std::string ReadGroups(const json& doc, const char* key, int values, std::vector<Group>& out) {
    const std::string name = std::string("\"") + key + "\"";
    if (!doc.is_array()) return name + " is not a list of numbers";
    if (doc.empty()) return name + " holds no points";
    if (doc.size() % 4 != 0) {
        return name + " holds " + std::to_string(doc.size()) + " numbers, not a multiple of 4";
    }
    if (doc.size() / 4 > kMaxTransferFunctionPoints) {
        return name + " holds more than " + std::to_string(kMaxTransferFunctionPoints) + " points";
    }
    out.assign(doc.size() / 4, Group{});
    for (std::size_t k = 0; k < doc.size(); ++k) {
        const json& item = doc[k];
        const std::string at = name + " number " + std::to_string(k + 1);
        if (!item.is_number()) return at + " is not a number";
        const double v = item.get<double>();
        if (!std::isfinite(v)) return at + " is not finite";
        const std::size_t column = k % 4;
        if (column >= 1 && column <= static_cast<std::size_t>(values) && !(v >= 0 && v <= 1)) {
            return at + " is outside 0..1";
        }
        out[k / 4][column] = v;
    }
    for (std::size_t p = 1; p < out.size(); ++p) {
        if (out[p][0] < out[p - 1][0]) {
            return name + " point " + std::to_string(p + 1) +
                   " has a smaller x than the one before";
        }
    }
    return "";
}

std::string ReadShading(const json& doc, TfShading& out) {
    if (doc.is_string() && doc.get_ref<const std::string&>() == "off") {
        out = TfShading{false};
        return "";
    }
    if (!doc.is_array() || doc.size() != 4) return std::string(kShadingRule);
    double v[4];
    for (std::size_t k = 0; k < 4; ++k) {
        if (!doc[k].is_number()) return std::string(kShadingRule);
        v[k] = doc[k].get<double>();
        if (!std::isfinite(v[k]) || !(v[k] >= 0)) return std::string(kShadingRule);
    }
    if (v[3] != std::floor(v[3]) || v[3] < kLowestSpecularPower || v[3] > kHighestSpecularPower) {
        return std::string(kShadingRule);
    }
    out = {true, v[0], v[1], v[2], static_cast<int>(v[3])};
    return "";
}

// x' = lo + ((x - xf) * (hi - lo)) / (xl - xf), lo when xl == xf.
double Stretched(double x, double xf, double xl, double lo, double hi) {
    if (xl == xf) return lo;
    return lo + ((x - xf) * (hi - lo)) / (xl - xf);
}

void NoteKeys(const json& preset, const std::string& prefix, std::vector<std::string>& notes) {
    std::string unknown;
    for (const auto& [key, value] : preset.items()) {
        if (IsKnownKey(key)) {
            continue;
        }
        unknown += (unknown.empty() ? "\"" : ", \"") + Shortened(key) + "\"";
    }
    if (!unknown.empty()) notes.push_back(prefix + "keys not used: " + unknown);
    const auto space = preset.find("ColorSpace");
    if (space != preset.end() &&
        !(space->is_string() && space->get_ref<const std::string&>() == "RGB")) {
        notes.push_back(prefix + "\"ColorSpace\" is not \"RGB\": the colours are read as RGB");
    }
}

// The first preset of doc into out; "" or why it is refused.
std::string ReadPreset(const json& doc, double lo, double hi, const std::string& prefix,
                       TransferFunction& out, std::vector<std::string>& notes) {
    if (!doc.is_array() || doc.empty()) return "not a non-empty list of presets";
    for (const json& item : doc)
        if (!item.is_object()) return "not a list of presets: an item is not an object";
    const json& preset = doc.front();

    const auto points = preset.find("Points");
    const auto rgbPoints = preset.find("RGBPoints");
    if (points == preset.end() && rgbPoints == preset.end()) {
        return "the first preset has neither \"Points\" nor \"RGBPoints\"";
    }
    std::vector<Group> opacity, colour;
    std::string why;
    if (points != preset.end() && !(why = ReadGroups(*points, "Points", 1, opacity)).empty()) {
        return why;
    }
    if (rgbPoints != preset.end() &&
        !(why = ReadGroups(*rgbPoints, "RGBPoints", 3, colour)).empty()) {
        return why;
    }

    const auto units = preset.find("Units");
    const bool fileUnits = units != preset.end();
    if (fileUnits && !(units->is_string() && units->get_ref<const std::string&>() == "file")) {
        return "\"Units\" must be \"file\"";
    }
    TfShading shading;
    const auto shadingKey = preset.find("Shading");
    if (shadingKey != preset.end() && !(why = ReadShading(*shadingKey, shading)).empty()) {
        return why;
    }

    if (!fileUnits) {
        const std::vector<Group>& base = colour.empty() ? opacity : colour;
        const double xf = base.front()[0], xl = base.back()[0];
        for (std::vector<Group>* list : {&opacity, &colour}) {
            for (Group& g : *list) {
                g[0] = Stretched(g[0], xf, xl, lo, hi);
                if (!std::isfinite(g[0])) return "an x is not finite once stretched onto the range";
            }
        }
    }

    TransferFunction tf{{}, {}, shading, {}};
    bool curved = false;
    for (const Group& g : opacity) {
        tf.opacity.push_back({g[0], g[1]});
        curved = curved || g[2] != 0.5 || g[3] != 0;
    }
    if (tf.opacity.empty()) tf.opacity = {{lo, 0.0}, {hi, 0.5}};
    for (const Group& g : colour) tf.colour.push_back({g[0], g[1], g[2], g[3]});
    if (tf.colour.empty()) {
        tf.colour = {{tf.opacity.front().x, 0, 0, 0}, {tf.opacity.back().x, 1, 1, 1}};
    }

    if (curved) {
        notes.push_back(prefix +
                        "midpoints and sharpness other than 0.5 and 0 are read as straight lines");
    }
    NoteKeys(preset, prefix, notes);
    if (doc.size() > 1) {
        notes.push_back(prefix + "the file holds " + std::to_string(doc.size()) +
                        " presets; only the first is read");
    }
    out = std::move(tf);
    return "";
}

std::string Refusal(const std::string& fileName, const std::string& reason) {
    return "Cannot read the transfer function " + fileName + ": " + reason;
}

// nlohmann writes the shortest decimal that reads back to the same double.
std::string Number(double v) {
    return json(v).dump();
}

}  // namespace

std::optional<TransferFunction> ParseTransferFunctionText(const std::string& text,
                                                          const std::string& fileName, double lo,
                                                          double hi,
                                                          std::vector<std::string>& notes,
                                                          std::string& error) {
    notes.clear();
    error.clear();
    if (text.size() > kMaxTransferFunctionFileBytes) {
        error = Refusal(fileName, "larger than 1 MiB");
        return std::nullopt;
    }
    try {
        json doc;
        try {
            doc = json::parse(text);
        } catch (const json::parse_error& e) {
            error = Refusal(fileName, "not JSON (at byte " + std::to_string(e.byte) + ")");
            return std::nullopt;
        } catch (const json::out_of_range& e) {
            error =
                Refusal(fileName, e.id == kNumberOverflow ? "a number is not finite" : "not JSON");
            return std::nullopt;
        }
        TransferFunction tf;
        const std::string why = ReadPreset(doc, lo, hi, fileName + ": ", tf, notes);
        if (!why.empty()) {
            notes.clear();
            error = Refusal(fileName, why);
            return std::nullopt;
        }
        return tf;
    } catch (const json::exception& e) {
        // Not reached: every value is checked before it is read.
        notes.clear();
        error = Refusal(fileName, e.what());
        return std::nullopt;
    }
}

std::optional<TransferFunction> ReadTransferFunctionFile(const std::string& path, double lo,
                                                         double hi, std::vector<std::string>& notes,
                                                         std::string& error) {
    notes.clear();
    error.clear();
    namespace fs = std::filesystem;
    std::error_code ec;
    const fs::file_status status = fs::status(path, ec);
    std::string why;
    std::uintmax_t bytes = 0;
    if (ec) {
        why = ec.message();
    } else if (fs::is_directory(status)) {
        why = "a folder, not a file";
    } else if (!fs::is_regular_file(status)) {
        why = "not a regular file";
    } else if (bytes = fs::file_size(path, ec); ec) {
        why = ec.message();
    } else if (bytes > kMaxTransferFunctionFileBytes) {
        why = "larger than 1 MiB";
    }
    if (!why.empty()) {
        error = Refusal(path, why);
        return std::nullopt;
    }
    // One byte more than the limit, in case the file grew since it was sized.
    std::ifstream in(path, std::ios::binary);
    std::string text(kMaxTransferFunctionFileBytes + 1, '\0');
    in.read(text.data(), static_cast<std::streamsize>(text.size()));
    if (!in && !in.eof()) {
        error = Refusal(path, "it cannot be opened or read");
        return std::nullopt;
    }
    text.resize(static_cast<std::size_t>(in.gcount()));
    return ParseTransferFunctionText(text, path, lo, hi, notes, error);
}

std::string TransferFunctionText(const TransferFunction& tf) {
    const std::string name = tf.preset.empty() ? "custom" : tf.preset;
    std::string text = "[\n  {\n    \"Name\": ";
    text += json(name).dump(-1, ' ', false, json::error_handler_t::replace);
    text += ",\n    \"Units\": \"file\",\n    \"Shading\": ";
    if (tf.shading.on) {
        const int p = std::clamp(tf.shading.p, kLowestSpecularPower, kHighestSpecularPower);
        text += "[" + Number(tf.shading.ka) + ", " + Number(tf.shading.kd) + ", " +
                Number(tf.shading.ks) + ", " + std::to_string(p) + "]";
    } else {
        text += "\"off\"";
    }
    // One point a line.
    auto list = [&text](const char* key, const auto& points, auto numbers) {
        if (points.empty()) return;
        text += std::string(",\n    \"") + key + "\": [";
        for (std::size_t k = 0; k < points.size(); ++k) {
            text += k ? ",\n      " : "\n      ";
            text += numbers(points[k]);
        }
        text += "\n    ]";
    };
    list("Points", tf.opacity,
         [](const OpacityPoint& p) { return Number(p.x) + ", " + Number(p.a) + ", 0.5, 0.0"; });
    list("RGBPoints", tf.colour, [](const ColourPoint& p) {
        return Number(p.x) + ", " + Number(p.r) + ", " + Number(p.g) + ", " + Number(p.b);
    });
    text += "\n  }\n]\n";
    return text;
}

}  // namespace calyra
