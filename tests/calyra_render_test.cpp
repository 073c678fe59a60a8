// The batch renderer end to end: options, exit status, dump and store formats.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "render/render_type.h"
#include "volume/model_type.h"

namespace {

namespace fs = std::filesystem;

struct RunResult {
    int status;
    std::string out;
};

// Runs calyra-render with args in dir; stdout captured, stderr to stdout.
RunResult RunRender(const std::string& args, const fs::path& dir = fs::temp_directory_path(),
                    const fs::path& program = CALYRA_RENDER_EXE) {
    const std::string command =
        "cd '" + dir.string() + "' && '" + program.string() + "' " + args + " 2>&1";
    FILE* pipe = popen(command.c_str(), "r");
    std::string out;
    char buffer[4096];
    std::size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) out.append(buffer, n);
    const int status = pclose(pipe);
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, out};
}

TEST(CalyraRender, DumpsTheBuffersInTheDocumentedFormat) {
    const RunResult run = RunRender("--model ball --type slice --dump -");
    ASSERT_EQ(run.status, 0) << run.out;
    std::istringstream in(run.out);
    std::string word;
    int version, dims[3], size, mirror, w, h, displayMax;
    unsigned maxValue;
    in >> word >> version;
    EXPECT_EQ(word, "calyra-dump");
    in >> word >> dims[0] >> dims[1] >> dims[2] >> size >> maxValue >> mirror;
    EXPECT_EQ(word, "volume");
    EXPECT_EQ(dims[0], 64);
    EXPECT_EQ(maxValue, 256u);
    in >> word >> w >> h >> displayMax;
    EXPECT_EQ(word, "image");
    EXPECT_EQ(w, 64);
    EXPECT_EQ(h, 64);
    long long value;
    for (int k = 0; k < w * h; ++k) ASSERT_TRUE(in >> value);
    in >> word;
    EXPECT_EQ(word, "depth");
    for (int k = 0; k < 2 + w * h; ++k) ASSERT_TRUE(in >> value);
    EXPECT_EQ(value, 1);  // Slice rays always stop at the first step
}

TEST(CalyraRender, WritesTheWholeStoreZFastest) {
    const fs::path file = fs::temp_directory_path() / "calyra_store.bin";
    const RunResult run = RunRender("--model monkey --dump-volume '" + file.string() + "'");
    ASSERT_EQ(run.status, 0) << run.out;
    EXPECT_EQ(fs::file_size(file), 65u * 65 * 65);
    fs::remove(file);
}

TEST(CalyraRender, InterpolationDoublesTheRaysAndThePixelStep) {
    const RunResult run =
        RunRender("--model ball --interp --type transparent --threshold 0 --dump -");
    ASSERT_EQ(run.status, 0);
    EXPECT_NE(run.out.find("\nimage 256 256 "), std::string::npos);
}

TEST(CalyraRender, AMissingHeadFileIsAFailureWithItsMessage) {
    const fs::path dir = fs::temp_directory_path() / "calyra_no_head";
    fs::create_directories(dir);
    const RunResult run = RunRender("--model head --dump /dev/null", dir);
    EXPECT_EQ(run.status, 2);
    EXPECT_NE(run.out.find("Could not read file sm3dhead"), std::string::npos);
}

TEST(CalyraRender, UsageErrorsExitWithTwo) {
    EXPECT_EQ(RunRender("--model teapot").status, 2);
    EXPECT_EQ(RunRender("--type glass").status, 2);
    EXPECT_EQ(RunRender("--snap-world sideways").status, 2);
    EXPECT_EQ(RunRender("--dims 1 2").status, 2);
    EXPECT_EQ(RunRender("--help").status, 0);
}

// The words after label on its line of text, split at separator.
std::vector<std::string> ListAfter(const std::string& text, const std::string& label,
                                   const std::string& separator) {
    const std::size_t start = text.find(label);
    if (start == std::string::npos) return {};
    std::string rest =
        text.substr(start + label.size(), text.find('\n', start) - start - label.size());
    rest = rest.substr(rest.find_first_not_of(' '));
    rest = rest.substr(0, rest.find("   "));  // the next option on the line
    std::vector<std::string> words;
    for (std::size_t at = 0;;) {
        const std::size_t end = rest.find(separator, at);
        words.push_back(rest.substr(at, end - at));
        if (end == std::string::npos) return words;
        at = end + separator.size();
    }
}

// --help lists the names the name tables hold, and the options take each one.
TEST(CalyraRender, HelpListsEveryModelAndTypeTheOptionsTake) {
    const RunResult help = RunRender("--help");
    ASSERT_EQ(help.status, 0);
    std::vector<std::string> models, types;
    for (const calyra::ModelName& m : calyra::BuiltInModels()) models.push_back(m.name);
    for (const calyra::RenderTypeName& t : calyra::kRenderTypes) types.push_back(t.name);
    EXPECT_EQ(ListAfter(help.out, "--model NAME", " | "), models) << help.out;
    EXPECT_EQ(ListAfter(help.out, "--type", "|"), types) << help.out;
    EXPECT_NE(help.out.find("ball | monkey | combined | head | hyperboloid | cone\n"),
              std::string::npos);
    EXPECT_NE(help.out.find("--type surface|transparent|slice|maximum|minimum|average "),
              std::string::npos);
    EXPECT_NE(help.out.find("--colormap grey|inverted|hot|bone|viridis "), std::string::npos);
    EXPECT_NE(help.out.find("FACE: front back top bottom left right\n"), std::string::npos);

    // The head model reads sm3dhead from the working directory.
    const fs::path headDir = fs::path(CALYRA_HEAD_FILE).parent_path();
    for (const std::string& model : models) {
        EXPECT_EQ(RunRender("--model " + model + " --dump /dev/null", headDir).status, 0) << model;
    }
    for (const std::string& type : types) {
        EXPECT_EQ(RunRender("--type " + type + " --dump /dev/null").status, 0) << type;
    }
}

// The options --help lists, each at the start of its line.
std::vector<std::string> ListedOptions(const std::string& help) {
    std::vector<std::string> names;
    std::istringstream lines(help);
    for (std::string line; std::getline(lines, line);) {
        if (line.rfind("  --", 0) != 0) continue;
        names.push_back(line.substr(2, line.find(' ', 2) - 2));
    }
    return names;
}

std::string FileText(const fs::path& path) {
    std::ifstream in(path);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// The usage text comes from the option table: the man page and the help file
// must name every option it lists (the man page escapes its hyphens).
TEST(CalyraRender, ManPageAndHelpFileNameEveryOption) {
    const RunResult help = RunRender("--help");
    ASSERT_EQ(help.status, 0);
    const std::vector<std::string> options = ListedOptions(help.out);
    ASSERT_GT(options.size(), 20u) << help.out;
    const std::string man = FileText(CALYRA_SOURCE_DIR "/resources/man/calyra-render.1");
    const std::string helpFile = FileText(CALYRA_SOURCE_DIR "/resources/Calyra.HLP");
    ASSERT_FALSE(man.empty());
    ASSERT_FALSE(helpFile.empty());
    for (const std::string& option : options) {
        std::string escaped;
        for (char c : option) escaped += c == '-' ? std::string("\\-") : std::string(1, c);
        EXPECT_NE(man.find(escaped), std::string::npos) << "the man page misses " << option;
        EXPECT_NE(helpFile.find(option), std::string::npos) << "the help file misses " << option;
    }
}

TEST(CalyraRender, RefusedImportParametersGiveTheRefusalMessage) {
    const fs::path data = fs::temp_directory_path() / "calyra_cube.raw";
    std::ofstream(data, std::ios::binary) << std::string(8, '\x10');
    const RunResult big =
        RunRender("--raw '" + data.string() + "' --dims 301 300 300 --dump /dev/null");
    EXPECT_EQ(big.status, 2);
    EXPECT_NE(big.out.find("Sorry, please look over the parameters again"), std::string::npos);
    const RunResult missingSide = RunRender("--raw '" + data.string() + "' --dump /dev/null");
    EXPECT_EQ(missingSide.status, 2);
    EXPECT_NE(missingSide.out.find(".inf"), std::string::npos);
    EXPECT_NE(missingSide.out.find("--dims"), std::string::npos) << missingSide.out;
    const RunResult ok = RunRender("--raw '" + data.string() + "' --dims 2 2 2 --dump -");
    EXPECT_EQ(ok.status, 0) << ok.out;
    // Every voxel is there, shown unfolded: maxValue 16, mirrorZ 0.
    EXPECT_NE(ok.out.find("volume 2 2 2 2 16 0"), std::string::npos) << ok.out;
    const RunResult wide =
        RunRender("--raw '" + data.string() + "' --dims 2 2 2 --bytes 3 --dump -");
    EXPECT_EQ(wide.status, 2);
    EXPECT_NE(wide.out.find("bytes per voxel 3: binary files take 1 or 2"), std::string::npos)
        << wide.out;
    fs::remove(data);
}

TEST(CalyraRender, NamesAMissingDataFileAsTheDataFile) {
    const RunResult run = RunRender("--raw /nonexistent/scan.raw --dims 4 4 4 --dump /dev/null");
    EXPECT_EQ(run.status, 2);
    EXPECT_NE(run.out.find("Could not read file /nonexistent/scan.raw\n"), std::string::npos)
        << run.out;
    EXPECT_EQ(run.out.find(".inf"), std::string::npos) << run.out;
}

TEST(CalyraRender, ShortAndLongFilesLoadWithANoteAndSucceed) {
    const fs::path data = fs::temp_directory_path() / "calyra_short.raw";
    std::ofstream(data, std::ios::binary) << std::string(1000, '\x40');
    const RunResult shortRun =
        RunRender("--raw '" + data.string() + "' --dims 10 10 20 --dump /dev/null");
    EXPECT_EQ(shortRun.status, 0) << shortRun.out;
    EXPECT_NE(shortRun.out.find("holds 1000 bytes, the shape needs 2000 bytes"), std::string::npos)
        << shortRun.out;
    const RunResult longRun =
        RunRender("--raw '" + data.string() + "' --dims 10 10 9 --dump /dev/null");
    EXPECT_EQ(longRun.status, 0) << longRun.out;
    EXPECT_NE(longRun.out.find("The last 100 bytes were not read."), std::string::npos)
        << longRun.out;
    const RunResult header = RunRender("--raw '" + data.string() +
                                       "' --dims 10 10 9 --header-bytes 100 --dump /dev/null");
    EXPECT_EQ(header.status, 0);
    EXPECT_TRUE(header.out.empty()) << header.out;
    fs::remove(data);
}

TEST(CalyraRender, ImportsTheExampleScanIntoAPictureThatIsNotBlank) {
    const fs::path scan = CALYRA_EXAMPLE_SCAN;
    const RunResult run = RunRender("--raw '" + scan.string() +
                                    "' --type surface --threshold 0.3 --rotate-plane 0.5 -0.35 "
                                    "--dump -");
    ASSERT_EQ(run.status, 0) << run.out.substr(0, 500);
    std::istringstream in(run.out);
    std::string word;
    int dims[3], size, mirror, w, h;
    unsigned maxValue;
    long long displayMax;
    in >> word >> word >> word >> dims[0] >> dims[1] >> dims[2] >> size >> maxValue >> mirror;
    EXPECT_EQ(dims[0], 256);
    EXPECT_EQ(dims[2], 64);
    EXPECT_EQ(maxValue, 255u);
    EXPECT_EQ(mirror, 0);
    in >> word >> w >> h >> displayMax;
    long long value, lit = 0;
    for (int k = 0; k < w * h && in >> value; ++k) lit += value > 0;
    // The head fills a good part of the picture, and not all of it.
    EXPECT_GT(lit, w * h / 10);
    EXPECT_LT(lit, w * h);
}

TEST(CalyraRender, OutputIsTheSameForAnyThreadCount) {
    const std::string scene = "--model cone --interp --rotate-plane 0.3 0.2 --dump -";
    const RunResult one = RunRender(scene + " --threads 1");
    const RunResult three = RunRender(scene + " --threads 3");
    ASSERT_EQ(one.status, 0);
    EXPECT_EQ(one.out, three.out);
}

// A new empty folder of its own for each test, which ctest may run in parallel.
fs::path FreshFolder(const std::string& stem) {
    std::string name = (fs::temp_directory_path() / (stem + "_XXXXXX")).string();
    if (!mkdtemp(name.data())) return fs::temp_directory_path();
    return name;
}

std::string ReadBytes(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Width and height from a PNG's header chunk.
std::pair<unsigned, unsigned> PngSize(const std::string& bytes) {
    const auto word = [&bytes](std::size_t at) {
        unsigned v = 0;
        for (std::size_t i = 0; i < 4; ++i)
            v = (v << 8) | static_cast<unsigned char>(bytes[at + i]);
        return v;
    };
    return bytes.size() >= 24 ? std::pair{word(16), word(20)} : std::pair{0u, 0u};
}

TEST(CalyraRender, SizeDrawsTheCellsIntoASquareOfThatSide) {
    const fs::path file = FreshFolder("calyra_size") / "size.png";
    const RunResult run = RunRender("--model ball --size 300 --out '" + file.string() + "'");
    ASSERT_EQ(run.status, 0) << run.out;
    EXPECT_EQ(PngSize(ReadBytes(file)), (std::pair{300u, 300u}));
    const RunResult cells = RunRender("--model ball --out '" + file.string() + "'");
    ASSERT_EQ(cells.status, 0) << cells.out;
    EXPECT_EQ(PngSize(ReadBytes(file)), (std::pair{64u, 64u}));  // one pixel per cell
    fs::remove_all(file.parent_path());
}

struct ExtensionCase {
    const char* name;     // as given to --out
    const char* written;  // the file that appears
    std::string magic;    // its first bytes
};

class OutputFormat : public ::testing::TestWithParam<ExtensionCase> {};

TEST_P(OutputFormat, FollowsTheExtension) {
    const ExtensionCase& c = GetParam();
    const fs::path dir = FreshFolder("calyra_formats");
    const fs::path written = dir / c.written;
    const RunResult run = RunRender(std::string("--model ball --size 40 --out ") + c.name, dir);
    if (run.status != 0 && run.out.find("qt6-image-formats-plugins") != std::string::npos)
        GTEST_SKIP() << run.out;
    ASSERT_EQ(run.status, 0) << run.out;
    EXPECT_EQ(ReadBytes(written).substr(0, c.magic.size()), c.magic);
    fs::remove_all(dir);
}

INSTANTIATE_TEST_SUITE_P(Extensions, OutputFormat,
                         ::testing::Values(ExtensionCase{"a.png", "a.png", "\x89PNG"},
                                           ExtensionCase{"a.jpg", "a.jpg", "\xFF\xD8\xFF"},
                                           ExtensionCase{"a.Jpeg", "a.Jpeg", "\xFF\xD8\xFF"},
                                           ExtensionCase{"a.tif", "a.tif", "II*"},
                                           ExtensionCase{"a.tiff", "a.tiff", "II*"},
                                           ExtensionCase{"a.bmp", "a.bmp", "BM"},
                                           ExtensionCase{"plain", "plain.png", "\x89PNG"}));

struct RefusalCase {
    const char* args;
    const char* reason;  // part of the message
};

class RefusedOptions : public ::testing::TestWithParam<RefusalCase> {};

TEST_P(RefusedOptions, ExitWithTwoAndTheReasonBeforeWritingAnything) {
    const fs::path dir = FreshFolder("calyra_refused");
    const RunResult run = RunRender(std::string(GetParam().args), dir);
    EXPECT_EQ(run.status, 2) << run.out;
    EXPECT_NE(run.out.find(GetParam().reason), std::string::npos) << run.out;
    EXPECT_TRUE(fs::is_empty(dir));
    fs::remove_all(dir);
}

INSTANTIATE_TEST_SUITE_P(
    Numbers, RefusedOptions,
    ::testing::Values(
        RefusalCase{"--threshold 1.5 --out a.png", "between 0 and 1"},
        RefusalCase{"--threshold -0.01 --out a.png", "between 0 and 1"},
        RefusalCase{"--threshold nan --out a.png", "not a finite number"},
        RefusalCase{"--threshold inf --out a.png", "not a finite number"},
        RefusalCase{"--rotate-world nan 0 --out a.png", "not a finite number for --rotate-world"},
        RefusalCase{"--rotate-plane 0 inf --out a.png", "not a finite number"},
        RefusalCase{"--rotate-plane-xyz 0 0 -inf --out a.png", "not a finite number"},
        RefusalCase{"--translate-plane 1e39 0 0 --out a.png", "not a finite number"},
        RefusalCase{"--out a.gif", "Use .png"}, RefusalCase{"--out a.xyz", "a.xyz"},
        RefusalCase{"--size 0 --out a.png", "--size"},
        RefusalCase{"--size 64", "--size needs --out"},
        RefusalCase{"--model teapot --out a.png",
                    "ball, monkey, combined, head, hyperboloid and cone"},
        RefusalCase{"--colormap jet --out a.png", "grey, inverted, hot, bone, viridis"},
        RefusalCase{"--display-window 10 10 --out a.png", "0 <= LO < HI <= 255"},
        RefusalCase{"--display-window 20 10 --out a.png", "0 <= LO < HI <= 255"},
        RefusalCase{"--display-window -1 10 --out a.png", "0 <= LO < HI <= 255"},
        RefusalCase{"--display-window 0 256 --out a.png", "0 <= LO < HI <= 255"},
        RefusalCase{"--display-window 0 2.5 --out a.png", "0 <= LO < HI <= 255"},
        RefusalCase{"--display-window 0 --out a.png", "0 <= LO < HI <= 255"}));

INSTANTIATE_TEST_SUITE_P(
    Slices, RefusedOptions,
    ::testing::Values(RefusalCase{"--slices 1 2 3", "--slices needs --out"},
                      RefusalCase{"--slices 1 2 3 --out a.png --size 100", "not with --size"},
                      RefusalCase{"--slices 1 2 3 --out a.png --dump a.txt", "--dump"},
                      RefusalCase{"--slices 0 2 3 --out a.png", "X = 0 lies outside 1..64"},
                      RefusalCase{"--slices 1 65 3 --out a.png", "Y = 65 lies outside 1..64"},
                      RefusalCase{"--slices 1 2 -1 --out a.png", "Z = -1 lies outside 1..64"},
                      RefusalCase{"--raw '" CALYRA_EXAMPLE_SCAN "' --slices 256 256 65 --out a.png",
                                  "Z = 65 lies outside 1..64"},
                      RefusalCase{"--slices 1 2 --out a.png", "not an integer for --slices"},
                      RefusalCase{"--slices 1 2.5 3 --out a.png", "not an integer for --slices"},
                      RefusalCase{"--out a.png --slices 1 2", "--slices needs 3 value(s)"}));

// The pixels of an uncompressed BMP (24 or 32 bits, or 8 with a palette):
// rgb[(y * width + x) * 3 + channel].
struct Bitmap {
    int width = 0, height = 0;
    std::vector<unsigned char> rgb;
};
Bitmap ReadBmp(const std::string& bytes) {
    Bitmap b;
    if (bytes.size() < 54 || bytes.compare(0, 2, "BM") != 0) return b;
    const auto word = [&bytes](std::size_t at, int n) {
        long long v = 0;
        for (int i = n - 1; i >= 0; --i) v = (v << 8) | static_cast<unsigned char>(bytes[at + i]);
        return v;
    };
    const long long offset = word(10, 4), width = word(18, 4);
    long long height = static_cast<std::int32_t>(word(22, 4));
    const int bits = static_cast<int>(word(28, 2));
    const std::size_t palette = 14 + static_cast<std::size_t>(word(14, 4));
    const bool bottomUp = height > 0;
    height = bottomUp ? height : -height;
    const int bytesPer = bits / 8;
    const long long stride = (width * bytesPer + 3) / 4 * 4;
    if ((bytesPer != 1 && bytesPer < 3) ||
        offset + stride * height > static_cast<long long>(bytes.size())) {
        return b;
    }
    b.width = static_cast<int>(width);
    b.height = static_cast<int>(height);
    b.rgb.resize(static_cast<std::size_t>(width * height * 3));
    for (long long y = 0; y < height; ++y) {
        const long long row = offset + (bottomUp ? height - 1 - y : y) * stride;
        for (long long x = 0; x < width; ++x) {
            std::size_t at = static_cast<std::size_t>(row + x * bytesPer);
            // Stored blue, green, red; a palette entry likewise.
            if (bytesPer == 1) at = palette + 4 * static_cast<unsigned char>(bytes[at]);
            for (int c = 0; c < 3; ++c) {
                b.rgb[static_cast<std::size_t>((y * width + x) * 3 + c)] =
                    static_cast<unsigned char>(bytes[at + 2 - static_cast<std::size_t>(c)]);
            }
        }
    }
    return b;
}

struct SliceCase {
    const char* label;
    const char* source;
    int cursor[3];
    int litPercent;  // at least this share of the pixels shows data
};

class SlicePicture : public ::testing::TestWithParam<SliceCase> {};

// The three panes against the store itself: axial column x-1 row y-1 shows
// [x][y][Z], coronal [x][Y][z], sagittal [X][y][z]; a mirrored store's
// upper half reads the lower half's slices; black under the short panes.
TEST_P(SlicePicture, ShowsTheDumpedStoreVoxelForVoxel) {
    const SliceCase& c = GetParam();
    const fs::path dir = FreshFolder("calyra_slices");
    const std::string cursor = std::to_string(c.cursor[0]) + " " + std::to_string(c.cursor[1]) +
                               " " + std::to_string(c.cursor[2]);
    const RunResult run = RunRender(std::string(c.source) + " --slices " + cursor + " --out '" +
                                        (dir / "s.bmp").string() + "' --dump-volume '" +
                                        (dir / "v.bin").string() + "'",
                                    fs::path(CALYRA_HEAD_FILE).parent_path());
    ASSERT_EQ(run.status, 0) << run.out;
    const RunResult header = RunRender(std::string(c.source) + " --dump - --type slice",
                                       fs::path(CALYRA_HEAD_FILE).parent_path());
    std::istringstream in(header.out);
    std::string word;
    int dx, dy, dz, size, mirror;
    in >> word >> word >> word >> dx >> dy >> dz >> size >> word >> mirror;
    ASSERT_TRUE(in) << header.out.substr(0, 200);

    const std::string store = ReadBytes(dir / "v.bin");
    ASSERT_EQ(store.size(), static_cast<std::size_t>(dx + 1) * (dy + 1) * (dz + 1));
    const auto voxel = [&](int x, int y, int z) {
        if (mirror && z > dz / 2) z = dz - 1 - z;
        if (z < 0) return 0;
        return int{static_cast<unsigned char>(
            store[(static_cast<std::size_t>(x) * (dy + 1) + y) * (dz + 1) + z])};
    };
    const Bitmap p = ReadBmp(ReadBytes(dir / "s.bmp"));
    ASSERT_EQ(p.width, dx + dx + dy);
    ASSERT_EQ(p.height, std::max(dy, dz));
    const int X = c.cursor[0], Y = c.cursor[1], Z = c.cursor[2];
    int mismatches = 0, lit = 0;
    for (int row = 0; row < p.height; ++row) {
        for (int column = 0; column < p.width; ++column) {
            int expected = 0;
            if (column < dx) {
                expected = row < dy ? voxel(column + 1, row + 1, Z) : 0;
            } else if (column < 2 * dx) {
                expected = row < dz ? voxel(column - dx + 1, Y, row + 1) : 0;
            } else {
                expected = row < dz ? voxel(X, column - 2 * dx + 1, row + 1) : 0;
            }
            const unsigned char* px =
                &p.rgb[3 * (static_cast<std::size_t>(row) * p.width + column)];
            lit += expected > 0;
            if (px[0] != expected || px[1] != expected || px[2] != expected) ++mismatches;
        }
    }
    EXPECT_EQ(mismatches, 0);
    EXPECT_GE(100 * lit, c.litPercent * p.width * p.height);
    fs::remove_all(dir);
}

INSTANTIATE_TEST_SUITE_P(
    CalyraRender, SlicePicture,
    ::testing::Values(
        SliceCase{"ExampleScan", "--raw '" CALYRA_EXAMPLE_SCAN "'", {170, 61, 40}, 10},
        SliceCase{"ExampleScanEdges", "--raw '" CALYRA_EXAMPLE_SCAN "'", {1, 256, 64}, 0},
        SliceCase{"MirroredHead", "--model head", {40, 90, 100}, 10},
        SliceCase{"Monkey", "--model monkey", {20, 50, 33}, 5}),
    [](const ::testing::TestParamInfo<SliceCase>& c) { return std::string(c.param.label); });

// An installed program finds the head data set in its share folder, from
// any working directory.
TEST(CalyraRender, FindsTheHeadInTheShareFolderBesideItsPrefix) {
    const fs::path prefix = FreshFolder("calyra_prefix");
    fs::create_directories(prefix / "bin");
    fs::create_directories(prefix / "share" / "calyra");
    fs::copy_file(CALYRA_RENDER_EXE, prefix / "bin" / "calyra-render");
    fs::copy_file(CALYRA_HEAD_FILE, prefix / "share" / "calyra" / "sm3dhead");
    const fs::path elsewhere = prefix / "elsewhere";
    fs::create_directories(elsewhere);
    const RunResult run =
        RunRender("--model head --dump -", elsewhere, prefix / "bin" / "calyra-render");
    EXPECT_EQ(run.status, 0) << run.out.substr(0, 300);
    EXPECT_NE(run.out.find("volume 128 128 128 128"), std::string::npos) << run.out.substr(0, 300);
    fs::remove_all(prefix);
}

}  // namespace

namespace {

std::string ReadAll(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// Renders args in dir saving the view, renders again from the view alone, and
// expects the same buffers.
void ExpectTheSavedViewRendersTheSame(const std::string& args, const std::string& view,
                                      const fs::path& dir) {
    const RunResult saved = RunRender(args + " --save-view " + view + " --dump saved.txt", dir);
    ASSERT_EQ(saved.status, 0) << saved.out;
    const RunResult again = RunRender("--view " + view + " --dump again.txt", dir);
    ASSERT_EQ(again.status, 0) << again.out;
    EXPECT_EQ(ReadAll(dir / "saved.txt"), ReadAll(dir / "again.txt"));
}

TEST(CalyraRenderViews, AViewRendersTheSameBuffersAgainFromTheFileAndFromThePicture) {
    const fs::path dir = fs::temp_directory_path() / "calyra_views";
    fs::create_directories(dir);
    const std::string scene =
        "--model cone --interp --type transparent --threshold 0.1 --snap-world left "
        "--rotate-plane 0.5 -0.35 --pan in --rotate-world 0.3 0.1 --translate-plane 0.01 0 0.2";
    ASSERT_NO_FATAL_FAILURE(
        ExpectTheSavedViewRendersTheSame(scene + " --out first.png --size 300", "first.view", dir));
    // The picture knows its view: the same picture comes out again.
    const RunResult fromPicture = RunRender("--view first.png --out again.png --size 300", dir);
    ASSERT_EQ(fromPicture.status, 0) << fromPicture.out;
    EXPECT_EQ(ReadAll(dir / "first.png"), ReadAll(dir / "again.png"));
    // Settings given beside the view win; geometry operations apply after it.
    const RunResult changed =
        RunRender("--view first.view --type surface --pan out --dump s.txt", dir);
    ASSERT_EQ(changed.status, 0) << changed.out;
    const RunResult direct = RunRender(scene + " --type surface --pan out --dump d.txt", dir);
    ASSERT_EQ(direct.status, 0);
    EXPECT_EQ(ReadAll(dir / "s.txt"), ReadAll(dir / "d.txt"));
    fs::remove_all(dir);
}

TEST(CalyraRenderViews, ARawViewNeedsItsDataFileUnchanged) {
    const fs::path dir = fs::temp_directory_path() / "calyra_raw_view";
    fs::create_directories(dir);
    std::ofstream(dir / "cube.raw", std::ios::binary) << std::string(1000, '\x50');
    ASSERT_NO_FATAL_FAILURE(ExpectTheSavedViewRendersTheSame(
        "--raw cube.raw --dims 10 10 10 --header-bytes 0 --type slice", "cube.view", dir));

    std::ofstream(dir / "cube.raw", std::ios::binary | std::ios::app) << "xx";
    const RunResult grown = RunRender("--view cube.view --dump /dev/null", dir);
    EXPECT_EQ(grown.status, 2);
    EXPECT_NE(grown.out.find("has changed: it held 1000 bytes when the view was saved, 1002 now"),
              std::string::npos)
        << grown.out;
    fs::remove(dir / "cube.raw");
    const RunResult missing = RunRender("--view cube.view --dump /dev/null", dir);
    EXPECT_EQ(missing.status, 2);
    EXPECT_NE(missing.out.find("is missing"), std::string::npos) << missing.out;
    fs::remove_all(dir);
}

TEST(CalyraRenderViews, DamagedOrNewerViewFilesAndTwoSourcesAreRefused) {
    const fs::path dir = fs::temp_directory_path() / "calyra_bad_views";
    fs::create_directories(dir);
    ASSERT_EQ(RunRender("--model ball --save-view good.view", dir).status, 0);
    std::string text = ReadAll(dir / "good.view");
    std::ofstream(dir / "newer.view") << "calyra-view 7\n" << text.substr(text.find('\n') + 1);
    std::ofstream(dir / "cut.view") << text.substr(0, text.size() / 2);
    std::ofstream(dir / "junk.png") << "not a picture";
    for (const char* name : {"newer.view", "cut.view", "junk.png", "absent.view"}) {
        const RunResult run = RunRender(std::string("--view ") + name + " --dump /dev/null", dir);
        EXPECT_EQ(run.status, 2) << name;
        EXPECT_FALSE(run.out.empty()) << name;
    }
    EXPECT_NE(RunRender("--view newer.view", dir).out.find("newer than this program"),
              std::string::npos);
    EXPECT_EQ(RunRender("--view good.view --model cone", dir).status, 2);
    fs::remove_all(dir);
}

// The image values and display maximum of a dump.
struct DumpImage {
    int width = 0, height = 0;
    long long displayMax = 0;
    std::vector<long long> values;  // row by row
};
DumpImage ReadDumpImage(const std::string& text) {
    std::istringstream in(text);
    std::string word;
    DumpImage d;
    for (int k = 0; k < 9; ++k) in >> word;  // the magic and the volume line
    in >> word >> d.width >> d.height >> d.displayMax;
    d.values.resize(static_cast<std::size_t>(d.width) * d.height);
    for (long long& v : d.values) in >> v;
    return d;
}

// The grey of a value as cells show it (low byte of trunc(v x k)), then the
// display window's stretch, then the inversion: the rule itself, in plain
// arithmetic.
int InvertedWindowedGrey(long long v, long long displayMax, int lo, int hi) {
    const float k = static_cast<float>(255.0 / static_cast<double>(displayMax ? displayMax : 1));
    const int g = static_cast<int>(static_cast<long long>(static_cast<float>(v) * k) & 0xFF);
    const int stretched = g <= lo ? 0 : g >= hi ? 255 : (g - lo) * 255 / (hi - lo);
    return 255 - stretched;
}

TEST(CalyraRenderColours, AnInvertedWindowFollowsTheRuleForEveryPixel) {
    const fs::path dir = FreshFolder("calyra_colours");
    const std::string scene = "--model cone --type maximum --rotate-plane 0.4 -0.2 --threshold 0";
    for (const auto& [lo, hi] : {std::pair{30, 140}, std::pair{0, 255}, std::pair{200, 201}}) {
        const std::string window =
            " --display-window " + std::to_string(lo) + " " + std::to_string(hi);
        const RunResult run =
            RunRender(scene + window + " --colormap inverted --out p.bmp --dump d.txt", dir);
        ASSERT_EQ(run.status, 0) << run.out;
        const DumpImage dump = ReadDumpImage(ReadAll(dir / "d.txt"));
        const Bitmap picture = ReadBmp(ReadBytes(dir / "p.bmp"));
        ASSERT_EQ(picture.width, dump.width);
        ASSERT_EQ(picture.height, dump.height);
        int mid = 0;
        for (int y = 0; y < dump.height; ++y)
            for (int x = 0; x < dump.width; ++x) {
                const long long v = dump.values[static_cast<std::size_t>(y * dump.width + x)];
                const int want = InvertedWindowedGrey(v, dump.displayMax, lo, hi);
                for (int c = 0; c < 3; ++c) {
                    ASSERT_EQ(picture.rgb[static_cast<std::size_t>((y * dump.width + x) * 3 + c)],
                              want)
                        << x << ' ' << y << " window " << lo << ' ' << hi;
                }
                mid += want > 0 && want < 255;
            }
        if (hi - lo > 1) {
            EXPECT_GT(mid, 0);
        }
        // The buffers are the render's own, whatever the colours.
        const RunResult plain = RunRender(scene + " --dump plain.txt", dir);
        ASSERT_EQ(plain.status, 0);
        EXPECT_EQ(ReadAll(dir / "d.txt"), ReadAll(dir / "plain.txt"));
    }
    fs::remove_all(dir);
}

// Hot runs from black through red and yellow to white: no pixel has more
// green than red or more blue than green, and the bright ones are coloured.
TEST(CalyraRenderColours, HotPicturesAreRedBeforeTheyAreYellow) {
    const fs::path dir = FreshFolder("calyra_hot");
    const RunResult run =
        RunRender("--model combined --type average --threshold 0 --colormap hot --out p.bmp", dir);
    ASSERT_EQ(run.status, 0) << run.out;
    const Bitmap picture = ReadBmp(ReadBytes(dir / "p.bmp"));
    ASSERT_GT(picture.width, 0);
    int coloured = 0;
    for (std::size_t at = 0; at < picture.rgb.size(); at += 3) {
        const int r = picture.rgb[at], g = picture.rgb[at + 1], b = picture.rgb[at + 2];
        ASSERT_TRUE(r >= g && g >= b) << at / 3;
        coloured += r > g;
    }
    EXPECT_GT(coloured, 0);
    fs::remove_all(dir);
}

// A Maximum of the head in Hot, saved as a picture, comes back from the
// picture alone: the same buffers and the same picture.
TEST(CalyraRenderViews, AProjectionInColourRendersAgainFromItsPicture) {
    const fs::path dir = FreshFolder("calyra_head_view");
    fs::copy_file(CALYRA_HEAD_FILE, dir / "sm3dhead");
    const std::string scene =
        "--model head --interp --rotate-plane 0.6 -0.3 --type maximum --threshold 0.05 "
        "--colormap hot --display-window 20 230 --out first.png --size 256";
    ASSERT_NO_FATAL_FAILURE(ExpectTheSavedViewRendersTheSame(scene, "first.view", dir));
    const RunResult again =
        RunRender("--view first.png --out again.png --size 256 --dump p.txt", dir);
    ASSERT_EQ(again.status, 0) << again.out;
    EXPECT_EQ(ReadAll(dir / "first.png"), ReadAll(dir / "again.png"));
    EXPECT_EQ(ReadAll(dir / "saved.txt"), ReadAll(dir / "p.txt"));
    const std::string view = ReadAll(dir / "first.view");
    EXPECT_NE(view.find("\ncolormap hot\n"), std::string::npos) << view;
    EXPECT_NE(view.find("\ndisplay-window 20 230\n"), std::string::npos);
    EXPECT_NE(view.find("\ntype maximum\n"), std::string::npos);
    // Without the colours the picture differs; the buffers do not.
    const RunResult grey =
        RunRender("--view first.png --colormap grey --out grey.png --size 256", dir);
    ASSERT_EQ(grey.status, 0);
    EXPECT_NE(ReadAll(dir / "first.png"), ReadAll(dir / "grey.png"));
    fs::remove_all(dir);
}

}  // namespace
