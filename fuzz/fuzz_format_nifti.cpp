// NIfTI-1, NIfTI-2 and Analyze through OpenVolume, parse and load only. The
// first byte gives the open options (bits 0 and 1, see ChooseOptions) and
// the layout (bits 2 and 3): the rest of the input as volume.nii, or
// compressed here as volume.nii.gz, or split after its header size (540 when
// the first word says so, else 348) into volume.hdr and volume.img, or into
// volume.hdr and a compressed volume.img.gz.
#include <zlib.h>

#include <cstring>

#include "fuzz/format_support.h"

using namespace calyra;

namespace {

void WriteCompressed(const std::string& path, const std::uint8_t* bytes, std::size_t count) {
    gzFile gz = gzopen(path.c_str(), "wb1");
    if (!gz) std::abort();
    if (count) gzwrite(gz, bytes, static_cast<unsigned>(count));
    gzclose(gz);
}

// 540 for a NIfTI-2 header in either byte order, else 348.
std::size_t HeaderSize(const std::uint8_t* bytes, std::size_t count) {
    if (count < 4) return 348;
    std::int32_t size = 0;
    std::memcpy(&size, bytes, 4);
    return size == 540 || size == 0x1c020000 ? 540 : 348;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::SetUpFormats();
    fuzz::ByteReader in(data, size);
    const std::uint8_t flags = in.Byte();
    const formats::OpenOptions options = fuzz::ChooseOptions(flags, in);
    const int layout = flags >> 2 & 3;
    const std::uint8_t* rest = in.Rest();
    const std::size_t count = in.RestSize();

    const std::string path = layout == 0   ? "volume.nii"
                             : layout == 1 ? "volume.nii.gz"
                                           : "volume.hdr";
    const std::string image = layout == 2 ? "volume.img" : layout == 3 ? "volume.img.gz" : "";
    fuzz::RemoveOtherFiles(
        {"volume.nii", "volume.nii.gz", "volume.hdr", "volume.img", "volume.img.gz"},
        {path, image});
    if (layout == 0) {
        fuzz::WriteBytes(path, rest, count);
    } else if (layout == 1) {
        WriteCompressed(path, rest, count);
    } else {
        const std::size_t header = std::min(HeaderSize(rest, count), count);
        fuzz::WriteBytes(path, rest, header);
        if (layout == 2) {
            fuzz::WriteBytes(image, rest + header, count - header);
        } else {
            WriteCompressed(image, rest + header, count - header);
        }
    }
    fuzz::OpenAndCheck(path, options);
    return 0;
}
