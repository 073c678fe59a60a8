// The head loader: "sm3dhead" in the working directory. Two leading bytes
// give the file's length in units of 64 bytes (up to about 4 MB, past the
// full 2,097,152); the rest of the input, repeated, is its content.
#include "fuzz/fuzz_support.h"
#include "volume/head_loader.h"
#include "volume/models.h"

using namespace calyra;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::SetUpProcess();
    fuzz::ByteReader in(data, size);
    const std::size_t length = std::size_t{in.Word()} * 64;
    const std::uint8_t thresholdByte = in.Byte();
    const std::uint8_t viewByte = in.Byte();
    const bool missing = (thresholdByte & 0x80) != 0;
    if (missing) {
        std::remove(kHeadFileName);
    } else {
        fuzz::WriteTiled(kHeadFileName, in.Rest(), in.RestSize(), length);
    }
    VoxelVolume.source = VolumeSource::Head;
    BuildVolume();
    fuzz::ChooseView(thresholdByte, viewByte);
    fuzz::RenderEveryType(24);
    return 0;
}
