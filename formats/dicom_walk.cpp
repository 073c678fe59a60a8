// The element walk: every length checked against the bytes around it before
// the library is asked to read the file.
#include "formats/dicom_walk.h"

#include <sys/types.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <memory>

#include "formats/source_volume.h"

namespace calyra::formats {
namespace {

// Walks a DICOM file's elements without reading their values and names
// what the library could not take:
// - a file that ends inside its file meta information (group 0002 after
//   "DICM") or right after it, inside the header of an element or inside a
//   sequence: the library asserts, ending the program (Debian builds it
//   with assertions);
// - an element, item or sequence longer than the bytes left around it: the
//   library allocates the length before it finds the bytes missing (1.5 GB
//   for a file of a few hundred bytes);
// - sequences nested more than 64 deep, which the library reads by
//   recursion;
// - a sequence, or encapsulated pixel data, holding anything but items and
//   their delimiters: the library's reader gives up there and reads the
//   file again with looser readers of its own, which take other bytes for
//   lengths (4 GB for a 1,196-byte file).
// An element without a VR in an explicit syntax is read as implicit, as the
// library does. A deflated data set is not walked.
class DicomWalk {
  public:
    explicit DicomWalk(const std::string& path)
        : file_(std::fopen(path.c_str(), "rb"), &std::fclose),
          size_(RegularFileBytes(path, "the file")) {}

    // Empty when nothing is wrong.
    std::string Problem() {
        try {
            WalkMeta();
        } catch (const Stop&) {
        }
        return problem_;
    }

    const DicomPixelData& Pixels() const { return pixels_; }

  private:
    struct Stop {};
    struct Encoding {
        bool implicit = false;
        bool bigEndian = false;
    };
    static constexpr std::uint32_t kUndefined = 0xffffffff;
    static constexpr const char* kCutHeader = "it ends inside the header of an element";
    static constexpr const char* kCutSequence = "it ends inside a sequence";
    static constexpr const char* kBadSequence = "its sequences or pixel data fragments are damaged";
    static constexpr int kDeepest = 64;

    [[noreturn]] void Fail(const std::string& problem) {
        problem_ = problem;
        throw Stop{};
    }

    // n bytes at `at`; false past the end of the file.
    bool Read(std::uint64_t at, unsigned char* out, std::size_t n) {
        return file_ && at + n <= size_ && fseeko(file_.get(), off_t(at), SEEK_SET) == 0 &&
               std::fread(out, 1, n, file_.get()) == n;
    }

    static std::uint32_t Number(const unsigned char* b, int n, bool big) {
        std::uint32_t v = 0;
        for (int i = 0; i < n; ++i) v |= std::uint32_t(b[big ? n - 1 - i : i]) << (8 * i);
        return v;
    }

    static bool LongLength(const unsigned char* vr) {
        for (const char* x :
             {"OB", "OD", "OF", "OL", "OV", "OW", "SQ", "SV", "UC", "UN", "UR", "UT", "UV"}) {
            if (x[0] == vr[0] && x[1] == vr[1]) return true;
        }
        return false;
    }
    static bool ShortLength(const unsigned char* vr) {
        for (const char* x : {"AE", "AS", "AT", "CS", "DA", "DS", "DT", "FD", "FL", "IS", "LO",
                              "LT", "PN", "SH", "SL", "SS", "ST", "TM", "UI", "UL", "US"}) {
            if (x[0] == vr[0] && x[1] == vr[1]) return true;
        }
        return false;
    }

    static std::string TagName(std::uint32_t group, std::uint32_t element) {
        char name[16];
        std::snprintf(name, sizeof name, "(%04X,%04X)", group, element);
        return name;
    }

    // Group 0002, explicit VR little endian, then the data set in the
    // transfer syntax it names.
    void WalkMeta() {
        const auto cut = [this] {
            Fail("its DICOM file meta information is cut short or damaged");
        };
        std::uint64_t at = 132;
        std::string syntax;
        for (;;) {
            // The library reads the next tag, in the group or after it.
            unsigned char e[12];
            if (!Read(at, e, 4)) cut();
            if (Number(e, 2, false) != 0x0002) break;
            if (!Read(at + 4, e + 4, 4)) cut();
            std::uint64_t length = Number(e + 6, 2, false);
            std::uint64_t value = at + 8;
            if (LongLength(e + 4)) {
                if (!Read(at + 8, e + 8, 4)) cut();
                length = Number(e + 8, 4, false);
                value = at + 12;
                if (length == kUndefined) cut();
            } else if (!ShortLength(e + 4)) {
                cut();
            }
            if (value + length > size_) cut();
            if (Number(e + 2, 2, false) == 0x0010 && length <= 64) {
                unsigned char uid[64];
                if (!Read(value, uid, std::size_t(length))) cut();
                syntax.assign(reinterpret_cast<char*>(uid), std::size_t(length));
                while (!syntax.empty() && (syntax.back() == '\0' || syntax.back() == ' '))
                    syntax.pop_back();
            }
            at = value + length;
        }
        Encoding e;
        if (syntax == "1.2.840.10008.1.2") {
            e.implicit = true;
        } else if (syntax == "1.2.840.10008.1.2.2") {
            e.bigEndian = true;
        } else if (syntax == "1.2.840.10008.1.2.1.99") {
            return;  // deflated: not walked
        } else if (syntax.empty()) {
            // No syntax named: guessed as the library does, from the first
            // element: big endian when its group's first byte is the
            // smaller (or, for group 0, its length's), explicit when two
            // capitals stand where a VR would.
            // A first element cut short is refused by the walk below.
            unsigned char h[8] = {};
            const std::uint64_t left = size_ - std::min(size_, at);
            if (!Read(at, h, std::size_t(std::min<std::uint64_t>(left, 8)))) return;
            e.bigEndian = h[0] < h[1] || (h[0] == 0 && h[1] == 0 && h[4] < h[7]);
            e.implicit = !(std::isupper(h[4]) && std::isupper(h[5]));
        }
        WalkSet(at, size_, e, 0, false);
    }

    // Elements from `at` to `end`, or to the item delimiter when
    // toDelimiter; returns where the walk ended.
    std::uint64_t WalkSet(std::uint64_t at, std::uint64_t end, Encoding e, int depth,
                          bool toDelimiter) {
        while (at < end) {
            unsigned char h[12];
            // Fewer bytes than a tag: padding, where the library stops. A
            // tag without the rest of its header makes it assert.
            if (end - at < 4) break;
            if (!Read(at, h, 8) || at + 8 > end) Fail(kCutHeader);
            const std::uint32_t group = Number(h, 2, e.bigEndian);
            const std::uint32_t element = Number(h + 2, 2, e.bigEndian);
            if (group == 0xfffe) {
                if (element != 0xe00d) Fail(kBadSequence);
                if (toDelimiter) return at + 8;
                // An item delimiter out of place: the library reads past it.
                at += 8;
                continue;
            }
            std::uint32_t length = 0;
            std::uint64_t value = at + 8;
            bool sequence = false;
            if (e.implicit) {
                length = Number(h + 4, 4, e.bigEndian);
                sequence = length == kUndefined;
            } else if (LongLength(h + 4)) {
                if (!Read(at + 8, h + 8, 4) || at + 12 > end) Fail(kCutHeader);
                length = Number(h + 8, 4, e.bigEndian);
                value = at + 12;
                sequence = h[4] == 'S' && h[5] == 'Q';
            } else if (ShortLength(h + 4)) {
                length = Number(h + 6, 2, e.bigEndian);
            } else {
                // No VR where the syntax puts one: the library reads the
                // element as implicit (a 32-bit length) and goes on.
                length = Number(h + 4, 4, e.bigEndian);
                sequence = length == kUndefined;
            }
            const bool pixels = group == 0x7fe0 && element == 0x0010;
            if (depth == 0 && group == 0x7fe0 &&
                (element == 0x0010 || element == 0x0008 || element == 0x0009)) {
                pixels_ = {true,
                           element,
                           length == kUndefined,
                           value,
                           length,
                           e.bigEndian,
                           !e.implicit && h[4] == 'O' && h[5] == 'W'};
            }
            if (length == kUndefined) {
                // Sequences, encapsulated pixel data, and UN (items in implicit VR).
                Encoding inner = e;
                if (!e.implicit && h[4] == 'U' && h[5] == 'N') inner = Encoding{true, false};
                at = WalkItems(value, end, inner, depth + 1, pixels, false);
                continue;
            }
            if (value + length > end) {
                Fail("its element " + TagName(group, element) + " claims " +
                     std::to_string(length) + " bytes, more than the " +
                     std::to_string(end - std::min(end, value)) + " left");
            }
            if (sequence) WalkItems(value, value + length, e, depth + 1, false, true);
            at = value + length;
        }
        if (toDelimiter) Fail(kCutSequence);
        return at;
    }

    // Items of a sequence, or fragments of encapsulated pixel data, up to
    // `end` when the length is defined, else to the sequence delimiter.
    std::uint64_t WalkItems(std::uint64_t at, std::uint64_t end, Encoding e, int depth,
                            bool fragments, bool defined) {
        if (depth > kDeepest) Fail("its sequences nest more than 64 deep");
        for (;;) {
            if (defined && at == end) return at;
            unsigned char h[8];
            if (!Read(at, h, 8) || at + 8 > end) Fail(kCutSequence);
            const std::uint32_t group = Number(h, 2, e.bigEndian);
            const std::uint32_t element = Number(h + 2, 2, e.bigEndian);
            const std::uint32_t length = Number(h + 4, 4, e.bigEndian);
            if (group != 0xfffe) Fail(kBadSequence);
            if (element == 0xe0dd && !defined) return at + 8;
            if (element != 0xe000) Fail(kBadSequence);
            if (length == kUndefined) {
                if (fragments) Fail(kBadSequence);
                at = WalkSet(at + 8, end, e, depth, true);
                continue;
            }
            if (at + 8 + length > end) {
                Fail("its " + std::string(fragments ? "pixel data fragment" : "sequence item") +
                     " claims " + std::to_string(length) + " bytes, more than the " +
                     std::to_string(end - at - 8) + " left");
            }
            if (!fragments) WalkSet(at + 8, at + 8 + length, e, depth, false);
            at += 8 + length;
        }
    }

    std::unique_ptr<std::FILE, int (*)(std::FILE*)> file_;
    std::uint64_t size_;
    std::string problem_;
    DicomPixelData pixels_;
};

}  // namespace

bool HasDicomMark(const std::string& path) {
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return false;
    char head[132];
    const bool ok = std::fread(head, 1, sizeof head, f) == sizeof head &&
                    std::memcmp(head + 128, "DICM", 4) == 0;
    std::fclose(f);
    return ok;
}

std::string DicomProblem(const std::string& path, DicomPixelData* pixels) {
    DicomWalk walk(path);
    std::string problem = walk.Problem();
    if (pixels) *pixels = walk.Pixels();
    return problem;
}

}  // namespace calyra::formats
