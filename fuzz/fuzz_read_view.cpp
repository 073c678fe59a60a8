// The view-file reader: the input is a view file's text. A refusal says why;
// a view it accepts is written again as the same text, and that text reads
// back to it: nothing read is lost or changed on the way (whatever keys a
// version adds, the round trip covers them).
#include <cstdlib>
#include <string>

#include "fuzz/fuzz_support.h"
#include "scene/view_file.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    calyra::fuzz::SetUpProcess();
    const std::string text(reinterpret_cast<const char*>(data), size);
    std::string error;
    const auto view = calyra::ParseViewText(text, error);
    if (!view) {
        if (error.empty()) std::abort();
        return 0;
    }
    const std::string written = calyra::WriteViewText(*view);
    std::string again;
    const auto reread = calyra::ParseViewText(written, again);
    if (!reread || calyra::WriteViewText(*reread) != written) std::abort();
    return 0;
}
