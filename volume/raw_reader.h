// Raw volume files: the ".inf" side file, the parameter checks and the reader
// for binary (one, two or more bytes per voxel) and ASCII data files.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

namespace calyra {

struct VolumeStore;

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
    std::int32_t headerBytes = 0;  // skipped before the first voxel; binary files only
};

// How a data file's voxels are written: bytes, or numbers as text.
enum class RawFormat { Binary, Ascii };

inline constexpr const char* kRefusalMessage =
    "Sorry, please look over the parameters again\n \t\t\t\t\t\t\t\t\t\t something is out of "
    "range!";

// Reads the side file dataPath + ".inf" with six formatted reads and an
// optional seventh (header bytes). Returns 0 when its word is exactly
// "ascii", else 1; 1 with a "Could not read file" message when it cannot be
// opened (the fields keep their values then).
int ReadInfFile(const std::string& dataPath, ImportParams& params, ImportOptions& options);
// The format ReadInfFile's answer names.
constexpr RawFormat SideFileFormat(int fileType) {
    return fileType == 0 ? RawFormat::Ascii : RawFormat::Binary;
}

// The size limit: dims x aspects <= 27,000,000, no negative dim or aspect.
int CheckImportParameters(const ImportParams& params);

// Which test an import fails, with its numbers ("bytes per voxel 3: binary
// files take 1 or 2"); empty when it is accepted. Beside CheckImportParameters
// the reader refuses a binary import with dimX or dimY below 1 or other than
// 1 or 2 bytes per voxel, negative header bytes, and any shape whose store
// would pass the store bound (2 GiB unless lowered).
std::string ImportRefusalReason(const ImportParams& params, const ImportOptions& options,
                                RawFormat format);
bool ImportParametersAccepted(const ImportParams& params, const ImportOptions& options,
                              RawFormat format);
// The refusal message: the fixed text, then the reason on a line of its own.
std::string RefusalMessage(const std::string& reason);

// Start values of the import fields from the data file's size: n, n, n with
// one byte per voxel for n^3 bytes, two bytes for 2 n^3, else 0, 0, 0 and one
// byte; reverse byte order off, no header bytes.
void ImportStartValues(const std::string& path, ImportParams& params, ImportOptions& options);

// Reads the data file at path into v, which must already be allocated for
// the dims (AllocateVolume), in the format the side file or the dialog names.
// A binary file shorter than the shape loads what it holds and says so; a
// longer one gets a note.
void ReadRawVolume(VolumeStore& v, const std::string& path, RawFormat format,
                   const ImportParams& params, const ImportOptions& options);

// Opens the data file first, and only then makes a store for the dims (after
// previous, NewStoreAfter) and reads the file into it. Null, with the message
// reported, when the file cannot be opened or the store not allocated: the
// caller's volume stays as it was. The parameters must have been accepted.
std::shared_ptr<VolumeStore> LoadRawVolume(const std::string& path, RawFormat format,
                                           const ImportParams& params, const ImportOptions& options,
                                           const VolumeStore& previous);

}  // namespace calyra
