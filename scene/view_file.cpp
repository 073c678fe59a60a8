#include "scene/view_file.h"

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <map>
#include <optional>
#include <span>
#include <sstream>
#include <vector>

#include "base/named_values.h"
#include "base/parse_number.h"
#include "render/user_settings.h"

namespace calyra {
namespace {

constexpr const char* kMagic = "calyra-view";
// Geometry far past anything the moves produce is a damaged file.
constexpr double kLargestCoordinate = 1e9;

// %a keeps every bit of a float: strtof gives the same value back.
std::string Hex(float value) {
    char text[64];
    std::snprintf(text, sizeof text, "%a", static_cast<double>(value));
    return text;
}
std::string Hex(double value) {
    char text[64];
    std::snprintf(text, sizeof text, "%a", value);
    return text;
}

std::string PointLine(const char* key, int index, const Point3& p) {
    return std::string(key) + " " + std::to_string(index) + " " + Hex(p.x) + " " + Hex(p.y) + " " +
           Hex(p.z) + "\n";
}

// The words of a line after its key.
std::vector<std::string> Words(const std::string& rest) {
    std::istringstream in(rest);
    std::vector<std::string> words;
    for (std::string w; in >> w;) words.push_back(w);
    return words;
}

// A float no larger than kLargestCoordinate, read in double first so that
// out-of-range words are refused; strtof then rounds once, so a float written
// as %a comes back bit for bit.
std::optional<float> ParseCoordinate(const std::string& word) {
    const std::optional<double> d = ParseFiniteDoubleNumber(word);
    if (!d || std::fabs(*d) > kLargestCoordinate) return std::nullopt;
    return ParseFloatNumber(word);
}

class Reader {
  public:
    explicit Reader(std::string& error) : error_(error) {}

    bool Fail(const std::string& why) {
        if (error_.empty()) error_ = why;
        return false;
    }

    // key -> (line number, rest of the line)
    std::map<std::string, std::pair<int, std::string>> lines;

    bool Has(const std::string& key) const { return lines.count(key) != 0; }

    bool Take(const std::string& key, std::vector<std::string>& words, std::size_t count) {
        const auto it = lines.find(key);
        if (it == lines.end()) return Fail("missing '" + key + "'");
        words = Words(it->second.second);
        if (words.size() != count) {
            return Fail("line " + std::to_string(it->second.first) + ": '" + key + "' takes " +
                        std::to_string(count) + " values");
        }
        return true;
    }
    bool Int(const std::string& key, long long low, long long high, long long& value) {
        std::vector<std::string> w;
        if (!Take(key, w, 1)) return false;
        const std::optional<long long> n = ParseWholeNumber(w[0], low, high);
        if (!n) {
            return Fail("line " + std::to_string(lines[key].first) + ": '" + key +
                        "' must be a whole number from " + std::to_string(low) + " to " +
                        std::to_string(high));
        }
        value = *n;
        return true;
    }
    bool Flag(const std::string& key, bool& value) {
        long long v = 0;
        if (!Int(key, 0, 1, v)) return false;
        value = v != 0;
        return true;
    }
    bool Floats(const std::string& key, float* values, std::size_t count) {
        std::vector<std::string> w;
        if (!Take(key, w, count)) return false;
        for (std::size_t i = 0; i < count; ++i) {
            const std::optional<float> v = ParseCoordinate(w[i]);
            if (!v) {
                return Fail("line " + std::to_string(lines[key].first) + ": '" + key +
                            "' needs finite numbers of reasonable size, not " + w[i]);
            }
            values[i] = *v;
        }
        return true;
    }

    // One word that names a row of table.
    template <typename Value>
    bool Named(const std::string& key, std::span<const NamedValue<Value>> table, Value& value) {
        std::vector<std::string> w;
        if (!Take(key, w, 1)) return false;
        const std::optional<Value> found = FindNamed<Value>(table, w[0]);
        if (!found) return Fail("'" + key + "' is one of " + JoinedNames<Value>(table, ", "));
        value = *found;
        return true;
    }

  private:
    std::string& error_;
};

bool ReadVolume(Reader& r, ViewVolume& v) {
    const auto it = r.lines.find("source");
    if (it == r.lines.end()) return r.Fail("missing 'source'");
    const std::string& rest = it->second.second;
    const std::size_t blank = rest.find(' ');
    const std::string kind = rest.substr(0, blank);
    const std::string value = blank == std::string::npos ? "" : rest.substr(blank + 1);
    if (value.empty()) return r.Fail("'source' needs a kind and a name");
    long long n = 0;
    if (kind == "model") {
        v.kind = ViewVolume::Kind::Model;
        v.model = value;
        return true;
    }
    if (kind != "raw" && kind != "open") return r.Fail("unknown source kind '" + kind + "'");
    v.path = value;
    if (!r.Int("file-bytes", 0, INT64_MAX, n)) return false;
    v.fileBytes = static_cast<std::uint64_t>(n);
    if (kind == "open") {
        v.kind = ViewVolume::Kind::Open;
        if (!r.Flag("open-resample", v.resample)) return false;
        if (r.Has("open-window")) {
            std::vector<std::string> w;
            if (!r.Take("open-window", w, 2)) return false;
            const std::optional<double> low = ParseFiniteDoubleNumber(w[0]);
            const std::optional<double> high = ParseFiniteDoubleNumber(w[1]);
            if (!low || !high) return r.Fail("'open-window' needs two finite numbers");
            v.windowLow = *low;
            v.windowHigh = *high;
        }
        return true;
    }
    v.kind = ViewVolume::Kind::Raw;
    std::vector<std::string> w;
    if (!r.Take("raw-shape", w, 3)) return false;
    std::int32_t* dims[3] = {&v.params.dimX, &v.params.dimY, &v.params.dimZ};
    for (int i = 0; i < 3; ++i) {
        const std::optional<long long> dim = ParseWholeNumber(w[i], 0, INT32_MAX);
        if (!dim) return r.Fail("'raw-shape' needs three whole numbers");
        *dims[i] = static_cast<std::int32_t>(*dim);
    }
    float aspects[3] = {1, 1, 1};
    if (!r.Floats("raw-aspect", aspects, 3)) return false;
    v.params.aspectX = aspects[0];
    v.params.aspectY = aspects[1];
    v.params.aspectZ = aspects[2];
    if (!r.Take("raw-type", w, 1)) return false;
    if (w[0] != "binary" && w[0] != "ascii") return r.Fail("'raw-type' is binary or ascii");
    v.format = w[0] == "ascii" ? RawFormat::Ascii : RawFormat::Binary;
    if (!r.Int("raw-bytes", INT32_MIN, INT32_MAX, n)) return false;
    v.options.bytesPerVoxel = static_cast<std::int32_t>(n);
    bool reverse = false;
    if (!r.Flag("raw-reverse", reverse)) return false;
    v.options.reverseBytes = reverse ? 1 : 0;
    if (!r.Int("raw-header-bytes", 0, INT32_MAX, n)) return false;
    v.options.headerBytes = static_cast<std::int32_t>(n);
    return true;
}

// The first line: the magic word and a format version this program reads.
bool ReadMagic(Reader& r, const std::string& key, const std::string& rest, long long& version) {
    const std::optional<long long> magic =
        key == kMagic ? ParseWholeNumber(rest, 1, INT32_MAX) : std::nullopt;
    if (!magic) {
        return r.Fail(std::string("not a view file (it must start with \"") + kMagic + " " +
                      std::to_string(kViewFormatVersion) + "\")");
    }
    version = *magic;
    if (version > kViewFormatVersion) {
        return r.Fail("view format " + std::to_string(version) +
                      " is newer than this program reads (" + std::to_string(kViewFormatVersion) +
                      "); use a newer version of the program");
    }
    return true;
}

// The World and ViewPlane points a file has given so far.
struct SeenPoints {
    bool world[kWorldPoints] = {};
    bool plane[kViewPlanePoints] = {};
};

// A "world" or "plane" line (where names it): an index and three
// coordinates, each point once.
bool ReadPoint(Reader& r, const std::string& where, const std::string& key, const std::string& rest,
               ViewState& view, SeenPoints& seen) {
    const std::vector<std::string> w = Words(rest);
    const bool world = key == "world";
    const int count = world ? kWorldPoints : kViewPlanePoints;
    std::optional<long long> index;
    std::optional<float> xyz[3];
    if (w.size() == 4) {
        index = ParseWholeNumber(w[0], 0, count - 1);
        for (int i = 0; i < 3; ++i) xyz[i] = ParseCoordinate(w[1 + i]);
    }
    if (!index || !xyz[0] || !xyz[1] || !xyz[2]) {
        return r.Fail(where + "'" + key + "' takes an index 0.." + std::to_string(count - 1) +
                      " and three finite numbers of reasonable size");
    }
    bool& given = world ? seen.world[*index] : seen.plane[*index];
    if (given) return r.Fail(where + key + " " + std::to_string(*index) + " given twice");
    given = true;
    (world ? view.world : view.plane)[*index] = Point3{*xyz[0], *xyz[1], *xyz[2]};
    return true;
}

// The whole file was there: its first and last lines and every point.
bool CheckComplete(Reader& r, bool sawMagic, bool sawEnd, const SeenPoints& seen) {
    if (!sawMagic) return r.Fail("empty file: not a view file");
    if (!sawEnd) return r.Fail("the file is cut short (its last line 'end' is missing)");
    for (int i = 0; i < kWorldPoints; ++i) {
        if (!seen.world[i]) {
            return r.Fail("missing 'world " + std::to_string(i) + "' (the file may be cut short)");
        }
    }
    for (int i = 0; i < kViewPlanePoints; ++i) {
        if (!seen.plane[i]) {
            return r.Fail("missing 'plane " + std::to_string(i) + "' (the file may be cut short)");
        }
    }
    return true;
}

// The settings and the eye distance from their keys.
bool ReadSettings(Reader& r, long long version, UserSettings& settings, float& eyeDistance) {
    if (!r.Named<RenderType>("type", kRenderTypes, settings.renderType)) return false;
    if (!r.Floats("threshold", &settings.threshold, 1)) return false;
    if (!(settings.threshold >= 0.0f && settings.threshold <= 1.0f)) {
        return r.Fail("'threshold' must lie from 0 to 1");
    }
    if (!r.Flag("interp", settings.interpolate) || !r.Flag("grad", settings.gradientShading) ||
        !r.Flag("stereo", settings.stereo) || !r.Floats("eye-distance", &eyeDistance, 1)) {
        return false;
    }
    // Version 1 files have neither key: they show the plain grey picture.
    if (version < 2 && !r.Has("colormap") && !r.Has("display-window")) return true;
    if (!r.Named<ColourMap>("colormap", kColourMaps, settings.colourMap)) return false;
    std::vector<std::string> w;
    std::optional<long long> lo, hi;
    if (r.Take("display-window", w, 2)) {
        lo = ParseWholeNumber(w[0], 0, 255);
        hi = ParseWholeNumber(w[1], 0, 255);
    }
    if (!lo || !hi ||
        !IsDisplayWindow(static_cast<std::int32_t>(*lo), static_cast<std::int32_t>(*hi))) {
        return r.Fail("'display-window' takes two whole numbers LO HI with 0 <= LO < HI <= 255");
    }
    settings.displayWindow = {static_cast<std::int32_t>(*lo), static_cast<std::int32_t>(*hi)};
    return true;
}

const char* const kKnownKeys[] = {
    "program",          "source",       "file-bytes", "open-resample", "open-window",
    "raw-shape",        "raw-aspect",   "raw-type",   "raw-bytes",     "raw-reverse",
    "raw-header-bytes", "type",         "threshold",  "interp",        "grad",
    "stereo",           "eye-distance", "colormap",   "display-window"};

bool KnownKey(const std::string& key) {
    for (const char* k : kKnownKeys) {
        if (key == k) return true;
    }
    return false;
}

}  // namespace

std::string WriteViewText(const ViewState& view) {
    std::ostringstream out;
    out << kMagic << " " << kViewFormatVersion << "\n";
    out << "program " << view.program << "\n";
    const ViewVolume& v = view.volume;
    switch (v.kind) {
        case ViewVolume::Kind::None:
        case ViewVolume::Kind::Model:
            out << "source model " << v.model << "\n";
            break;
        case ViewVolume::Kind::Raw:
            out << "source raw " << v.path << "\n";
            out << "file-bytes " << v.fileBytes << "\n";
            out << "raw-shape " << v.params.dimX << " " << v.params.dimY << " " << v.params.dimZ
                << "\n";
            out << "raw-aspect " << Hex(v.params.aspectX) << " " << Hex(v.params.aspectY) << " "
                << Hex(v.params.aspectZ) << "\n";
            out << "raw-type " << (v.format == RawFormat::Ascii ? "ascii" : "binary") << "\n";
            out << "raw-bytes " << v.options.bytesPerVoxel << "\n";
            out << "raw-reverse " << (v.options.reverseBytes ? 1 : 0) << "\n";
            out << "raw-header-bytes " << v.options.headerBytes << "\n";
            break;
        case ViewVolume::Kind::Open:
            out << "source open " << v.path << "\n";
            out << "file-bytes " << v.fileBytes << "\n";
            out << "open-resample " << (v.resample ? 1 : 0) << "\n";
            if (v.windowLow && v.windowHigh) {
                out << "open-window " << Hex(*v.windowLow) << " " << Hex(*v.windowHigh) << "\n";
            }
            break;
    }
    const UserSettings& settings = view.settings;
    const char* type = NameOf(settings.renderType);
    out << "type " << (*type ? type : NameOf(RenderType::Surface)) << "\n";
    out << "threshold " << Hex(settings.threshold) << "\n";
    out << "interp " << (settings.interpolate ? 1 : 0) << "\n";
    out << "grad " << (settings.gradientShading ? 1 : 0) << "\n";
    out << "stereo " << (settings.stereo ? 1 : 0) << "\n";
    out << "eye-distance " << Hex(view.eyeDistance) << "\n";
    const char* map = NameOf(settings.colourMap);
    out << "colormap " << (*map ? map : NameOf(ColourMap::Grey)) << "\n";
    out << "display-window " << settings.displayWindow.lo << " " << settings.displayWindow.hi
        << "\n";
    for (int i = 0; i < kWorldPoints; ++i) out << PointLine("world", i, view.world[i]);
    for (int i = 0; i < kViewPlanePoints; ++i) out << PointLine("plane", i, view.plane[i]);
    // A file cut anywhere, even inside the last number, lacks this line.
    out << "end\n";
    return out.str();
}

std::optional<ViewState> ParseViewText(const std::string& text, std::string& error) {
    error.clear();
    Reader r(error);
    std::istringstream in(text);
    std::string line;
    int number = 0;
    bool sawMagic = false;
    bool sawEnd = false;
    SeenPoints seen;
    long long version = 0;
    ViewState view;
    while (std::getline(in, line)) {
        ++number;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.empty() || line[0] == '#') continue;
        const std::size_t blank = line.find(' ');
        const std::string key = line.substr(0, blank);
        const std::string rest = blank == std::string::npos ? "" : line.substr(blank + 1);
        const std::string where = "line " + std::to_string(number) + ": ";
        if (sawEnd) {
            r.Fail(where + "text after 'end'");
            return std::nullopt;
        }
        if (sawMagic && key == "end" && rest.empty()) {
            sawEnd = true;
            continue;
        }
        if (!sawMagic) {
            if (!ReadMagic(r, key, rest, version)) return std::nullopt;
            sawMagic = true;
            continue;
        }
        if (key == "world" || key == "plane") {
            if (!ReadPoint(r, where, key, rest, view, seen)) return std::nullopt;
            continue;
        }
        if (!KnownKey(key)) {
            r.Fail(where + "unknown key '" + key + "'");
            return std::nullopt;
        }
        if (r.Has(key)) {
            r.Fail(where + "'" + key + "' given twice");
            return std::nullopt;
        }
        r.lines[key] = {number, rest};
    }
    if (!CheckComplete(r, sawMagic, sawEnd, seen)) return std::nullopt;
    if (r.Has("program")) view.program = r.lines["program"].second;
    if (!ReadVolume(r, view.volume) || !ReadSettings(r, version, view.settings, view.eyeDistance)) {
        return std::nullopt;
    }
    return view;
}

std::uint64_t ViewDataFileBytes(const std::string& path) {
    std::error_code ec;
    if (!std::filesystem::is_regular_file(path, ec)) return 0;
    const std::uintmax_t bytes = std::filesystem::file_size(path, ec);
    return ec ? 0 : static_cast<std::uint64_t>(bytes);
}

std::string ViewDataFileProblem(const ViewVolume& v) {
    if (v.kind != ViewVolume::Kind::Raw && v.kind != ViewVolume::Kind::Open) return {};
    std::error_code ec;
    if (!std::filesystem::exists(v.path, ec)) {
        return "The view's data file " + v.path + " is missing.";
    }
    if (std::filesystem::is_directory(v.path, ec)) return {};
    const std::uint64_t bytes = ViewDataFileBytes(v.path);
    if (bytes != v.fileBytes) {
        return "The view's data file " + v.path + " has changed: it held " +
               std::to_string(v.fileBytes) + " bytes when the view was saved, " +
               std::to_string(bytes) + " now.";
    }
    return {};
}

ViewState CaptureView(const ViewVolume& volume) {
    ViewState view;
    view.volume = volume;
    view.settings = CurrentUserSettings();
    for (int i = 0; i < kWorldPoints; ++i) view.world[i] = World[i];
    for (int i = 0; i < kViewPlanePoints; ++i) view.plane[i] = ViewPlane[i];
    view.eyeDistance = eyeDistance;
    view.program = CALYRA_VERSION;
    return view;
}

void ApplyViewSettingsAndGeometry(const ViewState& view) {
    ApplyUserSettings(view.settings);
    for (int i = 0; i < kWorldPoints; ++i) World[i] = view.world[i];
    for (int i = 0; i < kViewPlanePoints; ++i) ViewPlane[i] = view.plane[i];
    eyeDistance = view.eyeDistance;
}

}  // namespace calyra
