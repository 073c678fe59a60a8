// The binary reader, one, two or three bytes per voxel. Leading bytes give
// the parameters and the file's length; the rest of the input, repeated,
// is the file, so that short inputs still fill the reader's 131,072-byte
// blocks.
#include <climits>

#include "fuzz/fuzz_support.h"

using namespace calyra;

namespace {

// Dims at and around the reader's edges, for one axis at a time.
std::int32_t SpecialDim(std::uint8_t b) {
    const std::int32_t table[16] = {0,   1,   2,   127, 128, 129,     255,     256,
                                    257, 511, 512, 513, -1,  INT_MIN, INT_MAX, 65536};
    return table[b % 16];
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::SetUpProcess();
    fuzz::ByteReader in(data, size);
    ImportParams params = fuzz::SmallShape(in);
    ImportOptions options;
    const std::uint8_t flags = in.Byte();
    options.bytesPerVoxel = 1 + flags % 3;
    options.reverseBytes = (flags & 4) ? 1 : 0;
    // Header bytes, sometimes past the end of the file or negative.
    if (flags & 16) options.headerBytes = static_cast<std::int16_t>(in.Word());
    if (flags & 8) {
        const std::uint8_t special = in.Byte();
        std::int32_t* axis[3] = {&params.dimX, &params.dimY, &params.dimZ};
        *axis[(special >> 4) % 3] = SpecialDim(special);
    }
    params.aspectX = fuzz::AspectFromByte(in.Byte());
    params.aspectY = fuzz::AspectFromByte(in.Byte());
    params.aspectZ = fuzz::AspectFromByte(in.Byte());
    const std::uint8_t thresholdByte = in.Byte();
    const std::uint8_t viewByte = in.Byte();
    // File length: whole blocks (0..3) plus a tail of up to 65,535 bytes.
    const std::size_t blocks = in.Byte() % 4;
    const std::size_t length = blocks * 131072 + in.Word();

    volumePath = "volume.raw";
    fuzz::WriteTiled(volumePath, in.Rest(), in.RestSize(), length);

    if (!ImportParametersAccepted(params, options, false)) return 0;
    // Keeps each execution short: the reader and renderer are the same for
    // larger shapes, which the hostile-input tests cover.
    if (StoreBytes(params.dimX, params.dimY, params.dimZ) > (std::uint64_t{4} << 20)) return 0;
    LoadRawVolume(false, params, options);
    if (VoxelVolume.size > 96) return 0;
    fuzz::ChooseView(thresholdByte, viewByte);
    fuzz::RenderEveryType(64);
    return 0;
}
