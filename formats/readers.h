// One reader per file format. Each reads and checks the header, passes the
// promise through ReserveSamples (or CheckSamples) before any data is read,
// and throws FormatError with the reason when the file cannot be used.
#pragma once

#include <string>

#include "formats/source_volume.h"

namespace calyra::formats {

SourceVolume ReadNrrd(const std::string& path, bool resample);
SourceVolume ReadMetaImage(const std::string& path, bool resample);
SourceVolume ReadNifti(const std::string& path, bool resample);
SourceVolume ReadTiff(const std::string& path, bool resample);
// path: one file of a series (its series in its folder) or a folder (its largest series).
SourceVolume ReadDicom(const std::string& path, bool resample);

}  // namespace calyra::formats
