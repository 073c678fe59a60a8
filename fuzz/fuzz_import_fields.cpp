// The import dialog's fields: the input is eight lines of arbitrary text
// (X, Y, Z, the three aspect factors, bytes per voxel, header bytes) and a
// byte of check boxes. They go through the dialog's conversions and every
// check of the import, which must agree with each other.
#include <QString>
#include <cstdlib>
#include <string>

#include "fuzz/fuzz_support.h"
#include "ui/import_fields.h"

using namespace calyra;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::SetUpProcess();
    QString fields[8];
    std::size_t field = 0;
    std::size_t start = 0;
    for (std::size_t k = 0; k < size && field < 8; ++k) {
        if (data[k] == '\n') {
            fields[field++] = QString::fromUtf8(reinterpret_cast<const char*>(data + start),
                                                static_cast<qsizetype>(k - start));
            start = k + 1;
        }
    }
    const std::uint8_t boxes = size ? data[size - 1] : 0;
    ui::ImportFieldTexts texts{fields[0], fields[1], fields[2], fields[3],
                               fields[4], fields[5], fields[6], fields[7]};
    texts.ascii = (boxes & 1) != 0;
    texts.reverse = (boxes & 2) != 0;
    const ui::ImportFields f = ui::ReadImportFields(texts);

    const std::string reason = ImportRefusalReason(f.params, f.options, f.format);
    // The described size test alone never accepts what the full checks refuse for it.
    if (!CheckImportParameters(f.params) && reason.empty()) std::abort();
    if (reason.empty()) {
        if (StoreBytes(f.params.dimX, f.params.dimY, f.params.dimZ) > kMaxStoreBytes) std::abort();
        if (f.options.headerBytes < 0) std::abort();
        if (f.format == RawFormat::Binary && f.options.bytesPerVoxel != 1 &&
            f.options.bytesPerVoxel != 2)
            std::abort();
    } else if (RefusalMessage(reason).rfind(kRefusalMessage, 0) != 0) {
        std::abort();
    }
    return 0;
}
