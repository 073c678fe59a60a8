#include "formats/source_volume.h"

#include <zlib.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <limits>
#include <memory>
#include <vector>

#ifdef __linux__
#include <sys/mman.h>
#endif

#include "formats/sample_types.h"

namespace calyra::formats {

std::size_t SampleBytes(SampleType type) {
    return DispatchType(type, [](auto zero) { return sizeof zero; });
}

namespace {

constexpr std::int64_t kMaxDim = std::numeric_limits<std::int32_t>::max();

std::string Number(std::uint64_t n) {
    return std::to_string(n);
}

void CheckDims(const std::int64_t dims[3]) {
    for (int a = 0; a < 3; ++a) {
        if (dims[a] < 1 || dims[a] > kMaxDim - 1) {
            throw FormatError("the image size " + std::to_string(dims[0]) + " x " +
                              std::to_string(dims[1]) + " x " + std::to_string(dims[2]) +
                              " is not usable");
        }
    }
}

}  // namespace

std::uint64_t PromisedBytes(const std::int64_t dims[3], std::int64_t volumes, SampleType type) {
    CheckDims(dims);
    if (volumes < 1) throw FormatError("the file holds no volume");
    std::uint64_t bytes = SampleBytes(type);
    for (int a = 0; a < 4; ++a) {
        const auto d = static_cast<std::uint64_t>(a < 3 ? dims[a] : volumes);
        if (bytes > std::numeric_limits<std::uint64_t>::max() / d) {
            throw FormatError("the image size overflows");
        }
        bytes *= d;
    }
    return bytes;
}

Int3 StoreDimsFor(const SourceVolume& v, bool resample) {
    CheckDims(v.dims);
    const bool equal = v.spacing[0] == v.spacing[1] && v.spacing[1] == v.spacing[2];
    if (!resample || equal) {
        return Int3{std::int32_t(v.dims[0]), std::int32_t(v.dims[1]), std::int32_t(v.dims[2])};
    }
    const double smallest = std::min({v.spacing[0], v.spacing[1], v.spacing[2]});
    std::int32_t out[3];
    for (int a = 0; a < 3; ++a) {
        // std::round takes halves away from zero.
        const double n = std::max(1.0, std::round((double(v.dims[a]) * v.spacing[a]) / smallest));
        if (!(n < double(kMaxDim))) {
            throw FormatError("resampled to cubic voxels the volume would be too large");
        }
        out[a] = static_cast<std::int32_t>(n);
    }
    return Int3{out[0], out[1], out[2]};
}

std::uint64_t CheckSamples(SourceVolume& v, bool resample, std::uint64_t available,
                           bool compressed) {
    for (double& s : v.spacing) {
        s = std::fabs(s);
        if (!std::isfinite(s) || s == 0.0) s = 1.0;
    }
    const std::uint64_t promised = PromisedBytes(v.dims, v.volumes, v.type);
    const Int3 d = StoreDimsFor(v, resample);
    const auto checkBound = [&](std::uint64_t bytes, const char* what) {
        if (bytes <= StoreBound()) return;
        throw FormatError("a store of " + std::to_string(d.x) + " x " + std::to_string(d.y) +
                          " x " + std::to_string(d.z) + " voxels needs " + Number(bytes) + what +
                          ", more than the " + StoreBoundText() + " the program holds");
    };
    checkBound(StoreBytes(d.x, d.y, d.z), " bytes");
    // Thin volumes: AllocateVolume refuses tables past the bound too, and by
    // then the current volume would be gone.
    checkBound(StoreTableBytes(d.x, d.y, d.z), " bytes of row pointers");
    // A 4-D file is read whole before its first volume is kept.
    if (promised > 8 * StoreBound()) {
        throw FormatError("the file's " + std::to_string(v.volumes) + " volumes need " +
                          Number(promised) + " bytes, too many to read");
    }
    const std::uint64_t limit =
        compressed && available <= std::numeric_limits<std::uint64_t>::max() / kMaxDeflateRatio
            ? available * kMaxDeflateRatio
            : available;
    if (promised > limit) {
        throw FormatError("the header promises " + Number(promised) + " bytes of data, but " +
                          (compressed ? "the compressed data of " + Number(available) +
                                            " bytes cannot hold that many"
                                      : "the file holds only " + Number(available)));
    }
    return promised;
}

void ReserveSamples(SourceVolume& v, bool resample, std::uint64_t available, bool compressed) {
    const std::uint64_t bytes = CheckSamples(v, resample, available, compressed);
    // Large buffers on 2 MiB boundaries that the kernel may back with huge
    // pages: faulting in ordinary pages costs more than reading the file.
    constexpr std::size_t kHuge = std::size_t{2} << 20;
    if (bytes >= 2 * kHuge) {
        const std::size_t capacity = (bytes + kHuge - 1) / kHuge * kHuge;
        v.data.reset(static_cast<std::uint8_t*>(std::aligned_alloc(kHuge, capacity)));
#ifdef __linux__
        if (v.data) madvise(v.data.get(), capacity, MADV_HUGEPAGE);
#endif
    } else {
        v.data.reset(static_cast<std::uint8_t*>(std::malloc(bytes)));
    }
    if (!v.data) throw std::bad_alloc();
}

void AddVolumeAxis(SourceVolume& v, std::int64_t n) {
    if (n < 1 || v.volumes > (std::int64_t{1} << 40) / n) {
        throw FormatError("its size along axis 4 or later is not usable");
    }
    v.volumes *= n;
}

void NoteFirstVolume(SourceVolume& v) {
    if (v.volumes > 1) {
        v.notes.push_back("The file holds " + std::to_string(v.volumes) +
                          " volumes; the first is shown.");
    }
}

void CheckCompressedLength(const std::string& path, std::uint64_t offset, std::uint64_t promised) {
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(path.c_str(), "rb"),
                                                         &std::fclose);
    if (!file || std::fseek(file.get(), static_cast<long>(offset), SEEK_SET) != 0) {
        throw FormatError("its compressed data cannot be read");
    }
    z_stream z{};
    // 15 + 32: a zlib or a gzip header, told apart by the library.
    if (inflateInit2(&z, 15 + 32) != Z_OK) throw std::bad_alloc();
    std::vector<unsigned char> in(std::size_t{1} << 16), out(std::size_t{1} << 18);
    std::uint64_t total = 0;
    int status = Z_OK;
    while (status != Z_STREAM_END && total <= promised) {
        if (z.avail_in == 0) {
            z.avail_in = static_cast<uInt>(std::fread(in.data(), 1, in.size(), file.get()));
            z.next_in = in.data();
            if (z.avail_in == 0) break;
        }
        z.next_out = out.data();
        z.avail_out = static_cast<uInt>(out.size());
        status = inflate(&z, Z_NO_FLUSH);
        total += out.size() - z.avail_out;
        if (status != Z_OK && status != Z_STREAM_END && status != Z_BUF_ERROR) break;
    }
    inflateEnd(&z);
    if (total > promised) {
        throw FormatError("its compressed data expand past the " + Number(promised) +
                          " bytes the header promises");
    }
    if (total < promised) {
        throw FormatError("its compressed data hold " + Number(total) +
                          " bytes, the header promises " + Number(promised));
    }
    // All the bytes, but no proper end: a check value that does not match,
    // or a stream cut off before it. The libraries fail on these too, some
    // without freeing what they hold.
    if (status != Z_STREAM_END) throw FormatError("its compressed data are damaged or cut short");
}

std::optional<std::uint64_t> HeaderEnd(const std::string& path,
                                       const std::function<bool(const std::string&)>& isLast) {
    constexpr std::uint64_t kLimit = std::uint64_t{1} << 24;
    // A file that did not open reads as empty.
    std::ifstream in(path, std::ios::binary);
    std::string line;
    std::uint64_t offset = 0;  // where the current line starts
    // Byte by byte, so that a file without newlines is not read whole into
    // one line: the scan stops at the limit, inside a line or not.
    while (offset + line.size() < kLimit) {
        const int c = in.rdbuf()->sbumpc();
        if (c == std::char_traits<char>::eof()) {
            // A last line without its newline counts as if it had one.
            if (!line.empty() && isLast(line)) return offset + line.size() + 1;
            return std::nullopt;
        }
        if (c != '\n') {
            line.push_back(static_cast<char>(c));
            continue;
        }
        offset += line.size() + 1;
        if (isLast(line)) return offset;
        line.clear();
    }
    return std::nullopt;
}

std::uint64_t RegularFileBytes(const std::string& path, const char* what) {
    std::error_code ec;
    const auto status = std::filesystem::status(path, ec);
    if (ec || !std::filesystem::exists(status)) {
        throw FormatError(std::string(what) + " " + path + " does not exist");
    }
    if (!std::filesystem::is_regular_file(status)) {
        throw FormatError(std::string(what) + " " + path + " is not a regular file");
    }
    const std::uintmax_t bytes = std::filesystem::file_size(path, ec);
    if (ec) throw FormatError(std::string(what) + " " + path + " cannot be read");
    return bytes;
}

}  // namespace calyra::formats
