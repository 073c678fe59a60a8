// The side-file reader: the whole input is the ".inf" file. What it yields
// goes through the checks and, for shapes small enough to keep executions
// quick, loads a fixed data file and renders it.
#include "fuzz/fuzz_support.h"

using namespace calyra;

namespace {

// Numbers and white space: read as binary it gives varied bytes, read as
// ASCII it gives values past 8 bits, negative ones and one past 32 bits.
void WriteDataFileOnce(const std::string& path) {
    static bool written = false;
    if (written) return;
    written = true;
    const std::string text = "17 250 3\n-300 65535 0\t99999999999 8 +42 7 ";
    std::string content;
    while (content.size() < 262144) content += text;
    content.resize(262144);
    fuzz::WriteBytes(path, reinterpret_cast<const std::uint8_t*>(content.data()), content.size());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::SetUpProcess();
    volumePath = "volume.dat";
    WriteDataFileOnce(volumePath);
    fuzz::WriteBytes(volumePath + ".inf", data, size);

    // As the dialog does: start values from the data file, then the side file.
    ImportParams params;
    ImportOptions options;
    ImportStartValues(volumePath, params, options);
    const bool ascii = ReadInfFile(params, options) == 0;

    if (!ImportParametersAccepted(params, options, ascii)) return 0;
    if (params.dimX > 48 || params.dimY > 48 || params.dimZ > 48) return 0;
    LoadRawVolume(ascii, params, options);
    fuzz::ChooseView(size ? data[size - 1] : 0, static_cast<std::uint8_t>(size));
    fuzz::RenderEveryType(64);
    return 0;
}
