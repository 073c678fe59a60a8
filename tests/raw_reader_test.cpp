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
#include "test_support.h"
#include "tests/temp_folder.h"
#include "volume/volume_store.h"

namespace calyra {
namespace {

constexpr RawFormat kBinary = RawFormat::Binary;
constexpr RawFormat kAscii = RawFormat::Ascii;
using test::Store;

namespace fs = std::filesystem;

// Each test works in a fresh directory and records messages and the busy cursor.
class RawReaderFiles : public ::testing::Test {
  protected:
    void SetUp() override {
        SetMessageSink([this](const Message& m) { messages_.push_back(m); });
        SetBusyHook([this](bool busy) { busy_.push_back(busy); });
        session.settings.interpolate = true;
    }
    void TearDown() override {
        SetMessageSink({});
        SetBusyHook({});
        session.volumePath.clear();
    }

    std::string Write(const std::string& name, const std::string& bytes) {
        const std::string path = (dir_ / name).string();
        std::ofstream(path, std::ios::binary) << bytes;
        return path;
    }
    // Writes the data file and points volumePath at it.
    void UseData(const std::string& bytes) { session.volumePath = Write("volume.raw", bytes); }

    static std::string Bytes(std::size_t n, const std::function<std::uint8_t(std::size_t)>& at) {
        std::string out(n, '\0');
        for (std::size_t i = 0; i < n; ++i) out[i] = static_cast<char>(at(i));
        return out;
    }
    std::uint8_t V(int x, int y, int z) { return Store(session).voxels[x][y][z]; }
    std::size_t NonZeroStoreBytes() {
        const VolumeStore& v = Store(session);
        const std::size_t n = std::size_t(v.allocated.x + 1) * (v.allocated.y + 1) * v.rowLength;
        return n - std::size_t(std::count(v.block.get(), v.block.get() + n, 0));
    }

    test::TempFolder dir_{"calyra_raw"};
    std::vector<Message> messages_;
    std::vector<bool> busy_;
    Session session;
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
    session.volumePath = (dir_ / "scan.raw").string();
    Write("scan.raw.inf", c.content);
    ImportParams params{11, 12, 13, 3.0f, 4.0f, 5.0f};
    ImportOptions options{7, 8};
    EXPECT_EQ(ReadInfFile(session.volumePath, params, options), c.result);
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
    test::kByLabel);

TEST_F(RawReaderFiles, MissingSideFileIsReportedAndChangesNothing) {
    session.volumePath = (dir_ / "scan.raw").string();
    ImportParams params{11, 12, 13};
    ImportOptions options{2, 1};
    EXPECT_EQ(ReadInfFile(session.volumePath, params, options), 1);
    ASSERT_EQ(messages_.size(), 1u);
    EXPECT_EQ(messages_[0].text, "Could not read file " + session.volumePath + ".inf\n");
    EXPECT_EQ(messages_[0].caption, "");
    EXPECT_EQ(messages_[0].icon, MessageIcon::Warning);
    EXPECT_EQ(messages_[0].owner, MessageOwner::None);
    EXPECT_EQ(params.dimX, 11);
    EXPECT_EQ(options.bytesPerVoxel, 2);
}

TEST_F(RawReaderFiles, DirectoryAsSideFileCountsAsUnreadable) {
    session.volumePath = (dir_ / "scan.raw").string();
    fs::create_directory(session.volumePath + ".inf");
    ImportParams params;
    ImportOptions options;
    EXPECT_EQ(ReadInfFile(session.volumePath, params, options), 1);
    EXPECT_EQ(messages_.size(), 1u);
}

TEST_F(RawReaderFiles, EndlessSideFileStillFinishes) {
    if (!fs::exists("/dev/zero")) GTEST_SKIP() << "no /dev/zero";
    session.volumePath = (dir_ / "scan.raw").string();
    fs::create_symlink("/dev/zero", session.volumePath + ".inf");
    ImportParams params{11, 12, 13};
    ImportOptions options{7, 8};
    EXPECT_EQ(ReadInfFile(session.volumePath, params, options), 1);
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
    RawFormat format;
    bool accepted;
};

void PrintTo(const AcceptCase& c, std::ostream* os) {
    *os << c.params.dimX << "x" << c.params.dimY << "x" << c.params.dimZ << " aspect "
        << c.params.aspectX << ", " << c.bytesPerVoxel << " bytes"
        << (c.format == kAscii ? " ascii" : "");
}

class ReaderLimits : public ::testing::TestWithParam<AcceptCase> {};

TEST_P(ReaderLimits, RefuseWhatTheReaderCannotUse) {
    const AcceptCase& c = GetParam();
    EXPECT_EQ(ImportParametersAccepted(c.params, {c.bytesPerVoxel, 0}, c.format), c.accepted);
}

INSTANTIATE_TEST_SUITE_P(
    RawReader, ReaderLimits,
    ::testing::Values(
        AcceptCase{{64, 64, 64}, 1, kBinary, true}, AcceptCase{{0, 64, 64}, 1, kBinary, false},
        AcceptCase{{64, 0, 64}, 1, kBinary, false}, AcceptCase{{64, 64, 64}, 0, kBinary, false},
        AcceptCase{{64, 64, 64}, -1, kBinary, false}, AcceptCase{{0, 64, 64}, 0, kAscii, true},
        AcceptCase{{301, 300, 300}, 1, kAscii, false},
        // Aspect 0 passes the size limit; the store bound still holds.
        AcceptCase{{1000, 1000, 1000, 0, 1, 1}, 1, kBinary, true},
        AcceptCase{{2000, 2000, 300, 0, 1, 1}, 1, kBinary, false},
        AcceptCase{{2000, 2000, 300, 0, 1, 1}, 1, kAscii, false}));

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

// Binary files: voxel n = ((z-1) dimY + (y-1)) dimX + (x-1) is the bytes
// [header + n B, header + (n+1) B), stored at [x][y][z]; voxels the file does
// not hold whole stay 0. Two bytes scale by the largest value stored.
struct BinaryCase {
    const char* label;
    std::int32_t dimX, dimY, dimZ;
    std::int32_t bytesPerVoxel;
    std::int32_t headerBytes;
    bool reverse;
    std::int64_t sizeDelta;  // file bytes minus what the shape needs
};

void PrintTo(const BinaryCase& c, std::ostream* os) {
    *os << c.label;
}

class BinaryFiles : public RawReaderFiles, public ::testing::WithParamInterface<BinaryCase> {
  protected:
    // The store and the fine store the rules give for these file bytes.
    struct Stores {
        std::vector<std::uint8_t> bytes;
        std::vector<std::uint16_t> fine;
        std::uint32_t vmax = 0;
    };
    static Stores Expected(const BinaryCase& c, const std::string& file) {
        const std::size_t voxels = std::size_t(c.dimX) * c.dimY * c.dimZ;
        std::vector<std::uint32_t> raw(voxels, 0);
        std::vector<bool> present(voxels, false);
        std::uint32_t vmax = 0;
        for (std::size_t n = 0; n < voxels; ++n) {
            const std::size_t at = std::size_t(c.headerBytes) + n * std::size_t(c.bytesPerVoxel);
            if (at + std::size_t(c.bytesPerVoxel) > file.size()) break;
            const auto b0 = std::uint8_t(file[at]);
            if (c.bytesPerVoxel == 1) {
                raw[n] = b0;
            } else {
                const auto b1 = std::uint8_t(file[at + 1]);
                raw[n] = c.reverse ? (std::uint32_t(b1) << 8 | b0) : (std::uint32_t(b0) << 8 | b1);
            }
            present[n] = true;
            vmax = std::max(vmax, raw[n]);
        }
        Stores out{std::vector<std::uint8_t>(voxels, 0), std::vector<std::uint16_t>(voxels, 0),
                   vmax};
        for (std::size_t n = 0; n < voxels; ++n) {
            if (!present[n]) continue;
            if (c.bytesPerVoxel == 1) {
                out.bytes[n] = std::uint8_t(raw[n]);
                out.fine[n] = std::uint16_t(257 * raw[n]);
            } else if (vmax) {
                out.bytes[n] = std::uint8_t(raw[n] * 255 / vmax);
                out.fine[n] = std::uint16_t(std::uint64_t(raw[n]) * 65535 / vmax);
            }
        }
        return out;
    }
};

TEST_P(BinaryFiles, StoreEveryVoxelOnceAtItsPlace) {
    const BinaryCase& c = GetParam();
    const std::int64_t needed =
        c.headerBytes + std::int64_t(c.dimX) * c.dimY * c.dimZ * c.bytesPerVoxel;
    const auto size = std::size_t(needed + c.sizeDelta);
    // Distinct bytes, so a voxel taken from the wrong place shows.
    std::mt19937 random(static_cast<unsigned>(c.dimX * 7919 + c.dimZ));
    UseData(Bytes(size, [&](std::size_t) { return std::uint8_t(random()); }));
    std::string file;
    {
        std::ifstream in(session.volumePath, std::ios::binary);
        file.assign(std::istreambuf_iterator<char>(in), {});
    }
    ASSERT_TRUE(LoadRawIntoSession(session, kBinary, {c.dimX, c.dimY, c.dimZ},
                                   {c.bytesPerVoxel, c.reverse ? 1 : 0, c.headerBytes}));
    const Stores stores = Expected(c, file);
    const std::vector<std::uint8_t>& expected = stores.bytes;
    std::uint8_t largest = 0;
    std::size_t n = 0;
    for (int z = 1; z <= c.dimZ; ++z)
        for (int y = 1; y <= c.dimY; ++y)
            for (int x = 1; x <= c.dimX; ++x, ++n) {
                ASSERT_EQ(V(x, y, z), expected[n]) << x << " " << y << " " << z;
                ASSERT_EQ(Store(session).FineRow(x, y)[z], stores.fine[n])
                    << x << " " << y << " " << z;
                largest = std::max(largest, expected[n]);
            }
    // One byte: 257 x the byte over 0..255; two: over 0..vmax.
    const ValueMapping want{0.0, c.bytesPerVoxel == 1 ? 255.0 : double(stores.vmax), "", true};
    EXPECT_EQ(Store(session).mapping, want);
    // Nothing else in the store: index 0 on every axis and the rows' spare halves stay 0.
    EXPECT_EQ(NonZeroStoreBytes(), std::size_t(std::count_if(expected.begin(), expected.end(),
                                                             [](auto v) { return v; })));
    EXPECT_EQ(Store(session).maxValue, largest);
    EXPECT_EQ(Store(session).mirrorZ, 0);
    EXPECT_EQ(Store(session).size, c.dimX);
    EXPECT_EQ(Store(session).dims.z, c.dimZ);
    EXPECT_FALSE(session.settings.interpolate);
    EXPECT_EQ(busy_, (std::vector<bool>{true, false}));

    // A file of the wrong size says so, with both sizes in bytes; it is no failure.
    if (c.sizeDelta == 0) {
        EXPECT_TRUE(messages_.empty());
    } else {
        ASSERT_EQ(messages_.size(), 1u);
        const std::string& text = messages_[0].text;
        EXPECT_FALSE(messages_[0].failure);
        EXPECT_NE(text.find(session.volumePath), std::string::npos) << text;
        EXPECT_NE(text.find("holds " + std::to_string(size) + " bytes"), std::string::npos) << text;
        EXPECT_NE(text.find("needs " + std::to_string(needed) + " bytes"), std::string::npos)
            << text;
        if (c.sizeDelta > 0) {
            EXPECT_NE(text.find("last " + std::to_string(c.sizeDelta) + " bytes"),
                      std::string::npos)
                << text;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(
    RawReader, BinaryFiles,
    ::testing::Values(BinaryCase{"Cube64", 64, 64, 64, 1, 0, false, 0},
                      // 10,000-byte slices do not divide the old 131,072-byte blocks.
                      BinaryCase{"SlicesOf100x100", 100, 100, 26, 1, 0, false, 0},
                      // A slice larger than a block, and more than one read run.
                      BinaryCase{"SlicesOf512x512", 512, 512, 40, 1, 0, false, 0},
                      BinaryCase{"OddShape", 37, 23, 19, 1, 0, false, 0},
                      BinaryCase{"HeaderSkipped", 100, 100, 10, 1, 517, false, 0},
                      BinaryCase{"ShortFinalSlice", 100, 100, 10, 1, 0, false, -45123},
                      BinaryCase{"ShortHeaderOnly", 20, 20, 4, 1, 100, false, -1600},
                      BinaryCase{"LongFile", 100, 100, 10, 1, 0, false, 100},
                      BinaryCase{"TwoBytesHighFirst", 256, 256, 6, 2, 0, false, 0},
                      BinaryCase{"TwoBytesReversed", 256, 256, 6, 2, 0, true, 0},
                      BinaryCase{"TwoBytesOddShapeAndHeader", 37, 23, 19, 2, 3, true, 0},
                      // The file ends inside a voxel: that voxel stays 0 too.
                      BinaryCase{"TwoBytesShortInsideAVoxel", 300, 7, 5, 2, 0, false, -2001},
                      BinaryCase{"TwoBytesLong", 64, 64, 8, 2, 10, false, 999}),
    test::kByLabel);

TEST_F(RawReaderFiles, TwoByteSliceKLandsAtZKPlusOneOnly) {
    // Slices of distinct constant values: slice k (0-based) must be z = k + 1.
    std::string bytes;
    for (int k = 0; k < 4; ++k) {
        const std::uint16_t value = std::uint16_t(1000 * (k + 1));
        for (int n = 0; n < 256 * 256; ++n) {
            bytes += char(value >> 8);
            bytes += char(value & 0xff);
        }
    }
    UseData(bytes);
    ASSERT_TRUE(LoadRawIntoSession(session, kBinary, {256, 256, 4}, {2, 0}));
    for (int k = 0; k < 4; ++k) EXPECT_EQ(V(17, 200, k + 1), 1000 * (k + 1) * 255 / 4000) << k;
    EXPECT_EQ(V(17, 200, 5), 0);
}

TEST_F(RawReaderFiles, AllZeroTwoByteFileStaysBlank) {
    UseData(std::string(256 * 256 * 4, '\0'));
    ASSERT_TRUE(LoadRawIntoSession(session, kBinary, {256, 256, 2}, {2, 0}));
    EXPECT_EQ(NonZeroStoreBytes(), 0u);
    EXPECT_EQ(Store(session).maxValue, 0u);
}

TEST_F(RawReaderFiles, SideFileSeventhLineGivesTheHeaderBytes) {
    session.volumePath = (dir_ / "scan.raw").string();
    ImportParams params;
    ImportOptions options;
    Write("scan.raw.inf", "X= 4\nY= 5\nZ= 6\nbinary\n1\n0\n352\n");
    EXPECT_EQ(ReadInfFile(session.volumePath, params, options), 1);
    EXPECT_EQ(options.headerBytes, 352);
    // Six lines: the header bytes keep what they held.
    Write("scan.raw.inf", "X= 4\nY= 5\nZ= 6\nbinary\n1\n0\n");
    options.headerBytes = 0;
    ReadInfFile(session.volumePath, params, options);
    EXPECT_EQ(options.headerBytes, 0);
}

// Every refusal keeps the fixed text first and then names the failed test.
struct RefusalCase {
    const char* label;
    ImportParams params;
    ImportOptions options;
    RawFormat format;
    const char* reason;
};

void PrintTo(const RefusalCase& c, std::ostream* os) {
    *os << c.label;
}

class Refusals : public ::testing::TestWithParam<RefusalCase> {};

TEST_P(Refusals, NameTheTestThatFailedWithItsNumbers) {
    const RefusalCase& c = GetParam();
    const std::string reason = ImportRefusalReason(c.params, c.options, c.format);
    EXPECT_EQ(reason, c.reason);
    EXPECT_FALSE(ImportParametersAccepted(c.params, c.options, c.format));
    const std::string message = RefusalMessage(reason);
    EXPECT_EQ(message.rfind(kRefusalMessage, 0), 0u);
    EXPECT_EQ(message.substr(std::string(kRefusalMessage).size()), "\n" + reason);
}

INSTANTIATE_TEST_SUITE_P(
    RawReader, Refusals,
    ::testing::Values(
        RefusalCase{"VoxelLimit",
                    {301, 300, 300},
                    {1, 0},
                    kBinary,
                    "voxels times aspect ratio 301 x 300 x 300 x 1 x 1 x 1 = 27090000: the limit "
                    "is 27000000"},
        RefusalCase{"AspectRaisesTheProduct",
                    {200, 200, 200, 2, 2, 2},
                    {1, 0},
                    kAscii,
                    "voxels times aspect ratio 200 x 200 x 200 x 2 x 2 x 2 = 64000000: the limit "
                    "is 27000000"},
        RefusalCase{"NegativeDimension",
                    {10, 10, -4},
                    {1, 0},
                    kAscii,
                    "dimension Z -4: dimensions must be 0 or more"},
        RefusalCase{"NegativeAspect",
                    {10, 10, 10, 1, -0.5f, 1},
                    {1, 0},
                    kBinary,
                    "aspect ratio factor 2 of -0.5: aspect factors must be 0 or more"},
        RefusalCase{"ThreeBytes",
                    {64, 64, 64},
                    {3, 0},
                    kBinary,
                    "bytes per voxel 3: binary files take 1 or 2"},
        RefusalCase{"ZeroBytes",
                    {64, 64, 64},
                    {0, 0},
                    kBinary,
                    "bytes per voxel 0: binary files take 1 or 2"},
        RefusalCase{"EmptySlices",
                    {0, 64, 64},
                    {1, 0},
                    kBinary,
                    "dimension X 0: binary files need X and Y of 1 or more"},
        RefusalCase{
            "NegativeHeader", {8, 8, 8}, {1, 0, -5}, kBinary, "header bytes -5: must be 0 or more"},
        RefusalCase{"NegativeHeaderAscii",
                    {8, 8, 8},
                    {1, 0, -1},
                    kAscii,
                    "header bytes -1: must be 0 or more"},
        RefusalCase{"StorePast2GiB",
                    {2000, 2000, 300, 0, 1, 1},
                    {1, 0},
                    kBinary,
                    "the store for 2000 x 2000 x 300 voxels needs 2410408602 bytes: the limit is "
                    "2 GiB (2147483648 bytes)"}),
    test::kByLabel);

TEST_F(RawReaderFiles, UnreadableDataFileLeavesTheCurrentVolume) {
    UseData(std::string(8 * 8 * 8, '\x09'));
    ASSERT_TRUE(LoadRawIntoSession(session, kBinary, {8, 8, 8}, {1, 0}));
    session.volumePath = (dir_ / "missing.raw").string();
    EXPECT_FALSE(LoadRawIntoSession(session, kBinary, {4, 4, 4}, {1, 0}));
    ASSERT_EQ(messages_.size(), 1u);
    EXPECT_EQ(messages_[0].text, "Could not read file " + session.volumePath + "\n");
    EXPECT_EQ(Store(session).dims.x, 8);
    EXPECT_EQ(V(8, 8, 8), 9);
}

// --- ASCII data files --------------------------------------------------------------

TEST_F(RawReaderFiles, ReadsAsciiWithZFastest) {
    std::string text;
    for (int i = 1; i <= 24; ++i) text += std::to_string(i) + (i % 5 ? " \t" : "\r\n");
    UseData(text);
    LoadRawIntoSession(session, kAscii, {2, 3, 4}, {1, 0});
    for (int x = 1; x <= 2; ++x)
        for (int y = 1; y <= 3; ++y)
            for (int z = 1; z <= 4; ++z) {
                EXPECT_EQ(V(x, y, z), ((x - 1) * 3 + (y - 1)) * 4 + z);
                EXPECT_EQ(Store(session).FineRow(x, y)[z], 257 * V(x, y, z));
            }
    EXPECT_EQ(Store(session).maxValue, 24u);
    EXPECT_EQ(Store(session).size, 128);
    EXPECT_EQ(Store(session).mirrorZ, 0);
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
    LoadRawIntoSession(session, kAscii, {1, 1, std::int32_t(stored.size())}, {1, 0});
    for (std::size_t z = 1; z <= stored.size(); ++z) EXPECT_EQ(V(1, 1, int(z)), stored[z - 1]) << z;
    EXPECT_EQ(Store(session).maxValue, GetParam().maxValue);
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
    test::kByLabel);

TEST_F(RawReaderFiles, RepeatsTheLastAsciiValueThroughTheRemainingRows) {
    UseData("1 2 3 4 x 9 9");
    LoadRawIntoSession(session, kAscii, {2, 2, 3}, {1, 0});
    EXPECT_EQ(V(1, 1, 3), 3);
    for (int z = 1; z <= 3; ++z) EXPECT_EQ(V(1, 2, z) + V(2, 1, z) + V(2, 2, z), 12) << z;
    EXPECT_EQ(Store(session).maxValue, 4u);
}

TEST_F(RawReaderFiles, ReadsAsciiNumbersOfAFileLargerThanTheReadBuffer) {
    const int count = 400000;
    const auto value = [](int i) { return std::uint32_t(i) * 7919u % 1000003u; };
    std::string text;
    for (int i = 0; i < count; ++i) text += std::to_string(value(i)) + ' ';
    UseData(text);
    LoadRawIntoSession(session, kAscii, {1, 1, count}, {1, 0});
    std::uint32_t largest = 0;
    for (int i = 0; i < count; ++i) {
        ASSERT_EQ(V(1, 1, i + 1), value(i) & 0xff) << i;
        largest = std::max(largest, value(i));
    }
    EXPECT_EQ(Store(session).maxValue, largest);
}

// --- failures ------------------------------------------------------------------

TEST_F(RawReaderFiles, MissingDataFileLeavesABlankVolume) {
    for (const RawFormat format : {kBinary, kAscii}) {
        messages_.clear();
        busy_.clear();
        session.volumePath = (dir_ / "nothing.raw").string();
        ASSERT_EQ(AllocateVolume(Store(session), 8, 8, 8), 1);
        ReadRawVolume(Store(session), session.volumePath, format, {8, 8, 8}, {1, 0});
        EXPECT_EQ(Store(session).dims.x + Store(session).dims.y + Store(session).dims.z, 0);
        ASSERT_EQ(messages_.size(), 1u);
        EXPECT_EQ(messages_[0].text, "Could not read file " + session.volumePath + "\n");
        EXPECT_EQ(messages_[0].icon, MessageIcon::Warning);
        EXPECT_EQ(messages_[0].owner, MessageOwner::None);
        EXPECT_EQ(busy_, (std::vector<bool>{true, false}));
    }
}

TEST_F(RawReaderFiles, NeverWritesPastTheAllocatedStore) {
    UseData(std::string(8 * 8 * 8, '\x01'));
    ASSERT_EQ(AllocateVolume(Store(session), 4, 4, 4), 1);
    ReadRawVolume(Store(session), session.volumePath, kBinary, {8, 8, 8}, {1, 0});
    EXPECT_EQ(Store(session).dims.x, 0);
    EXPECT_EQ(NonZeroStoreBytes(), 0u);
}

TEST_F(RawReaderFiles, ReportsAStoreThatCannotBeAllocated) {
    UseData("");
    LoadRawIntoSession(session, kBinary, {2000, 2000, 300}, {1, 0});
    ASSERT_EQ(messages_.size(), 1u);
    EXPECT_EQ(messages_[0].text, kNotEnoughMemoryForVolume);
}

}  // namespace
}  // namespace calyra
