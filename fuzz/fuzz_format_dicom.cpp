// DICOM through OpenVolume, parse and load only: one to three files of a
// folder, opened as the folder (its largest series) or as its first file
// (that file's series). The first byte gives the open options (bits 0 and
// 1, see ChooseOptions), the number of files (bits 2 and 3: 1, 1, 2 or 3),
// the folder (bit 4) and whether the files are taken as they are (bit 5);
// otherwise each gets the 128-byte preamble and "DICM" written before it.
// Every file but the last is preceded by a word giving its length.
#include <filesystem>

#include "fuzz/format_support.h"

using namespace calyra;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::SetUpFormats();
    // The imaging library's JPEG decoder asserts on some damaged streams that
    // no header check can tell apart: read in a child, as the program does,
    // so that such a file is the refusal the user gets, not a crash here.
    formats::SetReadInChild(true);
    static const bool made = std::filesystem::create_directories("series");
    (void)made;
    fuzz::ByteReader in(data, size);
    const std::uint8_t flags = in.Byte();
    const formats::OpenOptions options = fuzz::ChooseOptions(flags, in);
    const int files = std::max(1, flags >> 2 & 3);
    const bool folder = (flags & 16) != 0;
    const bool asTheyAre = (flags & 32) != 0;

    const char* const names[3] = {"series/s0.dcm", "series/s1.dcm", "series/s2.dcm"};
    static std::string file;
    for (int i = 0; i < 3; ++i) {
        if (i >= files) {
            std::remove(names[i]);
            continue;
        }
        const std::size_t length =
            i + 1 < files ? std::min<std::size_t>(in.Word(), in.RestSize()) : in.RestSize();
        file.assign(asTheyAre ? "" : std::string(128, '\0') + "DICM");
        file.append(reinterpret_cast<const char*>(in.Rest()), length);
        fuzz::WriteBytes(names[i], reinterpret_cast<const std::uint8_t*>(file.data()), file.size());
        in.Skip(length);
    }
    fuzz::OpenAndCheck(folder ? "series" : names[0], options);
    return 0;
}
