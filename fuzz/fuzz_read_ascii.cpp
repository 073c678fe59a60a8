// The ASCII raw reader alone: three leading bytes give the shape, the rest
// of the input is the data file as it stands.
#include "fuzz/fuzz_support.h"

using namespace calyra;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::ImportCase c{fuzz::ByteReader(data, size), {}, {}, {}};
    fuzz::StartSmallImport(c);
    // Ignored by the ASCII reader, but checked: negative header bytes are refused.
    c.options.headerBytes = static_cast<std::int8_t>(c.in.Byte());
    c.session.volumePath = "volume.txt";
    fuzz::WriteBytes(c.session.volumePath, c.in.Rest(), c.in.RestSize());

    if (!ImportRefusalReason(c.params, c.options, RawFormat::Ascii).empty()) return 0;
    if (!LoadRawIntoSession(c.session, RawFormat::Ascii, c.params, c.options)) std::abort();
    fuzz::CheckPublishedShape(c.session, c.params);
    if (c.session.volume().size != 128 || c.session.volume().mirrorZ != 0) std::abort();
    return 0;
}
