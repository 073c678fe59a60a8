// The transfer-function reader: the first byte picks the volume's range, the
// rest is the file's text. A refusal says why and notes nothing; a function
// it reads gives tables of opacities and colours in 0..1, and written again
// it reads back to itself.
#include <cstdint>
#include <cstdlib>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "fuzz/fuzz_support.h"
#include "render/tf_tables.h"
#include "scene/transfer_function_file.h"

namespace {

struct Range {
    double lo, hi;
};

// Ordinary ranges, a flat one, and ones whose differences strain double.
constexpr Range kRanges[] = {
    {0, 255},    {-1024, 3071},   {0, 1},           {5, 5},
    {-1e6, 1e6}, {-1e300, 1e300}, {1e-300, 2e-300}, {-3.5, 0.25},
};

bool InUnitRange(float v) {
    return v >= 0.0f && v <= 1.0f;
}

void CheckTables(const calyra::TransferFunction& tf, Range range, bool interpolate) {
    const auto tables = std::make_unique<calyra::TfTables>();
    calyra::BuildTfTables(tf, range.lo, range.hi, interpolate, *tables);
    for (int e = 0; e < calyra::TfTables::kEntries; ++e) {
        if (!InUnitRange(tables->opacity[e])) std::abort();
        for (float c : tables->colour[e])
            if (!InUnitRange(c)) std::abort();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    calyra::fuzz::ByteReader in(data, size);
    const Range range = kRanges[in.Byte() % std::size(kRanges)];
    const std::string text(reinterpret_cast<const char*>(in.Rest()), in.RestSize());
    std::vector<std::string> notes;
    std::string error;
    const auto tf =
        calyra::ParseTransferFunctionText(text, "fuzz.json", range.lo, range.hi, notes, error);
    if (!tf) {
        if (error.empty() || !notes.empty()) std::abort();
        return 0;
    }
    if (!error.empty() || tf->opacity.empty() || tf->colour.empty()) std::abort();
    CheckTables(*tf, range, false);
    CheckTables(*tf, range, true);
    const auto again = calyra::ParseTransferFunctionText(
        calyra::TransferFunctionText(*tf), "again.json", range.lo, range.hi, notes, error);
    if (!again || *again != *tf || !notes.empty()) std::abort();
    return 0;
}
