// Test volumes written by the imaging libraries' own writers.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace calyra::test {

enum class PixelType { U8, I8, U16, I16, I32, F32, F64 };

// Samples in file order, x fastest, held as double and written at `type`.
struct Volume {
    int nx = 1, ny = 1, nz = 1;
    double spacing[3] = {1, 1, 1};
    PixelType type = PixelType::U8;
    std::vector<double> values;
    double At(int i, int j, int k) const { return values[(std::size_t(k) * ny + j) * nx + i]; }
};

// NRRD (.nrrd; .nhdr writes detached data), MetaImage (.mha, .mhd) and
// multi-page TIFF (.tif) through the imaging toolkit's writers; a name that
// ends in _z.nrrd or _z.mha is written compressed.
void WriteWithToolkit(const Volume& v, const std::string& path);

// NIfTI through nifti_clib: .nii, .nii.gz, .hdr (with .img); version 1 or 2.
// Non-zero slope stores the values unscaled with scl_slope / scl_inter set.
void WriteNifti(const Volume& v, const std::string& path, int version, double slope = 0.0,
                double intercept = 0.0, int volumes = 1);

// One DICOM file per slice into folder, named in the given order of slice
// indices (names[k] is the file of slice k), with positions k x spacing[2]
// along z and the given series UID and number.
void WriteDicomSeries(const Volume& v, const std::string& folder,
                      const std::vector<std::string>& names, const std::string& seriesUid,
                      int seriesNumber);

// A DICOM file written byte by byte, without any library: one image of
// `frames` frames of integer samples, in one of the uncompressed syntaxes.
enum class DicomSyntax { ImplicitLittle, ExplicitLittle, ExplicitBig };
struct HandDicom {
    int columns = 1, rows = 1, frames = 1;
    int bitsAllocated = 16;  // 8, 16 or 32
    bool isSigned = false;
    DicomSyntax syntax = DicomSyntax::ExplicitLittle;
    // No NumberOfFrames, but a FrameIncrementPointer, as some single-frame
    // dose files have.
    bool pointerWithoutFrames = false;
    std::vector<std::int64_t> samples;  // frame after frame, x fastest
};
void WriteHandDicom(const HandDicom& d, const std::string& path);

}  // namespace calyra::test
