#include "scene/view_file.h"

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <map>
#include <optional>
#include <span>
#include <sstream>
#include <vector>

#include "base/hex_number.h"
#include "base/named_values.h"
#include "base/parse_number.h"
#include "render/setting_table.h"

namespace calyra {
namespace {

constexpr const char* kMagic = "calyra-view";
// Geometry far past anything the moves produce is a damaged file.
constexpr double kLargestCoordinate = 1e9;

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

    // The words of key's line; count of them unless kAnyWords.
    bool Take(const std::string& key, std::vector<std::string>& words, std::size_t count) {
        const auto it = lines.find(key);
        if (it == lines.end()) return Fail("missing '" + key + "'");
        words = Words(it->second.second);
        if (count != kAnyWords && words.size() != count) {
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
    (world ? view.orientation.World : view.orientation.ViewPlane)[*index] =
        Point3{*xyz[0], *xyz[1], *xyz[2]};
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

// The settings from their keys, and the eye distance. A key newer than the
// file's version may be left out: the setting keeps its start value. An
// optional key left out reads as no words.
bool ReadSettings(Reader& r, long long version, UserSettings& settings, float& eyeDistance) {
    for (const SettingRow& row : kSettingRows) {
        if (version < row.viewVersion && !r.Has(row.viewKey)) continue;
        std::vector<std::string> words;
        if (row.optionalKey && !r.Has(row.viewKey)) {
            row.read(words, settings);
            continue;
        }
        if (!r.Take(row.viewKey, words, row.words)) return false;
        const std::string reason = row.read(words, settings);
        if (!reason.empty()) {
            return r.Fail("line " + std::to_string(r.lines[row.viewKey].first) + ": '" +
                          row.viewKey + "' " + reason);
        }
    }
    return r.Floats("eye-distance", &eyeDistance, 1);
}

bool KnownKey(const std::string& key) {
    constexpr std::string_view kOtherKeys[] = {"program",       "source",           "file-bytes",
                                               "open-resample", "open-window",      "raw-shape",
                                               "raw-aspect",    "raw-type",         "raw-bytes",
                                               "raw-reverse",   "raw-header-bytes", "eye-distance"};
    for (const std::string_view k : kOtherKeys) {
        if (key == k) return true;
    }
    for (const SettingRow& row : kSettingRows) {
        if (key == row.viewKey) return true;
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
    for (const SettingRow& row : kSettingRows) {
        const std::string words = row.write(view.settings);
        if (row.optionalKey && words.empty()) continue;
        out << row.viewKey << " " << words << "\n";
    }
    const Orientation& o = view.orientation;
    out << "eye-distance " << Hex(o.eyeDistance) << "\n";
    for (int i = 0; i < kWorldPoints; ++i) out << PointLine("world", i, o.World[i]);
    for (int i = 0; i < kViewPlanePoints; ++i) out << PointLine("plane", i, o.ViewPlane[i]);
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
    if (!ReadVolume(r, view.volume) ||
        !ReadSettings(r, version, view.settings, view.orientation.eyeDistance)) {
        return std::nullopt;
    }
    return view;
}

ViewState CaptureView(const Session& session, const ViewVolume& volume) {
    ViewState view;
    view.volume = volume;
    view.settings = session.settings;
    view.orientation = session.orientation;
    view.program = CALYRA_VERSION;
    return view;
}

ViewState CaptureView(const Session& session) {
    return CaptureView(session, session.shownVolume);
}

void ApplyViewSettingsAndGeometry(Session& session, const ViewState& view) {
    session.settings = view.settings;
    session.orientation = view.orientation;
}

}  // namespace calyra
