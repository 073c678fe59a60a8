// The ASCII raw reader alone: three leading bytes give the shape, the rest
// of the input is the data file as it stands.
#include "fuzz/fuzz_support.h"

using namespace calyra;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::SetUpProcess();
    fuzz::ByteReader in(data, size);
    ImportParams params = fuzz::SmallShape(in);
    ImportOptions options;
    // Ignored by the ASCII reader, but checked: negative header bytes are refused.
    options.headerBytes = static_cast<std::int8_t>(in.Byte());
    volumePath = "volume.txt";
    fuzz::WriteBytes(volumePath, in.Rest(), in.RestSize());

    if (!ImportRefusalReason(params, options, true).empty()) return 0;
    if (!LoadRawVolume(true, params, options)) std::abort();
    fuzz::CheckPublishedShape(params);
    if (VoxelVolume.size != 128 || VoxelVolume.mirrorZ != 0) std::abort();
    return 0;
}
