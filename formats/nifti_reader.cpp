// NIfTI-1 and NIfTI-2 (.nii, .nii.gz, .hdr/.img) through nifti_clib.
#include <nifti2_io.h>
#include <zlib.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "formats/readers.h"
#include "formats/sample_types.h"

namespace calyra::formats {
namespace {

struct ImageDeleter {
    void operator()(nifti_image* nim) const { nifti_image_free(nim); }
};

// The data types of one number per voxel.
constexpr SampleTypeCode<int> kDataTypes[] = {
    {DT_UINT8, SampleType::U8},   {DT_INT8, SampleType::I8},    {DT_UINT16, SampleType::U16},
    {DT_INT16, SampleType::I16},  {DT_UINT32, SampleType::U32}, {DT_INT32, SampleType::I32},
    {DT_UINT64, SampleType::U64}, {DT_INT64, SampleType::I64},  {DT_FLOAT32, SampleType::F32},
    {DT_FLOAT64, SampleType::F64}};

SampleType TypeOf(int datatype) {
    if (const std::optional<SampleType> type = FindSampleType(kDataTypes, datatype)) return *type;
    switch (datatype) {
        case DT_RGB24:
        case DT_RGBA32:
            throw FormatError("it holds colour values");
        case DT_COMPLEX64:
        case DT_COMPLEX128:
        case DT_COMPLEX256:
            throw FormatError("it holds complex values, two components per voxel");
        default:
            throw FormatError("its data type " + std::to_string(datatype) + " is not supported");
    }
}

// Reads the first volume's samples from offset on; a compressed stream that
// goes on past all the data the header promises is refused.
void ReadImageData(const char* file, std::uint64_t offset, SourceVolume& v, bool checkEnd) {
    struct GzCloser {
        void operator()(gzFile_s* f) const { gzclose(f); }
    };
    std::unique_ptr<gzFile_s, GzCloser> gz(gzopen(file, "rb"));
    if (!gz) throw FormatError("its image file cannot be opened");
    gzbuffer(gz.get(), 1 << 20);
    const auto fail = [] {
        return FormatError("its image data are shorter than the header promises");
    };
    if (gzseek(gz.get(), static_cast<z_off_t>(offset), SEEK_SET) < 0) throw fail();
    std::uint64_t left = v.Count() * SampleBytes(v.type);
    std::uint8_t* out = v.data.get();
    while (left > 0) {
        const unsigned chunk = static_cast<unsigned>(std::min<std::uint64_t>(left, 1u << 30));
        if (gzread(gz.get(), out, chunk) != static_cast<int>(chunk)) throw fail();
        out += chunk;
        left -= chunk;
    }
    char extra;
    if (checkEnd && gzread(gz.get(), &extra, 1) > 0) {
        throw FormatError("its compressed data go on past the size the header promises");
    }
}

// The library takes the header's count of dimensions on trust: for a count
// outside 1..7 it walks the dims past the end of their array (a NIfTI-2
// header with a count of 2,490,371 crashes it). The count is checked first,
// in the header file the library will read.
void CheckDimensionCount(const std::string& path) {
    struct Free {
        void operator()(char* p) const { std::free(p); }
    };
    const std::unique_ptr<char, Free> name(nifti_findhdrname(path.c_str()));
    if (!name) throw FormatError("it is not a readable NIfTI or Analyze header");
    // Up to dim[0] of either version: byte 42 of a NIfTI-1 header.
    unsigned char h[42];
    gzFile gz = gzopen(name.get(), "rb");
    if (!gz) throw FormatError("its header cannot be read");
    const int got = gzread(gz, h, sizeof h);
    gzclose(gz);
    if (got < int(sizeof h)) return;  // the library refuses a header this short
    std::uint32_t size = 0;
    std::memcpy(&size, h, 4);
    const bool swapped = size == __builtin_bswap32(348) || size == __builtin_bswap32(540);
    if (swapped) size = __builtin_bswap32(size);
    std::int64_t count = 0;
    if (size == 348) {
        // NIfTI-1 and Analyze: dim[0] is the 16-bit number at byte 40.
        std::uint16_t v = 0;
        std::memcpy(&v, h + 40, 2);
        count = static_cast<std::int16_t>(swapped ? __builtin_bswap16(v) : v);
    } else if (size == 540) {
        // NIfTI-2: dim[0] is the 64-bit number at byte 16.
        std::uint64_t v = 0;
        std::memcpy(&v, h + 16, 8);
        count = static_cast<std::int64_t>(swapped ? __builtin_bswap64(v) : v);
    } else {
        return;  // not a header size the library takes
    }
    if (count < 1 || count > 7) {
        throw FormatError("its header gives " + std::to_string(count) +
                          " dimensions; NIfTI has 1 to 7");
    }
}

}  // namespace

SourceVolume ReadNifti(const std::string& path, bool resample) {
    nifti_set_debug_level(0);
    CheckDimensionCount(path);
    std::unique_ptr<nifti_image, ImageDeleter> nim(nifti_image_read(path.c_str(), 0));
    if (!nim) throw FormatError("it is not a readable NIfTI or Analyze header");
    SourceVolume v;
    v.type = TypeOf(nim->datatype);
    if (nim->nbyper != static_cast<int>(SampleBytes(v.type))) {
        throw FormatError("its bytes per voxel do not match its data type");
    }
    const std::int64_t* dim = nim->dim;
    const int ndim = static_cast<int>(std::min<std::int64_t>(std::max<std::int64_t>(dim[0], 0), 7));
    const auto extent = [&](int a) { return a <= ndim ? dim[a] : std::int64_t{1}; };
    if (extent(5) > 1) {
        throw FormatError("it holds " + std::to_string(extent(5)) +
                          " components per voxel, not one value");
    }
    for (int a = 0; a < 3; ++a) v.dims[a] = extent(a + 1);
    for (int a : {4, 6, 7}) {
        const std::int64_t n = extent(a);
        AddVolumeAxis(v, n);
    }
    NoteFirstVolume(v);
    v.spacing[0] = nim->dx;
    v.spacing[1] = nim->dy;
    v.spacing[2] = nim->dz;
    // A slope of 0 or NaN, or slope 1 with intercept 0, means no scaling.
    const double slope = nim->scl_slope;
    const double inter = nim->scl_inter;
    if (slope != 0.0 && !std::isnan(slope) && !(slope == 1.0 && inter == 0.0)) {
        v.rescale.push_back({slope, inter});
    }

    if (!nim->iname) throw FormatError("its image file is missing");
    const std::uint64_t fileBytes = RegularFileBytes(nim->iname, "the image file");
    const auto offset = static_cast<std::uint64_t>(std::max<std::int64_t>(nim->iname_offset, 0));
    const bool compressed = nifti_is_gzfile(nim->iname) != 0;
    const std::uint64_t available =
        compressed ? fileBytes : (fileBytes > offset ? fileBytes - offset : 0);
    ReserveSamples(v, resample, available, compressed);
    ReadImageData(nim->iname, offset, v, compressed && v.volumes == 1);
    if (nim->byteorder != nifti_short_order()) {
        nifti_swap_Nbytes(std::int64_t(v.Count()), nim->nbyper, v.data.get());
    }
    return v;
}

}  // namespace calyra::formats
