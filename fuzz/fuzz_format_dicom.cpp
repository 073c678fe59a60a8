// DICOM through OpenVolume, parse and load only: one to three files of a
// folder, opened as the folder (its largest series) or as its first file
// (that file's series). The first byte gives the open options (bits 0 and
// 1, see ChooseOptions), the number of files (bits 2 and 3: 1, 1, 2 or 3),
// the folder (bit 4) and whether the files are taken as they are (bit 5);
// otherwise each gets the 128-byte preamble and "DICM" written before it.
// Every file but the last is preceded by a word giving its length.
#include <filesystem>

#include "formats/dicom_walk.h"
#include "fuzz/format_support.h"
#include "fuzz/reader_worker.h"

using namespace calyra;

namespace {

const char* const kNames[3] = {"series/s0.dcm", "series/s1.dcm", "series/s2.dcm"};

// What an input opens, and how.
struct Input {
    std::string path;
    formats::OpenOptions options;
    int files = 0;
};

// Reads the input's leading bytes; with `write`, writes its files too.
Input Take(const std::uint8_t* data, std::size_t size, bool write) {
    fuzz::ByteReader in(data, size);
    const std::uint8_t flags = in.Byte();
    Input input;
    input.options = fuzz::ChooseOptions(flags, in);
    input.files = std::max(1, flags >> 2 & 3);
    input.path = (flags & 16) != 0 ? "series" : kNames[0];
    if (!write) return input;
    const bool asTheyAre = (flags & 32) != 0;
    static std::string file;
    for (int i = 0; i < 3; ++i) {
        if (i >= input.files) {
            std::remove(kNames[i]);
            continue;
        }
        const std::size_t length =
            i + 1 < input.files ? std::min<std::size_t>(in.Word(), in.RestSize()) : in.RestSize();
        file.assign(asTheyAre ? "" : std::string(128, '\0') + "DICM");
        file.append(reinterpret_cast<const char*>(in.Rest()), length);
        fuzz::WriteBytes(kNames[i], reinterpret_cast<const std::uint8_t*>(file.data()),
                         file.size());
        in.Skip(length);
    }
    return input;
}

// In the worker: the files as written, opened with the reading in this process.
bool OpenInWorker(const std::uint8_t* data, std::size_t size) {
    const Input input = Take(data, size, false);
    formats::SetReadInChild(false);
    return fuzz::OpensConsistently(input.path, input.options);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::SetUpFormats();
    static const bool made = std::filesystem::create_directories("series");
    (void)made;
    const Input input = Take(data, size, true);
    // Our own walk of each file's elements, here where the fuzzer sees its
    // comparisons too.
    for (int i = 0; i < input.files; ++i) formats::DicomProblem(kNames[i]);
    // The imaging library's JPEG decoder asserts on some damaged streams that
    // no header check can tell apart: the worker reads, as the program's
    // child does, so that such a file is the refusal the user gets, not a
    // crash here.
    switch (fuzz::RunInWorker(&OpenInWorker, data, size)) {
        case fuzz::WorkerEnd::Done:
        case fuzz::WorkerEnd::Aborted:
            break;
        case fuzz::WorkerEnd::Broken:
        case fuzz::WorkerEnd::Fault:
            // Again here, where the checks and the sanitizers report it.
            fuzz::OpenAndCheck(input.path, input.options);
            std::abort();
    }
    return 0;
}
