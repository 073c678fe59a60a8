#include "tests/formats/fixture_writers.h"

#include <gdcmUIDGenerator.h>
#include <itkGDCMImageIO.h>
#include <itkImage.h>
#include <itkImageFileWriter.h>
#include <itkImportImageFilter.h>
#include <itkMetaDataObject.h>
#include <itkMetaImageIO.h>
#include <itkNrrdImageIO.h>
#include <itkTIFFImageIO.h>
#include <nifti2_io.h>
#include <zlib.h>

#include <filesystem>
#include <fstream>
#include <stdexcept>

#include "formats/sample_types.h"

namespace calyra::test {
namespace {

template <class T, unsigned D>
typename itk::Image<T, D>::Pointer MakeImage(const Volume& v, int firstSlice, int slices,
                                             double z0 = 0.0) {
    using Image = itk::Image<T, D>;
    auto image = Image::New();
    typename Image::SizeType size;
    typename Image::SpacingType spacing;
    typename Image::PointType origin;
    const int extent[3] = {v.nx, v.ny, slices};
    for (unsigned a = 0; a < D; ++a) {
        size[a] = extent[a];
        spacing[a] = v.spacing[a];
        origin[a] = 0.0;
    }
    if (D == 3) origin[D - 1] = z0;
    image->SetRegions(typename Image::RegionType(size));
    image->SetSpacing(spacing);
    image->SetOrigin(origin);
    image->Allocate();
    T* out = image->GetBufferPointer();
    const std::size_t offset = std::size_t(firstSlice) * v.nx * v.ny;
    const std::size_t count = std::size_t(slices) * v.nx * v.ny;
    for (std::size_t n = 0; n < count; ++n) out[n] = static_cast<T>(v.values[offset + n]);
    return image;
}

template <class T>
void WriteTyped(const Volume& v, const std::string& path, itk::ImageIOBase* io) {
    using Writer = itk::ImageFileWriter<itk::Image<T, 3>>;
    auto writer = Writer::New();
    writer->SetImageIO(io);
    writer->SetFileName(path);
    writer->SetInput(MakeImage<T, 3>(v, 0, v.nz));
    // Names ending in _z.ext are written compressed.
    writer->SetUseCompression(path.find("_z.") != std::string::npos);
    writer->Update();
}

using formats::SampleType;

// What each pixel type is written as: the readers' sample type (for its C++
// type) and the NIfTI data type.
struct PixelCodes {
    PixelType pixel;
    SampleType sample;
    int nifti;
};
constexpr PixelCodes kPixelCodes[] = {
    {PixelType::U8, SampleType::U8, DT_UINT8},    {PixelType::I8, SampleType::I8, DT_INT8},
    {PixelType::U16, SampleType::U16, DT_UINT16}, {PixelType::I16, SampleType::I16, DT_INT16},
    {PixelType::I32, SampleType::I32, DT_INT32},  {PixelType::F32, SampleType::F32, DT_FLOAT32},
    {PixelType::F64, SampleType::F64, DT_FLOAT64}};

const PixelCodes& CodesOf(PixelType t) {
    for (const PixelCodes& codes : kPixelCodes) {
        if (codes.pixel == t) return codes;
    }
    throw std::logic_error("no codes for pixel type " + std::to_string(int(t)));
}

template <class F>
void Dispatch(PixelType t, F&& f) {
    formats::DispatchType(CodesOf(t).sample, f);
}

bool EndsWith(const std::string& s, const std::string& suffix) {
    return s.size() >= suffix.size() &&
           s.compare(s.size() - suffix.size(), suffix.size(), suffix) == 0;
}

}  // namespace

void WriteWithToolkit(const Volume& v, const std::string& path) {
    itk::ImageIOBase::Pointer io;
    if (EndsWith(path, ".nrrd") || EndsWith(path, ".nhdr")) {
        io = itk::NrrdImageIO::New();
    } else if (EndsWith(path, ".mha") || EndsWith(path, ".mhd")) {
        io = itk::MetaImageIO::New();
    } else if (EndsWith(path, ".tif")) {
        io = itk::TIFFImageIO::New();
    } else {
        throw std::runtime_error("no writer for " + path);
    }
    Dispatch(v.type, [&](auto zero) { WriteTyped<decltype(zero)>(v, path, io.GetPointer()); });
}

void WriteNifti(const Volume& v, const std::string& path, int version, double slope,
                double intercept, int volumes) {
    const int64_t dims[8] = {volumes > 1 ? 4 : 3, v.nx, v.ny, v.nz, volumes, 1, 1, 1};
    nifti_image* nim = nifti_make_new_nim(dims, CodesOf(v.type).nifti, 1);
    nim->pixdim[1] = nim->dx = v.spacing[0];
    nim->pixdim[2] = nim->dy = v.spacing[1];
    nim->pixdim[3] = nim->dz = v.spacing[2];
    nim->scl_slope = slope;
    nim->scl_inter = intercept;
    const bool pair = EndsWith(path, ".hdr");
    nim->nifti_type = version == 2 ? (pair ? NIFTI_FTYPE_NIFTI2_2 : NIFTI_FTYPE_NIFTI2_1)
                                   : (pair ? NIFTI_FTYPE_NIFTI1_2 : NIFTI_FTYPE_NIFTI1_1);
    // Data start after the header (and the four extension bytes) of a single file.
    nim->iname_offset = pair ? 0 : (version == 2 ? 544 : 352);
    std::free(nim->fname);
    std::free(nim->iname);
    nim->fname = strdup(path.c_str());
    nim->iname = strdup(pair ? (path.substr(0, path.size() - 4) + ".img").c_str() : path.c_str());
    Dispatch(v.type, [&](auto zero) {
        using T = decltype(zero);
        T* out = static_cast<T*>(nim->data);
        for (std::size_t n = 0; n < std::size_t(nim->nvox); ++n)
            out[n] = static_cast<T>(v.values[n % v.values.size()]);
    });
    if (version == 2 && !pair) {
        // The library converts the header; header, extension flag and data go
        // out as one stream, compressed for .gz.
        nifti_2_header hdr;
        nifti_convert_nim2n2hdr(nim, &hdr);
        hdr.vox_offset = 544;
        gzFile out = gzopen(path.c_str(), EndsWith(path, ".gz") ? "wb" : "wbT");
        const char extension[4] = {0, 0, 0, 0};
        gzwrite(out, &hdr, sizeof hdr);
        gzwrite(out, extension, 4);
        gzwrite(out, nim->data, unsigned(nim->nvox * nim->nbyper));
        gzclose(out);
    } else {
        nifti_image_write(nim);
    }
    nifti_image_free(nim);
}

void WriteDicomSeries(const Volume& v, const std::string& folder,
                      const std::vector<std::string>& names, const std::string& seriesUid,
                      int seriesNumber) {
    std::filesystem::create_directories(folder);
    gdcm::UIDGenerator uids;
    const std::string study = uids.Generate();
    for (int k = 0; k < v.nz; ++k) {
        Dispatch(v.type, [&](auto zero) {
            using T = decltype(zero);
            auto image = MakeImage<T, 3>(v, k, 1, k * v.spacing[2]);
            auto io = itk::GDCMImageIO::New();
            io->KeepOriginalUIDOn();
            auto& dict = image->GetMetaDataDictionary();
            const auto set = [&dict](const char* tag, const std::string& value) {
                itk::EncapsulateMetaData<std::string>(dict, tag, value);
            };
            set("0008|0060", "CT");
            set("0020|000d", study);
            set("0020|000e", seriesUid);
            set("0008|0018", uids.Generate());
            set("0020|0011", std::to_string(seriesNumber));
            set("0020|0013", std::to_string(k + 1));
            set("0020|0037", "1\\0\\0\\0\\1\\0");
            set("0028|0030", std::to_string(v.spacing[1]) + "\\" + std::to_string(v.spacing[0]));
            auto writer = itk::ImageFileWriter<itk::Image<T, 3>>::New();
            writer->SetImageIO(io);
            writer->SetFileName(folder + "/" + names[std::size_t(k)]);
            writer->SetInput(image);
            writer->Update();
        });
    }
}

namespace {

// Elements in tag order into one byte string, in the file's encoding.
class DicomBytes {
  public:
    DicomBytes(bool big, bool implicit) : big_(big), implicit_(implicit) {}
    void Number(std::uint64_t v, int bytes) {
        for (int b = 0; b < bytes; ++b) {
            const int shift = 8 * (big_ ? bytes - 1 - b : b);
            out_ += char((v >> shift) & 0xff);
        }
    }
    void Element(std::uint16_t group, std::uint16_t element, const char* vr,
                 const std::string& value) {
        Number(group, 2);
        Number(element, 2);
        const bool longLength = vr[0] == 'O' || std::string(vr) == "UN";
        if (implicit_) {
            Number(value.size(), 4);
        } else {
            out_ += vr;
            if (longLength) {
                Number(0, 2);
                Number(value.size(), 4);
            } else {
                Number(value.size(), 2);
            }
        }
        out_ += value;
    }
    void Text(std::uint16_t group, std::uint16_t element, const char* vr, std::string value) {
        if (value.size() % 2) value += std::string(vr) == "UI" ? '\0' : ' ';
        Element(group, element, vr, value);
    }
    void Short(std::uint16_t group, std::uint16_t element, std::uint16_t v) {
        DicomBytes b(big_, implicit_);
        b.Number(v, 2);
        Element(group, element, "US", b.out_);
    }
    std::string& Bytes() { return out_; }

  private:
    bool big_, implicit_;
    std::string out_;
};

}  // namespace

void WriteHandDicom(const HandDicom& d, const std::string& path) {
    const bool big = d.syntax == DicomSyntax::ExplicitBig;
    const char* syntax = d.syntax == DicomSyntax::ImplicitLittle ? "1.2.840.10008.1.2"
                         : big                                   ? "1.2.840.10008.1.2.2"
                                                                 : "1.2.840.10008.1.2.1";
    const char* sopClass = "1.2.840.10008.5.1.4.1.1.481.2";
    DicomBytes meta(false, false);
    meta.Element(0x0002, 0x0001, "OB", std::string("\0\1", 2));
    meta.Text(0x0002, 0x0002, "UI", sopClass);
    meta.Text(0x0002, 0x0003, "UI", "1.2.826.0.1.3680043.2.1125.77.1");
    meta.Text(0x0002, 0x0010, "UI", syntax);
    DicomBytes group(false, false);
    group.Number(0x0002, 2);
    group.Number(0x0000, 2);
    group.Bytes() += "UL";
    group.Number(4, 2);
    group.Number(meta.Bytes().size(), 4);

    DicomBytes set(big, d.syntax == DicomSyntax::ImplicitLittle);
    set.Text(0x0008, 0x0016, "UI", sopClass);
    set.Text(0x0008, 0x0018, "UI", "1.2.826.0.1.3680043.2.1125.77.1");
    set.Text(0x0008, 0x0060, "CS", "RTDOSE");
    set.Text(0x0020, 0x000d, "UI", "1.2.826.0.1.3680043.2.1125.77.2");
    set.Text(0x0020, 0x000e, "UI", "1.2.826.0.1.3680043.2.1125.77.3");
    set.Text(0x0020, 0x0013, "IS", "1");
    set.Text(0x0020, 0x0032, "DS", "0\\0\\0");
    set.Text(0x0020, 0x0037, "DS", "1\\0\\0\\0\\1\\0");
    set.Short(0x0028, 0x0002, 1);
    set.Text(0x0028, 0x0004, "CS", "MONOCHROME2");
    if (!d.pointerWithoutFrames) set.Text(0x0028, 0x0008, "IS", std::to_string(d.frames));
    if (d.pointerWithoutFrames) {
        DicomBytes at(big, false);
        at.Number(0x3004, 2);
        at.Number(0x000c, 2);
        set.Element(0x0028, 0x0009, "AT", at.Bytes());
    }
    set.Short(0x0028, 0x0010, std::uint16_t(d.rows));
    set.Short(0x0028, 0x0011, std::uint16_t(d.columns));
    set.Short(0x0028, 0x0100, std::uint16_t(d.bitsAllocated));
    set.Short(0x0028, 0x0101, std::uint16_t(d.bitsAllocated));
    set.Short(0x0028, 0x0102, std::uint16_t(d.bitsAllocated - 1));
    set.Short(0x0028, 0x0103, d.isSigned ? 1 : 0);
    // Each sample whole in the file's byte order.
    DicomBytes pixels(big, false);
    for (const std::int64_t v : d.samples) pixels.Number(std::uint64_t(v), d.bitsAllocated / 8);
    if (pixels.Bytes().size() % 2) pixels.Bytes() += '\0';
    set.Element(0x7fe0, 0x0010, d.bitsAllocated == 8 ? "OB" : "OW", pixels.Bytes());

    std::ofstream out(path, std::ios::binary);
    out << std::string(128, '\0') << "DICM" << group.Bytes() << meta.Bytes() << set.Bytes();
}

}  // namespace calyra::test
