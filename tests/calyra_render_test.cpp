// The batch renderer end to end: options, exit status, dump and store formats.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <algorithm>
#include <cmath>
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
#include "tests/address_space_limit.h"
#include "tests/file_contents.h"
#include "tests/full_disk.h"
#include "tests/run_render.h"
#include "tests/sparse_volume.h"
#include "tests/temp_folder.h"
#include "volume/model_type.h"

namespace {

namespace fs = std::filesystem;

using calyra::test::RunRender;
using calyra::test::RunResult;

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
    const calyra::test::TempFolder fileFolder("calyra_store");
    const fs::path file = fileFolder / "calyra_store.bin";
    const RunResult run = RunRender("--model monkey --dump-volume '" + file.string() + "'");
    ASSERT_EQ(run.status, 0) << run.out;
    EXPECT_EQ(fs::file_size(file), 65u * 65 * 65);
}

TEST(CalyraRender, InterpolationDoublesTheRaysAndThePixelStep) {
    const RunResult run =
        RunRender("--model ball --interp --type transparent --threshold 0 --dump -");
    ASSERT_EQ(run.status, 0);
    EXPECT_NE(run.out.find("\nimage 256 256 "), std::string::npos);
}

TEST(CalyraRender, AMissingHeadFileIsAFailureWithItsMessage) {
    const calyra::test::TempFolder dirFolder("calyra_no_head");
    const fs::path& dir = dirFolder.path();
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
    EXPECT_NE(help.out.find("--type surface|transparent|slice|maximum|minimum|average|composite "),
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
    const calyra::test::TempFolder dataFolder("calyra_cube");
    const fs::path data = dataFolder / "calyra_cube.raw";
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
}

TEST(CalyraRender, NamesAMissingDataFileAsTheDataFile) {
    const RunResult run = RunRender("--raw /nonexistent/scan.raw --dims 4 4 4 --dump /dev/null");
    EXPECT_EQ(run.status, 2);
    EXPECT_NE(run.out.find("Could not read file /nonexistent/scan.raw\n"), std::string::npos)
        << run.out;
    EXPECT_EQ(run.out.find(".inf"), std::string::npos) << run.out;
}

TEST(CalyraRender, ShortAndLongFilesLoadWithANoteAndSucceed) {
    const calyra::test::TempFolder dataFolder("calyra_short");
    const fs::path data = dataFolder / "calyra_short.raw";
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
    const calyra::test::TempFolder fileFolder("calyra_size");
    const fs::path file = fileFolder / "size.png";
    const RunResult run = RunRender("--model ball --size 300 --out '" + file.string() + "'");
    ASSERT_EQ(run.status, 0) << run.out;
    EXPECT_EQ(PngSize(ReadBytes(file)), (std::pair{300u, 300u}));
    const RunResult cells = RunRender("--model ball --out '" + file.string() + "'");
    ASSERT_EQ(cells.status, 0) << cells.out;
    EXPECT_EQ(PngSize(ReadBytes(file)), (std::pair{64u, 64u}));  // one pixel per cell
}

struct ExtensionCase {
    const char* name;     // as given to --out
    const char* written;  // the file that appears
    std::string magic;    // its first bytes
};

class OutputFormat : public ::testing::TestWithParam<ExtensionCase> {};

TEST_P(OutputFormat, FollowsTheExtension) {
    const ExtensionCase& c = GetParam();
    const calyra::test::TempFolder dirFolder("calyra_formats");
    const fs::path& dir = dirFolder.path();
    const fs::path written = dir / c.written;
    const RunResult run = RunRender(std::string("--model ball --size 40 --out ") + c.name, dir);
    if (run.status != 0 && run.out.find("qt6-image-formats-plugins") != std::string::npos)
        GTEST_SKIP() << run.out;
    ASSERT_EQ(run.status, 0) << run.out;
    EXPECT_EQ(ReadBytes(written).substr(0, c.magic.size()), c.magic);
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
    const calyra::test::TempFolder dirFolder("calyra_refused");
    const fs::path& dir = dirFolder.path();
    const RunResult run = RunRender(std::string(GetParam().args), dir);
    EXPECT_EQ(run.status, 2) << run.out;
    EXPECT_NE(run.out.find(GetParam().reason), std::string::npos) << run.out;
    EXPECT_TRUE(fs::is_empty(dir));
}

INSTANTIATE_TEST_SUITE_P(
    Numbers, RefusedOptions,
    ::testing::Values(
        RefusalCase{"--threshold 1.5 --out a.png", "from 0 to 1"},
        RefusalCase{"--threshold -0.01 --out a.png", "from 0 to 1"},
        RefusalCase{"--threshold nan --out a.png", "needs a finite number"},
        RefusalCase{"--threshold inf --out a.png", "needs a finite number"},
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

// A turntable's name, size and options are checked before any frame is rendered.
INSTANTIATE_TEST_SUITE_P(
    Turntable, RefusedOptions,
    ::testing::Values(
        RefusalCase{"--turntable 36", "--turntable needs --out"},
        RefusalCase{"--turntable 0 --out a.mp4", "--turntable takes a whole number"},
        RefusalCase{"--turntable 36 --out a.mp4 --dump a.txt", "not with --dump"},
        RefusalCase{"--turntable 36 --out a.mp4 --repeat 3", "--repeat"},
        RefusalCase{"--turntable 36 --out a.mp4 --slices 1 2 3", "--slices"},
        RefusalCase{"--turntable 36 --out a.png", "cannot tell what kind of file"},
        RefusalCase{"--turntable 36 --out a_%d_%d.png", "2 frame numbers"},
        RefusalCase{"--turntable 36 --out a.mp4 --turn-axis sideways", "horizontal or vertical"},
        RefusalCase{"--turntable 36 --out a.mp4 --fps 0", "--fps takes"},
        RefusalCase{"--turntable 36 --out a.gif --fps 60", "GIF movies play at 1 to 50"},
        RefusalCase{"--fps 30 --out a.png", "go with --turntable"},
        RefusalCase{"--turn-axis vertical --out a.png", "go with --turntable"},
        RefusalCase{"--turntable 36 --size 65 --out a.mp4", "even width and height"},
        RefusalCase{"--turntable 36 --size 99 --out a.webm", "even width and height"},
        RefusalCase{"--model head --turntable 4 --out a.mp4", "Could not read file sm3dhead"}));

INSTANTIATE_TEST_SUITE_P(
    Cuts, RefusedOptions,
    ::testing::Values(RefusalCase{"--crop 0 10 1 10 1 10 --out a.png", "1 <= X0 <= X1"},
                      RefusalCase{"--crop 5 4 1 10 1 10 --out a.png", "1 <= X0 <= X1"},
                      RefusalCase{"--crop 1 2 3 --out a.png", "--crop needs 6 value(s)"},
                      RefusalCase{"--crop 1 64 1 65 1 64 --out a.png --save-view a.view",
                                  "crop lies outside the volume's 1..64, 1..64, 1..64"},
                      RefusalCase{"--clip 1 1 1 0 0 0 --out a.png", "N not zero"},
                      RefusalCase{"--clip 1 nan 1 0 0 1 --out a.png", "six finite numbers"},
                      RefusalCase{"--clip 1 1 1 0 0 1e39 --out a.png", "six finite numbers"}));

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
    const calyra::test::TempFolder dirFolder("calyra_slices");
    const fs::path& dir = dirFolder.path();
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
    const calyra::test::TempFolder prefixFolder("calyra_prefix");
    const fs::path& prefix = prefixFolder.path();
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
    const calyra::test::TempFolder dirFolder("calyra_views");
    const fs::path& dir = dirFolder.path();
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
}

TEST(CalyraRenderViews, ARawViewNeedsItsDataFileUnchanged) {
    const calyra::test::TempFolder dirFolder("calyra_raw_view");
    const fs::path& dir = dirFolder.path();
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
}

TEST(CalyraRenderViews, DamagedOrNewerViewFilesAndTwoSourcesAreRefused) {
    const calyra::test::TempFolder dirFolder("calyra_bad_views");
    const fs::path& dir = dirFolder.path();
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
    const calyra::test::TempFolder dirFolder("calyra_colours");
    const fs::path& dir = dirFolder.path();
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
}

// Hot runs from black through red and yellow to white: no pixel has more
// green than red or more blue than green, and the bright ones are coloured.
TEST(CalyraRenderColours, HotPicturesAreRedBeforeTheyAreYellow) {
    const calyra::test::TempFolder dirFolder("calyra_hot");
    const fs::path& dir = dirFolder.path();
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
}

// A Maximum of the head in Hot, saved as a picture, comes back from the
// picture alone: the same buffers and the same picture.
TEST(CalyraRenderViews, AProjectionInColourRendersAgainFromItsPicture) {
    const calyra::test::TempFolder dirFolder("calyra_head_view");
    const fs::path& dir = dirFolder.path();
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
}

// The words of a view file's line that starts with key.
std::string ViewLine(const fs::path& view, const std::string& key) {
    std::istringstream lines(ReadAll(view));
    for (std::string line; std::getline(lines, line);) {
        if (line.rfind(key + " ", 0) == 0) return line.substr(key.size() + 1);
    }
    return {};
}

std::string Repeated(const std::string& words, int times) {
    std::string text;
    for (int k = 0; k < times; ++k) text += " " + words;
    return text;
}

// --cut-at-plane is a move among the others: the plane it sets is where the
// viewing plane stood, and of it and --clip the last one given counts.
TEST(CalyraRenderCuts, ACutAtThePlaneIsTheClipWhereThePlaneStood) {
    const calyra::test::TempFolder dirFolder("calyra_cut_at_plane");
    const fs::path& dir = dirFolder.path();
    fs::copy_file(CALYRA_HEAD_FILE, dir / "sm3dhead");
    const std::string in = Repeated("--pan in", 8), out = Repeated("--pan out", 8);
    const std::string cut = "--model head --type transparent --threshold 0.2" + in +
                            " --cut-at-plane" + out + " --rotate-plane 0.4 0.2";
    ASSERT_EQ(RunRender(cut + " --save-view cut.view --dump cut.txt", dir).status, 0);
    const std::string plane = ViewLine(dir / "cut.view", "clip");
    ASSERT_EQ(std::count(plane.begin(), plane.end(), ' '), 5) << plane;
    const std::string clipped = "--model head --type transparent --threshold 0.2 --clip " + plane +
                                in + out + " --rotate-plane 0.4 0.2";
    ASSERT_EQ(RunRender(clipped + " --dump clip.txt", dir).status, 0);
    EXPECT_EQ(ReadAll(dir / "cut.txt"), ReadAll(dir / "clip.txt"));
    ASSERT_EQ(RunRender("--model head --dump plain.txt", dir).status, 0);
    EXPECT_NE(ReadAll(dir / "cut.txt"), ReadAll(dir / "plain.txt"));

    const std::string other = "--clip 1 2 3 0 0 1";
    ASSERT_EQ(
        RunRender("--model head" + in + " --cut-at-plane " + other + " --save-view a.view", dir)
            .status,
        0);
    EXPECT_EQ(ViewLine(dir / "a.view", "clip"), "0x1p+0 0x1p+1 0x1.8p+1 0x0p+0 0x0p+0 0x1p+0");
    ASSERT_EQ(
        RunRender("--model head " + other + in + " --cut-at-plane --save-view b.view", dir).status,
        0);
    const std::string planeAfterPans = ViewLine(dir / "b.view", "clip");
    ASSERT_EQ(RunRender("--model head" + in + " --cut-at-plane --save-view c.view", dir).status, 0);
    EXPECT_EQ(planeAfterPans, ViewLine(dir / "c.view", "clip"));
}

// A cut view renders the same again; a view whose box does not fit its
// volume is refused with a message and writes nothing.
TEST(CalyraRenderCuts, CutViewsRenderAgainAndABoxPastTheVolumeIsRefused) {
    const calyra::test::TempFolder dirFolder("calyra_cut_views");
    const fs::path& dir = dirFolder.path();
    fs::copy_file(CALYRA_HEAD_FILE, dir / "sm3dhead");
    ASSERT_NO_FATAL_FAILURE(ExpectTheSavedViewRendersTheSame(
        "--model head --type maximum --interp --crop 20 100 1 128 65 128 --clip 64 64 64 1 1 0 "
        "--rotate-plane 0.5 -0.35",
        "cut.view", dir));
    EXPECT_EQ(ViewLine(dir / "cut.view", "crop"), "20 100 1 128 65 128");
    std::string text = ReadAll(dir / "cut.view");
    const std::size_t at = text.find("crop 20 100");
    ASSERT_NE(at, std::string::npos);
    text.replace(at, std::string("crop 20 100").size(), "crop 20 129");
    std::ofstream(dir / "past.view") << text;
    const RunResult run = RunRender("--view past.view --out past.png --save-view again.view", dir);
    EXPECT_EQ(run.status, 2);
    EXPECT_NE(run.out.find("crop lies outside the volume's 1..128"), std::string::npos) << run.out;
    EXPECT_FALSE(fs::exists(dir / "past.png"));
    EXPECT_FALSE(fs::exists(dir / "again.view"));
}

}  // namespace

// A CT-like NRRD of signed 16-bit values -1024..3071 at unit spacing.
std::vector<int> WriteCtNrrd(const fs::path& path, int nx, int ny, int nz) {
    std::vector<int> values;
    for (int k = 0; k < nz; ++k)
        for (int j = 0; j < ny; ++j)
            for (int i = 0; i < nx; ++i)
                values.push_back((i * 171 + j * 13 + k * 503) % 4096 - 1024);
    std::ofstream out(path, std::ios::binary);
    out << "NRRD0004\ntype: short\ndimension: 3\nsizes: " << nx << ' ' << ny << ' ' << nz
        << "\nencoding: raw\nendian: little\n\n";
    for (int v : values) out.put(char(v & 0xFF)).put(char((v >> 8) & 0xFF));
    return values;
}

// The fine value of v over lo..hi, and the grey of its file value in the
// window L, W: the rules in plain arithmetic.
int FineOf(double v, double lo, double hi) {
    return static_cast<int>(std::trunc(((v - lo) * 65535.0) / (hi - lo)));
}
int WindowGreyOf(int fine, double lo, double hi, double level, double width) {
    const double f = lo + (static_cast<double>(fine) * (hi - lo)) / 65535.0;
    const double low = level - width / 2.0;
    if (f <= low) return 0;
    if (f >= level + width / 2.0) return 255;
    return static_cast<int>(std::trunc(((f - low) * 255.0) / width));
}

TEST(CalyraRenderFine, TheFineDumpFollowsItsFormatForAModelAndAFile) {
    const calyra::test::TempFolder dirFolder("calyra_fine_dump");
    const fs::path& dir = dirFolder.path();
    // A model: 257 x its stored bytes, range 0 255 without a unit.
    ASSERT_EQ(RunRender("--model monkey --dump-volume v.bin --dump-fine f.txt", dir).status, 0);
    const std::string bytes = ReadBytes(dir / "v.bin");
    std::istringstream model(ReadAll(dir / "f.txt"));
    std::string line;
    std::getline(model, line);
    EXPECT_EQ(line, "calyra-fine 1");
    std::getline(model, line);
    EXPECT_EQ(line, "volume 64 64 64");
    std::getline(model, line);
    EXPECT_EQ(line, "range 0 255");
    std::size_t wrong = 0;
    for (int x = 1; x <= 64; ++x)
        for (int y = 1; y <= 64; ++y)
            for (int z = 1; z <= 64; ++z) {
                int f = -1;
                model >> f;
                wrong +=
                    f != 257 * std::uint8_t(bytes[(std::size_t(x) * 65 + std::size_t(y)) * 65 + z]);
            }
    EXPECT_EQ(wrong, 0u);
    EXPECT_FALSE(model >> line);

    // A file: its range, and each value by the rule, one line per x, y.
    const std::vector<int> values = WriteCtNrrd(dir / "ct.nrrd", 5, 4, 3);
    ASSERT_EQ(RunRender("--open ct.nrrd --dump-fine ct.txt", dir).status, 0);
    const double lo = *std::min_element(values.begin(), values.end());
    const double hi = *std::max_element(values.begin(), values.end());
    std::istringstream file(ReadAll(dir / "ct.txt"));
    std::getline(file, line);
    std::getline(file, line);
    EXPECT_EQ(line, "volume 5 4 3");
    std::getline(file, line);
    char range[80];
    std::snprintf(range, sizeof range, "range %.17g %.17g", lo, hi);
    EXPECT_EQ(line, range);
    for (int x = 0; x < 5; ++x)
        for (int y = 0; y < 4; ++y) {
            std::getline(file, line);
            std::string want;
            for (int z = 0; z < 3; ++z) {
                want += (z ? " " : "") +
                        std::to_string(FineOf(values[std::size_t((z * 4 + y) * 5 + x)], lo, hi));
            }
            EXPECT_EQ(line, want) << x << " " << y;
        }
}

// --slices through the brain window: every pixel of the axial pane by the
// rule; without a window the panes show the stored bytes.
TEST(CalyraRenderFine, TheBrainWindowShowsHounsfieldUnitsPixelForPixel) {
    const calyra::test::TempFolder dirFolder("calyra_brain");
    const fs::path& dir = dirFolder.path();
    const int nx = 24, ny = 20, nz = 6;
    const std::vector<int> values = WriteCtNrrd(dir / "ct.nrrd", nx, ny, nz);
    const double lo = *std::min_element(values.begin(), values.end());
    const double hi = *std::max_element(values.begin(), values.end());
    const RunResult run =
        RunRender("--open ct.nrrd --slices 3 4 5 --slice-window 40 80 --out s.bmp", dir);
    ASSERT_EQ(run.status, 0) << run.out;
    const Bitmap strip = ReadBmp(ReadBytes(dir / "s.bmp"));
    ASSERT_EQ(strip.width, nx + nx + ny);
    int between = 0;
    for (int y = 0; y < ny; ++y)
        for (int x = 0; x < nx; ++x) {
            const int fine = FineOf(values[std::size_t((4 * ny + y) * nx + x)], lo, hi);
            const int want = WindowGreyOf(fine, lo, hi, 40.0, 80.0);
            between += want > 0 && want < 255;
            ASSERT_EQ(strip.rgb[std::size_t(y * strip.width + x) * 3], want) << x << " " << y;
        }
    EXPECT_GT(between, 0);

    // The start window: a model's panes are its bytes.
    ASSERT_EQ(
        RunRender("--model monkey --slices 30 31 32 --out m.bmp --dump-volume m.bin", dir).status,
        0);
    const Bitmap model = ReadBmp(ReadBytes(dir / "m.bmp"));
    const std::string bytes = ReadBytes(dir / "m.bin");
    const int d = 64;
    std::size_t wrong = 0;
    for (int y = 1; y <= d; ++y)
        for (int x = 1; x <= d; ++x)
            wrong +=
                model.rgb[std::size_t((y - 1) * model.width + (x - 1)) * 3] !=
                std::uint8_t(bytes[(std::size_t(x) * (d + 1) + std::size_t(y)) * (d + 1) + 32]);
    EXPECT_EQ(wrong, 0u);
}

TEST(CalyraRenderFine, ASliceWindowNeedsSlicesAndAPositiveFiniteWidth) {
    const calyra::test::TempFolder dirFolder("calyra_slice_window");
    const fs::path& dir = dirFolder.path();
    for (const char* refused :
         {"--slices 1 1 1 --out s.png --slice-window 40 0",
          "--slices 1 1 1 --out s.png --slice-window 40 -5",
          "--slices 1 1 1 --out s.png --slice-window nan 80",
          "--slices 1 1 1 --out s.png --slice-window 40 inf",
          "--slices 1 1 1 --out s.png --slice-window 40", "--slice-window 40 80 --out s.png"}) {
        const RunResult run = RunRender(refused, dir);
        EXPECT_EQ(run.status, 2) << refused;
        EXPECT_NE(run.out.find("--slice"), std::string::npos) << refused << ": " << run.out;
        EXPECT_FALSE(fs::exists(dir / "s.png")) << refused;
    }
}

namespace {

// The dump of a Composite render: version 2, the image block holding red,
// then depth, green and blue, each W x H values; and the same picture by
// --view again.
TEST(CalyraRenderComposite, DumpsThreeComponentsAndReRendersItsPictureFromTheView) {
    const calyra::test::TempFolder dirFolder("calyra_composite");
    const fs::path& dir = dirFolder.path();
    const RunResult run = RunRender(
        "--model monkey --type composite --tf pet-hot --rotate-plane 20 10 --dump d.txt "
        "--out p.bmp --save-view v.txt",
        dir);
    ASSERT_EQ(run.status, 0) << run.out;
    std::istringstream dump(ReadAll(dir / "d.txt"));
    std::string line;
    std::getline(dump, line);
    EXPECT_EQ(line, "calyra-dump 2");
    std::getline(dump, line);
    std::getline(dump, line);
    EXPECT_EQ(line, "image 64 64 255");
    std::vector<std::vector<int>> blocks(4, std::vector<int>(64 * 64));
    const char* names[] = {"", "depth", "green", "blue"};
    for (int k = 0; k < 4; ++k) {
        if (k > 0) {
            std::getline(dump >> std::ws, line);
            EXPECT_EQ(line, std::string(names[k]) + " 64 64");
        }
        for (int& v : blocks[k]) ASSERT_TRUE(dump >> v) << names[k];
    }
    EXPECT_FALSE(dump >> line);
    // A colour image: somewhere the components differ, and the picture shows them.
    const Bitmap picture = ReadBmp(ReadBytes(dir / "p.bmp"));
    ASSERT_EQ(picture.width, 64);
    int coloured = 0;
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 64; ++x) {
            const std::size_t at = std::size_t(y) * 64 + x;
            coloured += blocks[0][at] != blocks[2][at];
            ASSERT_EQ(picture.rgb[at * 3], blocks[0][at]);
            ASSERT_EQ(picture.rgb[at * 3 + 1], blocks[2][at]);
            ASSERT_EQ(picture.rgb[at * 3 + 2], blocks[3][at]);
        }
    EXPECT_GT(coloured, 0);
    ASSERT_EQ(RunRender("--view v.txt --out again.bmp", dir).status, 0);
    EXPECT_EQ(ReadBytes(dir / "again.bmp"), ReadBytes(dir / "p.bmp"));
}

TEST(CalyraRenderComposite, ASavedTransferFunctionReadsBackToTheSameImage) {
    const calyra::test::TempFolder dirFolder("calyra_save_tf");
    const fs::path& dir = dirFolder.path();
    ASSERT_EQ(RunRender("--model cone --type composite --tf pet-hot --interp --save-tf t.json "
                        "--dump a.txt",
                        dir)
                  .status,
              0);
    const RunResult again =
        RunRender("--model cone --type composite --tf t.json --interp --dump b.txt", dir);
    ASSERT_EQ(again.status, 0) << again.out;
    EXPECT_EQ(ReadAll(dir / "a.txt"), ReadAll(dir / "b.txt"));
    // Other types keep the first version.
    ASSERT_EQ(RunRender("--model cone --tf t.json --dump c.txt", dir).status, 0);
    EXPECT_EQ(ReadAll(dir / "c.txt").rfind("calyra-dump 1\n", 0), 0u);
}

TEST(CalyraRenderComposite, ABadTransferFunctionFileIsRefusedWithItsNameAndNothingWritten) {
    const calyra::test::TempFolder dirFolder("calyra_bad_tf");
    const fs::path& dir = dirFolder.path();
    const std::pair<const char*, const char*> files[] = {
        {"truncated.json", "[{\"Points\": [0, 0, 0.5, 0"},
        {"nan.json", "[{\"Points\": [0, NaN, 0.5, 0]}]"},
        {"unsorted.json", "[{\"Points\": [10, 0, 0.5, 0, 5, 1, 0.5, 0]}]"},
        {"types.json", "[{\"Points\": \"many\"}]"},
        {"opacity.json", "[{\"Points\": [0, 2, 0.5, 0]}]"},
    };
    for (const auto& [name, text] : files) {
        std::ofstream(dir / name) << text;
        const RunResult run = RunRender(
            std::string("--model ball --type composite --tf ") + name + " --dump d.txt", dir);
        EXPECT_EQ(run.status, 2) << name;
        EXPECT_NE(run.out.find(name), std::string::npos) << run.out;
        EXPECT_FALSE(fs::exists(dir / "d.txt")) << name;
    }
    EXPECT_EQ(RunRender("--model ball --type composite --tf missing.json", dir).status, 2);
}

// Every file calyra-render writes, written where it cannot be: the run exits
// 2 naming the file and the reason, an old file of that name stays byte for
// byte and no temporary is left beside it.
struct WrittenFile {
    const char* what;
    const char* options;  // the file's path follows them
    const char* name;
};
constexpr WrittenFile kWrittenFiles[] = {
    {"picture", "--model ball --out", "out.png"},
    {"dump", "--model ball --dump", "out.dump"},
    {"view", "--model ball --save-view", "out.view"},
    {"store", "--model ball --dump-volume", "out.bin"},
    {"fine store", "--model ball --dump-fine", "out.fine"},
    {"slice picture", "--model ball --slices 32 32 32 --out", "slices.png"},
};

RunResult Write(const WrittenFile& file, const fs::path& path) {
    return RunRender(std::string(file.options) + " '" + path.string() + "'");
}

TEST(CalyraRenderFiles, EachFileReplacesAnOldOneWhole) {
    for (const WrittenFile& file : kWrittenFiles) {
        SCOPED_TRACE(file.what);
        const calyra::test::TempFolder dir("calyra_written");
        calyra::test::WriteFileBytes(dir / file.name, "old");
        const RunResult run = Write(file, dir / file.name);
        EXPECT_EQ(run.status, 0) << run.out;
        EXPECT_GT(fs::file_size(dir / file.name), 3u);
        EXPECT_EQ(calyra::test::FolderNames(dir.path()), std::vector<std::string>{file.name});
    }
}

TEST(CalyraRenderFiles, AFullDiskKeepsTheOldFileAndLeavesNoTemporary) {
    for (const WrittenFile& file : kWrittenFiles) {
        SCOPED_TRACE(file.what);
        const calyra::test::FullDisk disk;
        if (!disk.Mounted()) GTEST_SKIP() << "no tmpfs can be mounted here (it needs root)";
        const std::string old(3000, 'o');
        calyra::test::WriteFileBytes(disk / file.name, old);
        disk.FillUp();
        const RunResult run = Write(file, disk / file.name);
        EXPECT_EQ(run.status, 2);
        EXPECT_NE(
            run.out.find("Cannot write " + disk.File(file.name) + ": No space left on device"),
            std::string::npos)
            << run.out;
        EXPECT_EQ(calyra::test::FileBytes(disk / file.name), old);
        EXPECT_EQ(calyra::test::FolderNames(disk.path()),
                  calyra::test::SortedNames({"filler", file.name}));
    }
}

TEST(CalyraRenderFiles, AMissingFolderOrAFileForAFolderIsRefusedByName) {
    const calyra::test::TempFolder dir("calyra_written");
    calyra::test::WriteFileBytes(dir / "plain", "a file, not a folder");
    const struct {
        const char* folder;
        const char* reason;
    } kPlaces[] = {{"missing", "No such file or directory"}, {"plain", "Not a directory"}};
    for (const WrittenFile& file : kWrittenFiles) {
        for (const auto& place : kPlaces) {
            SCOPED_TRACE(std::string(file.what) + " in " + place.folder);
            const fs::path path = dir / place.folder / file.name;
            const RunResult run = Write(file, path);
            EXPECT_EQ(run.status, 2);
            EXPECT_NE(run.out.find("Cannot write " + path.string() + ": " + place.reason),
                      std::string::npos)
                << run.out;
        }
    }
    EXPECT_EQ(calyra::test::FileBytes(dir / "plain"), "a file, not a folder");
    EXPECT_EQ(calyra::test::FolderNames(dir.path()), std::vector<std::string>{"plain"});
}

// Under `ulimit -v` (in the release build: the sanitizers reserve too much
// address space for one) a limit that lets the program run but not hold the
// volume: exit 2 with D1's message and the file's name.
TEST(CalyraRenderMemory, AVolumeThatDoesNotFitExitsTwoNamingTheFile) {
    if (!calyra::test::AddressSpaceLimit::Possible())
        GTEST_SKIP() << "the sanitizers reserve memory";
    const calyra::test::TempFolder dir("calyra_memory");
    // 320 MB of samples, then two stores of 642 MB.
    const fs::path big = dir / "big.nrrd";
    ASSERT_TRUE(calyra::test::WriteSparseVolume(big.string(), calyra::test::SparseFormat::Nrrd, 800,
                                                800, 500));
    const std::string limit = "ulimit -v 700000 && ";
    const RunResult ball =
        RunRender("--model ball --dump /dev/null", dir.path(), CALYRA_RENDER_EXE, limit);
    ASSERT_EQ(ball.status, 0) << "the limit leaves no room for the program: " << ball.out;
    const RunResult run = RunRender("--open '" + big.string() + "' --dump /dev/null", dir.path(),
                                    CALYRA_RENDER_EXE, limit);
    EXPECT_EQ(run.status, 2);
    EXPECT_NE(run.out.find("Not enough memory for the volume.\n" + big.string()), std::string::npos)
        << run.out;
}

}  // namespace
