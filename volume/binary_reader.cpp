#include "volume/binary_reader.h"

#include <sys/stat.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <limits>
#include <memory>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "base/worker_pool.h"
#include "volume/volume_store.h"

namespace calyra {
namespace {

// The file is read in runs of whole slices of about this many bytes.
constexpr std::size_t kChunkBytes = std::size_t{8} << 20;

// Moves a stream that was just opened to byte offset: a seek where the file
// allows it, else by reading past the bytes. False at end of file.
bool SkipTo(std::FILE* file, std::uint64_t offset) {
    if (offset == 0) return true;
    if (offset <= static_cast<std::uint64_t>(std::numeric_limits<off_t>::max()) &&
        fseeko(file, static_cast<off_t>(offset), SEEK_SET) == 0) {
        return true;
    }
    std::vector<char> discard(65536);
    while (offset > 0) {
        const std::size_t want =
            static_cast<std::size_t>(std::min<std::uint64_t>(offset, discard.size()));
        const std::size_t got = std::fread(discard.data(), 1, want, file);
        offset -= got;
        if (got < want) return false;
    }
    return true;
}

// Reads the data part of the file a run of whole slices at a time. Bytes past
// the end of the file, and a last voxel the file holds only part of, read as 0.
class SliceRuns {
  public:
    SliceRuns(std::FILE* file, const ImportParams& p, int bytesPerVoxel)
        : file_(file),
          bytesPerVoxel_(static_cast<std::size_t>(bytesPerVoxel)),
          sliceBytes_(std::size_t(p.dimX) * std::size_t(p.dimY) * bytesPerVoxel_),
          slicesLeft_(p.dimZ) {
        std::size_t slices = std::max<std::size_t>(1, kChunkBytes / sliceBytes_);
        // Whole groups of 16 keep the vector transposition busy.
        if (slices > 16) slices -= slices % 16;
        slices = std::min<std::size_t>(slices, static_cast<std::size_t>(std::max(p.dimZ, 1)));
        runSlices_ = slices;
        // Every byte is read or cleared before use.
        buffer_.reset(new std::uint8_t[runSlices_ * sliceBytes_]);
    }

    // Reads the next run; returns how many slices it covers (0 when done).
    std::int32_t Next() {
        if (ended_ || slicesLeft_ <= 0) return 0;
        const std::size_t slices = std::min<std::size_t>(runSlices_, std::size_t(slicesLeft_));
        const std::size_t want = slices * sliceBytes_;
        std::size_t got = std::fread(buffer_.get(), 1, want, file_);
        if (got < want) {
            ended_ = true;
            got -= got % bytesPerVoxel_;
            std::memset(buffer_.get() + got, 0, want - got);
            if (got == 0) return 0;
        }
        const auto covered =
            static_cast<std::int32_t>(ended_ ? (got + sliceBytes_ - 1) / sliceBytes_ : slices);
        firstZ_ = nextZ_;
        nextZ_ += covered;
        slicesLeft_ -= static_cast<std::int32_t>(slices);
        return covered;
    }

    std::uint8_t* Data() { return buffer_.get(); }
    std::int32_t FirstZ() const { return firstZ_; }

  private:
    std::FILE* file_;
    std::size_t bytesPerVoxel_;
    std::size_t sliceBytes_;
    std::int32_t slicesLeft_;
    std::size_t runSlices_ = 1;
    std::unique_ptr<std::uint8_t[]> buffer_;
    std::int32_t firstZ_ = 1;
    std::int32_t nextZ_ = 1;
    bool ended_ = false;
};

// Transposes 16 rows of 16 bytes: out[j][k] = in[k][j]. Each stage pairs
// rows and halves the columns a register holds, until one column is left.
void Transpose16(const std::uint8_t* const in[16], std::uint8_t* const out[16]) {
#if defined(__SSE2__)
    __m128i r[16];
    for (int k = 0; k < 16; ++k) r[k] = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in[k]));
    // Rows 2p, 2p+1; columns 8h..8h+7.
    __m128i s1[8][2];
    for (int p = 0; p < 8; ++p) {
        s1[p][0] = _mm_unpacklo_epi8(r[2 * p], r[2 * p + 1]);
        s1[p][1] = _mm_unpackhi_epi8(r[2 * p], r[2 * p + 1]);
    }
    // Rows 4q..4q+3; columns 4m..4m+3.
    __m128i s2[4][4];
    for (int q = 0; q < 4; ++q) {
        for (int h = 0; h < 2; ++h) {
            s2[q][2 * h] = _mm_unpacklo_epi16(s1[2 * q][h], s1[2 * q + 1][h]);
            s2[q][2 * h + 1] = _mm_unpackhi_epi16(s1[2 * q][h], s1[2 * q + 1][h]);
        }
    }
    // Rows 8o..8o+7; columns 2n, 2n+1.
    __m128i s3[2][8];
    for (int o = 0; o < 2; ++o) {
        for (int m = 0; m < 4; ++m) {
            s3[o][2 * m] = _mm_unpacklo_epi32(s2[2 * o][m], s2[2 * o + 1][m]);
            s3[o][2 * m + 1] = _mm_unpackhi_epi32(s2[2 * o][m], s2[2 * o + 1][m]);
        }
    }
    for (int n = 0; n < 8; ++n) {
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out[2 * n]),
                         _mm_unpacklo_epi64(s3[0][n], s3[1][n]));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out[2 * n + 1]),
                         _mm_unpackhi_epi64(s3[0][n], s3[1][n]));
    }
#else
    for (int j = 0; j < 16; ++j) {
        for (int k = 0; k < 16; ++k) out[j][k] = in[k][j];
    }
#endif
}

// The rows y of WriteSlices; gathered holds 16 rows of the slices.
void WriteRow(VolumeStore& v, const std::uint8_t* slices, const ImportParams& p,
              std::int32_t firstZ, std::int32_t count, std::int32_t y, std::uint8_t* gathered) {
    const std::size_t sliceVoxels = std::size_t(p.dimX) * std::size_t(p.dimY);
    const std::size_t width = std::size_t(p.dimX);
    const std::uint8_t* line = slices + std::size_t(y - 1) * width;
    std::int32_t k = 0;
    for (; k + 15 < count; k += 16) {
        for (int i = 0; i < 16; ++i) {
            std::memcpy(&gathered[i * width], line + std::size_t(k + i) * sliceVoxels, width);
        }
        std::int32_t x = 1;
        for (; x + 15 <= p.dimX; x += 16) {
            const std::uint8_t* in[16];
            std::uint8_t* out[16];
            for (int i = 0; i < 16; ++i) {
                in[i] = &gathered[i * width + std::size_t(x - 1)];
                out[i] = v.voxels[x + i][y] + firstZ + k;
            }
            Transpose16(in, out);
        }
        for (; x <= p.dimX; ++x) {
            std::uint8_t* row = v.voxels[x][y] + firstZ + k;
            for (int i = 0; i < 16; ++i) row[i] = gathered[i * width + std::size_t(x - 1)];
        }
    }
    for (; k < count; ++k) {
        const std::uint8_t* src = line + std::size_t(k) * sliceVoxels;
        for (std::int32_t x = 1; x <= p.dimX; ++x) v.voxels[x][y][firstZ + k] = src[x - 1];
    }
}

// Writes count slices of 8-bit values (x fastest) into the store at z =
// firstZ, firstZ + 1, ...: each store row is touched once per run. Sixteen
// slices' rows at a time are first copied side by side: slices lie a power
// of two apart, and reading them in place would evict each other's lines.
void WriteSlices(VolumeStore& v, const std::uint8_t* slices, const ImportParams& p,
                 std::int32_t firstZ, std::int32_t count) {
    const std::size_t width = std::size_t(p.dimX);
    // Rows of different y go to different store rows: bands of y run on the
    // worker threads, each with its own side-by-side copy.
    constexpr std::int32_t kBand = 16;
    ParallelFor((p.dimY + kBand - 1) / kBand, [&](std::int32_t band) {
        std::vector<std::uint8_t> gathered(16 * width);
        const std::int32_t lastY = std::min(p.dimY, (band + 1) * kBand);
        for (std::int32_t y = band * kBand + 1; y <= lastY; ++y) {
            WriteRow(v, slices, p, firstZ, count, y, gathered.data());
        }
    });
}

// Writes count slices of fine values (x fastest) into the fine store at z =
// firstZ, firstZ + 1, ...; bands of y run on the worker threads.
void WriteFineSlices(VolumeStore& v, const std::uint16_t* slices, const ImportParams& p,
                     std::int32_t firstZ, std::int32_t count) {
    const std::size_t sliceVoxels = std::size_t(p.dimX) * std::size_t(p.dimY);
    ParallelFor(p.dimY, [&](std::int32_t row) {
        const std::int32_t y = row + 1;
        const std::uint16_t* line = slices + std::size_t(row) * std::size_t(p.dimX);
        for (std::int32_t x = 1; x <= p.dimX; ++x) {
            std::uint16_t* fine = v.FineRow(x, y) + firstZ;
            const std::uint16_t* in = line + (x - 1);
            for (std::int32_t k = 0; k < count; ++k) fine[k] = in[std::size_t(k) * sliceVoxels];
        }
    });
}

}  // namespace

std::uint8_t LargestByte(const std::uint8_t* data, std::size_t n) {
    std::size_t i = 0;
    std::uint8_t largest = 0;
#if defined(__SSE2__)
    __m128i most = _mm_setzero_si128();
    for (; i + 16 <= n; i += 16) {
        most = _mm_max_epu8(most, _mm_loadu_si128(reinterpret_cast<const __m128i*>(data + i)));
    }
    alignas(16) std::uint8_t lanes[16];
    _mm_store_si128(reinterpret_cast<__m128i*>(lanes), most);
    for (const std::uint8_t lane : lanes) largest = std::max(largest, lane);
#endif
    for (; i < n; ++i) largest = std::max(largest, data[i]);
    return largest;
}

BinaryReadResult ReadBinaryVoxels(VolumeStore& v, std::FILE* file, const ImportParams& p,
                                  const ImportOptions& options) {
    BinaryReadResult result;
    const auto header = static_cast<std::uint64_t>(std::max(options.headerBytes, 0));
    const auto bytes = static_cast<std::uint64_t>(options.bytesPerVoxel);
    const std::uint64_t sliceVoxels = std::uint64_t(p.dimX) * std::uint64_t(p.dimY);
    result.bytesNeeded = header + sliceVoxels * std::uint64_t(std::max(p.dimZ, 0)) * bytes;
    struct stat info {};
    if (fstat(fileno(file), &info) == 0 && S_ISREG(info.st_mode)) {
        result.sizeKnown = true;
        result.fileBytes = static_cast<std::uint64_t>(info.st_size);
    }
    v.maxValue = 0;
    if (sliceVoxels == 0 || p.dimZ <= 0 || (bytes != 1 && bytes != 2)) return result;
    const std::size_t runVoxels = static_cast<std::size_t>(sliceVoxels);

    if (bytes == 1) {
        if (!SkipTo(file, header)) return result;
        SliceRuns runs(file, p, 1);
        std::uint8_t largest = 0;
        for (std::int32_t count; (count = runs.Next()) > 0;) {
            WriteSlices(v, runs.Data(), p, runs.FirstZ(), count);
            largest = std::max(largest, LargestByte(runs.Data(), runVoxels * std::size_t(count)));
        }
        v.maxValue = largest;
        return result;
    }

    const bool reverse = options.reverseBytes != 0;
    const auto value16 = [reverse](const std::uint8_t* b) {
        return reverse ? std::uint32_t(b[1]) << 8 | b[0] : std::uint32_t(b[0]) << 8 | b[1];
    };
    // First pass: the largest value of the import sets the scale.
    std::uint32_t vmax = 0;
    {
        if (!SkipTo(file, header)) return result;
        SliceRuns runs(file, p, 2);
        for (std::int32_t count; (count = runs.Next()) > 0;) {
            const std::uint8_t* data = runs.Data();
            const std::size_t n = runVoxels * std::size_t(count);
            for (std::size_t i = 0; i < n; ++i) vmax = std::max(vmax, value16(data + 2 * i));
        }
    }
    // The fine values span 0..vmax of the file.
    v.mapping = ValueMapping{0.0, static_cast<double>(vmax), "", true};
    // The second pass needs the data again; a stream that cannot rewind
    // keeps the blank store.
    if (vmax == 0 || fseeko(file, static_cast<off_t>(header), SEEK_SET) != 0) return result;
    std::array<std::uint8_t, 65536> scaled{};
    for (std::uint32_t value = 0; value <= vmax; ++value) {
        scaled[value] = static_cast<std::uint8_t>(value * 255 / vmax);
    }
    // Values above vmax only appear if the file grew between the passes.
    for (std::uint32_t value = vmax + 1; value < scaled.size(); ++value) scaled[value] = 255;
    // The fine values: trunc(v x 65535 / vmax) in 64-bit integers.
    std::vector<std::uint16_t> fineOf(65536, 65535);
    for (std::uint32_t value = 0; value <= vmax; ++value) {
        fineOf[value] = static_cast<std::uint16_t>(std::uint64_t{value} * 65535u / vmax);
    }
    SliceRuns runs(file, p, 2);
    std::uint8_t largest = 0;
    std::vector<std::uint16_t> fine;
    for (std::int32_t count; (count = runs.Next()) > 0;) {
        std::uint8_t* data = runs.Data();
        const std::size_t n = runVoxels * std::size_t(count);
        fine.resize(n);
        for (std::size_t i = 0; i < n; ++i) fine[i] = fineOf[value16(data + 2 * i)];
        WriteFineSlices(v, fine.data(), p, runs.FirstZ(), count);
        // In place: byte i is written after bytes 2i and 2i + 1 were read.
        for (std::size_t i = 0; i < n; ++i) data[i] = scaled[value16(data + 2 * i)];
        WriteSlices(v, data, p, runs.FirstZ(), count);
        largest = std::max(largest, LargestByte(data, n));
    }
    v.maxValue = largest;
    return result;
}

}  // namespace calyra
