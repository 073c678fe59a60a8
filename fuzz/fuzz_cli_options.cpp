// calyra-render's option parser: the input is the argument list, one
// argument per NUL-separated piece. Whatever it accepts keeps the rules that
// the rest of the program relies on.
#include <cstdlib>
#include <string>
#include <vector>

#include "cli/options.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::vector<std::string> words = {"calyra-render"};
    std::string current;
    for (std::size_t k = 0; k < size && words.size() < 64; ++k) {
        if (data[k] == 0) {
            words.push_back(current);
            current.clear();
        } else {
            current += static_cast<char>(data[k]);
        }
    }
    if (!current.empty() && words.size() < 64) words.push_back(current);
    std::vector<char*> argv;
    for (std::string& w : words) argv.push_back(w.data());
    argv.push_back(nullptr);

    std::string error;
    const auto options =
        calyra::cli::ParseOptions(static_cast<int>(words.size()), argv.data(), error);
    if (!options) {
        if (error.empty()) std::abort();  // a refusal always says why
        return 0;
    }
    if (options->raw && options->modelGiven) std::abort();
    if ((options->dims || options->bytes || options->headerBytes) && !options->raw) std::abort();
    if (options->dims && options->dims->size() != 3) std::abort();
    if (options->threads < 0 || options->repeat < 0) std::abort();
    return 0;
}
