// The binary raw reader alone. Leading bytes give the shape, bytes per voxel,
// byte order, header bytes and the file's length; the rest of the input,
// repeated, is the file. One-byte loads are checked voxel by voxel against
// the file at a few places.
#include "fuzz/fuzz_support.h"

using namespace calyra;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::SetUpProcess();
    fuzz::ImportCase c{fuzz::ByteReader(data, size), {}, {}, {}};
    // Up to 600 wide: slices larger than any old read block.
    c.params.dimX = c.in.Word() % 601;
    c.params.dimY = c.in.Byte() % 97;
    c.params.dimZ = c.in.Byte() % 97;
    const std::uint8_t flags = c.in.Byte();
    c.options.bytesPerVoxel = flags % 4;  // 0 and 3 are refused
    c.options.reverseBytes = (flags & 4) ? 1 : 0;
    c.options.headerBytes = (flags & 8) ? static_cast<std::int16_t>(c.in.Word()) : 0;
    fuzz::TakeAspects(c);
    // Short, exact or long: the length is the shape's size plus or minus a word.
    const std::int64_t needed = std::int64_t{c.options.headerBytes} +
                                std::int64_t{c.params.dimX} * c.params.dimY * c.params.dimZ *
                                    std::max(c.options.bytesPerVoxel, 0);
    const std::int64_t delta =
        (flags & 16) ? -std::int64_t{c.in.Word()} : std::int64_t{c.in.Byte()};
    const auto length =
        static_cast<std::size_t>(std::clamp<std::int64_t>(needed + delta, 0, 1 << 20));
    const std::uint8_t* content = c.in.Rest();
    const std::size_t count = c.in.RestSize();

    if (!ImportRefusalReason(c.params, c.options, RawFormat::Binary).empty()) return 0;
    if (StoreBytes(c.params.dimX, c.params.dimY, c.params.dimZ) > fuzz::kQuickStoreBytes) return 0;
    c.session.volumePath = "volume.raw";
    fuzz::WriteTiled(c.session.volumePath, content, count, length);
    if (!LoadRawIntoSession(c.session, RawFormat::Binary, c.params, c.options)) std::abort();
    fuzz::CheckPublishedShape(c.session, c.params);
    const VolumeStore& v = c.session.volume();
    if (v.mirrorZ != 0 || v.size != c.params.dimX) std::abort();

    if (c.options.bytesPerVoxel == 1) {
        // Voxel n is file byte header + n, or 0 past the end of the file.
        const auto fileByte = [&](std::size_t offset) -> std::uint8_t {
            if (offset >= length || count == 0) return 0;
            return content[offset % count];
        };
        const std::size_t voxels = std::size_t(c.params.dimX) * c.params.dimY * c.params.dimZ;
        for (std::size_t k = 0; k < 64 && voxels > 0; ++k) {
            const std::size_t n = (k * 2654435761u) % voxels;
            const std::int32_t x = static_cast<std::int32_t>(n % c.params.dimX) + 1;
            const std::int32_t y = static_cast<std::int32_t>(n / c.params.dimX % c.params.dimY) + 1;
            const std::int32_t z =
                static_cast<std::int32_t>(n / (std::size_t(c.params.dimX) * c.params.dimY)) + 1;
            if (v.voxels[x][y][z] != fileByte(std::size_t(c.options.headerBytes) + n)) {
                std::abort();
            }
        }
    }
    return 0;
}
