// The side-file reader alone: the whole input is the ".inf" file. What it
// yields goes through every check; small accepted shapes load a fixed data
// file, so the seventh line (header bytes) reaches the reader too.
#include "fuzz/fuzz_support.h"

using namespace calyra;

namespace {

// Numbers and white space: read as binary it gives varied bytes, read as
// ASCII it gives values past 8 bits, negative ones and one past 32 bits.
// 8,192 bytes: the start values are 16 x 16 x 16 at two bytes per voxel, so
// that a side file that sets nothing still loads, and quickly (at 64 KiB the
// 32-cube load cost a millisecond).
void WriteDataFileOnce(const std::string& path) {
    static bool written = false;
    if (written) return;
    written = true;
    const std::string text = "17 250 3\n-300 65535 0\t99999999999 8 +42 7 ";
    std::string content;
    while (content.size() < 8192) content += text;
    content.resize(8192);
    fuzz::WriteBytes(path, reinterpret_cast<const std::uint8_t*>(content.data()), content.size());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::SetUpProcess();
    Session session;
    const std::string& volumePath = session.volumePath = "volume.dat";
    WriteDataFileOnce(volumePath);
    fuzz::WriteBytes(volumePath + ".inf", data, size);

    // As the dialog does: start values from the data file, then the side file.
    ImportParams params;
    ImportOptions options;
    ImportStartValues(volumePath, params, options);
    const RawFormat format = SideFileFormat(ReadInfFile(volumePath, params, options));

    const std::string refusal = ImportRefusalReason(params, options, format);
    if (!refusal.empty()) return 0;
    if (StoreBytes(params.dimX, params.dimY, params.dimZ) > fuzz::kQuickStoreBytes) return 0;
    // The data file is there.
    if (!LoadRawIntoSession(session, format, params, options)) std::abort();
    fuzz::CheckPublishedShape(session, params);
    return 0;
}
