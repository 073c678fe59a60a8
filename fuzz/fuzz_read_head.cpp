// The head loader alone: "sm3dhead" in the working directory. A mode byte
// and a word give the file's length: mostly short files (up to 64 KiB), else
// the full 2,097,152 bytes give or take the word; the rest of the input,
// repeated, is its content.
#include "fuzz/fuzz_support.h"
#include "volume/head_loader.h"
#include "volume/models.h"

using namespace calyra;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::SetUpProcess();
    fuzz::ByteReader in(data, size);
    const std::uint8_t mode = in.Byte();
    const std::size_t word = in.Word();
    constexpr std::size_t kFull = std::size_t{128} * 128 * 128;
    const std::size_t length = mode % 8 < 6 ? word : (mode % 8 == 6 ? kFull - word : kFull + word);
    const bool missing = (mode & 0x80) != 0;
    if (missing) {
        std::remove(kHeadFileName);
    } else {
        fuzz::WriteTiled(kHeadFileName, in.Rest(), in.RestSize(), length);
    }
    VoxelVolume.source = VolumeSource::Head;
    BuildVolume();
    // The head is a 128 cube whatever the file held.
    if (VoxelVolume.dims.x != 128 || VoxelVolume.maxValue > 255) std::abort();
    return 0;
}
