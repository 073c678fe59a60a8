#include "cli/options.h"

#include <QString>
#include <algorithm>
#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "base/named_values.h"
#include "picture/picture_file.h"
#include "volume/model_type.h"

namespace calyra::cli {

namespace {

// {models}, {types} and {faces} stand for the lists of the name tables, so
// that a new model or type shows up here by itself.
constexpr const char* kUsageText =
    "calyra-render [OPTIONS]\n"
    "\n"
    "Volume (default --model ball):\n"
    "  --model NAME            {models}\n"
    "                          (head reads \"sm3dhead\" from the working directory)\n"
    "  --raw FILE              import FILE; shape and type from FILE.inf unless given:\n"
    "  --dims X Y Z  --bytes N  --ascii  --reverse  --aspect AX AY AZ  --header-bytes N\n"
    "  --open PATH             a NRRD, MetaImage, NIfTI, DICOM (file or folder) or TIFF\n"
    "                          volume; --window LO HI, --no-resample\n"
    "  --view FILE             a view file, or a picture saved with one: its volume,\n"
    "                          settings and geometry; the options below still apply\n"
    "Settings (defaults as at program start, or the view's):\n"
    "  --type {types}   --threshold F   --interp   --no-grad\n"
    "Geometry, applied to the start-up (or the view's) World and ViewPlane in order:\n"
    "  --snap-world FACE   --snap-plane FACE        FACE: {faces}\n"
    "  --rotate-world AY AX   --rotate-plane AY AX   --rotate-plane-xyz AX AY AZ\n"
    "  --translate-plane DX DY DZ   --pan in|out\n"
    "Output:\n"
    "  --out FILE              the image as the render window shows it, one pixel per cell;\n"
    "                          the format follows the extension: .png, .jpg/.jpeg,\n"
    "                          .tif/.tiff, .bmp (a name without one gets .png)\n"
    "  --size N                draw the image into N x N pixels the way the render window\n"
    "                          lays out its cells in an N x N client area (needs --out)\n"
    "  --dump FILE             the exact buffers as text (\"-\" = standard output)\n"
    "  --slices X Y Z          with --out: the axial, coronal and sagittal slices at the\n"
    "                          cursor X Y Z (1..dim each) side by side, one pixel per\n"
    "                          voxel, instead of a render (not with --size or --dump)\n"
    "  --dump-volume FILE      the voxel store, bytes voxels[x][y][z], z fastest\n"
    "  --save-view FILE        the view this command renders, to render it again later\n"
    "  --threads N             worker threads (default: all cores); output is identical\n"
    "  --repeat N              render N times, report the median ms per render on stderr\n"
    "  --help, --version\n";

// In Face order.
constexpr const char* kFaceNames[kFaceCount] = {"front", "back", "top", "bottom", "left", "right"};

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

// The geometry moves that take numbers: which move, and how many.
struct Move {
    GeometryOp::Kind kind;
    int count;
};
constexpr NamedValue<Move> kMoves[] = {
    {{GeometryOp::RotateWorld, 2}, "--rotate-world"},
    {{GeometryOp::RotatePlane, 2}, "--rotate-plane"},
    {{GeometryOp::RotatePlaneXYZ, 3}, "--rotate-plane-xyz"},
    {{GeometryOp::TranslatePlane, 3}, "--translate-plane"},
};

void ReplaceOnce(std::string& text, std::string_view placeholder, const std::string& value) {
    text.replace(text.find(placeholder), placeholder.size(), value);
}

// The largest --size: a picture of this side is 1 GiB of pixels.
constexpr int kMaxPictureSide = 16384;

bool ParseInt(const char* text, int& out) {
    errno = 0;
    char* end = nullptr;
    const long v = std::strtol(text, &end, 10);
    if (errno != 0 || end == text || *end != '\0' || v < -2147483648L || v > 2147483647L) {
        return false;
    }
    out = static_cast<int>(v);
    return true;
}

bool ParseFloat(const char* text, float& out) {
    char* end = nullptr;
    const float v = std::strtof(text, &end);
    if (end == text || *end != '\0') return false;
    out = v;
    return true;
}

bool ParseFace(const std::string& name, Face& face) {
    for (int i = 0; i < kFaceCount; ++i) {
        if (name == kFaceNames[i]) {
            face = static_cast<Face>(i);
            return true;
        }
    }
    return false;
}

}  // namespace

std::string Usage() {
    std::string text = kUsageText;
    ReplaceOnce(text, "{models}",
                Joined(BuiltInModels(), " | ", [](const ModelName& m) { return m.name; }));
    ReplaceOnce(text, "{types}",
                Joined(kRenderTypes, "|", [](const RenderTypeName& t) { return t.name; }));
    ReplaceOnce(text, "{faces}", Joined(kFaceNames, " ", [](const char* name) { return name; }));
    return text;
}

std::optional<Options> ParseOptions(int argc, char** argv, std::string& error) {
    Options o;
    int i = 1;
    auto need = [&](int n) {
        if (i + n >= argc) {
            error = std::string(argv[i]) + " needs " + std::to_string(n) + " value(s)";
            return false;
        }
        return true;
    };
    // The aspect takes any number (the import checks refuse the ones that
    // make no sense, with their message); a setting or a move must be finite.
    auto floats = [&](int n, float* out, bool finiteOnly = true) {
        if (!need(n)) return false;
        for (int k = 0; k < n; ++k) {
            if (!ParseFloat(argv[i + 1 + k], out[k])) {
                error = std::string("not a number for ") + argv[i] + ": " + argv[i + 1 + k];
                return false;
            }
            if (finiteOnly && !std::isfinite(out[k])) {
                error = std::string("not a finite number for ") + argv[i] + ": " + argv[i + 1 + k];
                return false;
            }
        }
        return true;
    };
    // The option's one value as a whole number from low to high; refusal is
    // the error for anything else (a missing value has its own).
    auto wholeNumber = [&](int low, int high, const std::string& refusal) -> std::optional<int> {
        int n = 0;
        if (!need(1) || !ParseInt(argv[i + 1], n) || n < low || n > high) {
            if (error.empty()) error = refusal;
            return std::nullopt;
        }
        return n;
    };
    // The options that take no value, and the setting each switches on.
    const NamedValue<bool*> flagOptions[] = {
        {&o.help, "--help"},     {&o.help, "-h"},           {&o.version, "--version"},
        {&o.ascii, "--ascii"},   {&o.reverse, "--reverse"}, {&o.noResample, "--no-resample"},
        {&o.interp, "--interp"}, {&o.noGrad, "--no-grad"}};
    // The options that take one text value, and where it goes.
    const NamedValue<std::optional<std::string>*> textOptions[] = {
        {&o.raw, "--raw"},
        {&o.open, "--open"},
        {&o.view, "--view"},
        {&o.saveView, "--save-view"},
        {&o.out, "--out"},
        {&o.dump, "--dump"},
        {&o.dumpVolume, "--dump-volume"}};
    for (; i < argc; ++i) {
        const std::string arg = argv[i];
        if (const auto flag = FindNamed<bool*>(flagOptions, arg)) {
            **flag = true;
            continue;
        }
        if (const auto text = FindNamed<std::optional<std::string>*>(textOptions, arg)) {
            if (!need(1)) return std::nullopt;
            **text = argv[i + 1];
            ++i;
            continue;
        }
        int consumed = 0;
        if (arg == "--model") {
            if (!need(1)) return std::nullopt;
            o.model = argv[i + 1];
            o.modelGiven = true;
            consumed = 1;
        } else if (arg == "--dims" || arg == "--slices") {
            if (!need(3)) return std::nullopt;
            std::vector<int> d(3);
            for (int k = 0; k < 3; ++k) {
                if (!ParseInt(argv[i + 1 + k], d[k])) {
                    error = "not an integer for " + arg + ": " + argv[i + 1 + k];
                    return std::nullopt;
                }
            }
            (arg == "--dims" ? o.dims : o.slices) = d;
            consumed = 3;
        } else if (arg == "--bytes" || arg == "--header-bytes") {
            const std::optional<int> n = wholeNumber(INT_MIN, INT_MAX, "not an integer for " + arg);
            if (!n) return std::nullopt;
            (arg == "--bytes" ? o.bytes : o.headerBytes) = *n;
            consumed = 1;
        } else if (arg == "--window") {
            if (!need(2)) return std::nullopt;
            std::vector<double> w(2);
            for (int k = 0; k < 2; ++k) {
                char* end = nullptr;
                w[k] = std::strtod(argv[i + 1 + k], &end);
                if (end == argv[i + 1 + k] || *end != '\0' || !std::isfinite(w[k])) {
                    error = std::string("not a number for --window: ") + argv[i + 1 + k];
                    return std::nullopt;
                }
            }
            if (w[0] > w[1]) {
                error = "--window LO HI needs LO <= HI";
                return std::nullopt;
            }
            o.window = w;
            consumed = 2;
        } else if (arg == "--aspect") {
            std::vector<float> a(3);
            if (!floats(3, a.data(), false)) return std::nullopt;
            o.aspect = a;
            consumed = 3;
        } else if (arg == "--type") {
            if (!need(1)) return std::nullopt;
            o.type = FindRenderType(argv[i + 1]);
            if (!o.type) {
                error = std::string("unknown --type ") + argv[i + 1];
                return std::nullopt;
            }
            consumed = 1;
        } else if (arg == "--threshold") {
            float t = 0;
            if (!floats(1, &t)) return std::nullopt;
            if (t < 0.0f || t > 1.0f) {
                error = std::string("--threshold must lie between 0 and 1: ") + argv[i + 1];
                return std::nullopt;
            }
            o.threshold = t;
            consumed = 1;
        } else if (arg == "--snap-world" || arg == "--snap-plane") {
            if (!need(1)) return std::nullopt;
            GeometryOp op{arg == "--snap-world" ? GeometryOp::SnapWorld : GeometryOp::SnapPlane};
            if (!ParseFace(argv[i + 1], op.face)) {
                error = std::string("unknown face ") + argv[i + 1];
                return std::nullopt;
            }
            o.geometry.push_back(op);
            consumed = 1;
        } else if (const std::optional<Move> move = FindNamed<Move>(kMoves, arg)) {
            GeometryOp op{move->kind};
            if (!floats(move->count, op.v)) return std::nullopt;
            o.geometry.push_back(op);
            consumed = move->count;
        } else if (arg == "--pan") {
            if (!need(1)) return std::nullopt;
            GeometryOp op{GeometryOp::Pan};
            const std::string dir = argv[i + 1];
            if (dir != "in" && dir != "out") {
                error = "--pan takes in or out";
                return std::nullopt;
            }
            op.panIn = dir == "in";
            o.geometry.push_back(op);
            consumed = 1;
        } else if (arg == "--size") {
            const std::optional<int> n = wholeNumber(
                1, kMaxPictureSide,
                "--size takes a whole number from 1 to " + std::to_string(kMaxPictureSide));
            if (!n) return std::nullopt;
            o.size = *n;
            consumed = 1;
        } else if (arg == "--threads" || arg == "--repeat") {
            const std::optional<int> n = wholeNumber(1, INT_MAX, arg + " takes a positive integer");
            if (!n) return std::nullopt;
            (arg == "--threads" ? o.threads : o.repeat) = *n;
            consumed = 1;
        } else {
            error = "unknown option " + arg;
            return std::nullopt;
        }
        i += consumed;
    }
    // Exactly one volume source, and only its own options.
    if (int(o.raw.has_value()) + int(o.modelGiven) + int(o.view.has_value()) +
            int(o.open.has_value()) >
        1) {
        error = "give one volume source: --model, --raw, --open or --view";
        return std::nullopt;
    }
    if (!o.open && (o.window || o.noResample)) {
        error = "--window and --no-resample go with --open";
        return std::nullopt;
    }
    const bool importOptions =
        o.dims || o.bytes || o.ascii || o.reverse || o.aspect || o.headerBytes;
    if (importOptions && !o.raw) {
        error = "--dims, --bytes, --ascii, --reverse, --aspect and --header-bytes go with --raw";
        return std::nullopt;
    }
    if (o.help || o.version) return o;
    if (o.slices) {
        // The slices are the output: no render, so nothing that shows one.
        if (!o.out) {
            error = "--slices needs --out";
            return std::nullopt;
        }
        if (o.size > 0 || o.dump || o.repeat > 0) {
            error = "--slices writes one pixel per voxel: not with --size, --dump or --repeat";
            return std::nullopt;
        }
    }
    if (o.size > 0 && !o.out) {
        error = "--size needs --out";
        return std::nullopt;
    }
    if (o.out) {
        // Refused before any work: a wrong name never costs a render.
        const QString reason = picture::CheckPictureFormat(QString::fromStdString(*o.out));
        if (!reason.isEmpty()) {
            error = reason.toStdString();
            return std::nullopt;
        }
    }
    if (!o.raw && !FindModel(o.model)) {
        error = "unknown model " + o.model +
                " (the models are ball, monkey, combined, head, "
                "hyperboloid and cone)";
        return std::nullopt;
    }
    return o;
}

}  // namespace calyra::cli
