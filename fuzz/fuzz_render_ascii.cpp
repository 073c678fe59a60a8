// The ASCII reader: leading bytes give the parameters, the rest of the input
// is the data file as it stands.
#include "fuzz/fuzz_support.h"

using namespace calyra;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::ImportCase c{fuzz::ByteReader(data, size), {}, {}, {}};
    fuzz::StartSmallImport(c);
    const std::uint8_t flags = c.in.Byte();
    // The ASCII reader ignores these, but they pass through the checks.
    c.options.bytesPerVoxel = flags % 4;
    c.options.reverseBytes = (flags & 4) ? 1 : 0;
    fuzz::TakeAspects(c);
    const fuzz::ViewBytes view = fuzz::TakeViewBytes(c.in);

    c.session.volumePath = "volume.txt";
    fuzz::WriteBytes(c.session.volumePath, c.in.Rest(), c.in.RestSize());
    if (!fuzz::LoadSmallImport(RawFormat::Ascii, c)) return 0;
    fuzz::ChooseView(c.session, view);
    fuzz::RenderEveryType(c.session, 24);
    return 0;
}
