#include "cli/options.h"

#include <QString>
#include <algorithm>
#include <climits>
#include <cmath>
#include <span>
#include <vector>

#include "base/named_values.h"
#include "base/parse_number.h"
#include "movie/movie_encoder.h"
#include "movie/movie_kind.h"
#include "picture/picture_file.h"
#include "render/transfer_function_presets.h"
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
// the lists of the name tables, so that a new model or type shows up by itself;
// {tfs} for the transfer-function presets.
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

bool SetPan(Reading& r) {
    GeometryOp op{GeometryOp::Pan};
    if (r.Value() != "in" && r.Value() != "out") return r.Fail("--pan takes in or out");
    op.panIn = r.Value() == "in";
    r.o.geometry.push_back(op);
    return true;
}

bool AddCutAtPlane(Reading& r) {
    r.o.geometry.push_back(GeometryOp{GeometryOp::CutAtPlane});
    return true;
}

// A --clip replaces the plane of every earlier --cut-at-plane.
void DropEarlierCuts(Options& o) {
    std::erase_if(o.geometry,
                  [](const GeometryOp& op) { return op.kind == GeometryOp::CutAtPlane; });
}

bool SetSize(Reading& r) {
    const std::optional<int> n =
        r.WholeNumber(1, kMaxPictureSide,
                      "--size takes a whole number from 1 to " + std::to_string(kMaxPictureSide));
    if (n) r.o.size = *n;
    return n.has_value();
}

// The longest turntable: a frame a tenth of a degree apart, and more than
// any movie of it would want.
constexpr int kMaxTurntableFrames = 3600;

bool SetTurntable(Reading& r) {
    const std::optional<int> n = r.WholeNumber(
        1, kMaxTurntableFrames,
        "--turntable takes a whole number from 1 to " + std::to_string(kMaxTurntableFrames));
    if (n) r.o.turntable = *n;
    return n.has_value();
}

bool SetTurnAxis(Reading& r) {
    if (r.Value() == "horizontal") {
        r.o.turnAxis = TurnAxis::Horizontal;
    } else if (r.Value() == "vertical") {
        r.o.turnAxis = TurnAxis::Vertical;
    } else {
        return r.Fail("--turn-axis takes horizontal or vertical");
    }
    return true;
}

bool SetFps(Reading& r) {
    const std::optional<int> n =
        r.WholeNumber(1, movie::kMaxFps,
                      "--fps takes a whole number from 1 to " + std::to_string(movie::kMaxFps));
    if (n) r.o.fps = *n;
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
    {"--tf", "PRESET|FILE.json", Group::Settings,
     "Composite's transfer function: a preset ({tfs})\nor a file (default ramp)",
     SetText<&Options::tf>},
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
    {"--cut-at-plane", "", Group::Geometry,
     "cut the volume where the plane stands now: keep what lies\nbeyond it, wherever the plane "
     "moves next",
     AddCutAtPlane},
    {"--out", "FILE", Group::Output,
     "the image as the render window shows it, one pixel per cell;\nthe format follows the "
     "extension: .png, .jpg/.jpeg,\n.tif/.tiff, .bmp (a name without one gets .png)",
     SetText<&Options::out>},
    {"--size", "N", Group::Output,
     "draw the image into N x N pixels the way the render window\nlays out its cells in an N x "
     "N client area (needs --out)",
     SetSize},
    {"--turntable", "N", Group::Output,
     "with --out: N frames of a whole turn of the view about the\nbox centre, as a drag turns it, "
     "frame k by k x 360 / N\ndegrees; --out names .mp4, .webm, .gif, or a PNG frame\nseries "
     "with one %d or %0Nd (turn_%03d.png, from 0)",
     SetTurntable},
    {"--turn-axis", "horizontal|vertical", Group::Output,
     "with --turntable: turn as a horizontal drag (default) or\na vertical one", SetTurnAxis},
    {"--fps", "N", Group::Output, "with --turntable: frames a second (default 25)", SetFps},
    {"--dump", "FILE", Group::Output, "the exact buffers as text (\"-\" = standard output)",
     SetText<&Options::dump>},
    {"--slices", "X Y Z", Group::Output,
     "with --out: the axial, coronal and sagittal slices at the\ncursor X Y Z (1..dim each) side "
     "by side, one pixel per\nvoxel, instead of a render (not with --size or --dump)",
     SetThreeIntegers<&Options::slices>},
    {"--dump-volume", "FILE", Group::Output, "the voxel store, bytes voxels[x][y][z], z fastest",
     SetText<&Options::dumpVolume>},
    {"--dump-fine", "FILE", Group::Output,
     "the fine store and its value mapping as text: its file\nvalues at 16 bits, z fastest",
     SetText<&Options::dumpFine>},
    {"--save-tf", "FILE.json", Group::Output,
     "the transfer function in use, as a file that reads back\nto the same function",
     SetText<&Options::saveTf>},
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
int ValueCount(std::string_view words) {
    if (words.empty()) return 0;
    return static_cast<int>(std::count(words.begin(), words.end(), ' ')) + 1;
}

// A setting's option: its words (or a flag's fixed word), checked by the
// setting's own reader, kept for after the volume is built.
bool ReadSettingOption(const SettingRow& row, char** argv, int i, Options& o, std::string& error) {
    SettingWords given{row.setting, {}};
    if (*row.flagWord) {
        given.words.push_back(row.flagWord);
    } else {
        for (int k = 0; k < ValueCount(row.optionWords); ++k)
            given.words.push_back(argv[i + 1 + k]);
    }
    UserSettings trial;
    const std::string reason = row.read(given.words, trial);
    if (!reason.empty()) {
        std::string shown;
        for (const std::string& w : given.words) shown += " " + w;
        error = std::string(row.option) + " " + reason + ":" + shown;
        return false;
    }
    o.settings.push_back(std::move(given));
    return true;
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
        {"{faces}", Joined(kFaceNames, " ", [](const char* name) { return name; })},
        {"{tfs}",
         Joined(kTfPresets, " ", [](const TfPresetRow& p) { return std::string(p.name); })},
    };
    for (const auto& [placeholder, list] : lists) {
        for (std::size_t at; (at = text.find(placeholder)) != std::string::npos;) {
            text.replace(at, placeholder.size(), list);
        }
    }
    return WithSettingNameLists(text);
}

const OptionRow* FindOption(std::string_view name) {
    for (const OptionRow& row : kOptionRows) {
        if (name == row.name) return &row;
    }
    return nullptr;
}

// A turntable writes its frames to --out as a movie or a frame series, and
// renders nothing else.
bool CheckTurntable(const Options& o, std::string& error) {
    if (o.turntable == 0) {
        if (o.turnAxis || o.fps) {
            error = "--turn-axis and --fps go with --turntable";
            return false;
        }
        return true;
    }
    if (!o.out) {
        error = "--turntable needs --out";
        return false;
    }
    if (o.dump || o.slices || o.repeat > 0) {
        error = "--turntable writes frames to --out: not with --dump, --slices or --repeat";
        return false;
    }
    // Refused before any work: a wrong name never costs a render.
    return movie::MovieKindOf(*o.out, error).has_value();
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
    const bool sliceWindow =
        std::any_of(o.settings.begin(), o.settings.end(),
                    [](const SettingWords& w) { return w.setting == Setting::SliceWindow; });
    if (sliceWindow && !o.slices) {
        error = "--slice-window goes with --slices";
        return false;
    }
    if (o.size > 0 && !o.out) {
        error = "--size needs --out";
        return false;
    }
    if (!CheckTurntable(o, error)) return false;
    if (o.out && o.turntable == 0) {
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
    const auto entry = [](const char* name, const char* values, const char* helpText) {
        std::string line = std::string("  ") + name;
        if (*values) line += std::string(" ") + WithNameLists(values);
        line += line.size() + 3 <= kHelpColumn ? std::string(kHelpColumn - line.size(), ' ')
                                               : std::string(3, ' ');
        std::string help = WithNameLists(helpText);
        for (std::size_t at = 0; (at = help.find('\n', at)) != std::string::npos; ++at) {
            help.insert(at + 1, kHelpColumn, ' ');
        }
        return line + help + "\n";
    };
    std::string text = "calyra-render [OPTIONS]\n";
    for (const Heading& heading : kHeadings) {
        text += std::string("\n") + heading.text + "\n";
        // The settings' options come from the settings table.
        if (heading.group == Group::Settings) {
            for (const SettingRow& row : kSettingRows) {
                if (*row.option) text += entry(row.option, row.optionWords, row.help);
            }
        }
        for (const OptionRow& row : kOptionRows) {
            if (row.group != heading.group || !*row.help) continue;
            text += entry(row.name, row.values, row.help);
        }
    }
    return text;
}

std::optional<Options> ParseOptions(int argc, char** argv, std::string& error) {
    Options o;
    for (int i = 1; i < argc; ++i) {
        if (const SettingRow* setting = FindSettingOption(argv[i])) {
            const int count = *setting->flagWord ? 0 : ValueCount(setting->optionWords);
            if (i + count >= argc) {
                error = std::string(argv[i]) + " needs " + std::to_string(count) + " value(s)";
                return std::nullopt;
            }
            if (!ReadSettingOption(*setting, argv, i, o, error)) return std::nullopt;
            if (setting->setting == Setting::Clip) DropEarlierCuts(o);
            i += count;
            continue;
        }
        const OptionRow* row = FindOption(argv[i]);
        if (!row) {
            error = std::string("unknown option ") + argv[i];
            return std::nullopt;
        }
        const int count = ValueCount(row->values);
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
