#include "volume/raw_reader.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <functional>
#include <ostream>
#include <random>
#include <string>
#include <vector>

#include "base/messages.h"
#include "render/user_settings.h"
#include "volume/volume_store.h"

namespace calyra {
namespace {

namespace fs = std::filesystem;

// Each test works in a fresh directory and records messages and the busy cursor.
class RawReaderFiles : public ::testing::Test {
  protected:
    void SetUp() override {
        std::string name = ::testing::UnitTest::GetInstance()->current_test_info()->name();
        std::replace(name.begin(), name.end(), '/', '_');
        dir_ = fs::temp_directory_path() /
               ("calyra_raw_" + name + "_" + std::to_string(std::random_device{}()));
        fs::create_directories(dir_);
        SetMessageSink([this](const Message& m) { messages_.push_back(m); });
        SetBusyHook([this](bool busy) { busy_.push_back(busy); });
        interpolate = true;
    }
    void TearDown() override {
        SetMessageSink({});
        SetBusyHook({});
        volumePath.clear();
        std::error_code ec;
        fs::remove_all(dir_, ec);
    }

    std::string Write(const std::string& name, const std::string& bytes) {
        const std::string path = (dir_ / name).string();
        std::ofstream(path, std::ios::binary) << bytes;
        return path;
    }
    // Writes the data file and points volumePath at it.
    void UseData(const std::string& bytes) { volumePath = Write("volume.raw", bytes); }

    static std::string Bytes(std::size_t n, const std::function<std::uint8_t(std::size_t)>& at) {
        std::string out(n, '\0');
        for (std::size_t i = 0; i < n; ++i) out[i] = static_cast<char>(at(i));
        return out;
    }
    static std::uint8_t V(int x, int y, int z) { return VoxelVolume.voxels[x][y][z]; }
    static std::size_t NonZeroStoreBytes() {
        const VolumeStore& v = VoxelVolume;
        const std::size_t n = std::size_t(v.allocated.x + 1) * (v.allocated.y + 1) * v.rowLength;
        return n - std::size_t(std::count(v.block.get(), v.block.get() + n, 0));
    }

    fs::path dir_;
    std::vector<Message> messages_;
    std::vector<bool> busy_;
};

// --- the side file -----------------------------------------------------------

struct InfCase {
    const char* label;
    const char* content;
    std::int32_t dimX, dimY, dimZ, bytesPerVoxel, reverseBytes;
    int result;
};

void PrintTo(const InfCase& c, std::ostream* os) {
    *os << c.label;
}

class InfFile : public RawReaderFiles, public ::testing::WithParamInterface<InfCase> {};

TEST_P(InfFile, SetsTheFieldsItCanReadAndKeepsTheOthers) {
    const InfCase& c = GetParam();
    volumePath = (dir_ / "scan.raw").string();
    Write("scan.raw.inf", c.content);
    ImportParams params{11, 12, 13, 3.0f, 4.0f, 5.0f};
    ImportOptions options{7, 8};
    EXPECT_EQ(ReadInfFile(params, options), c.result);
    EXPECT_EQ(params.dimX, c.dimX);
    EXPECT_EQ(params.dimY, c.dimY);
    EXPECT_EQ(params.dimZ, c.dimZ);
    EXPECT_EQ(options.bytesPerVoxel, c.bytesPerVoxel);
    EXPECT_EQ(options.reverseBytes, c.reverseBytes);
    EXPECT_EQ(params.aspectX, 3.0f);
    EXPECT_EQ(params.aspectZ, 5.0f);
    EXPECT_TRUE(messages_.empty());
}

INSTANTIATE_TEST_SUITE_P(
    RawReader, InfFile,
    ::testing::Values(
        InfCase{"Binary", "X=64\nY=32\nZ=16\nbinary\n2\n1\n", 64, 32, 16, 2, 1, 1},
        InfCase{"BlanksAndAscii", "X = 64\nY = 32\nZ = 16\nascii\n1\n0\n", 64, 32, 16, 1, 0, 0},
        InfCase{"CrLfLines", "X=5\r\nY=6\r\nZ=7\r\nascii\r\n2\r\n1\r\n", 5, 6, 7, 2, 1, 0},
        // The first digit is taken as the second label character.
        InfCase{"OneCharacterLabel", "X 128\nY=32\nZ=16\nascii\n1\n0\n", 28, 32, 16, 1, 0, 0},
        InfCase{"CapitalAsciiMeansBinary", "X=1\nY=2\nZ=3\nASCII\n1\n0\n", 1, 2, 3, 1, 0, 1},
        InfCase{"LongerWordMeansBinary", "X=1\nY=2\nZ=3\nasciii\n1\n0\n", 1, 2, 3, 1, 0, 1},
        InfCase{"MissingLines", "X=5\nY=6\n", 5, 6, 13, 7, 8, 1},
        InfCase{"EmptyFile", "", 11, 12, 13, 7, 8, 1},
        // Consumed whole: the next line still reads normally.
        InfCase{"NumberPast32Bits", "X=2147483648\nY=6\nZ=7\nascii\n2\n1\n", 11, 6, 7, 2, 1, 0},
        InfCase{"SmallestInt", "X=-2147483648\nY=6\nZ=7\nascii\n2\n1\n", INT_MIN, 6, 7, 2, 1, 0},
        // The sign is lost, the line break is not: line 2 still reads.
        InfCase{"LoneSign", "X=-\nY=6\nZ=7\nascii\n2\n1\n", 11, 6, 7, 2, 1, 0},
        // A word where the number belongs shifts every later read.
        InfCase{"WordForNumber", "X=abc\nY=6\nZ=7\nascii\n2\n1\n", 11, 12, 13, 7, 8, 1}),
    [](const auto& info) { return std::string(info.param.label); });

TEST_F(RawReaderFiles, MissingSideFileIsReportedAndChangesNothing) {
    volumePath = (dir_ / "scan.raw").string();
    ImportParams params{11, 12, 13};
    ImportOptions options{2, 1};
    EXPECT_EQ(ReadInfFile(params, options), 1);
    ASSERT_EQ(messages_.size(), 1u);
    EXPECT_EQ(messages_[0].text, "Could not read file " + volumePath + ".inf\n");
    EXPECT_EQ(messages_[0].caption, "");
    EXPECT_EQ(messages_[0].icon, MessageIcon::Warning);
    EXPECT_EQ(messages_[0].owner, MessageOwner::None);
    EXPECT_EQ(params.dimX, 11);
    EXPECT_EQ(options.bytesPerVoxel, 2);
}

TEST_F(RawReaderFiles, DirectoryAsSideFileCountsAsUnreadable) {
    volumePath = (dir_ / "scan.raw").string();
    fs::create_directory(volumePath + ".inf");
    ImportParams params;
    ImportOptions options;
    EXPECT_EQ(ReadInfFile(params, options), 1);
    EXPECT_EQ(messages_.size(), 1u);
}

TEST_F(RawReaderFiles, EndlessSideFileStillFinishes) {
    if (!fs::exists("/dev/zero")) GTEST_SKIP() << "no /dev/zero";
    volumePath = (dir_ / "scan.raw").string();
    fs::create_symlink("/dev/zero", volumePath + ".inf");
    ImportParams params{11, 12, 13};
    ImportOptions options{7, 8};
    EXPECT_EQ(ReadInfFile(params, options), 1);
    EXPECT_EQ(params.dimX, 11);
    EXPECT_EQ(options.reverseBytes, 8);
}

// --- parameter checks ----------------------------------------------------------

struct LimitCase {
    ImportParams params;
    int accepted;
};

void PrintTo(const LimitCase& c, std::ostream* os) {
    const ImportParams& p = c.params;
    *os << p.dimX << "x" << p.dimY << "x" << p.dimZ << " aspect " << p.aspectX << ":" << p.aspectY
        << ":" << p.aspectZ;
}

class SizeLimit : public ::testing::TestWithParam<LimitCase> {};

TEST_P(SizeLimit, AcceptsOnlyShapesWithinTheLimit) {
    EXPECT_EQ(CheckImportParameters(GetParam().params), GetParam().accepted);
}

INSTANTIATE_TEST_SUITE_P(
    RawReader, SizeLimit,
    ::testing::Values(LimitCase{{300, 300, 300, 1, 1, 1}, 1},
                      LimitCase{{301, 300, 300, 1, 1, 1}, 0},
                      LimitCase{{200, 200, 200, 2, 2, 2}, 0}, LimitCase{{0, 0, 0, 1, 1, 1}, 1},
                      LimitCase{{-1, 5, 5, 1, 1, 1}, 0}, LimitCase{{5, 5, 5, 1, -1, 1}, 0},
                      LimitCase{{5, 5, 5, 1, 1, NAN}, 0}, LimitCase{{5, 5, 5, INFINITY, 1, 1}, 0},
                      LimitCase{{100000, 100000, 100000, 0, 1, 1}, 1},
                      // In float 27,000,001 rounds down to the limit, 27,000,003 up past it.
                      LimitCase{{27000001, 1, 1, 1, 1, 1}, 1},
                      LimitCase{{27000003, 1, 1, 1, 1, 1}, 0}));

struct AcceptCase {
    ImportParams params;
    std::int32_t bytesPerVoxel;
    bool ascii;
    bool accepted;
};

void PrintTo(const AcceptCase& c, std::ostream* os) {
    *os << c.params.dimX << "x" << c.params.dimY << "x" << c.params.dimZ << " aspect "
        << c.params.aspectX << ", " << c.bytesPerVoxel << " bytes" << (c.ascii ? " ascii" : "");
}

class ReaderLimits : public ::testing::TestWithParam<AcceptCase> {};

TEST_P(ReaderLimits, RefuseWhatTheReaderCannotUse) {
    const AcceptCase& c = GetParam();
    EXPECT_EQ(ImportParametersAccepted(c.params, {c.bytesPerVoxel, 0}, c.ascii), c.accepted);
}

INSTANTIATE_TEST_SUITE_P(
    RawReader, ReaderLimits,
    ::testing::Values(
        AcceptCase{{64, 64, 64}, 1, false, true}, AcceptCase{{0, 64, 64}, 1, false, false},
        AcceptCase{{64, 0, 64}, 1, false, false}, AcceptCase{{64, 64, 64}, 0, false, false},
        AcceptCase{{64, 64, 64}, -1, false, false}, AcceptCase{{0, 64, 64}, 0, true, true},
        AcceptCase{{301, 300, 300}, 1, true, false},
        // Aspect 0 passes the size limit; the store bound still holds.
        AcceptCase{{1000, 1000, 1000, 0, 1, 1}, 1, false, true},
        AcceptCase{{2000, 2000, 300, 0, 1, 1}, 1, false, false},
        AcceptCase{{2000, 2000, 300, 0, 1, 1}, 1, true, false}));

// --- start values from the file size ---------------------------------------------

struct StartCase {
    std::uintmax_t fileSize;
    std::int32_t n;
    std::int32_t bytesPerVoxel;
};

void PrintTo(const StartCase& c, std::ostream* os) {
    *os << c.fileSize << " bytes";
}

class StartValues : public RawReaderFiles, public ::testing::WithParamInterface<StartCase> {};

TEST_P(StartValues, ComeFromCubicFileSizes) {
    const std::string path = Write("data", "");
    fs::resize_file(path, GetParam().fileSize);
    ImportParams params{9, 9, 9};
    ImportOptions options{9, 1};
    ImportStartValues(path, params, options);
    EXPECT_EQ(params.dimX, GetParam().n);
    EXPECT_EQ(params.dimY, GetParam().n);
    EXPECT_EQ(params.dimZ, GetParam().n);
    EXPECT_EQ(options.bytesPerVoxel, GetParam().bytesPerVoxel);
    EXPECT_EQ(options.reverseBytes, 0);
}

INSTANTIATE_TEST_SUITE_P(RawReader, StartValues,
                         ::testing::Values(StartCase{0, 0, 1}, StartCase{27, 3, 1},
                                           StartCase{54, 3, 2}, StartCase{28, 0, 1},
                                           StartCase{16, 2, 2}, StartCase{262144, 64, 1},
                                           StartCase{524288, 64, 2}, StartCase{2097151, 0, 1}));

TEST_F(RawReaderFiles, StartValuesOfAMissingFileAreZero) {
    ImportParams params{9, 9, 9};
    ImportOptions options{9, 1};
    ImportStartValues((dir_ / "nothing").string(), params, options);
    EXPECT_EQ(params.dimX, 0);
    EXPECT_EQ(options.bytesPerVoxel, 1);
    EXPECT_EQ(options.reverseBytes, 0);
}

// --- binary data files -----------------------------------------------------------

constexpr std::size_t kBlock = 131072;

TEST_F(RawReaderFiles, LoadsOneByteVoxelsInWholeBlocks) {
    // 64 x 64 slices: 32 per block, a 64^3 file is exactly two blocks.
    const auto at = [](int x, int y, int z) { return std::uint8_t(x + 3 * y + 5 * z); };
    UseData(Bytes(64 * 64 * 64,
                  [&](std::size_t o) { return at(int(o % 64), int(o / 64 % 64), int(o / 4096)); }));
    LoadRawVolume(false, {64, 64, 64}, {1, 0});
    for (int x = 1; x <= 64; ++x)
        for (int y = 1; y <= 64; ++y)
            for (int z = 1; z <= 64; ++z) ASSERT_EQ(V(x, y, z), at(x - 1, y - 1, z - 1));
    EXPECT_EQ(V(0, 5, 5) + V(5, 0, 5) + V(5, 5, 0), 0);
    EXPECT_EQ(VoxelVolume.maxValue, 255u);
    EXPECT_EQ(VoxelVolume.dims.z, 64);
    EXPECT_EQ(VoxelVolume.size, 64);
    EXPECT_EQ(VoxelVolume.mirrorZ, 1);
    EXPECT_FALSE(interpolate);
    EXPECT_EQ(busy_, (std::vector<bool>{true, false}));
}

TEST_F(RawReaderFiles, SkipsTheTailOfEachBlock) {
    // 100 x 100 slices: 13 per block, the last 1,072 bytes of a block unused.
    UseData(Bytes(2 * kBlock, [](std::size_t o) { return std::uint8_t(o % 251); }));
    LoadRawVolume(false, {100, 100, 26}, {1, 0});
    const auto fileByte = [](std::size_t o) { return std::uint8_t(o % 251); };
    for (int z = 1; z <= 26; ++z) {
        const std::size_t slice = z <= 13 ? (z - 1) * 10000 : kBlock + (z - 14) * 10000;
        for (int y = 1; y <= 100; ++y)
            for (int x = 1; x <= 100; ++x)
                ASSERT_EQ(V(x, y, z), fileByte(slice + (y - 1) * 100 + (x - 1))) << z;
    }
}

TEST_F(RawReaderFiles, DropsSlicesLargerThanABlock) {
    UseData(std::string(512 * 512 * 2, '\xff'));
    LoadRawVolume(false, {512, 512, 2}, {1, 0});
    EXPECT_EQ(NonZeroStoreBytes(), 0u);
    EXPECT_EQ(VoxelVolume.maxValue, 0u);
    EXPECT_EQ(VoxelVolume.dims.x, 512);
}

TEST_F(RawReaderFiles, DiscardsAShortFinalBlock) {
    UseData(std::string(kBlock + 100000, '\x07'));
    LoadRawVolume(false, {64, 64, 40}, {1, 0});
    EXPECT_EQ(V(64, 64, 32), 7);
    EXPECT_EQ(V(1, 1, 33), 0);
    EXPECT_EQ(NonZeroStoreBytes(), 64u * 64 * 32);
}

TEST_F(RawReaderFiles, TakesSingleBytesForWiderVoxels) {
    // Three bytes per voxel: 10 slices of 4,096 single bytes from each block.
    UseData(Bytes(2 * kBlock, [](std::size_t o) { return std::uint8_t(o % 253); }));
    LoadRawVolume(false, {64, 64, 20}, {3, 0});
    EXPECT_EQ(V(1, 1, 2), 4096 % 253);
    EXPECT_EQ(V(64, 64, 10), (10 * 4096 - 1) % 253);
    EXPECT_EQ(V(1, 1, 11), kBlock % 253);
    EXPECT_EQ(V(2, 1, 12), (kBlock + 4097) % 253);
    EXPECT_EQ(VoxelVolume.mirrorZ, 1);
}

// Two-byte voxels: first byte high unless reversed; scaled so that the
// largest stored value becomes 255; each slice fills two z indices.
class TwoByteVoxels : public RawReaderFiles, public ::testing::WithParamInterface<bool> {
  protected:
    std::string Pairs(const std::vector<std::uint16_t>& values) {
        std::string out;
        for (std::uint16_t v : values) {
            const char hi = char(v >> 8), lo = char(v & 0xff);
            out += GetParam() ? std::string{lo, hi} : std::string{hi, lo};
        }
        return out;
    }
};

TEST_P(TwoByteVoxels, FillTwoSlicesEachScaledToTheLargestValue) {
    // 256 x 256: one slice per block, file slice k fills z = 2k-1 and 2k.
    const auto value = [](int x, int y, int k) {
        return std::uint16_t((x - 1) * (y - 1) + 50 * k);
    };
    std::vector<std::uint16_t> values;
    for (int k = 0; k < 2; ++k)
        for (int y = 1; y <= 256; ++y)
            for (int x = 1; x <= 256; ++x) values.push_back(value(x, y, k));
    UseData(Pairs(values));
    LoadRawVolume(false, {256, 256, 4}, {2, GetParam() ? 1 : 0});
    const std::uint32_t vmax = 255 * 255 + 50;
    for (int k = 0; k < 2; ++k) {
        for (int y = 1; y <= 256; y += 5) {
            for (int x = 1; x <= 256; x += 3) {
                const int expected = int(value(x, y, k) * 255 / vmax);
                ASSERT_EQ(V(x, y, 2 * k + 1), expected);
                ASSERT_EQ(V(x, y, 2 * k + 2), expected);
            }
        }
    }
    EXPECT_EQ(V(256, 256, 4), 255);
    EXPECT_EQ(VoxelVolume.maxValue, 255u);
    EXPECT_EQ(VoxelVolume.mirrorZ, 0);
}

TEST_P(TwoByteVoxels, ScaleByTheLargestValueActuallyStored) {
    // 128 x 128: four slices per block, but dimZ 2 stores only the first two;
    // slice 1 also lands at z = 3, the row's spare half.
    std::vector<std::uint16_t> values(4 * 128 * 128, 60000);
    std::fill_n(values.begin(), 128 * 128, 100);
    std::fill_n(values.begin() + 128 * 128, 128 * 128, 200);
    values[128 * 128 + 5] = 1000;
    UseData(Pairs(values));
    LoadRawVolume(false, {128, 128, 2}, {2, GetParam() ? 1 : 0});
    EXPECT_EQ(V(1, 1, 1), 25);
    EXPECT_EQ(V(1, 1, 2), 51);
    EXPECT_EQ(V(1, 1, 3), 51);
    EXPECT_EQ(V(6, 1, 2), 255);
    EXPECT_EQ(VoxelVolume.maxValue, 255u);
}

INSTANTIATE_TEST_SUITE_P(RawReader, TwoByteVoxels, ::testing::Bool(),
                         [](const auto& info) { return info.param ? "Reversed" : "HighFirst"; });

TEST_F(RawReaderFiles, AllZeroTwoByteFileStaysBlank) {
    UseData(std::string(kBlock, '\0'));
    LoadRawVolume(false, {256, 256, 2}, {2, 0});
    EXPECT_EQ(NonZeroStoreBytes(), 0u);
    EXPECT_EQ(VoxelVolume.maxValue, 0u);
}

// --- ASCII data files --------------------------------------------------------------

TEST_F(RawReaderFiles, ReadsAsciiWithZFastest) {
    std::string text;
    for (int i = 1; i <= 24; ++i) text += std::to_string(i) + (i % 5 ? " \t" : "\r\n");
    UseData(text);
    LoadRawVolume(true, {2, 3, 4}, {1, 0});
    for (int x = 1; x <= 2; ++x)
        for (int y = 1; y <= 3; ++y)
            for (int z = 1; z <= 4; ++z) EXPECT_EQ(V(x, y, z), ((x - 1) * 3 + (y - 1)) * 4 + z);
    EXPECT_EQ(VoxelVolume.maxValue, 24u);
    EXPECT_EQ(VoxelVolume.size, 128);
    EXPECT_EQ(VoxelVolume.mirrorZ, 0);
}

struct AsciiCase {
    const char* label;
    const char* text;
    std::vector<int> stored;  // along z, dimX = dimY = 1
    std::uint32_t maxValue;
};

void PrintTo(const AsciiCase& c, std::ostream* os) {
    *os << '"' << c.text << '"';
}

class AsciiValues : public RawReaderFiles, public ::testing::WithParamInterface<AsciiCase> {};

TEST_P(AsciiValues, StoreLowBitsOfMagnitudesAndRepeatAfterFailures) {
    UseData(GetParam().text);
    const std::vector<int>& stored = GetParam().stored;
    LoadRawVolume(true, {1, 1, std::int32_t(stored.size())}, {1, 0});
    for (std::size_t z = 1; z <= stored.size(); ++z) EXPECT_EQ(V(1, 1, int(z)), stored[z - 1]) << z;
    EXPECT_EQ(VoxelVolume.maxValue, GetParam().maxValue);
}

INSTANTIATE_TEST_SUITE_P(
    RawReader, AsciiValues,
    ::testing::Values(AsciiCase{"Negative", "-300 5", {44, 5}, 300},
                      AsciiCase{"JunkStopsReading", "5 7 abc 9", {5, 7, 7, 7, 7}, 7},
                      AsciiCase{"LeadingJunk", "x 5", {0, 0}, 0},
                      AsciiCase{"Past32BitsIsSkipped", "5 99999999999 8", {5, 5, 8}, 8},
                      AsciiCase{
                          "LargestInts", "2147483647 2147483648 3", {255, 255, 3}, 2147483647u},
                      AsciiCase{"SmallestInt", "-2147483648", {0}, 2147483648u},
                      AsciiCase{"TrailingLoneSign", "5 6 -", {5, 6, 6, 6}, 6},
                      // The sign is consumed; the blank after it is not junk.
                      AsciiCase{"SignBeforeBlank", "4 - 9", {4, 4, 9}, 9},
                      AsciiCase{"DoubleSign", "4 +-9", {4, 4, 9}, 9},
                      AsciiCase{"EarlyEnd", "1 2", {1, 2, 2, 2}, 2},
                      AsciiCase{"Empty", "", {0, 0}, 0}),
    [](const auto& info) { return std::string(info.param.label); });

TEST_F(RawReaderFiles, RepeatsTheLastAsciiValueThroughTheRemainingRows) {
    UseData("1 2 3 4 x 9 9");
    LoadRawVolume(true, {2, 2, 3}, {1, 0});
    EXPECT_EQ(V(1, 1, 3), 3);
    for (int z = 1; z <= 3; ++z) EXPECT_EQ(V(1, 2, z) + V(2, 1, z) + V(2, 2, z), 12) << z;
    EXPECT_EQ(VoxelVolume.maxValue, 4u);
}

TEST_F(RawReaderFiles, ReadsAsciiNumbersOfAFileLargerThanTheReadBuffer) {
    const int count = 400000;
    const auto value = [](int i) { return std::uint32_t(i) * 7919u % 1000003u; };
    std::string text;
    for (int i = 0; i < count; ++i) text += std::to_string(value(i)) + ' ';
    UseData(text);
    LoadRawVolume(true, {1, 1, count}, {1, 0});
    std::uint32_t largest = 0;
    for (int i = 0; i < count; ++i) {
        ASSERT_EQ(V(1, 1, i + 1), value(i) & 0xff) << i;
        largest = std::max(largest, value(i));
    }
    EXPECT_EQ(VoxelVolume.maxValue, largest);
}

// --- failures ------------------------------------------------------------------

TEST_F(RawReaderFiles, MissingDataFileLeavesABlankVolume) {
    for (const bool ascii : {false, true}) {
        messages_.clear();
        busy_.clear();
        volumePath = (dir_ / "nothing.raw").string();
        LoadRawVolume(ascii, {8, 8, 8}, {1, 0});
        EXPECT_EQ(VoxelVolume.dims.x + VoxelVolume.dims.y + VoxelVolume.dims.z, 0);
        ASSERT_EQ(messages_.size(), 1u);
        EXPECT_EQ(messages_[0].text, "Could not read file " + volumePath + "\n");
        EXPECT_EQ(messages_[0].icon, MessageIcon::Warning);
        EXPECT_EQ(messages_[0].owner, MessageOwner::None);
        EXPECT_EQ(busy_, (std::vector<bool>{true, false}));
    }
}

TEST_F(RawReaderFiles, NeverWritesPastTheAllocatedStore) {
    UseData(std::string(kBlock, '\x01'));
    ASSERT_EQ(AllocateVolume(4, 4, 4), 1);
    ReadRawVolume("BINARY", {8, 8, 8}, {1, 0});
    EXPECT_EQ(VoxelVolume.dims.x, 0);
    EXPECT_EQ(NonZeroStoreBytes(), 0u);
}

TEST_F(RawReaderFiles, ReportsAStoreThatCannotBeAllocated) {
    UseData("");
    LoadRawVolume(false, {2000, 2000, 300}, {1, 0});
    ASSERT_EQ(messages_.size(), 1u);
    EXPECT_EQ(messages_[0].text, kNotEnoughMemoryForVolume);
}

}  // namespace
}  // namespace calyra
