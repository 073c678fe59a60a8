// The fine store of every standard format, against the file's values as the
// imaging libraries read them: f = trunc((v - lo) x 65535 / (hi - lo)) over
// the finite range or the window, 257 v for unsigned bytes, and the unit
// the file names. Resampled files keep the store's counts.
#include <gdcmReader.h>
#include <gdcmWriter.h>
#include <gtest/gtest.h>
#include <itkGDCMImageIO.h>
#include <itkImage.h>
#include <itkImageFileReader.h>
#include <itkImageSeriesReader.h>
#include <itkMetaImageIO.h>
#include <itkNrrdImageIO.h>
#include <itkTIFFImageIO.h>
#include <nifti2_io.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>

#include "base/messages.h"
#include "formats/open_volume.h"
#include "render/slice_panes.h"
#include "tests/formats/fixture_writers.h"
#include "tests/temp_folder.h"
#include "tests/test_support.h"
#include "volume/volume_store.h"

namespace calyra::test {
namespace {

namespace fs = std::filesystem;

// The samples of a file as the libraries give them, in file order (x
// fastest), after any rescale.
std::vector<double> ReadWithToolkit(const std::string& path) {
    using Image = itk::Image<double, 3>;
    Image::Pointer image;
    if (fs::is_directory(path)) {
        std::vector<std::string> files;
        for (const auto& entry : fs::directory_iterator(path)) files.push_back(entry.path());
        // The test series number their slices in file-name order.
        std::sort(files.begin(), files.end());
        auto reader = itk::ImageSeriesReader<Image>::New();
        reader->SetImageIO(itk::GDCMImageIO::New());
        reader->SetFileNames(files);
        reader->Update();
        image = reader->GetOutput();
    } else if (path.find(".nii") != std::string::npos) {
        nifti_image* nim = nifti_image_read(path.c_str(), 1);
        if (!nim) throw std::runtime_error("nifti_clib cannot read " + path);
        std::vector<double> values(std::size_t(nim->nvox));
        for (std::size_t n = 0; n < values.size(); ++n) {
            double v = 0;
            switch (nim->datatype) {
                case DT_INT16:
                    v = static_cast<const std::int16_t*>(nim->data)[n];
                    break;
                case DT_FLOAT32:
                    v = static_cast<const float*>(nim->data)[n];
                    break;
                default:
                    throw std::runtime_error("a NIfTI type this test does not read");
            }
            values[n] = nim->scl_slope != 0.0 ? v * nim->scl_slope + nim->scl_inter : v;
        }
        nifti_image_free(nim);
        return values;
    } else {
        auto reader = itk::ImageFileReader<Image>::New();
        // The toolkit's factories are not registered here: the IO by extension.
        const std::string ext = fs::path(path).extension().string();
        if (ext == ".nrrd" || ext == ".nhdr") {
            reader->SetImageIO(itk::NrrdImageIO::New());
        } else if (ext == ".mha" || ext == ".mhd") {
            reader->SetImageIO(itk::MetaImageIO::New());
        } else {
            reader->SetImageIO(itk::TIFFImageIO::New());
        }
        reader->SetFileName(path);
        reader->Update();
        image = reader->GetOutput();
    }
    const std::size_t n = image->GetLargestPossibleRegion().GetNumberOfPixels();
    return {image->GetBufferPointer(), image->GetBufferPointer() + n};
}

// The fine value of every sample by the rule, over lo..hi.
std::vector<int> ExpectedFine(const std::vector<double>& values, double lo, double hi, bool bytes) {
    std::vector<int> fine;
    for (double v : values) {
        if (bytes)
            fine.push_back(257 * int(v));
        else if (!std::isfinite(v) || v < lo || hi == lo)
            fine.push_back(0);
        else if (v > hi)
            fine.push_back(65535);
        else
            fine.push_back(int(std::trunc(((v - lo) * 65535.0) / (hi - lo))));
    }
    return fine;
}

// Sets text elements of a DICOM file through the library, padded to even length.
void SetDicomTexts(const std::string& file,
                   const std::vector<std::pair<gdcm::Tag, std::string>>& texts) {
    gdcm::Reader reader;
    reader.SetFileName(file.c_str());
    ASSERT_TRUE(reader.Read()) << file;
    gdcm::DataSet& set = reader.GetFile().GetDataSet();
    for (auto [tag, text] : texts) {
        if (text.size() % 2) text += ' ';
        gdcm::DataElement element(tag);
        element.SetByteValue(text.data(), std::uint32_t(text.size()));
        set.Replace(element);
    }
    gdcm::Writer writer;
    writer.SetFile(reader.GetFile());
    writer.SetFileName(file.c_str());
    ASSERT_TRUE(writer.Write()) << file;
}

Volume Scan(int nx, int ny, int nz, PixelType type, double lowest, double step) {
    Volume v;
    v.nx = nx;
    v.ny = ny;
    v.nz = nz;
    v.type = type;
    for (int k = 0; k < nz; ++k)
        for (int j = 0; j < ny; ++j)
            for (int i = 0; i < nx; ++i)
                v.values.push_back(lowest + step * double((i * 7 + j * 131 + k * 977) % 4096));
    return v;
}

class FineStoreFiles : public ::testing::Test {
  protected:
    void SetUp() override {
        SetMessageSink([this](const Message& m) { messages_.push_back(m.text); });
    }
    void TearDown() override { SetMessageSink({}); }

    std::shared_ptr<VolumeStore> Open(const std::string& path, formats::OpenOptions o = {}) {
        return formats::OpenVolume(path, o, VolumeStore{});
    }

    // Every fine value of the opened file against the rule applied to what
    // the libraries read; the range is theirs too unless a window is given.
    void ExpectFineOf(const std::string& path, formats::OpenOptions o, const std::string& unit,
                      bool bytes = false) {
        const std::shared_ptr<VolumeStore> store = Open(path, o);
        ASSERT_TRUE(store) << path << (messages_.empty() ? "" : ": " + messages_.back());
        const std::vector<double> values = ReadWithToolkit(path);
        double lo = o.windowLow, hi = o.windowHigh;
        if (!o.window) {
            lo = *std::min_element(values.begin(), values.end());
            hi = *std::max_element(values.begin(), values.end());
        }
        if (bytes) lo = 0.0, hi = 255.0;
        EXPECT_EQ(store->mapping.lo, lo) << path;
        EXPECT_EQ(store->mapping.hi, hi) << path;
        EXPECT_EQ(store->mapping.unit, unit) << path;
        const std::vector<int> want = ExpectedFine(values, lo, hi, bytes);
        const Int3 d = store->dims;
        ASSERT_EQ(want.size(), std::size_t(d.x) * d.y * d.z) << path;
        std::size_t wrong = 0, n = 0;
        for (int k = 1; k <= d.z; ++k)
            for (int j = 1; j <= d.y; ++j)
                for (int i = 1; i <= d.x; ++i) wrong += store->FineRow(i, j)[k] != want[n++];
        EXPECT_EQ(wrong, 0u) << path;
        // The borders stay 0.
        EXPECT_EQ(store->FineRow(0, 1)[1], 0);
        EXPECT_EQ(store->FineRow(1, 1)[0], 0);
    }

    TempFolder dir_{"calyra_fine"};
    std::vector<std::string> messages_;
};

struct FileCase {
    const char* label;
    const char* name;  // its extension picks the writer
    PixelType type;
    double lowest, step;
    bool window;
};

void PrintTo(const FileCase& c, std::ostream* os) {
    *os << c.label;
}

class EveryFormatsFine : public FineStoreFiles, public ::testing::WithParamInterface<FileCase> {};

TEST_P(EveryFormatsFine, FollowTheRuleVoxelForVoxel) {
    const FileCase& c = GetParam();
    const Volume v = Scan(9, 7, 5, c.type, c.lowest, c.step);
    const std::string path = dir_.File(c.name);
    if (std::string(c.name).find(".nii") != std::string::npos) {
        WriteNifti(v, path, 1);
    } else {
        WriteWithToolkit(v, path);
    }
    formats::OpenOptions o;
    if (c.window) {
        o.window = true;
        o.windowLow = -200.0;
        o.windowHigh = 300.5;
    }
    ExpectFineOf(path, o, "", c.type == PixelType::U8 && !c.window);
}

INSTANTIATE_TEST_SUITE_P(
    FineStore, EveryFormatsFine,
    ::testing::Values(
        FileCase{"NrrdSigned", "ct.nrrd", PixelType::I16, -1024.0, 1.0, false},
        FileCase{"NrrdWindowed", "ct_w.nrrd", PixelType::I16, -1024.0, 1.0, true},
        FileCase{"NrrdCompressedUnsigned", "u_z.nrrd", PixelType::U16, 0.0, 13.0, false},
        FileCase{"MetaImageFloat", "f.mha", PixelType::F32, -3.25, 0.37, false},
        FileCase{"MetaImageBytes", "b.mha", PixelType::U8, 0.0, 1.0 / 16, false},
        FileCase{"TiffBytes", "b.tif", PixelType::U8, 0.0, 1.0 / 16, false},
        FileCase{"TiffUnsigned", "u.tif", PixelType::U16, 7.0, 3.0, false},
        FileCase{"NiftiSigned", "ct.nii", PixelType::I16, -1024.0, 1.0, false},
        FileCase{"NiftiCompressedFloat", "f.nii.gz", PixelType::F32, 0.5, 0.001, false}),
    kByLabel);

TEST_F(FineStoreFiles, NrrdSampleUnitsNameTheUnit) {
    const Volume v = Scan(6, 5, 4, PixelType::I16, -100.0, 2.0);
    const std::string path = dir_.File("units.nrrd");
    WriteWithToolkit(v, path);
    // The toolkit's writer keeps no units: the header gets them by hand.
    std::string text;
    {
        std::ifstream in(path, std::ios::binary);
        text.assign(std::istreambuf_iterator<char>(in), {});
    }
    const std::size_t blank = text.find("\n\n");
    ASSERT_NE(blank, std::string::npos);
    text.insert(blank + 1, "sample units: mm/s\n");
    std::ofstream(path, std::ios::binary) << text;
    ExpectFineOf(path, {}, "mm/s");
}

// A CT series of unsigned samples with intercept -1024: HU, and the readout
// of every voxel is the file's value after rescale.
TEST_F(FineStoreFiles, ACtSeriesReadsInHounsfieldUnits) {
    const Volume v = Scan(8, 6, 4, PixelType::U16, 0.0, 1.0);
    const std::string folder = dir_.File("ct");
    const std::vector<std::string> names = {"s0.dcm", "s1.dcm", "s2.dcm", "s3.dcm"};
    WriteDicomSeries(v, folder, names, "1.2.826.0.1.3680043.2.1125.1.9", 1);
    for (const std::string& name : names) {
        SetDicomTexts(folder + "/" + name,
                      {{gdcm::Tag(0x0028, 0x1052), "-1024"}, {gdcm::Tag(0x0028, 0x1053), "1"}});
    }
    ExpectFineOf(folder, {}, "HU");
    const std::shared_ptr<VolumeStore> store = Open(folder);
    ASSERT_TRUE(store);
    ASSERT_LE(store->mapping.hi - store->mapping.lo, 32767.0);
    EXPECT_TRUE(store->mapping.integers);
    std::size_t n = 0, wrong = 0;
    for (int k = 1; k <= v.nz; ++k)
        for (int j = 1; j <= v.ny; ++j)
            for (int i = 1; i <= v.nx; ++i) {
                const std::string readout = VoxelReadout(*store, {i, j, k});
                const std::string value = readout.substr(readout.rfind("   ") + 3);
                wrong += value != std::to_string(int(v.values[n++]) - 1024) + " HU";
            }
    EXPECT_EQ(wrong, 0u);
}

// A PET series names its unit in (0054,1001).
TEST_F(FineStoreFiles, APetSeriesNamesItsUnitsElement) {
    const Volume v = Scan(5, 5, 3, PixelType::U16, 0.0, 1.0);
    const std::string folder = dir_.File("pet");
    const std::vector<std::string> names = {"p0.dcm", "p1.dcm", "p2.dcm"};
    WriteDicomSeries(v, folder, names, "1.2.826.0.1.3680043.2.1125.1.10", 1);
    for (const std::string& name : names) {
        SetDicomTexts(folder + "/" + name, {{gdcm::Tag(0x0008, 0x0060), "PT"},
                                            {gdcm::Tag(0x0054, 0x1001), "BQML"},
                                            {gdcm::Tag(0x0028, 0x1053), "0.25"}});
    }
    ExpectFineOf(folder, {}, "BQML");
    const std::shared_ptr<VolumeStore> store = Open(folder);
    ASSERT_TRUE(store);
    // A fractional slope: the values are no whole numbers.
    EXPECT_FALSE(store->mapping.integers);
}

// Unequal spacings resample the fine store with the store: the same counts,
// and a constant volume stays constant inside.
TEST_F(FineStoreFiles, AResampledFileKeepsTheStoresCountsAndConstantsStayConstant) {
    Volume v = Scan(10, 10, 5, PixelType::I16, -500.0, 1.0);
    v.spacing[2] = 2.0;
    const std::string path = dir_.File("thick.nrrd");
    WriteWithToolkit(v, path);
    const std::shared_ptr<VolumeStore> store = Open(path);
    ASSERT_TRUE(store);
    EXPECT_EQ(store->dims.z, 10);
    EXPECT_EQ(store->fineRowLength, std::size_t(store->allocated.z) + 1);

    std::fill(v.values.begin(), v.values.end(), 1000.0);
    WriteWithToolkit(v, path);
    formats::OpenOptions o;
    o.window = true;
    o.windowLow = 0.0;
    o.windowHigh = 2000.0;
    const std::shared_ptr<VolumeStore> flat = Open(path, o);
    ASSERT_TRUE(flat);
    std::size_t other = 0;
    for (int i = 1; i <= flat->dims.x; ++i)
        for (int j = 1; j <= flat->dims.y; ++j)
            for (int k = 1; k <= flat->dims.z; ++k) other += flat->FineRow(i, j)[k] != 32767;
    EXPECT_EQ(other, 0u);
}

}  // namespace
}  // namespace calyra::test
