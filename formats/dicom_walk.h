// A DICOM file's elements walked without the library: what the library could
// not take (and would abort on), and where the pixel data lie.
#pragma once

#include <cstdint>
#include <string>

namespace calyra::formats {

// "DICM" at byte 128, the mark of a DICOM file.
bool HasDicomMark(const std::string& path);

// The pixel data element of the data set (not one inside a sequence).
struct DicomPixelData {
    bool found = false;
    // 0x0010 integer samples, 0x0008 32-bit float, 0x0009 64-bit float.
    std::uint32_t element = 0;
    // Fragments (compressed data): offset and length are not those of the samples.
    bool encapsulated = false;
    std::uint64_t offset = 0;  // of the value in the file
    std::uint64_t length = 0;
    bool bigEndian = false;
    bool words = false;  // OW: 16-bit words in the file's byte order
};

// Empty when the library can take the file, else the reason in words for
// the user. pixels, when given, receives the pixel data's place.
std::string DicomProblem(const std::string& path, DicomPixelData* pixels = nullptr);

}  // namespace calyra::formats
