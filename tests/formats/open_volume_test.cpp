// Files written by the imaging libraries' own writers open into the store as
// the rules say: file voxel (i, j, k) at store (i+1, j+1, k+1); unsigned
// 8-bit values kept; any other type mapped through the finite range (or the
// window); unequal spacings resampled to cubic voxels.
#include "formats/open_volume.h"

#include <gdcmImageChangeTransferSyntax.h>
#include <gdcmImageReader.h>
#include <gdcmImageWriter.h>
#include <gtest/gtest.h>
#include <zlib.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <limits>

#include "base/messages.h"
#include "tests/address_space_limit.h"
#include "tests/formats/fixture_writers.h"
#include "tests/sparse_volume.h"
#include "tests/temp_folder.h"
#include "tests/test_support.h"
#include "volume/volume_store.h"

namespace calyra::test {
namespace {

namespace fs = std::filesystem;

// Values spread over the type's range, negative ones included where it has them.
Volume MakeVolume(int nx, int ny, int nz, PixelType type, double sx = 1, double sy = 1,
                  double sz = 1) {
    Volume v;
    v.nx = nx;
    v.ny = ny;
    v.nz = nz;
    v.type = type;
    v.spacing[0] = sx;
    v.spacing[1] = sy;
    v.spacing[2] = sz;
    for (int k = 0; k < nz; ++k) {
        for (int j = 0; j < ny; ++j) {
            for (int i = 0; i < nx; ++i) {
                const int n = i * 37 + j * 101 + k * 1009;
                double value = 0;
                switch (type) {
                    case PixelType::U8:
                        value = n % 256;
                        break;
                    case PixelType::I8:
                        value = n % 256 - 128;
                        break;
                    case PixelType::U16:
                        value = (n * 7) % 65536;
                        break;
                    case PixelType::I16:
                        value = (n * 13) % 60000 - 30000;
                        break;
                    case PixelType::I32:
                        value = double(n) * 40000.0 - 1e8;
                        break;
                    case PixelType::F32:
                        value = float(std::sin(n * 0.01) * 1000.0 + 0.25);
                        break;
                    case PixelType::F64:
                        value = std::cos(n * 0.02) * 1e5 - 3.5;
                        break;
                }
                v.values.push_back(value);
            }
        }
    }
    return v;
}

struct Scaling {
    double slope = 1.0, intercept = 0.0;
};

// The stored byte for every file voxel, straight from the rule.
std::vector<int> Expected(const Volume& v, Scaling s = {}, const formats::OpenOptions& o = {}) {
    std::vector<double> x;
    for (double raw : v.values) x.push_back(raw * s.slope + s.intercept);
    const bool scaled = s.slope != 1.0 || s.intercept != 0.0;
    std::vector<int> out;
    if (v.type == PixelType::U8 && !scaled && !o.window) {
        for (double raw : v.values) out.push_back(int(raw));
        return out;
    }
    double lo = o.windowLow, hi = o.windowHigh;
    if (!o.window) {
        lo = *std::min_element(x.begin(), x.end());
        hi = *std::max_element(x.begin(), x.end());
    }
    for (double value : x) {
        if (o.window && value < lo)
            out.push_back(0);
        else if (o.window && value > hi)
            out.push_back(255);
        else
            out.push_back(hi == lo ? 0 : int(std::trunc(((value - lo) * 255.0) / (hi - lo))));
    }
    return out;
}

void ExpectStore(Session& session, const Volume& v, const std::vector<int>& expected) {
    const VolumeStore& s = Store(session);
    ASSERT_EQ(s.dims.x, v.nx);
    ASSERT_EQ(s.dims.y, v.ny);
    ASSERT_EQ(s.dims.z, v.nz);
    EXPECT_EQ(s.size, std::max({v.nx, v.ny, v.nz}));
    EXPECT_EQ(s.mirrorZ, 0);
    EXPECT_EQ(s.maxValue, std::uint32_t(*std::max_element(expected.begin(), expected.end())));
    int wrong = 0;
    for (int k = 0; k < v.nz; ++k) {
        for (int j = 0; j < v.ny; ++j) {
            for (int i = 0; i < v.nx; ++i) {
                const int want = expected[(std::size_t(k) * v.ny + j) * v.nx + i];
                const int got = s.voxels[i + 1][j + 1][k + 1];
                if (got != want && ++wrong <= 5) {
                    ADD_FAILURE() << "voxel (" << i << ", " << j << ", " << k << "): " << got
                                  << ", want " << want;
                }
            }
        }
    }
    EXPECT_EQ(wrong, 0);
    EXPECT_EQ(s.voxels[0][1][1], 0) << "index 0 stays empty";
}

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// An 8 x 6 x 2 series of signed 16-bit slices s1 and s2 in folder.
Volume WriteTwoSliceSeries(const std::string& folder, const std::string& seriesUid) {
    const Volume v = MakeVolume(8, 6, 2, PixelType::I16);
    WriteDicomSeries(v, folder, {"s1", "s2"}, seriesUid, 1);
    return v;
}

// A copy of a DICOM file in another transfer syntax, through GDCM.
void ConvertDicom(const std::string& from, const std::string& to,
                  gdcm::TransferSyntax::TSType syntax) {
    gdcm::ImageReader reader;
    reader.SetFileName(from.c_str());
    ASSERT_TRUE(reader.Read());
    gdcm::ImageChangeTransferSyntax change;
    change.SetTransferSyntax(syntax);
    change.SetInput(reader.GetImage());
    ASSERT_TRUE(change.Change());
    gdcm::ImageWriter writer;
    writer.SetFileName(to.c_str());
    writer.SetFile(reader.GetFile());
    writer.SetImage(change.GetOutput());
    ASSERT_TRUE(writer.Write());
}

class FormatsTest : public ::testing::Test {
  protected:
    void SetUp() override {
        SetMessageSink([this](const Message& m) { messages_.push_back(m); });
    }
    void TearDown() override {
        SetMessageSink({});
        SetStoreBound(kMaxStoreBytes);
    }
    std::string Path(const std::string& name) const { return dir_.File(name); }
    bool Open(const std::string& path, formats::OpenOptions o = {}) {
        std::shared_ptr<VolumeStore> store = formats::OpenVolume(path, o, session.volume());
        if (!store) return false;
        session.ReplaceVolume(std::move(store));
        return true;
    }
    // Opening path fails, and then messages_ holds one message, which gives the reason.
    ::testing::AssertionResult Refused(const std::string& path, const std::string& reason = {}) {
        if (Open(path)) return ::testing::AssertionFailure() << path << " opened";
        if (messages_.size() != 1) {
            return ::testing::AssertionFailure() << messages_.size() << " messages, not 1";
        }
        if (messages_[0].text.find(reason) == std::string::npos) {
            return ::testing::AssertionFailure()
                   << "no \"" << reason << "\" in: " << messages_[0].text;
        }
        return ::testing::AssertionSuccess();
    }

    TempFolder dir_{"calyra_formats"};
    std::vector<Message> messages_;
    Session session;
};

struct Case {
    const char* file;
    PixelType type;
    int niftiVersion;  // 0: written by the toolkit
};

class EveryFormat : public FormatsTest, public ::testing::WithParamInterface<Case> {};

TEST_P(EveryFormat, StoresEachVoxelAsTheRuleSays) {
    const Case c = GetParam();
    // Unequal spacings, read on the file's grid here.
    const Volume v = MakeVolume(9, 7, 5, c.type, 0.5, 0.75, 2.0);
    const std::string path = Path(c.file);
    if (c.niftiVersion)
        WriteNifti(v, path, c.niftiVersion);
    else
        WriteWithToolkit(v, path);
    formats::OpenOptions o;
    o.resample = false;
    ASSERT_TRUE(Open(path, o)) << (messages_.empty() ? "" : messages_[0].text);
    ExpectStore(session, v, Expected(v));
    EXPECT_TRUE(formats::IsVolumeFile(path));
}

INSTANTIATE_TEST_SUITE_P(
    Files, EveryFormat,
    ::testing::Values(Case{"a.nrrd", PixelType::I16, 0}, Case{"b.nhdr", PixelType::U16, 0},
                      Case{"c.nrrd", PixelType::U8, 0}, Case{"d.mha", PixelType::F32, 0},
                      Case{"e.mhd", PixelType::I8, 0}, Case{"f.mha", PixelType::I32, 0},
                      Case{"g.tif", PixelType::U8, 0}, Case{"h.tif", PixelType::I16, 0},
                      Case{"i.tif", PixelType::F32, 0}, Case{"j.nii", PixelType::I16, 1},
                      Case{"k.nii.gz", PixelType::F64, 1}, Case{"l.hdr", PixelType::U8, 1},
                      Case{"m.nii", PixelType::U16, 2}, Case{"n.nii.gz", PixelType::I16, 2},
                      Case{"o.nii", PixelType::F32, 2}, Case{"p_z.nrrd", PixelType::I16, 0},
                      Case{"q_z.mha", PixelType::F32, 0}, Case{"r_z.mha", PixelType::U8, 0}),
    [](const auto& paramInfo) {
        std::string name = paramInfo.param.file;
        for (char& c : name)
            if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
        return name + (paramInfo.param.niftiVersion == 2 ? "_v2" : "");
    });

TEST_F(FormatsTest, ResamplesUnequalSpacingsToCubicVoxelsOfTheSmallest) {
    // 9 x 0.5, 7 x 0.75, 5 x 2.0: 9, round(10.5) = 11 (half away from zero), 20.
    Volume v = MakeVolume(9, 7, 5, PixelType::U8, 0.5, 0.75, 2.0);
    WriteWithToolkit(v, Path("r.nrrd"));
    ASSERT_TRUE(Open(Path("r.nrrd")));
    EXPECT_EQ(Store(session).dims.x, 9);
    EXPECT_EQ(Store(session).dims.y, 11);
    EXPECT_EQ(Store(session).dims.z, 20);
    EXPECT_EQ(Store(session).size, 20);
}

TEST_F(FormatsTest, ConstantDataStayConstantUpToTheFarEdge) {
    Volume v = MakeVolume(7, 5, 4, PixelType::U8, 1.0, 1.0, 2.5);
    std::fill(v.values.begin(), v.values.end(), 77.0);
    WriteWithToolkit(v, Path("c.mha"));
    ASSERT_TRUE(Open(Path("c.mha")));
    ASSERT_EQ(Store(session).dims.z, 10);
    for (int x = 1; x <= 7; ++x)
        for (int y = 1; y <= 5; ++y)
            for (int z = 1; z <= 10; ++z)
                ASSERT_EQ(Store(session).voxels[x][y][z], 77) << x << " " << y << " " << z;
    EXPECT_EQ(Store(session).maxValue, 77u);
}

TEST_F(FormatsTest, ResampledRampFollowsTheLinearInterpolation) {
    Volume v = MakeVolume(4, 4, 5, PixelType::U8, 1.0, 1.0, 3.0);
    for (int k = 0; k < 5; ++k)
        for (int n = 0; n < 16; ++n) v.values[std::size_t(k) * 16 + n] = 40.0 * k + 10.0;
    WriteWithToolkit(v, Path("ramp.nrrd"));
    ASSERT_TRUE(Open(Path("ramp.nrrd")));
    ASSERT_EQ(Store(session).dims.z, 15);
    for (int c = 0; c < 15; ++c) {
        const double p = std::clamp((c + 0.5) * 5.0 / 15.0 - 0.5, 0.0, 4.0);
        EXPECT_NEAR(Store(session).voxels[2][3][c + 1], 40.0 * p + 10.0, 1.0) << "slice " << c;
    }
}

TEST_F(FormatsTest, WindowClampsEveryTypeUnsigned8BitIncluded) {
    for (PixelType type : {PixelType::I16, PixelType::U8}) {
        const Volume v = MakeVolume(6, 5, 4, type);
        WriteWithToolkit(v, Path("w.nrrd"));
        formats::OpenOptions o;
        o.window = true;
        o.windowLow = type == PixelType::U8 ? 50 : -5000;
        o.windowHigh = type == PixelType::U8 ? 150 : 12000;
        ASSERT_TRUE(Open(Path("w.nrrd"), o));
        ExpectStore(session, v, Expected(v, {}, o));
    }
}

TEST_F(FormatsTest, NiftiSlopeAndInterceptApplyToTheStoredIntegers) {
    const Volume v = MakeVolume(6, 5, 4, PixelType::I16);
    WriteNifti(v, Path("s.nii"), 1, -0.5, 100.0);
    ASSERT_TRUE(Open(Path("s.nii")));
    ExpectStore(session, v, Expected(v, {-0.5, 100.0}));
    // Slope 1 with intercept 0 is no scaling: unsigned 8-bit data stay as they are.
    const Volume u = MakeVolume(6, 5, 4, PixelType::U8);
    WriteNifti(u, Path("u.nii.gz"), 2, 1.0, 0.0);
    ASSERT_TRUE(Open(Path("u.nii.gz")));
    ExpectStore(session, u, Expected(u));
}

TEST_F(FormatsTest, FourDimensionalFileOpensItsFirstVolumeWithANote) {
    const Volume v = MakeVolume(5, 4, 3, PixelType::U8);
    WriteNifti(v, Path("t.nii"), 1, 0.0, 0.0, 3);
    ASSERT_TRUE(Open(Path("t.nii")));
    ExpectStore(session, v, Expected(v));
    ASSERT_EQ(messages_.size(), 1u);
    EXPECT_EQ(messages_[0].icon, MessageIcon::Information);
    EXPECT_NE(messages_[0].text.find("3 volumes"), std::string::npos);
}

TEST_F(FormatsTest, DetachedNrrdSkipsTheBytesItsHeaderNames) {
    const Volume v = MakeVolume(5, 4, 3, PixelType::I16);
    std::ofstream(Path("skip.nhdr"))
        << "NRRD0004\ntype: short\ndimension: 3\nsizes: 5 4 3\n"
           "spacings: 1 1 1\nencoding: raw\nendian: little\nbyte skip: 17\n"
           "data file: skip.data\n\n";
    std::ofstream data(Path("skip.data"), std::ios::binary);
    data << std::string(17, 'x');
    for (double value : v.values) {
        const auto s = static_cast<std::int16_t>(value);
        data.put(char(s & 0xff)).put(char((s >> 8) & 0xff));
    }
    data.close();
    ASSERT_TRUE(Open(Path("skip.nhdr"))) << (messages_.empty() ? "" : messages_[0].text);
    ExpectStore(session, v, Expected(v));
}

TEST_F(FormatsTest, DicomFolderOpensItsLargestSeriesSortedAlongTheNormal) {
    const Volume big = MakeVolume(8, 6, 6, PixelType::I16, 1.0, 1.0, 2.0);
    const Volume small = MakeVolume(8, 6, 3, PixelType::I16);
    // Names in an order that has nothing to do with the positions.
    WriteDicomSeries(big, Path("series"), {"f3", "a9", "z1", "c4", "b7", "m2"},
                     "1.2.826.0.1.3680043.2.1125.1", 2);
    WriteDicomSeries(small, Path("series"), {"q1", "q2", "q3"}, "1.2.826.0.1.3680043.2.1125.2", 1);
    std::ofstream(Path("series/readme.txt")) << "not an image";
    formats::OpenOptions o;
    o.resample = false;
    ASSERT_TRUE(Open(Path("series"), o)) << (messages_.empty() ? "" : messages_[0].text);
    ExpectStore(session, big, Expected(big));
    // One file opens its own series.
    ASSERT_TRUE(Open(Path("series/q2"), o));
    ExpectStore(session, small, Expected(small));
    // Resampled, the z spacing is the distance between slice positions.
    ASSERT_TRUE(Open(Path("series/z1")));
    EXPECT_EQ(Store(session).dims.z, 12);
}

TEST_F(FormatsTest, AFailedOpenLeavesTheStoreAsItWas) {
    const Volume v = MakeVolume(5, 4, 3, PixelType::U8);
    WriteWithToolkit(v, Path("good.nrrd"));
    ASSERT_TRUE(Open(Path("good.nrrd")));
    const auto generation = Store(session).generation;
    std::ofstream(Path("bad.nrrd"))
        << "NRRD0004\ntype: uchar\ndimension: 3\nsizes: 50 50 50\nencoding: raw\n\n";
    EXPECT_TRUE(Refused(Path("bad.nrrd"), Path("bad.nrrd")));
    EXPECT_EQ(Store(session).generation, generation);
    ExpectStore(session, v, Expected(v));
}

// The bytes are all there, but the stream's check value does not match or
// is missing: refused before the library reads it (which fails and, for
// NRRD, leaks its stream).
TEST_F(FormatsTest, CompressedDataWithoutAProperEndAreRefused) {
    struct Damage {
        const char* file;
        std::uintmax_t fromEnd;  // the byte to change, counted from the end
        bool cut;                // cut the file there instead
    };
    // gzip ends with CRC-32 and length, zlib with Adler-32.
    for (const Damage d : {Damage{"crc_z.nrrd", 8, false}, Damage{"adler_z.mha", 2, false},
                           Damage{"cut_z.nrrd", 4, true}, Damage{"cut_z.mha", 3, true}}) {
        const std::string path = Path(d.file);
        WriteWithToolkit(MakeVolume(6, 5, 4, PixelType::U8), path);
        const std::uintmax_t size = fs::file_size(path);
        if (d.cut) {
            fs::resize_file(path, size - d.fromEnd);
        } else {
            std::fstream f(path, std::ios::in | std::ios::out | std::ios::binary);
            f.seekg(std::streamoff(size - d.fromEnd));
            const char byte = char(f.get() ^ 0x5a);
            f.seekp(std::streamoff(size - d.fromEnd));
            f.put(byte);
        }
        messages_.clear();
        EXPECT_TRUE(Refused(path, "damaged or cut short")) << d.file;
    }
}

// The library walks the dims by the header's count: a count outside 1..7 is
// refused before it reads the header (2,490,371 crashed it).
TEST_F(FormatsTest, ANiftiDimensionCountOutsideOneToSevenIsRefused) {
    struct Count {
        const char* file;
        int version;
        std::int64_t count;
    };
    for (const Count c :
         {Count{"huge.nii", 2, 2490371}, Count{"eight.nii", 1, 8}, Count{"zero.nii.gz", 1, 0},
          Count{"negative.nii", 2, -1}, Count{"eight.hdr", 1, 8}}) {
        const std::string path = Path(c.file);
        WriteNifti(MakeVolume(4, 3, 2, PixelType::U8), path, c.version);
        // dim[0]: 16 bits at byte 40 (NIfTI-1), 64 bits at byte 16 (NIfTI-2).
        std::string header;
        {
            gzFile in = gzopen(path.c_str(), "rb");
            char buffer[4096];
            for (int n; (n = gzread(in, buffer, sizeof buffer)) > 0;) header.append(buffer, n);
            gzclose(in);
        }
        if (c.version == 1) {
            const auto count = static_cast<std::int16_t>(c.count);
            std::memcpy(&header[40], &count, 2);
        } else {
            std::memcpy(&header[16], &c.count, 8);
        }
        gzFile out = gzopen(path.c_str(), fs::path(path).extension() == ".gz" ? "wb" : "wbT");
        gzwrite(out, header.data(), unsigned(header.size()));
        gzclose(out);
        messages_.clear();
        EXPECT_TRUE(Refused(
            path, "its header gives " + std::to_string(c.count) + " dimensions; NIfTI has 1 to 7"))
            << c.file;
    }
}

// The library asserts (ending the program) on a file that ends inside its
// file meta information or right after it: such a file is refused alone,
// and left out of its folder.
TEST_F(FormatsTest, ADicomFileCutAnywhereIsRefusedAndLeftOut) {
    const Volume v = WriteTwoSliceSeries(Path("whole"), "1.2.826.0.1.3680043.2.1125.3");
    const std::string bytes = ReadFile(Path("whole/s1"));
    // (0002,0000) UL at byte 132 gives the length of the rest of the group.
    ASSERT_EQ(bytes.compare(128, 4, "DICM"), 0);
    std::uint32_t group = 0;
    std::memcpy(&group, &bytes[140], 4);
    const std::size_t metaEnd = 144 + group;
    ASSERT_LT(metaEnd + 4, bytes.size());
    for (std::size_t cut = 132; cut < metaEnd + 4; ++cut) {
        const std::string path = Path("cut.dcm");
        std::ofstream(path, std::ios::binary).write(bytes.data(), std::streamsize(cut));
        messages_.clear();
        ASSERT_TRUE(Refused(path, "meta information is cut short or damaged")) << cut;
    }
    // In the folder of the whole series it is not a slice.
    fs::copy_file(Path("cut.dcm"), Path("whole/s0"));
    formats::OpenOptions o;
    o.resample = false;
    ASSERT_TRUE(Open(Path("whole"), o)) << (messages_.empty() ? "" : messages_.back().text);
    ExpectStore(session, v, Expected(v));
    // Cut anywhere in the data set, with the pixel data last, in each of the
    // three uncompressed syntaxes: never whole, never the end of the program
    // (an explicit element header cut after its tag made the library assert).
    ConvertDicom(Path("whole/s1"), Path("explicit.dcm"),
                 gdcm::TransferSyntax::ExplicitVRLittleEndian);
    ConvertDicom(Path("whole/s1"), Path("big.dcm"), gdcm::TransferSyntax::ExplicitVRBigEndian);
    for (const char* name : {"whole/s1", "explicit.dcm", "big.dcm"}) {
        const std::string file = ReadFile(Path(name));
        for (std::size_t cut = metaEnd + 4; cut < file.size(); ++cut) {
            // A new file each time: rewriting one makes ext4 flush it on close.
            const std::string path = Path("cut" + std::to_string(cut) + ".dcm");
            std::ofstream(path, std::ios::binary).write(file.data(), std::streamsize(cut));
            messages_.clear();
            ASSERT_TRUE(Refused(path)) << name << " " << cut;
            fs::remove(path);
        }
    }
}

// The library reads as many values per line as NDims says and keeps at
// most 10 dims in fixed arrays: NDims = 4.4e95 kept it reading for ever.
TEST_F(FormatsTest, AMetaImageNDimsOutsideOneToTenIsRefused) {
    const std::string huge(94, '4');
    for (const std::string& ndims :
         {huge + "3", std::string("11"), std::string("0"), std::string("2.5"), std::string("-3")}) {
        const std::string path = Path("n.mhd");
        std::ofstream(path) << "ObjectType = Image\nNDims = " << ndims
                            << "\nDimSize = 1 1 4 4 3\nElementType = MET_FLOAT\n"
                               "ElementDataFile = n.raw\n";
        std::ofstream(Path("n.raw")) << std::string(48 * 4, '\0');
        messages_.clear();
        EXPECT_TRUE(Refused(path, "its NDims of " + ndims + " is not 1 to 10")) << ndims;
    }
    // Four is fine: the first of 2 volumes.
    std::ofstream(Path("four.mha")) << "ObjectType = Image\nNDims = 4\nDimSize = 2 2 2 2\n"
                                       "ElementType = MET_UCHAR\nElementDataFile = LOCAL\n"
                                    << std::string(16, '\7');
    messages_.clear();
    ASSERT_TRUE(Open(Path("four.mha"))) << messages_.front().text;
    EXPECT_EQ(Store(session).dims.z, 2);
}

// A one-page tiled TIFF built by hand: 16 x 16 8-bit samples in one tile of
// tile x tile, whose data are the 256 bytes after the directory.
std::string TiledTiff(std::uint16_t tile) {
    std::string f = std::string("II*\0", 4) + std::string("\x08\0\0\0", 4);
    const auto put16 = [&f](std::uint16_t v) { f.append(reinterpret_cast<char*>(&v), 2); };
    const auto put32 = [&f](std::uint32_t v) { f.append(reinterpret_cast<char*>(&v), 4); };
    const std::uint16_t count = 10;
    const std::uint32_t data = 8 + 2 + 12 * count + 4;
    put16(count);
    const std::uint16_t shorts[8][2] = {{256, 16}, {257, 16}, {258, 8},    {259, 1},
                                        {262, 1},  {277, 1},  {322, tile}, {323, tile}};
    for (const auto& e : shorts) {
        put16(e[0]), put16(3), put32(1), put16(e[1]), put16(0);
    }
    put16(324), put16(4), put32(1), put32(data);  // TileOffsets
    put16(325), put16(4), put32(1), put32(256);   // TileByteCounts
    put32(0);
    for (int i = 0; i < 256; ++i) f.push_back(char(i));
    return f;
}

// The tile buffer comes from the tile's size, not the page's: a tile larger
// than the file could hold is refused before it costs 4 GiB.
TEST_F(FormatsTest, ATiffTileLargerThanTheFileCouldHoldIsRefused) {
    std::ofstream(Path("tile16.tif"), std::ios::binary) << TiledTiff(16);
    ASSERT_TRUE(Open(Path("tile16.tif"))) << messages_.front().text;
    EXPECT_EQ(Store(session).dims.x, 16);
    EXPECT_EQ(Store(session).voxels[16][16][1], 255);
    std::ofstream(Path("huge.tif"), std::ios::binary) << TiledTiff(65520);
    EXPECT_TRUE(Refused(Path("huge.tif"),
                        "its tiles of 65520 x 65520 are larger than the file could hold"));
}

// The library copies field names and values such as Name and Comment into
// buffers of 255 characters unchecked: a longer one ended calyra-render.
// A data file's path may be longer.
TEST_F(FormatsTest, AMetaImageFieldTooLongForTheLibrarysBuffersIsRefused) {
    const std::string body =
        "ObjectType = Image\nNDims = 3\nDimSize = 2 2 2\n"
        "ElementType = MET_UCHAR\n";
    const std::string long300(300, 'x');
    struct Field {
        std::string line, message;
    };
    for (const Field& f :
         {Field{long300 + " = 1", "its header has a field name of 300 characters"},
          Field{"Comment = " + long300, "its header field Comment has a value of 300 characters"},
          Field{"Name = " + long300, "its header field Name has a value of 300 characters"},
          // A name without = takes the next line's value (see below).
          Field{"Stray", "its header line \"Stray\" has no = sign after its name"},
          Field{"Stray\rNDims = 3",
                "its header line \"Stray\rNDims\" has no = sign after its name"}}) {
        std::ofstream(Path("long.mha"), std::ios::binary) << f.line << "\n"
                                                          << body << "ElementDataFile = LOCAL\n"
                                                          << std::string(8, '\1');
        messages_.clear();
        EXPECT_TRUE(Refused(Path("long.mha"), f.message));
    }
    // Found by fuzzing: a name alone on the line before ElementDataFile
    // took that line's value, and the library read the data as header, a
    // name too long for its buffer among them.
    std::ofstream(Path("stray.mha"), std::ios::binary) << body << "Stray\nElementDataFile = LOCAL\n"
                                                       << std::string(300, '\xff');
    messages_.clear();
    EXPECT_TRUE(
        Refused(Path("stray.mha"), "its header line \"Stray\" has no = sign after its name"));
    // The header scan stops at 16 MiB, here inside a line, and the library
    // would read the unchecked rest.
    std::ofstream(Path("endless.mha"), std::ios::binary)
        << body << "Comment = " << std::string(std::size_t{17} << 20, 'x')
        << "\nElementDataFile = LOCAL\n"
        << std::string(8, '\1');
    messages_.clear();
    EXPECT_TRUE(Refused(Path("endless.mha"), "its header has no ElementDataFile line"));
    std::string folder;
    for (int i = 0; i < 100; ++i) folder += "abc/";
    fs::create_directories(Path(folder));
    std::ofstream(Path(folder + "data.raw"), std::ios::binary) << std::string(8, '\1');
    std::ofstream(Path("deep.mhd")) << body << "ElementDataFile = " << folder << "data.raw\n";
    messages_.clear();
    ASSERT_TRUE(Open(Path("deep.mhd"))) << messages_.front().text;
    EXPECT_EQ(Store(session).voxels[2][2][2], 1);
}

// A thin volume's row pointers can pass the bound when its voxels do not:
// refused with the rest of the checks, so the current volume stays.
TEST_F(FormatsTest, AThinVolumeWhoseRowTablesPassTheBoundIsRefusedBeforeTheStoreGoes) {
    WriteWithToolkit(MakeVolume(4, 4, 4, PixelType::U8), Path("small.nrrd"));
    ASSERT_TRUE(Open(Path("small.nrrd")));
    const auto generation = Store(session).generation;
    SetStoreBound(std::uint64_t{64} << 10);
    // 101 x 101 x 4 = 40,804 bytes of voxels, 101 x 102 x 8 = 82,416 of row pointers.
    WriteWithToolkit(MakeVolume(100, 100, 1, PixelType::U8), Path("thin.nrrd"));
    messages_.clear();
    EXPECT_TRUE(
        Refused(Path("thin.nrrd"), "needs 82416 bytes of row pointers, more than the 64 KiB"));
    EXPECT_EQ(Store(session).generation, generation);
    EXPECT_EQ(Store(session).dims.x, 4);
}

// GDCM allocates an element's length before it reads the value: a length
// past the end of the file is refused first (1.5 GB for a 1,010-byte file),
// and so are sequences nested deeper than 64, which it reads by recursion.
TEST_F(FormatsTest, ADicomLengthPastTheFileOrSequencesTooDeepAreRefused) {
    const Volume v = WriteTwoSliceSeries(Path("series"), "1.2.826.0.1.3680043.2.1125.4");
    const std::string bytes = ReadFile(Path("series/s1"));
    // The writer's data set is implicit VR little endian: (0010,0010), then a length.
    const std::size_t name = bytes.find(std::string("\x10\0\x10\0", 4), 132);
    ASSERT_NE(name, std::string::npos);
    std::string longName = bytes;
    const std::uint32_t claim = 1546673201;
    std::memcpy(&longName[name + 4], &claim, 4);
    std::ofstream(Path("long.dcm"), std::ios::binary) << longName;
    EXPECT_TRUE(Refused(Path("long.dcm"), "its element (0010,0010) claims 1546673201 bytes"));

    // 70 sequences, each in an item of the one before, all of undefined length.
    std::string deep = bytes;
    for (int i = 0; i < 70; ++i) {
        deep += std::string("\x08\0\x15\x11\xff\xff\xff\xff", 8);  // (0008,1115)
        deep += std::string("\xfe\xff\0\xe0\xff\xff\xff\xff", 8);  // item
    }
    std::ofstream(Path("deep.dcm"), std::ios::binary) << deep;
    messages_.clear();
    EXPECT_TRUE(Refused(Path("deep.dcm"), "its sequences nest more than 64 deep"));

    // An element without a VR in an explicit data set: GDCM reads a 32-bit
    // length there instead (4,236,115,976 here).
    ConvertDicom(Path("series/s1"), Path("explicit.dcm"),
                 gdcm::TransferSyntax::ExplicitVRLittleEndian);
    std::ofstream(Path("explicit.dcm"), std::ios::binary | std::ios::app)
        << std::string("\x09\0\x10\0\x08\0\x7e\xfc", 8);
    messages_.clear();
    EXPECT_TRUE(Refused(Path("explicit.dcm"), "its element (0009,0010) claims 4236115976 bytes"));

    // No file meta information at all: GDCM guesses the syntax (here
    // explicit, from the VR of the first element) and asserted on this one.
    {
        std::string guessed = std::string(128, '\0') + "DICM";
        guessed += std::string("\x08\0\0\0TM\x03\x2b", 8);  // (0008,0000) TM, 11011 bytes
        for (int i = 0; i < 30; ++i) guessed.push_back(char(0x40 + i));
        std::ofstream(Path("guessed.dcm"), std::ios::binary) << guessed;
    }
    messages_.clear();
    EXPECT_TRUE(Refused(Path("guessed.dcm"), "its element (0008,0000) claims 11011 bytes"));

    // ... and when the first element stops after its tag and VR.
    std::ofstream(Path("short.dcm"), std::ios::binary)
        << std::string(128, '\0') << "DICM" << std::string("\xfd\xff\x10\0DAb", 7);
    messages_.clear();
    EXPECT_TRUE(Refused(Path("short.dcm"), "it ends inside the header of an element"));

    // Guessed big endian (the group's first byte is the smaller): OW with
    // 0x4d000000 bytes, which GDCM allocated.
    {
        std::string big = std::string(128, '\0') + "DICM";
        big += std::string("\0DICOWPNM\0\0\0", 12);
        big += std::string(20, '\0');
        std::ofstream(Path("big.dcm"), std::ios::binary) << big;
    }
    messages_.clear();
    EXPECT_TRUE(Refused(Path("big.dcm"), "its element (0044,4943) claims 1291845632 bytes"));

    // Encapsulated pixel data whose first fragment ends four bytes early, so
    // that no item tag follows it: GDCM gave up there and read the file
    // again with looser readers, allocating 4 GB for a 1,196-byte file.
    ConvertDicom(Path("series/s1"), Path("rle.dcm"), gdcm::TransferSyntax::RLELossless);
    {
        std::string rle = ReadFile(Path("rle.dcm"));
        const std::string item("\xfe\xff\0\xe0", 4);
        // The offset table, then the first fragment.
        const std::size_t table = rle.find(item, rle.find(std::string("\xe0\x7f\x10\0", 4)));
        const std::size_t fragment = rle.find(item, table + 4);
        ASSERT_NE(fragment, std::string::npos);
        std::uint32_t length = 0;
        std::memcpy(&length, &rle[fragment + 4], 4);
        length -= 4;
        std::memcpy(&rle[fragment + 4], &length, 4);
        std::ofstream(Path("rle.dcm"), std::ios::binary) << rle;
    }
    messages_.clear();
    EXPECT_TRUE(Refused(Path("rle.dcm"), "its sequences or pixel data fragments are damaged"));

    // An RLE fragment whose first segment starts past the fragment's end (from
    // the DICOM fuzz target): GDCM's decoder read wherever it pointed.
    ConvertDicom(Path("series/s1"), Path("rle_far.dcm"), gdcm::TransferSyntax::RLELossless);
    {
        std::string rle = ReadFile(Path("rle_far.dcm"));
        const std::string item("\xfe\xff\0\xe0", 4);
        const std::size_t table = rle.find(item, rle.find(std::string("\xe0\x7f\x10\0", 4)));
        const std::size_t fragment = rle.find(item, table + 4);
        ASSERT_NE(fragment, std::string::npos);
        // After the item's tag and length: the segment count, then the offsets.
        const std::uint32_t far = 16505;
        std::memcpy(&rle[fragment + 12], &far, 4);
        std::ofstream(Path("rle_far.dcm"), std::ios::binary) << rle;
    }
    messages_.clear();
    EXPECT_TRUE(Refused(Path("rle_far.dcm"), "rle_far.dcm: its RLE pixel data are damaged"));

    // In the folder they are not slices.
    fs::copy_file(Path("long.dcm"), Path("series/s0"));
    fs::copy_file(Path("deep.dcm"), Path("series/s3"));
    formats::OpenOptions o;
    o.resample = false;
    ASSERT_TRUE(Open(Path("series"), o)) << messages_.back().text;
    ExpectStore(session, v, Expected(v));
}

// The element walk before the library reads a file knows every transfer
// syntax it meets: explicit little and big endian, and encapsulated pixel
// data (JPEG lossless, RLE) open as the implicit original does.
TEST_F(FormatsTest, DicomSeriesInOtherTransferSyntaxesOpenAlike) {
    const Volume v = MakeVolume(8, 6, 3, PixelType::I16);
    WriteDicomSeries(v, Path("implicit"), {"a", "b", "c"}, "1.2.826.0.1.3680043.2.1125.5", 1);
    formats::OpenOptions o;
    o.resample = false;
    for (const gdcm::TransferSyntax::TSType ts :
         {gdcm::TransferSyntax::ExplicitVRLittleEndian, gdcm::TransferSyntax::ExplicitVRBigEndian,
          gdcm::TransferSyntax::JPEGLosslessProcess14_1, gdcm::TransferSyntax::RLELossless}) {
        const std::string folder = Path("ts" + std::to_string(int(ts)));
        fs::create_directories(folder);
        for (const char* name : {"a", "b", "c"}) {
            ConvertDicom(Path("implicit/") + name, folder + "/" + name, ts);
        }
        messages_.clear();
        ASSERT_TRUE(Open(folder, o)) << ts << ": " << messages_.front().text;
        ExpectStore(session, v, Expected(v));
    }
}

// GDCM asserts when asked for the scalar type of a pixel format with more
// bits stored than allocated. Two slices from the DICOM fuzz target: the
// second allocates none and stores 16.
TEST_F(FormatsTest, ADicomPixelFormatGdcmCannotTypeIsRefused) {
    const std::string folder = CALYRA_TEST_DATA_DIR "/dicom_no_bits_allocated";
    EXPECT_TRUE(Refused(folder, "s1.dcm has 16 bits stored of 0 allocated"));
}

// Too little memory (an address-space limit, as `ulimit -v` sets): D1's
// message with the file's name, and the volume shown stays, whether the
// reading or the stores run short, and whether the file is read here or in
// the child reader (MetaImage).
TEST_F(FormatsTest, AVolumeThatDoesNotFitInMemoryIsRefusedByNameAndTheShownOneStays) {
    if (!test::AddressSpaceLimit::Possible()) GTEST_SKIP() << "the sanitizers reserve memory";
    WriteWithToolkit(MakeVolume(8, 8, 8, PixelType::U8), Path("small.nrrd"));
    ASSERT_TRUE(Open(Path("small.nrrd")));
    const std::shared_ptr<const VolumeStore> shown = session.VoxelVolume;
    // 600 x 600 x 400 bytes: 144 MB read, then a store and a fine store of 290 MB each.
    constexpr std::uint64_t kMiB = std::uint64_t{1} << 20;
    const struct {
        const char* file;
        test::SparseFormat format;
        std::uint64_t headroom;
    } kCases[] = {
        {"big.nrrd", test::SparseFormat::Nrrd, 16 * kMiB},
        {"big.nrrd", test::SparseFormat::Nrrd, 220 * kMiB},
        {"big.mha", test::SparseFormat::MetaImage, 16 * kMiB},
        {"big.mha", test::SparseFormat::MetaImage, 220 * kMiB},
    };
    for (const auto& c : kCases) {
        SCOPED_TRACE(std::string(c.file) + " with " + std::to_string(c.headroom / kMiB) + " MiB");
        ASSERT_TRUE(test::WriteSparseVolume(Path(c.file), c.format, 600, 600, 400));
        messages_.clear();
        bool opened = false;
        {
            const test::AddressSpaceLimit limit(c.headroom);
            ASSERT_TRUE(limit.Set());
            opened = Open(Path(c.file));
        }
        EXPECT_FALSE(opened);
        ASSERT_EQ(messages_.size(), 1u);
        EXPECT_EQ(messages_[0].text, std::string(kNotEnoughMemoryForVolume) + "\n" + Path(c.file));
        EXPECT_EQ(session.VoxelVolume, shown);
    }
}

TEST_F(FormatsTest, ALoweredStoreBoundRefusesALargerFileByName) {
    SetStoreBound(std::uint64_t{64} << 10);
    // 24 x 24 x 24 needs a store of 25 x 25 x 50 bytes, 31,250: it opens.
    WriteWithToolkit(MakeVolume(24, 24, 24, PixelType::U8), Path("fits.nrrd"));
    ASSERT_TRUE(Open(Path("fits.nrrd")));
    const auto generation = Store(session).generation;
    // 40 x 40 x 40 needs 41 x 41 x 82 = 137,842 bytes.
    WriteWithToolkit(MakeVolume(40, 40, 40, PixelType::U8), Path("large.mha"));
    EXPECT_TRUE(Refused(Path("large.mha"), "137842 bytes, more than the 64 KiB the program holds"));
    EXPECT_EQ(Store(session).generation, generation);
    // Resampling counts: 24 x 24 x 12 at a z spacing of 2 becomes 24 cubed...
    WriteWithToolkit(MakeVolume(24, 24, 12, PixelType::U8, 1, 1, 2), Path("thin.nrrd"));
    EXPECT_TRUE(Open(Path("thin.nrrd")));
    // ...and 40 x 40 x 20 becomes 40 cubed, past the bound.
    WriteWithToolkit(MakeVolume(40, 40, 20, PixelType::U8, 1, 1, 2), Path("flat.nrrd"));
    EXPECT_FALSE(Open(Path("flat.nrrd")));
}

// Samples of every width in every uncompressed syntax, one frame or many,
// give the file's values: a 32-bit sample is one number in the file's byte
// order, not two 16-bit words.
struct SampleCase {
    const char* name;
    DicomSyntax syntax;
    int bits;
    bool isSigned;
    int frames;
    bool pointerWithoutFrames = false;
};

class DicomSamples : public FormatsTest, public ::testing::WithParamInterface<SampleCase> {};

TEST_P(DicomSamples, OpenWithTheFilesValues) {
    const SampleCase& c = GetParam();
    HandDicom d;
    d.columns = 5;
    d.rows = 4;
    d.frames = c.frames;
    d.bitsAllocated = c.bits;
    d.isSigned = c.isSigned;
    d.syntax = c.syntax;
    d.pointerWithoutFrames = c.pointerWithoutFrames;
    Volume v;
    v.nx = d.columns;
    v.ny = d.rows;
    v.nz = d.frames;
    v.type = c.bits == 8 && !c.isSigned ? PixelType::U8 : PixelType::I32;
    const double range = std::ldexp(1.0, c.bits);
    for (int n = 0; n < v.nx * v.ny * v.nz; ++n) {
        // Spread over the whole width, high and low halves unlike each other.
        const double u = std::fmod(double(n) * 2654435761.0 + 12345.0, range);
        const double value = c.isSigned ? u - range / 2 : u;
        d.samples.push_back(std::int64_t(value));
        v.values.push_back(value);
    }
    const std::string folder = Path("dose");
    fs::create_directories(folder);
    WriteHandDicom(d, folder + "/dose.dcm");
    formats::OpenOptions o;
    o.resample = false;
    for (const std::string& path : {folder, folder + "/dose.dcm"}) {
        messages_.clear();
        ASSERT_TRUE(Open(path, o)) << messages_.front().text;
        ExpectStore(session, v, Expected(v));
    }
}

INSTANTIATE_TEST_SUITE_P(
    Widths, DicomSamples,
    ::testing::Values(
        SampleCase{"big_u32_frames", DicomSyntax::ExplicitBig, 32, false, 3},
        SampleCase{"big_i32_one", DicomSyntax::ExplicitBig, 32, true, 1},
        SampleCase{"big_u16_frames", DicomSyntax::ExplicitBig, 16, false, 3},
        SampleCase{"big_i16_one", DicomSyntax::ExplicitBig, 16, true, 1},
        SampleCase{"big_u8_frames", DicomSyntax::ExplicitBig, 8, false, 3},
        SampleCase{"little_u32_frames", DicomSyntax::ExplicitLittle, 32, false, 3},
        SampleCase{"little_i32_one", DicomSyntax::ExplicitLittle, 32, true, 1},
        SampleCase{"little_i16_frames", DicomSyntax::ExplicitLittle, 16, true, 3},
        SampleCase{"little_i8_one", DicomSyntax::ExplicitLittle, 8, true, 1},
        SampleCase{"implicit_u32_frames", DicomSyntax::ImplicitLittle, 32, false, 3},
        SampleCase{"implicit_u16_one", DicomSyntax::ImplicitLittle, 16, false, 1},
        // One frame, a frame pointer and no frame count: the library asserts on these.
        SampleCase{"big_u32_pointer", DicomSyntax::ExplicitBig, 32, false, 1, true},
        SampleCase{"implicit_u32_pointer", DicomSyntax::ImplicitLittle, 32, false, 1, true}),
    [](const ::testing::TestParamInfo<SampleCase>& p) { return p.param.name; });

// A sample width without a type (found by the fuzz target: the library
// asserts when asked for its type) is refused by name.
TEST_F(FormatsTest, ADicomSampleWidthWithoutATypeIsRefused) {
    HandDicom d;
    d.columns = 2;
    d.rows = 2;
    d.bitsAllocated = 24;
    d.samples = {1, 2, 3, 4};
    WriteHandDicom(d, Path("wide.dcm"));
    EXPECT_TRUE(Refused(Path("wide.dcm"), "wide.dcm has 24 bits stored of 24 allocated"));
}

// Two files of one series at one position are no scan: refused by name.
TEST_F(FormatsTest, DicomFilesAtOnePositionAreRefused) {
    HandDicom d;
    d.columns = 3;
    d.rows = 2;
    d.samples = {1, 2, 3, 4, 5, 6};
    WriteHandDicom(d, Path("a.dcm"));
    d.syntax = DicomSyntax::ExplicitBig;
    WriteHandDicom(d, Path("b.dcm"));
    EXPECT_TRUE(Refused(Path("a.dcm"), "a.dcm and b.dcm lie at the same position"));
}

}  // namespace
}  // namespace calyra::test
