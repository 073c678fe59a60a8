// The binary raw reader alone. Leading bytes give the shape, bytes per voxel,
// byte order, header bytes and the file's length; the rest of the input,
// repeated, is the file. One-byte loads are checked voxel by voxel against
// the file at a few places.
#include "fuzz/fuzz_support.h"

using namespace calyra;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::SetUpProcess();
    fuzz::ByteReader in(data, size);
    ImportParams params;
    ImportOptions options;
    // Up to 600 wide: slices larger than any old read block.
    params.dimX = in.Word() % 601;
    params.dimY = in.Byte() % 97;
    params.dimZ = in.Byte() % 97;
    const std::uint8_t flags = in.Byte();
    options.bytesPerVoxel = flags % 4;  // 0 and 3 are refused
    options.reverseBytes = (flags & 4) ? 1 : 0;
    options.headerBytes = (flags & 8) ? static_cast<std::int16_t>(in.Word()) : 0;
    params.aspectX = fuzz::AspectFromByte(in.Byte());
    params.aspectY = fuzz::AspectFromByte(in.Byte());
    params.aspectZ = fuzz::AspectFromByte(in.Byte());
    // Short, exact or long: the length is the shape's size plus or minus a word.
    const std::int64_t needed =
        std::int64_t{options.headerBytes} +
        std::int64_t{params.dimX} * params.dimY * params.dimZ * std::max(options.bytesPerVoxel, 0);
    const std::int64_t delta = (flags & 16) ? -std::int64_t{in.Word()} : std::int64_t{in.Byte()};
    const auto length =
        static_cast<std::size_t>(std::clamp<std::int64_t>(needed + delta, 0, 1 << 20));
    const std::uint8_t* content = in.Rest();
    const std::size_t count = in.RestSize();

    if (!ImportRefusalReason(params, options, false).empty()) return 0;
    if (StoreBytes(params.dimX, params.dimY, params.dimZ) > fuzz::kQuickStoreBytes) return 0;
    volumePath = "volume.raw";
    fuzz::WriteTiled(volumePath, content, count, length);
    if (!LoadRawVolume(false, params, options)) std::abort();
    fuzz::CheckPublishedShape(params);
    if (VoxelVolume.mirrorZ != 0 || VoxelVolume.size != params.dimX) std::abort();

    if (options.bytesPerVoxel == 1) {
        // Voxel n is file byte header + n, or 0 past the end of the file.
        const auto fileByte = [&](std::size_t offset) -> std::uint8_t {
            if (offset >= length || count == 0) return 0;
            return content[offset % count];
        };
        const std::size_t voxels = std::size_t(params.dimX) * params.dimY * params.dimZ;
        for (std::size_t k = 0; k < 64 && voxels > 0; ++k) {
            const std::size_t n = (k * 2654435761u) % voxels;
            const std::int32_t x = static_cast<std::int32_t>(n % params.dimX) + 1;
            const std::int32_t y = static_cast<std::int32_t>(n / params.dimX % params.dimY) + 1;
            const std::int32_t z =
                static_cast<std::int32_t>(n / (std::size_t(params.dimX) * params.dimY)) + 1;
            if (VoxelVolume.voxels[x][y][z] != fileByte(std::size_t(options.headerBytes) + n)) {
                std::abort();
            }
        }
    }
    return 0;
}
