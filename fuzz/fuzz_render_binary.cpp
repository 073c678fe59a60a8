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
    fuzz::ImportCase c{fuzz::ByteReader(data, size), {}, {}, {}};
    fuzz::StartSmallImport(c);
    const std::uint8_t flags = c.in.Byte();
    c.options.bytesPerVoxel = 1 + flags % 3;
    c.options.reverseBytes = (flags & 4) ? 1 : 0;
    // Header bytes, sometimes past the end of the file or negative.
    if (flags & 16) c.options.headerBytes = static_cast<std::int16_t>(c.in.Word());
    if (flags & 8) {
        const std::uint8_t special = c.in.Byte();
        std::int32_t* axis[3] = {&c.params.dimX, &c.params.dimY, &c.params.dimZ};
        *axis[(special >> 4) % 3] = SpecialDim(special);
    }
    fuzz::TakeAspects(c);
    const fuzz::ViewBytes view = fuzz::TakeViewBytes(c.in);
    // File length: whole blocks (0..3) plus a tail of up to 65,535 bytes.
    const std::size_t blocks = c.in.Byte() % 4;
    const std::size_t length = blocks * 131072 + c.in.Word();

    c.session.volumePath = "volume.raw";
    fuzz::WriteTiled(c.session.volumePath, c.in.Rest(), c.in.RestSize(), length);
    if (!fuzz::LoadSmallImport(RawFormat::Binary, c) || c.session.volume().size > 96) return 0;
    fuzz::ChooseView(c.session, view);
    fuzz::RenderEveryType(c.session, 64);
    return 0;
}
