// The ASCII reader: leading bytes give the parameters, the rest of the input
// is the data file as it stands.
#include "fuzz/fuzz_support.h"

using namespace calyra;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::SetUpProcess();
    fuzz::ByteReader in(data, size);
    ImportParams params = fuzz::SmallShape(in);
    ImportOptions options;
    const std::uint8_t flags = in.Byte();
    // The ASCII reader ignores these, but they pass through the checks.
    options.bytesPerVoxel = flags % 4;
    options.reverseBytes = (flags & 4) ? 1 : 0;
    params.aspectX = fuzz::AspectFromByte(in.Byte());
    params.aspectY = fuzz::AspectFromByte(in.Byte());
    params.aspectZ = fuzz::AspectFromByte(in.Byte());
    const std::uint8_t thresholdByte = in.Byte();
    const std::uint8_t viewByte = in.Byte();

    volumePath = "volume.txt";
    fuzz::WriteBytes(volumePath, in.Rest(), in.RestSize());

    if (!ImportParametersAccepted(params, options, true)) return 0;
    LoadRawVolume(true, params, options);
    fuzz::ChooseView(thresholdByte, viewByte);
    fuzz::RenderEveryType(24);
    return 0;
}
