// calyra-render's option parser: the input is the argument list, one
// argument per NUL-separated piece. A piece of byte 1 and one more byte n is
// option n (modulo their count) of those the usage text lists, so that every
// option is reached without the fuzzer guessing its name. Whatever the parser
// accepts keeps the rules that the rest of the program relies on.
#include <algorithm>
#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

#include "cli/options.h"

namespace {

// Every "--name" the usage text shows, once each.
const std::vector<std::string>& OptionNames() {
    static const std::vector<std::string> names = [] {
        std::vector<std::string> found;
        std::istringstream in(calyra::cli::Usage());
        std::string word;
        while (in >> word) {
            while (!word.empty() && (word.back() == ',' || word.back() == ']')) word.pop_back();
            if (word.rfind("--", 0) == 0 && word.size() > 2 &&
                std::find(found.begin(), found.end(), word) == found.end()) {
                found.push_back(word);
            }
        }
        if (found.empty()) std::abort();
        return found;
    }();
    return names;
}

std::string Word(const std::string& piece) {
    if (piece.size() == 2 && piece[0] == '\x01') {
        return OptionNames()[static_cast<unsigned char>(piece[1]) % OptionNames().size()];
    }
    return piece;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::vector<std::string> words = {"calyra-render"};
    std::string current;
    for (std::size_t k = 0; k < size && words.size() < 64; ++k) {
        if (data[k] == 0) {
            words.push_back(Word(current));
            current.clear();
        } else {
            current += static_cast<char>(data[k]);
        }
    }
    if (!current.empty() && words.size() < 64) words.push_back(Word(current));
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
