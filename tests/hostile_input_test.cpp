// Hostile input through every door: side files, binary and ASCII data files,
// the head file, import parameters at and past their limits. Each case ends
// in the expected message or refusal, and the program still renders after it.
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "render/buffers.h"
#include "render/ray_driver.h"
#include "render/user_settings.h"
#include "test_support.h"
#include "tests/temp_folder.h"
#include "volume/head_loader.h"
#include "volume/models.h"
#include "volume/raw_reader.h"

namespace calyra {
namespace {

// Every render type after each hostile input, nearest and interpolated.
// ThreadSanitizer, which runs every test and makes these sweeps its slowest,
// tries the interpolated march alone: both share the same workers and tiles.
#ifdef __SANITIZE_THREAD__
constexpr std::array kInterpolations{true};
#else
constexpr std::array kInterpolations{false, true};
#endif

using test::Store;

constexpr RawFormat kBinary = RawFormat::Binary;
constexpr RawFormat kAscii = RawFormat::Ascii;

namespace fs = std::filesystem;

const fs::path kCorpus =
    fs::path(CALYRA_TEST_DATA_DIR).parent_path().parent_path() / "fuzz" / "corpus";

// Every test works in a fresh directory, which is also the working directory
// the head loader reads from.
class HostileInput : public test::CoreTest {
  protected:
    void SetUp() override {
        test::CoreTest::SetUp();
        recorder_ = std::make_unique<test::MessageRecorder>();
    }
    void TearDown() override {
        recorder_.reset();
        session.volumePath.clear();
        test::CoreTest::TearDown();
    }

    std::string Write(const std::string& name, const std::string& bytes) {
        const std::string path = (dir_ / name).string();
        std::ofstream(path, std::ios::binary) << bytes;
        return path;
    }
    const std::vector<Message>& Messages() const { return recorder_->messages; }
    std::vector<std::string> Texts() const {
        std::vector<std::string> texts;
        for (const Message& m : Messages()) texts.push_back(m.text);
        return texts;
    }

    // The dialog's order: start values, side file, checks, then the import.
    // Returns false for a refusal or an unreadable file, which leave the
    // previous volume.
    bool Import(const std::string& data, ImportParams params, ImportOptions options,
                RawFormat format) {
        session.volumePath = data;
        if (!ImportParametersAccepted(params, options, format)) return false;
        return LoadRawIntoSession(session, format, params, options);
    }
    // Short and long files load with a note; nothing else may be said.
    bool OnlyNotes() const {
        return std::all_of(Messages().begin(), Messages().end(),
                           [](const Message& m) { return !m.failure; });
    }

    // Renders every type as the render window would; each must return, keep
    // to its image area and give a display maximum that is not negative.
    void ExpectRendersStillWork() {
        for (bool interp : kInterpolations) {
            session.settings.interpolate = interp;
            for (const RenderTypeTraits& row : kRenderTypeTraits) {
                const RenderType type = row.type;
                const int rays = RaysPerSide(session);
                const int side = rays * (interp ? 2 : 1);
                ASSERT_LE(side, kBufferSide);
                std::fill_n(session.buffers.ImageBuffer.data(), kBufferSide * kBufferSide * 3,
                            0xABCDu);
                RenderImage(session, rays, rays, session.buffers.ImageBuffer.data(), type);
                EXPECT_GE(session.buffers.displayMax, 0);
                for (int x = 0; x < kBufferSide; ++x) {
                    for (int y = 0; y < kBufferSide; ++y) {
                        if (x < side && y < side) continue;
                        ASSERT_EQ(session.buffers.ImageAt(x, y), 0u)
                            << "outside the area at " << x << ", " << y;
                    }
                }
            }
        }
        session.settings.interpolate = false;
    }

    test::InTempFolder dir_{"calyra_hostile"};

  private:
    std::unique_ptr<test::MessageRecorder> recorder_;
};

// --- every file of the fuzz corpus, through every reader ---------------------

std::vector<std::string> CorpusFiles() {
    std::vector<std::string> files;
    std::error_code ec;
    for (const auto& entry : fs::recursive_directory_iterator(kCorpus, ec)) {
        if (entry.is_regular_file()) files.push_back(fs::relative(entry.path(), kCorpus).string());
    }
    std::sort(files.begin(), files.end());
    return files;
}

class CorpusFile : public HostileInput, public ::testing::WithParamInterface<std::string> {
  protected:
    std::string Bytes() const {
        std::ifstream in(kCorpus / GetParam(), std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }
};

TEST_P(CorpusFile, ReadsAsASideFileWithoutHarm) {
    const std::string data = Write("volume.dat", Bytes());
    Write("volume.dat.inf", Bytes());
    session.volumePath = data;
    ImportParams params;
    ImportOptions options;
    ImportStartValues(data, params, options);
    const RawFormat format = SideFileFormat(ReadInfFile(session.volumePath, params, options));
    EXPECT_TRUE(Messages().empty());
    // Shapes past a few megabytes are the limit tests' business.
    if (StoreBytes(params.dimX, params.dimY, params.dimZ) <= (std::uint64_t{16} << 20)) {
        Import(data, params, options, format);
        EXPECT_TRUE(OnlyNotes());
    }
    ExpectRendersStillWork();
}

TEST_P(CorpusFile, ReadsAsBinaryDataOfOneAndTwoBytes) {
    const std::string data = Write("volume.raw", Bytes());
    for (const ImportOptions options : {ImportOptions{1, 0}, ImportOptions{2, 1}}) {
        ASSERT_TRUE(Import(data, {8, 8, 8, 1.0f, 1.0f, 1.0f}, options, kBinary));
        EXPECT_EQ(Store(session).dims.x, 8);
        EXPECT_LE(Store(session).maxValue, 255u);
        ExpectRendersStillWork();
    }
    EXPECT_TRUE(OnlyNotes());
}

TEST_P(CorpusFile, ReadsAsAsciiData) {
    const std::string data = Write("volume.txt", Bytes());
    ASSERT_TRUE(Import(data, {6, 5, 4, 1.0f, 1.0f, 1.0f}, {}, kAscii));
    EXPECT_EQ(Store(session).dims.z, 4);
    EXPECT_EQ(Store(session).size, 128);
    EXPECT_TRUE(Messages().empty());
    ExpectRendersStillWork();
}

TEST_P(CorpusFile, ReadsAsTheHeadFile) {
    Write(kHeadFileName, Bytes());
    Store(session).source = VolumeSource::Head;
    BuildVolume(Store(session), session.modelType);
    EXPECT_EQ(Store(session).dims.x, 128);
    EXPECT_TRUE(Messages().empty());
    ExpectRendersStillWork();
}

INSTANTIATE_TEST_SUITE_P(Fuzz, CorpusFile, ::testing::ValuesIn(CorpusFiles()),
                         [](const auto& paramInfo) {
                             std::string name = paramInfo.param;
                             for (char& c : name) {
                                 if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
                             }
                             return name;
                         });

// --- dims and aspect factors at and around every limit -----------------------

struct LimitCase {
    const char* label;
    std::int32_t dimX, dimY, dimZ;
    float aspect;
    RawFormat format;
    bool accepted;
};

void PrintTo(const LimitCase& c, std::ostream* os) {
    *os << c.label;
}

class ImportLimits : public HostileInput, public ::testing::WithParamInterface<LimitCase> {};

TEST_P(ImportLimits, RefuseOrLoadAndTheProgramStillRenders) {
    const LimitCase& c = GetParam();
    // The previous volume, which a refusal must leave in place.
    Store(session).source = VolumeSource::Ball;
    BuildVolume(Store(session), session.modelType);
    const ImportParams params{c.dimX, c.dimY, c.dimZ, c.aspect, c.aspect, c.aspect};
    EXPECT_EQ(ImportParametersAccepted(params, {}, c.format), c.accepted);
    // Stores past 64 MB are only checked, not filled: the bound is what matters.
    if (c.accepted && StoreBytes(c.dimX, c.dimY, c.dimZ) <= (std::uint64_t{64} << 20)) {
        const std::string data = Write("limits.dat", "5 6 7\n");
        ASSERT_TRUE(Import(data, params, {}, c.format));
        EXPECT_EQ(Store(session).dims.x, c.dimX);
        EXPECT_TRUE(OnlyNotes());
    } else if (!c.accepted) {
        EXPECT_EQ(Store(session).dims.x, 64);
    }
    ExpectRendersStillWork();
}

INSTANTIATE_TEST_SUITE_P(
    Hostile, ImportLimits,
    ::testing::Values(
        LimitCase{"AtTheSizeLimit", 300, 300, 300, 1.0f, kAscii, true},
        LimitCase{"JustPastTheSizeLimit", 301, 300, 300, 1.0f, kAscii, false},
        LimitCase{"AllZeroAscii", 0, 0, 0, 1.0f, kAscii, true},
        LimitCase{"AllZeroBinary", 0, 0, 0, 1.0f, kBinary, false},
        LimitCase{"NoDepthBinary", 4, 4, 0, 1.0f, kBinary, true},
        LimitCase{"NegativeDim", -1, 4, 4, 1.0f, kAscii, false},
        LimitCase{"SmallestDim", INT_MIN, INT_MIN, 4, 1.0f, kAscii, false},
        LimitCase{"ProductPast32Bits", 46341, 46341, 2, 1.0f, kAscii, false},
        LimitCase{"LargestDimsWithZeroAspect", INT_MAX, INT_MAX, INT_MAX, 0.0f, kBinary, false},
        LimitCase{"AtTheStoreBound", 1023, 1023, 1023, 0.0f, kBinary, true},
        LimitCase{"JustPastTheStoreBound", 1023, 1023, 1024, 0.0f, kBinary, false},
        LimitCase{"ThinAtTheStoreBound", (1 << 29) - 1, 1, 0, 0.0f, kBinary, true},
        LimitCase{"ThinPastTheStoreBound", 1 << 29, 1, 0, 0.0f, kBinary, false},
        LimitCase{"AspectZeroWithinTheStoreBound", 600, 600, 80, 0.0f, kBinary, true}),
    test::kByLabel);

TEST_F(HostileInput, DimsWhoseStoreSizePassesSixtyFourBitsAreRefused) {
    EXPECT_EQ(StoreBytes(INT_MAX, INT_MAX, INT_MAX), UINT64_MAX);
    EXPECT_EQ(StoreBytes(INT_MAX, INT_MAX, 0), std::uint64_t{1} << 63);
    EXPECT_EQ(StoreBytes(INT_MAX, INT_MAX, 1), UINT64_MAX);
    // An aspect of zero lets any shape past the size limit; the store bound must still hold.
    const ImportParams params{INT_MAX, INT_MAX, INT_MAX, 0.0f, 0.0f, 0.0f};
    EXPECT_FALSE(ImportParametersAccepted(params, {}, kBinary));
    EXPECT_FALSE(ImportParametersAccepted(params, {}, kAscii));
    EXPECT_EQ(AllocateVolume(Store(session), INT_MAX, INT_MAX, INT_MAX), 0);
    EXPECT_EQ(Store(session).dims.x, 0);
    ExpectRendersStillWork();
}

struct AspectCase {
    const char* label;
    const char* text;  // as typed into the dialog or given to --aspect
    bool accepted;
};

void PrintTo(const AspectCase& c, std::ostream* os) {
    *os << c.label;
}

class AspectText : public HostileInput, public ::testing::WithParamInterface<AspectCase> {};

TEST_P(AspectText, PassesTheChecksOnlyWhenFiniteAndNotNegative) {
    const AspectCase& c = GetParam();
    const float aspect = std::strtof(c.text, nullptr);
    for (int axis = 0; axis < 3; ++axis) {
        ImportParams params{4, 4, 4, 1.0f, 1.0f, 1.0f};
        (axis == 0 ? params.aspectX : axis == 1 ? params.aspectY : params.aspectZ) = aspect;
        EXPECT_EQ(ImportParametersAccepted(params, {}, kBinary), c.accepted) << "axis " << axis;
    }
#ifdef CALYRA_RENDER_EXE
    const std::string data = Write("cube.raw", std::string(64, '\x30'));
    const std::string command = "'" CALYRA_RENDER_EXE "' --raw '" + data +
                                "' --dims 4 4 4 --aspect 1 " + c.text + " 1 --dump /dev/null 2>&1";
    FILE* pipe = popen(command.c_str(), "r");
    ASSERT_NE(pipe, nullptr);
    std::string out;
    char buffer[512];
    for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;)
        out.append(buffer, n);
    const int status = pclose(pipe);
    ASSERT_TRUE(WIFEXITED(status)) << out;
    EXPECT_EQ(WEXITSTATUS(status), c.accepted ? 0 : 2) << out;
    EXPECT_EQ(out.find("Sorry, please look over the parameters again") != std::string::npos,
              !c.accepted)
        << out;
#endif
}

INSTANTIATE_TEST_SUITE_P(Hostile, AspectText,
                         ::testing::Values(AspectCase{"NotANumber", "nan", false},
                                           AspectCase{"Infinite", "inf", false},
                                           AspectCase{"NegativeInfinite", "-inf", false},
                                           AspectCase{"NegativeZero", "-0", true},
                                           AspectCase{"PastTheFloatRange", "1e400", false},
                                           AspectCase{"BelowTheFloatRange", "1e-400", true},
                                           AspectCase{"Negative", "-1", false}),
                         test::kByLabel);

// --- side files that are not side files ---------------------------------------

TEST_F(HostileInput, SideFilesThatAreEmptyBinaryOrHugeKeepTheStartValues) {
    session.volumePath = Write("scan.raw", std::string(64, '\x40'));  // start values 4, 4, 4
    const std::string side = session.volumePath + ".inf";
    std::string binary;
    for (int k = 0; k < 4096; ++k) binary += static_cast<char>(k * 131 % 256);
    for (const std::string& content : {std::string(), binary, std::string(1, '\0')}) {
        Write("scan.raw.inf", content);
        ImportParams params;
        ImportOptions options;
        ImportStartValues(session.volumePath, params, options);
        EXPECT_EQ(ReadInfFile(session.volumePath, params, options), 1);
        EXPECT_EQ(params.dimX, 4);
        EXPECT_EQ(params.dimY, 4);
    }
    // Past the side file's read limit: blanks only, so every read keeps looking.
    {
        std::ofstream out(side, std::ios::binary);
        const std::string blanks(1 << 20, ' ');
        for (int k = 0; k < 80; ++k) out << blanks;
    }
    ImportParams params{9, 9, 9};
    ImportOptions options;
    EXPECT_EQ(ReadInfFile(session.volumePath, params, options), 1);
    EXPECT_EQ(params.dimZ, 9);
    EXPECT_TRUE(Messages().empty());
    ExpectRendersStillWork();
}

TEST_F(HostileInput, SideFileThatIsADirectoryIsReportedAsUnreadable) {
    session.volumePath = Write("scan.raw", "");
    fs::create_directory(session.volumePath + ".inf");
    ImportParams params{3, 4, 5};
    ImportOptions options{2, 1};
    EXPECT_EQ(ReadInfFile(session.volumePath, params, options), 1);
    EXPECT_EQ(params.dimY, 4);
    EXPECT_EQ(options.bytesPerVoxel, 2);
    EXPECT_EQ(Texts(),
              std::vector<std::string>{"Could not read file " + session.volumePath + ".inf\n"});
    ExpectRendersStillWork();
}

// --- data files that cannot be read ------------------------------------------

TEST_F(HostileInput, DataPathsThatCannotBeReadGiveTheMessageAndKeepTheVolume) {
    std::vector<std::string> paths = {(dir_ / "folder").string(),
                                      (dir_ / "no" / "such" / "file").string()};
    fs::create_directory(paths[0]);
    // Root reads files whatever their mode says.
    if (geteuid() != 0) {
        paths.push_back(Write("locked.raw", std::string(64, '\x01')));
        fs::permissions(paths.back(), fs::perms::none);
    }
    for (const std::string& path : paths) {
        for (const RawFormat format : {kBinary, kAscii}) {
            Store(session).source = VolumeSource::Ball;
            BuildVolume(Store(session), session.modelType);
            const std::int32_t builtX = Store(session).dims.x;
            test::MessageRecorder recorder;
            EXPECT_FALSE(Import(path, {4, 4, 4, 1.0f, 1.0f, 1.0f}, {}, format));
            EXPECT_EQ(Store(session).dims.x, builtX) << path;
            ASSERT_EQ(recorder.messages.size(), 1u) << path;
            EXPECT_EQ(recorder.messages[0].text, "Could not read file " + path + "\n");
            ExpectRendersStillWork();
        }
    }
}

// --- short and odd data -------------------------------------------------------

TEST_F(HostileInput, TwoByteFilesOfOddLengthStoreOnlyWholeVoxels) {
    // 16 x 16 x 8 two-byte voxels need 4,096 bytes.
    std::string block(131072, '\0');
    for (std::size_t k = 0; k < block.size(); k += 2) block[k] = static_cast<char>(k % 200 + 1);
    const struct {
        std::string bytes;
        std::uint32_t maxValue;
    } cases[] = {{block + "\x7f", 255}, {block.substr(0, 131071), 255}, {"\x01", 0}};
    for (const auto& c : cases) {
        const std::string data = Write("odd.raw", c.bytes);
        ASSERT_TRUE(Import(data, {16, 16, 8, 1.0f, 1.0f, 1.0f}, {2, 0}, kBinary));
        EXPECT_EQ(Store(session).dims.z, 8);
        EXPECT_EQ(Store(session).maxValue, c.maxValue) << c.bytes.size() << " bytes";
        EXPECT_EQ(Store(session).mirrorZ, 0);
        ExpectRendersStillWork();
    }
    EXPECT_EQ(Messages().size(), 3u);
    EXPECT_TRUE(OnlyNotes());
}

struct AsciiCase {
    const char* label;
    const char* text;
    std::uint8_t stored[4];  // z = 1..4 of a 1 x 1 x 4 volume
    std::uint32_t maxValue;
};

void PrintTo(const AsciiCase& c, std::ostream* os) {
    *os << c.label;
}

class AsciiText : public HostileInput, public ::testing::WithParamInterface<AsciiCase> {};

TEST_P(AsciiText, StoresWhatItCanAndRepeatsTheRest) {
    const AsciiCase& c = GetParam();
    ASSERT_TRUE(Import(Write("values.txt", c.text), {1, 1, 4, 1.0f, 1.0f, 1.0f}, {}, kAscii));
    for (int z = 1; z <= 4; ++z) EXPECT_EQ(Store(session).voxels[1][1][z], c.stored[z - 1]) << z;
    EXPECT_EQ(Store(session).maxValue, c.maxValue);
    EXPECT_TRUE(Messages().empty());
    ExpectRendersStillWork();
}

INSTANTIATE_TEST_SUITE_P(
    Hostile, AsciiText,
    ::testing::Values(
        // A number past 32 bits is consumed; its voxel repeats the last value.
        AsciiCase{"PastThirtyTwoBits", "7 99999999999 2147483648 5", {7, 7, 7, 5}, 7},
        AsciiCase{"LargestMagnitudes", "2147483647 -2147483648 1 2", {255, 0, 1, 2}, 2147483648u},
        AsciiCase{"NoNumbers", "volume data follows\n", {0, 0, 0, 0}, 0},
        AsciiCase{"TrailingPartialToken", "10 20 -", {10, 20, 20, 20}, 20},
        AsciiCase{"TrailingSignAndBinary", "9 +\x01\xff", {9, 9, 9, 9}, 9},
        AsciiCase{"Empty", "", {0, 0, 0, 0}, 0}),
    test::kByLabel);

}  // namespace
}  // namespace calyra
