#include "cli/options.h"

#include <QString>
#include <algorithm>
#include <climits>
#include <cmath>
#include <span>

#include "base/named_values.h"
#include "base/parse_number.h"
#include "picture/picture_file.h"
#include "volume/model_type.h"

namespace calyra::cli {

namespace {

// The largest --size: a picture of this side is 1 GiB of pixels.
constexpr int kMaxPictureSide = 16384;

// In Face order.
constexpr const char* kFaceNames[kFaceCount] = {"front", "back", "top", "bottom", "left", "right"};

// One option being read: its word at argv[i], its values after it.
struct Reading {
    char** argv;
    int i;
    Options& o;
    std::string& error;

    std::string Arg() const { return argv[i]; }
    std::string Value(int k = 0) const { return argv[i + 1 + k]; }
    bool Fail(const std::string& why) {
        if (error.empty()) error = why;
        return false;
    }

    // n numbers in float. The aspect takes any number (the import checks
    // refuse the ones that make no sense, with their message); a setting or
    // a move must be finite.
    bool Floats(int n, float* out, bool finiteOnly = true) {
        for (int k = 0; k < n; ++k) {
            const std::optional<float> v = ParseFloatNumber(Value(k));
            if (!v) return Fail("not a number for " + Arg() + ": " + Value(k));
            if (finiteOnly && !std::isfinite(*v)) {
                return Fail("not a finite number for " + Arg() + ": " + Value(k));
            }
            out[k] = *v;
        }
        return true;
    }

    // The option's one value as a whole number from low to high; refusal is
    // the error for anything else.
    std::optional<int> WholeNumber(int low, int high, const std::string& refusal) {
        const std::optional<long long> n = ParseWholeNumber(Value(), low, high);
        if (!n) {
            Fail(refusal);
            return std::nullopt;
        }
        return static_cast<int>(*n);
    }
};

using Handler = bool (*)(Reading&);

// Where an option is listed in the usage text.
enum class Group { Volume, Settings, Geometry, Output };

struct Heading {
    Group group;
    const char* text;
};
constexpr Heading kHeadings[] = {
    {Group::Volume, "Volume (default --model ball):"},
    {Group::Settings, "Settings (defaults as at program start, or the view's):"},
    {Group::Geometry,
     "Geometry, applied to the start-up (or the view's) World and ViewPlane in order:"},
    {Group::Output, "Output:"},
};

// One option: its name, the words of its values as usage shows them (their
// count is the number of values it takes), its group, its help text and
// what it does. In the help texts {models}, {types}, {maps} and {faces} stand for
// the lists of the name tables, so that a new model or type shows up by itself.
struct OptionRow {
    const char* name;
    const char* values;
    Group group;
    const char* help;
    Handler handle;
};

// A handler that switches a flag on.
template <bool Options::*flag>
bool SetFlag(Reading& r) {
    r.o.*flag = true;
    return true;
}

// A handler that keeps the option's one text value.
template <std::optional<std::string> Options::*field>
bool SetText(Reading& r) {
    r.o.*field = r.Value();
    return true;
}

// A handler that appends a geometry move of count numbers.
template <GeometryOp::Kind kind, int count>
bool AddMove(Reading& r) {
    GeometryOp op{kind};
    if (!r.Floats(count, op.v)) return false;
    r.o.geometry.push_back(op);
    return true;
}

template <GeometryOp::Kind kind>
bool AddSnap(Reading& r) {
    GeometryOp op{kind};
    const auto* face = std::find(std::begin(kFaceNames), std::end(kFaceNames), r.Value());
    if (face == std::end(kFaceNames)) return r.Fail("unknown face " + r.Value());
    op.face = static_cast<Face>(face - std::begin(kFaceNames));
    r.o.geometry.push_back(op);
    return true;
}

template <std::optional<int> Options::*field>
bool SetInteger(Reading& r) {
    const std::optional<int> n = r.WholeNumber(INT_MIN, INT_MAX, "not an integer for " + r.Arg());
    if (n) r.o.*field = *n;
    return n.has_value();
}

template <int Options::*field>
bool SetPositive(Reading& r) {
    const std::optional<int> n = r.WholeNumber(1, INT_MAX, r.Arg() + " takes a positive integer");
    if (n) r.o.*field = *n;
    return n.has_value();
}

bool SetModel(Reading& r) {
    r.o.model = r.Value();
    r.o.modelGiven = true;
    return true;
}

// A handler that keeps three whole numbers.
template <std::optional<std::vector<int>> Options::*field>
bool SetThreeIntegers(Reading& r) {
    std::vector<int> values(3);
    for (int k = 0; k < 3; ++k) {
        const std::optional<long long> n = ParseWholeNumber(r.Value(k), INT_MIN, INT_MAX);
        if (!n) return r.Fail("not an integer for " + r.Arg() + ": " + r.Value(k));
        values[k] = static_cast<int>(*n);
    }
    r.o.*field = values;
    return true;
}

bool SetWindow(Reading& r) {
    std::vector<double> w(2);
    for (int k = 0; k < 2; ++k) {
        const std::optional<double> v = ParseDoubleNumber(r.Value(k));
        if (!v || !std::isfinite(*v)) return r.Fail("not a number for --window: " + r.Value(k));
        w[k] = *v;
    }
    if (w[0] > w[1]) return r.Fail("--window LO HI needs LO <= HI");
    r.o.window = w;
    return true;
}

bool SetAspect(Reading& r) {
    std::vector<float> a(3);
    if (!r.Floats(3, a.data(), false)) return false;
    r.o.aspect = a;
    return true;
}

bool SetType(Reading& r) {
    r.o.type = FindRenderType(r.Value());
    return r.o.type ? true : r.Fail("unknown --type " + r.Value());
}

bool SetColourMap(Reading& r) {
    r.o.colourMap = FindColourMap(r.Value());
    if (r.o.colourMap) return true;
    return r.Fail("unknown --colormap " + r.Value() + " (the maps are " +
                  JoinedNames<ColourMap>(kColourMaps, ", ") + ")");
}

bool SetDisplayWindow(Reading& r) {
    const std::optional<long long> lo = ParseWholeNumber(r.Value(0), INT_MIN, INT_MAX);
    const std::optional<long long> hi = ParseWholeNumber(r.Value(1), INT_MIN, INT_MAX);
    if (!lo || !hi ||
        !IsDisplayWindow(static_cast<std::int32_t>(*lo), static_cast<std::int32_t>(*hi))) {
        return r.Fail(std::string("--display-window LO HI takes whole numbers with ") +
                      "0 <= LO < HI <= 255: " + r.Value(0) + " " + r.Value(1));
    }
    r.o.displayWindow =
        DisplayWindow{static_cast<std::int32_t>(*lo), static_cast<std::int32_t>(*hi)};
    return true;
}

bool SetThreshold(Reading& r) {
    float t = 0;
    if (!r.Floats(1, &t)) return false;
    if (t < 0.0f || t > 1.0f) {
        return r.Fail("--threshold must lie between 0 and 1: " + r.Value());
    }
    r.o.threshold = t;
    return true;
}

bool SetPan(Reading& r) {
    GeometryOp op{GeometryOp::Pan};
    if (r.Value() != "in" && r.Value() != "out") return r.Fail("--pan takes in or out");
    op.panIn = r.Value() == "in";
    r.o.geometry.push_back(op);
    return true;
}

bool SetSize(Reading& r) {
    const std::optional<int> n =
        r.WholeNumber(1, kMaxPictureSide,
                      "--size takes a whole number from 1 to " + std::to_string(kMaxPictureSide));
    if (n) r.o.size = *n;
    return n.has_value();
}

// Every option calyra-render takes, in the order --help lists them.
constexpr OptionRow kOptionRows[] = {
    {"--model", "NAME", Group::Volume,
     "{models}\n(head reads \"sm3dhead\" from the working directory)", SetModel},
    {"--raw", "FILE", Group::Volume,
     "import FILE; shape and type from FILE.inf unless given:", SetText<&Options::raw>},
    {"--dims", "X Y Z", Group::Volume, "the import's dimensions", SetThreeIntegers<&Options::dims>},
    {"--bytes", "N", Group::Volume, "bytes per voxel, 1 or 2", SetInteger<&Options::bytes>},
    {"--ascii", "", Group::Volume, "the file holds numbers as text", SetFlag<&Options::ascii>},
    {"--reverse", "", Group::Volume, "two-byte voxels in reverse byte order",
     SetFlag<&Options::reverse>},
    {"--aspect", "AX AY AZ", Group::Volume, "the import's aspect factors", SetAspect},
    {"--header-bytes", "N", Group::Volume, "bytes skipped before the voxels",
     SetInteger<&Options::headerBytes>},
    {"--open", "PATH", Group::Volume,
     "a NRRD, MetaImage, NIfTI, DICOM (file or folder)\nor TIFF volume", SetText<&Options::open>},
    {"--window", "LO HI", Group::Volume, "with --open: the file values that map to 0 and 255",
     SetWindow},
    {"--no-resample", "", Group::Volume, "with --open: keep the file's grid, unequal spacings too",
     SetFlag<&Options::noResample>},
    {"--view", "FILE", Group::Volume,
     "a view file, or a picture saved with one: its volume,\nsettings and geometry; the options "
     "below still apply",
     SetText<&Options::view>},
    {"--type", "{types}", Group::Settings, "the rendering type (default surface)", SetType},
    {"--threshold", "F", Group::Settings, "a fraction from 0 to 1 of the largest value",
     SetThreshold},
    {"--interp", "", Group::Settings, "interpolation on: twice the rays, trilinear samples",
     SetFlag<&Options::interp>},
    {"--no-grad", "", Group::Settings, "gradient shading off", SetFlag<&Options::noGrad>},
    {"--colormap", "{maps}", Group::Settings,
     "how the grey levels are shown (default grey):\nin --out and --size pictures, never in --dump",
     SetColourMap},
    {"--display-window", "LO HI", Group::Settings,
     "grey levels LO..HI stretched to the full range,\n0 <= LO < HI <= 255 (default 0 255)",
     SetDisplayWindow},
    {"--snap-world", "FACE", Group::Geometry, "FACE: {faces}", AddSnap<GeometryOp::SnapWorld>},
    {"--snap-plane", "FACE", Group::Geometry, "the same faces", AddSnap<GeometryOp::SnapPlane>},
    {"--rotate-world", "AY AX", Group::Geometry, "turn the box and the plane, in degrees",
     AddMove<GeometryOp::RotateWorld, 2>},
    {"--rotate-plane", "AY AX", Group::Geometry, "turn the plane alone, in degrees",
     AddMove<GeometryOp::RotatePlane, 2>},
    {"--rotate-plane-xyz", "AX AY AZ", Group::Geometry,
     "turn the plane about x, y and z, in degrees", AddMove<GeometryOp::RotatePlaneXYZ, 3>},
    {"--translate-plane", "DX DY DZ", Group::Geometry, "move the plane",
     AddMove<GeometryOp::TranslatePlane, 3>},
    {"--pan", "in|out", Group::Geometry, "move the plane along its normal", SetPan},
    {"--out", "FILE", Group::Output,
     "the image as the render window shows it, one pixel per cell;\nthe format follows the "
     "extension: .png, .jpg/.jpeg,\n.tif/.tiff, .bmp (a name without one gets .png)",
     SetText<&Options::out>},
    {"--size", "N", Group::Output,
     "draw the image into N x N pixels the way the render window\nlays out its cells in an N x "
     "N client area (needs --out)",
     SetSize},
    {"--dump", "FILE", Group::Output, "the exact buffers as text (\"-\" = standard output)",
     SetText<&Options::dump>},
    {"--slices", "X Y Z", Group::Output,
     "with --out: the axial, coronal and sagittal slices at the\ncursor X Y Z (1..dim each) side "
     "by side, one pixel per\nvoxel, instead of a render (not with --size or --dump)",
     SetThreeIntegers<&Options::slices>},
    {"--dump-volume", "FILE", Group::Output, "the voxel store, bytes voxels[x][y][z], z fastest",
     SetText<&Options::dumpVolume>},
    {"--save-view", "FILE", Group::Output,
     "the view this command renders, to render it again later", SetText<&Options::saveView>},
    {"--threads", "N", Group::Output, "worker threads (default: all cores); output is identical",
     SetPositive<&Options::threads>},
    {"--repeat", "N", Group::Output, "render N times, report the median ms per render on stderr",
     SetPositive<&Options::repeat>},
    {"--help", "", Group::Output, "this text", SetFlag<&Options::help>},
    {"-h", "", Group::Output, "", SetFlag<&Options::help>},
    {"--version", "", Group::Output, "the program's version", SetFlag<&Options::version>},
};

// How many values the usage words of an option stand for ("{types}" is one).
int ValueCount(const OptionRow& row) {
    const std::string_view words = row.values;
    if (words.empty()) return 0;
    return static_cast<int>(std::count(words.begin(), words.end(), ' ')) + 1;
}

// The names of a table's entries, joined by separator.
template <typename Table, typename Name>
std::string Joined(const Table& table, const char* separator, Name name) {
    std::string text;
    for (const auto& entry : table) {
        if (!text.empty()) text += separator;
        text += name(entry);
    }
    return text;
}

// text with every {name} of the name tables replaced by its list.
std::string WithNameLists(std::string text) {
    const std::pair<std::string_view, std::string> lists[] = {
        {"{models}", Joined(BuiltInModels(), " | ", [](const ModelName& m) { return m.name; })},
        {"{types}", JoinedNames<RenderType>(kRenderTypes, "|")},
        {"{maps}", JoinedNames<ColourMap>(kColourMaps, "|")},
        {"{faces}", Joined(kFaceNames, " ", [](const char* name) { return name; })},
    };
    for (const auto& [placeholder, list] : lists) {
        for (std::size_t at; (at = text.find(placeholder)) != std::string::npos;) {
            text.replace(at, placeholder.size(), list);
        }
    }
    return text;
}

const OptionRow* FindOption(std::string_view name) {
    for (const OptionRow& row : kOptionRows) {
        if (name == row.name) return &row;
    }
    return nullptr;
}

// The rules between options, once all are read.
bool CheckCombination(const Options& o, std::string& error) {
    // Exactly one volume source, and only its own options.
    if (int(o.raw.has_value()) + int(o.modelGiven) + int(o.view.has_value()) +
            int(o.open.has_value()) >
        1) {
        error = "give one volume source: --model, --raw, --open or --view";
        return false;
    }
    if (!o.open && (o.window || o.noResample)) {
        error = "--window and --no-resample go with --open";
        return false;
    }
    const bool importOptions =
        o.dims || o.bytes || o.ascii || o.reverse || o.aspect || o.headerBytes;
    if (importOptions && !o.raw) {
        error = "--dims, --bytes, --ascii, --reverse, --aspect and --header-bytes go with --raw";
        return false;
    }
    if (o.help || o.version) return true;
    if (o.slices) {
        // The slices are the output: no render, so nothing that shows one.
        if (!o.out) {
            error = "--slices needs --out";
            return false;
        }
        if (o.size > 0 || o.dump || o.repeat > 0) {
            error = "--slices writes one pixel per voxel: not with --size, --dump or --repeat";
            return false;
        }
    }
    if (o.size > 0 && !o.out) {
        error = "--size needs --out";
        return false;
    }
    if (o.out) {
        // Refused before any work: a wrong name never costs a render.
        const QString reason = picture::CheckPictureFormat(QString::fromStdString(*o.out));
        if (!reason.isEmpty()) {
            error = reason.toStdString();
            return false;
        }
    }
    if (!o.raw && !FindModel(o.model)) {
        error = "unknown model " + o.model +
                " (the models are ball, monkey, combined, head, "
                "hyperboloid and cone)";
        return false;
    }
    return true;
}

}  // namespace

std::string Usage() {
    // Help starts in this column; a longer option line leaves three blanks.
    constexpr std::size_t kHelpColumn = 26;
    std::string text = "calyra-render [OPTIONS]\n";
    for (const Heading& heading : kHeadings) {
        text += std::string("\n") + heading.text + "\n";
        for (const OptionRow& row : kOptionRows) {
            if (row.group != heading.group || !*row.help) continue;
            std::string line = std::string("  ") + row.name;
            if (*row.values) line += std::string(" ") + WithNameLists(row.values);
            line += line.size() + 3 <= kHelpColumn ? std::string(kHelpColumn - line.size(), ' ')
                                                   : std::string(3, ' ');
            std::string help = WithNameLists(row.help);
            for (std::size_t at = 0; (at = help.find('\n', at)) != std::string::npos; ++at) {
                help.insert(at + 1, kHelpColumn, ' ');
            }
            text += line + help + "\n";
        }
    }
    return text;
}

std::optional<Options> ParseOptions(int argc, char** argv, std::string& error) {
    Options o;
    for (int i = 1; i < argc; ++i) {
        const OptionRow* row = FindOption(argv[i]);
        if (!row) {
            error = std::string("unknown option ") + argv[i];
            return std::nullopt;
        }
        const int count = ValueCount(*row);
        if (i + count >= argc) {
            error = std::string(argv[i]) + " needs " + std::to_string(count) + " value(s)";
            return std::nullopt;
        }
        Reading reading{argv, i, o, error};
        if (!row->handle(reading)) return std::nullopt;
        i += count;
    }
    if (!CheckCombination(o, error)) return std::nullopt;
    return o;
}

}  // namespace calyra::cli
