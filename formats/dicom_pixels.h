// The pixel data of one DICOM file read into samples: native data straight
// from the file, compressed data decoded by the library from the pixel
// element alone, with the checks that keep the library's assertions away.
#pragma once

#include <gdcmPhotometricInterpretation.h>
#include <gdcmPixelFormat.h>

#include <array>
#include <cstdint>
#include <string>

#include "formats/source_volume.h"

namespace calyra::formats {

// One file of a series, as its header describes it.
struct DicomSlice {
    std::string file;
    long frames = 1;
    long instance = 0;
    double position = 0.0;  // along the normal
    bool placed = false;    // has position and orientation
    std::array<double, 3> normal{};
    gdcm::PixelFormat format;
    gdcm::PhotometricInterpretation::PIType photometric =
        gdcm::PhotometricInterpretation::MONOCHROME2;
    std::string syntax;
};

// Refuses, naming the file, a pixel format the library would assert on.
void CheckPixelFormat(const gdcm::PixelFormat& pf, const std::string& name);

// The sample type of a checked pixel format (1-bit samples unpacked to bytes).
SampleType TypeOf(const gdcm::PixelFormat& pf);

// One file's frames into out (count samples), at the series' type.
void ReadPixels(const DicomSlice& s, bool binary, std::uint8_t* out, std::uint64_t count,
                std::int64_t columns, std::int64_t rows);

}  // namespace calyra::formats
