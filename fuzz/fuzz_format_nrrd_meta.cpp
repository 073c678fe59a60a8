// NRRD and MetaImage through OpenVolume, parse and load only. The first byte
// chooses the format (bit 2: MetaImage, else NRRD), attached or detached
// data (bit 3) and the open options (bits 0 and 1, see ChooseOptions).
// Attached: the rest of the input is volume.nrrd or volume.mha. Detached: a
// word gives the header's length; the header goes to volume.nhdr or
// volume.mhd and the bytes after it to data.raw, which the seeds' headers
// name.
#include "fuzz/format_support.h"

using namespace calyra;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::SetUpFormats();
    fuzz::ByteReader in(data, size);
    const std::uint8_t flags = in.Byte();
    const formats::OpenOptions options = fuzz::ChooseOptions(flags, in);
    const bool meta = (flags & 4) != 0;
    const bool detached = (flags & 8) != 0;
    const std::size_t headerLength = detached ? std::min<std::size_t>(in.Word(), in.RestSize()) : 0;
    const std::uint8_t* rest = in.Rest();
    const std::size_t count = in.RestSize();

    const std::string path =
        detached ? (meta ? "volume.mhd" : "volume.nhdr") : (meta ? "volume.mha" : "volume.nrrd");
    fuzz::RemoveOtherFiles({"volume.mha", "volume.nrrd", "volume.mhd", "volume.nhdr", "data.raw"},
                           {path, detached ? "data.raw" : ""});
    if (detached) {
        fuzz::WriteBytes(path, rest, headerLength);
        fuzz::WriteBytes("data.raw", rest + headerLength, count - headerLength);
    } else {
        fuzz::WriteBytes(path, rest, count);
    }
    fuzz::OpenAndCheck(path, options);
    return 0;
}
