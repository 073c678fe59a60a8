// Multi-page TIFF through OpenVolume, parse and load only. The first byte
// gives the open options (bits 0 and 1, see ChooseOptions); the rest of the
// input is volume.tif.
#include "fuzz/format_support.h"

using namespace calyra;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::SetUpFormats();
    fuzz::ByteReader in(data, size);
    const formats::OpenOptions options = fuzz::ChooseOptions(in.Byte(), in);
    fuzz::WriteBytes("volume.tif", in.Rest(), in.RestSize());
    fuzz::OpenAndCheck("volume.tif", options);
    return 0;
}
