// Raw volume files: the ".inf" side file, the parameter checks and the reader
// for binary (one, two or more bytes per voxel) and ASCII data files.
#pragma once

#include <cstdint>
#include <string>

namespace calyra {

struct ImportParams {
    std::int32_t dimX = 0;  // "X (width)"
    std::int32_t dimY = 0;  // "Y (height)"
    std::int32_t dimZ = 0;  // "Z (depth)"
    float aspectX = 1.0f;
    float aspectY = 1.0f;
    float aspectZ = 1.0f;
};

struct ImportOptions {
    std::int32_t bytesPerVoxel = 1;
    std::int32_t reverseBytes = 0;
};

// The chosen data file's full path; the side file is volumePath + ".inf".
extern std::string volumePath;

inline constexpr const char* kRefusalMessage =
    "Sorry, please look over the parameters again\n \t\t\t\t\t\t\t\t\t\t something is out of range!";

// Reads the side file volumePath + ".inf" with six formatted reads. Returns 0
// when its word is exactly "ascii", else 1; 1 with a "Could not read file"
// message when it cannot be opened (the fields keep their values then).
int ReadInfFile(ImportParams& params, ImportOptions& options);

// The size limit: dims x aspects <= 27,000,000, no negative dim or aspect.
int CheckImportParameters(const ImportParams& params);

// CheckImportParameters plus the refusals of parameters the reader cannot
// use: a binary import with dimX, dimY or bytesPerVoxel below 1, and any
// shape whose store would pass 2 GiB.
bool ImportParametersAccepted(const ImportParams& params, const ImportOptions& options,
                              bool ascii);

// Start values of the import fields from the data file's size: n, n, n with
// one byte per voxel for n^3 bytes, two bytes for 2 n^3, else 0, 0, 0 and one
// byte; reverse byte order off.
void ImportStartValues(const std::string& path, ImportParams& params, ImportOptions& options);

// Reads volumePath into the store, which must already be allocated for the
// dims (AllocateVolume). format is "ASCII" or "BINARY".
void ReadRawVolume(const char* format, const ImportParams& params, const ImportOptions& options);

// Allocates the store for the dims and reads the file; reports a failed
// allocation. The parameters must have been accepted.
void LoadRawVolume(bool ascii, const ImportParams& params, const ImportOptions& options);

}  // namespace calyra
