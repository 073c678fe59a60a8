// What every format reader hands on: the file's samples in storage order (x
// fastest), their type, spacing and rescale, checked against the store bound.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <functional>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "volume/volume_store.h"

namespace calyra::formats {

// Why a file cannot be opened, in words for the user.
class FormatError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// The reason given when a library throws something of its own.
inline constexpr const char* kLibraryGaveUp = "the library reading it gave up on it";

enum class SampleType { U8, I8, U16, I16, U32, I32, U64, I64, F32, F64 };

std::size_t SampleBytes(SampleType type);

// A linear rescale applied in double to the stored values: v x slope + intercept.
struct Rescale {
    double slope = 1.0;
    double intercept = 0.0;
};

struct FreeDeleter {
    void operator()(void* p) const { std::free(p); }
};
using SampleBuffer = std::unique_ptr<std::uint8_t[], FreeDeleter>;

struct SourceVolume {
    std::int64_t dims[3] = {1, 1, 1};
    double spacing[3] = {1.0, 1.0, 1.0};  // file units per voxel, > 0
    // Volumes the file holds one after another (a 4-D file); only the first is stored.
    std::int64_t volumes = 1;
    SampleType type = SampleType::U8;
    // Samples hold only 0 and 1 (1-bit data): they map to 0 and 255.
    bool binary = false;
    SampleBuffer data;  // dims[0] x dims[1] x dims[2] samples, x fastest
    // Empty: values as stored. One entry: for every slice. dims[2] entries: per slice.
    std::vector<Rescale> rescale;
    std::vector<std::string> notes;  // told to the user after a successful load
    std::string unit;                // of the (rescaled) values, "" when the file names none

    std::uint64_t Count() const { return std::uint64_t(dims[0]) * dims[1] * dims[2]; }
    std::uint64_t SliceCount() const { return std::uint64_t(dims[0]) * dims[1]; }
};

// Deflate expands at most about 1032 to 1: a compressed stream of n bytes
// cannot hold more than this many times n.
inline constexpr std::uint64_t kMaxDeflateRatio = 1032;

// The gate every reader passes after its header and before reading data:
// checks the dims (each 1..2^31-1, products without overflow), replaces
// unusable spacings by 1, refuses a store past the bound (after resampling
// when resample is set) and a promise of more bytes than `available` (times
// kMaxDeflateRatio when compressed), then allocates the samples.
void ReserveSamples(SourceVolume& volume, bool resample, std::uint64_t available, bool compressed);
// The same checks without the allocation; returns the bytes the samples need.
std::uint64_t CheckSamples(SourceVolume& volume, bool resample, std::uint64_t available,
                           bool compressed);

// Bytes the samples of all volumes need; throws when the dims overflow.
std::uint64_t PromisedBytes(const std::int64_t dims[3], std::int64_t volumes, SampleType type);

// Store dims for the volume: the file's, or resampled to cubic voxels of
// the smallest spacing, max(1, round(dim x spacing / smallest)) per axis.
// Throws when an axis passes 32 bits.
Int3 StoreDimsFor(const SourceVolume& volume, bool resample);

// An axis past the third of n samples: n times as many volumes, one after
// another. Throws for sizes below 1 or beyond any real file.
void AddVolumeAxis(SourceVolume& volume, std::int64_t n);
// After the axes: tells the user when only the first of several volumes is stored.
void NoteFirstVolume(SourceVolume& volume);

// Inflates the zlib or gzip stream that starts at offset in path, counting
// bytes without keeping them, and throws unless it holds exactly `promised`
// bytes and ends with a matching check value: a stream that stops short is
// truncated, one that goes on past the promise is refused before it can
// expand any further.
void CheckCompressedLength(const std::string& path, std::uint64_t offset, std::uint64_t promised);

// Where data attached to a text header start: the bytes up to the end of
// the first line (its newline included) that isLast takes for the header's
// last. None when no line within the first 16 MiB is.
std::optional<std::uint64_t> HeaderEnd(const std::string& path,
                                       const std::function<bool(const std::string&)>& isLast);

// Size of a regular file; throws (naming what it is) for anything else.
std::uint64_t RegularFileBytes(const std::string& path, const char* what);

}  // namespace calyra::formats
