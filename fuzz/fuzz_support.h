// Shared pieces of the fuzz targets: a private working directory, a byte
// reader for the leading parameter bytes, and the renders every target runs
// over whatever the readers published.
#pragma once

#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <limits>
#include <string>
#include <vector>

#include "base/messages.h"
#include "base/worker_pool.h"
#include "render/session.h"
#include "volume/raw_reader.h"
#include "volume/volume_store.h"

namespace calyra::fuzz {

// Takes parameter bytes from the front of the input; past its end every byte reads 0.
class ByteReader {
  public:
    ByteReader(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
    std::uint8_t Byte() { return pos_ < size_ ? data_[pos_++] : 0; }
    std::uint16_t Word() {
        const std::uint16_t high = Byte();
        return static_cast<std::uint16_t>(high << 8 | Byte());
    }
    void Skip(std::size_t n) { pos_ += std::min(n, size_ - pos_); }
    const std::uint8_t* Rest() const { return data_ + pos_; }
    std::size_t RestSize() const { return size_ - pos_; }

  private:
    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t pos_ = 0;
};

// Once per process: a private directory to work in (the head loader reads
// from the working directory), a single render thread and a silent sink.
inline void SetUpProcess() {
    static bool done = false;
    if (done) return;
    done = true;
    static const std::filesystem::path dir =
        std::filesystem::temp_directory_path() / ("calyra-fuzz-" + std::to_string(getpid()));
    std::filesystem::create_directories(dir);
    std::filesystem::current_path(dir);
    std::atexit([] {
        std::error_code ec;
        std::filesystem::remove_all(dir, ec);
    });
    SetWorkerThreads(1);
    SetMessageSink([](const Message&) {});
}

// Writes bytes to path; when length is larger than the bytes, they repeat
// (zeros when there are none), so short inputs can fill whole read blocks.
// The file is rewritten in place and cut to length afterwards: truncating a
// file to nothing and writing it again makes ext4 flush it on close, which
// costs more than the rest of an execution.
inline void WriteTiled(const std::string& path, const std::uint8_t* bytes, std::size_t count,
                       std::size_t length) {
    std::FILE* f = std::fopen(path.c_str(), "r+b");
    if (!f) f = std::fopen(path.c_str(), "wb");
    if (!f) std::abort();
    if (length <= count) {
        if (length) std::fwrite(bytes, 1, length, f);
    } else {
        // Whole copies of the bytes, up to 64 KiB: each write keeps the phase.
        // Built by doubling, not copy by copy: inputs of a few bytes would
        // otherwise cost tens of thousands of copies.
        static std::vector<std::uint8_t> pattern;
        const std::size_t unit = count ? count : 1;
        const std::size_t size =
            std::min((std::size_t{65536} + unit - 1) / unit, (length + unit - 1) / unit) * unit;
        pattern.assign(size, 0);
        if (count) {
            std::memcpy(pattern.data(), bytes, count);
            for (std::size_t filled = count; filled < size; filled *= 2)
                std::memcpy(&pattern[filled], pattern.data(), std::min(filled, size - filled));
        }
        for (std::size_t written = 0; written < length;) {
            const std::size_t n = std::min(length - written, pattern.size());
            std::fwrite(pattern.data(), 1, n, f);
            written += n;
        }
    }
    std::fflush(f);
    if (ftruncate(fileno(f), static_cast<off_t>(length)) != 0) std::abort();
    std::fclose(f);
}

inline void WriteBytes(const std::string& path, const std::uint8_t* bytes, std::size_t count) {
    WriteTiled(path, bytes, count, count);
}

// Reader-only targets load stores up to this size: past it a load costs more
// than a thousandth of a second under the sanitizers, and the readers do the same for larger
// shapes.
inline constexpr std::uint64_t kQuickStoreBytes = std::uint64_t{256} << 10;

// After a load that succeeded, the store shows exactly the shape that was asked for.
inline void CheckPublishedShape(const Session& session, const ImportParams& p) {
    const VolumeStore& v = session.volume();
    if (v.dims.x != p.dimX || v.dims.y != p.dimY || v.dims.z != p.dimZ) std::abort();
    if (v.origin.x != 0 || v.origin.y != 0 || v.origin.z != 0) std::abort();
}

// Aspect factors worth trying: ordinary, zero of both signs, tiny, huge, not finite.
inline float AspectFromByte(std::uint8_t b) {
    constexpr float kInf = std::numeric_limits<float>::infinity();
    const float table[16] = {1.0f,   1.0f,  0.5f,   2.0f,
                             0.0f,   -0.0f, 1e-30f, 1e30f,
                             -1.0f,  kInf,  -kInf,  std::numeric_limits<float>::quiet_NaN(),
                             1e-45f, 3.0f,  0.25f,  1.0f};
    return table[b % 16];
}

// Dims kept small so that a run makes many executions: 0..48.
inline std::int32_t SmallDim(std::uint8_t b) {
    return b % 49;
}

// A raw import as the leading bytes describe it, into a fresh session.
struct ImportCase {
    ByteReader in;
    ImportParams params;
    ImportOptions options;
    Session session;
};

// Sets the process up and takes three bytes of small dims, aspect 1:1:1.
inline void StartSmallImport(ImportCase& c) {
    SetUpProcess();
    c.params.dimX = SmallDim(c.in.Byte());
    c.params.dimY = SmallDim(c.in.Byte());
    c.params.dimZ = SmallDim(c.in.Byte());
}

// Three bytes of aspect factors, x, y and z.
inline void TakeAspects(ImportCase& c) {
    c.params.aspectX = AspectFromByte(c.in.Byte());
    c.params.aspectY = AspectFromByte(c.in.Byte());
    c.params.aspectZ = AspectFromByte(c.in.Byte());
}

// The two bytes ChooseView reads: the threshold and the geometry.
struct ViewBytes {
    std::uint8_t threshold = 0;
    std::uint8_t view = 0;
};

inline ViewBytes TakeViewBytes(ByteReader& in) {
    ViewBytes bytes;
    bytes.threshold = in.Byte();
    bytes.view = in.Byte();
    return bytes;
}

// Sets threshold and geometry from two bytes, before the renders.
inline void ChooseView(Session& session, ViewBytes bytes) {
    const std::uint8_t thresholdByte = bytes.threshold;
    const std::uint8_t viewByte = bytes.view;
    const float thresholds[8] = {0.1f, 0.0f, 0.5f, 1.0f, 0.01f, 0.9f, 0.3f, 0.1f};
    session.settings.threshold = thresholds[thresholdByte % 8];
    session.settings.gradientShading = (thresholdByte & 8) == 0;
    Orientation& o = session.orientation;
    o = Orientation();
    const int face = viewByte % 8;
    if (face < kFaceCount) SnapViewPlane(o, static_cast<Face>(face));
    if (viewByte & 8) RotateViewPlane(o, 0.5f, 0.35f);
    if (viewByte & 16) RotateWorld(o, 0.8f, 0.2f);
    if (viewByte & 32) PanViewPlane(o, PanDirection::In);
    if (viewByte & 64) RotateViewPlaneXYZ(o, 0.5f, 0.5f, 0.5f);
}

// Renders what was loaded in each type, with and without interpolation, with
// the rays the render window asks for, at most maxRays per side: the 128-cube
// volumes would otherwise cost seconds per execution. Each render must return.
inline void RenderEveryType(Session& session, int maxRays) {
    bool& interpolate = session.settings.interpolate;
    const bool loadedInterpolate = interpolate;
    for (int interp = 0; interp < 2; ++interp) {
        interpolate = interp != 0;
        for (const RenderTypeTraits& row : kRenderTypeTraits) {
            const int rays = std::min(RaysPerSide(session), maxRays);
            RenderImage(session, rays, rays, session.buffers.ImageBuffer.data(), row.type);
        }
    }
    interpolate = loadedInterpolate;
}

// Loads an import the reader accepts; false when it refuses it, or when its
// store passes 4 MiB: the reader and renderer are the same for larger
// shapes, which the hostile-input tests cover, and each execution stays short.
inline bool LoadSmallImport(RawFormat format, ImportCase& c) {
    if (!ImportParametersAccepted(c.params, c.options, format)) return false;
    if (StoreBytes(c.params.dimX, c.params.dimY, c.params.dimZ) > (std::uint64_t{4} << 20)) {
        return false;
    }
    return LoadRawIntoSession(c.session, format, c.params, c.options);
}

}  // namespace calyra::fuzz
