// DICOM through GDCM: a folder's largest series, or the series of one file,
// slices sorted by their position along the slice normal.
#include <gdcmImage.h>
#include <gdcmImageReader.h>
#include <gdcmScanner.h>
#include <gdcmTrace.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <iterator>
#include <map>
#include <memory>
#include <sstream>
#include <type_traits>

#include "formats/child_reader.h"
#include "formats/readers.h"
#include "formats/sample_types.h"

namespace calyra::formats {
namespace {

namespace fs = std::filesystem;

const gdcm::Tag kSeriesUid(0x0020, 0x000e);
const gdcm::Tag kSeriesNumber(0x0020, 0x0011);
const gdcm::Tag kInstanceNumber(0x0020, 0x0013);
const gdcm::Tag kPosition(0x0020, 0x0032);
const gdcm::Tag kOrientation(0x0020, 0x0037);
const gdcm::Tag kRows(0x0028, 0x0010);
const gdcm::Tag kColumns(0x0028, 0x0011);
const gdcm::Tag kFrames(0x0028, 0x0008);
const gdcm::Tag kBitsAllocated(0x0028, 0x0100);
const gdcm::Tag kSamplesPerPixel(0x0028, 0x0002);
const gdcm::Tag kPixelSpacing(0x0028, 0x0030);
const gdcm::Tag kImagerPixelSpacing(0x0018, 0x1164);
const gdcm::Tag kRescaleIntercept(0x0028, 0x1052);
const gdcm::Tag kRescaleSlope(0x0028, 0x1053);
const gdcm::Tag kTransferSyntax(0x0002, 0x0010);

// "DICM" at byte 128, the mark of a DICOM file.
bool HasDicomMark(const std::string& path) {
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return false;
    char head[132];
    const bool ok = std::fread(head, 1, sizeof head, f) == sizeof head &&
                    std::memcmp(head + 128, "DICM", 4) == 0;
    std::fclose(f);
    return ok;
}

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
};

std::vector<double> Numbers(const char* text) {
    std::vector<double> values;
    if (!text) return values;
    std::string s(text);
    std::replace(s.begin(), s.end(), '\\', ' ');
    std::istringstream in(s);
    in.imbue(std::locale::classic());
    double d;
    while (in >> d) values.push_back(d);
    return values;
}

long Integer(const char* text, long fallback) {
    const auto v = Numbers(text);
    return v.empty() ? fallback : static_cast<long>(v[0]);
}

std::string Trimmed(const char* text) {
    std::string s = text ? text : "";
    while (!s.empty() && (s.back() == ' ' || s.back() == '\0')) s.pop_back();
    return s;
}

struct Slice {
    std::string file;
    long frames = 1;
    long instance = 0;
    double position = 0.0;  // along the normal
    bool placed = false;    // has position and orientation
    std::array<double, 3> normal{};
};

std::array<double, 3> Cross(const std::vector<double>& o) {
    return {o[1] * o[5] - o[2] * o[4], o[2] * o[3] - o[0] * o[5], o[0] * o[4] - o[1] * o[3]};
}

std::string Shape(const gdcm::Scanner& s, const std::string& f) {
    return std::to_string(Integer(s.GetValue(f.c_str(), kColumns), 0)) + " x " +
           std::to_string(Integer(s.GetValue(f.c_str(), kRows), 0));
}

// The DICOM files directly in the folder (subfolders are not searched).
std::vector<std::string> DicomFilesIn(const fs::path& folder) {
    std::vector<std::string> files;
    std::error_code ec;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        if (it->is_regular_file(ec) && HasDicomMark(it->path().string()) &&
            DicomWalk(it->path().string()).Problem().empty()) {
            files.push_back(it->path().string());
        }
    }
    if (ec) throw FormatError("the folder cannot be listed");
    std::sort(files.begin(), files.end());
    return files;
}

// The chosen series' files: the one of `file`, or the folder's largest
// (most slices; a tie goes to the lowest series number).
std::vector<std::string> ChooseSeries(const gdcm::Scanner& s, const std::vector<std::string>& files,
                                      const std::string& file) {
    std::map<std::string, std::vector<std::string>> series;
    for (const std::string& f : files) {
        if (s.IsKey(f.c_str())) series[Trimmed(s.GetValue(f.c_str(), kSeriesUid))].push_back(f);
    }
    if (!file.empty()) {
        if (!s.IsKey(file.c_str())) throw FormatError("it cannot be read as DICOM");
        return series[Trimmed(s.GetValue(file.c_str(), kSeriesUid))];
    }
    const std::vector<std::string>* best = nullptr;
    long bestSlices = 0, bestNumber = 0;
    for (const auto& [uid, members] : series) {
        long slices = 0;
        for (const std::string& f : members)
            slices += std::max(1L, Integer(s.GetValue(f.c_str(), kFrames), 1));
        const long number = Integer(s.GetValue(members.front().c_str(), kSeriesNumber), LONG_MAX);
        if (!best || slices > bestSlices || (slices == bestSlices && number < bestNumber)) {
            best = &members;
            bestSlices = slices;
            bestNumber = number;
        }
    }
    if (!best) throw FormatError("it holds no DICOM image");
    return *best;
}

// Sorts the slices along the normal and returns the z spacing (0: unknown).
double SortSlices(std::vector<Slice>& slices, std::vector<std::string>& notes) {
    const bool placed =
        std::all_of(slices.begin(), slices.end(), [](const Slice& s) { return s.placed; });
    if (!placed) {
        std::stable_sort(slices.begin(), slices.end(),
                         [](const Slice& a, const Slice& b) { return a.instance < b.instance; });
        return 0.0;
    }
    const auto& n0 = slices.front().normal;
    for (const Slice& s : slices) {
        const double dot = s.normal[0] * n0[0] + s.normal[1] * n0[1] + s.normal[2] * n0[2];
        if (std::fabs(dot) < 0.999) {
            throw FormatError("its slices are not parallel (" +
                              fs::path(s.file).filename().string() + ")");
        }
    }
    std::stable_sort(slices.begin(), slices.end(),
                     [](const Slice& a, const Slice& b) { return a.position < b.position; });
    if (slices.size() < 2) return 0.0;
    std::vector<double> steps;
    for (std::size_t i = 1; i < slices.size(); ++i)
        steps.push_back(slices[i].position - slices[i - 1].position);
    std::vector<double> sorted = steps;
    std::nth_element(sorted.begin(), sorted.begin() + sorted.size() / 2, sorted.end());
    const double median = sorted[sorted.size() / 2];
    const bool even = std::all_of(steps.begin(), steps.end(), [&](double d) {
        return std::fabs(d - median) <= 1e-3 * std::max(1.0, std::fabs(median));
    });
    if (!even)
        notes.push_back("The slice gaps are uneven; the median gap is used as the slice spacing.");
    return median;
}

// GDCM asserts, ending the program, when asked for the scalar type of a
// pixel format with more bits stored than allocated, or with a pixel
// representation other than 0 and 1 (and the float codes at their sizes).
void CheckPixelFormat(const gdcm::PixelFormat& pf, const std::string& name) {
    const unsigned allocated = pf.GetBitsAllocated();
    const unsigned stored = pf.GetBitsStored();
    const unsigned representation = pf.GetPixelRepresentation();
    const bool usable =
        stored <= allocated &&
        (representation <= 1 || (representation == 2 && allocated == 16) ||
         (representation == 3 && allocated == 32) || (representation == 4 && allocated == 64));
    if (!usable) {
        throw FormatError(name + " has " + std::to_string(stored) + " bits stored of " +
                          std::to_string(allocated) + " allocated with pixel representation " +
                          std::to_string(representation) + ", which is not usable");
    }
}

// 1-bit samples are unpacked to a byte each.
constexpr SampleTypeCode<gdcm::PixelFormat::ScalarType> kScalarTypes[] = {
    {gdcm::PixelFormat::UINT8, SampleType::U8},   {gdcm::PixelFormat::SINGLEBIT, SampleType::U8},
    {gdcm::PixelFormat::INT8, SampleType::I8},    {gdcm::PixelFormat::UINT16, SampleType::U16},
    {gdcm::PixelFormat::INT16, SampleType::I16},  {gdcm::PixelFormat::UINT32, SampleType::U32},
    {gdcm::PixelFormat::INT32, SampleType::I32},  {gdcm::PixelFormat::FLOAT32, SampleType::F32},
    {gdcm::PixelFormat::FLOAT64, SampleType::F64}};

SampleType TypeOf(const gdcm::PixelFormat& pf) {
    if (const std::optional<SampleType> type = FindSampleType(kScalarTypes, pf.GetScalarType())) {
        return *type;
    }
    throw FormatError(std::string("its pixel format ") + pf.GetScalarTypeAsString() +
                      " is not supported");
}

// Keeps the stored bits of integer samples (sign-extended when signed).
template <class T>
void KeepStoredBits(T* samples, std::size_t count, unsigned stored) {
    if (stored == 0 || stored >= 8 * sizeof(T)) return;
    using U = std::make_unsigned_t<T>;
    const U mask = static_cast<U>((U(1) << stored) - 1);
    const U sign = static_cast<U>(U(1) << (stored - 1));
    for (std::size_t i = 0; i < count; ++i) {
        U u = static_cast<U>(samples[i]) & mask;
        if (std::is_signed_v<T> && (u & sign)) u = static_cast<U>(u | ~mask);
        samples[i] = static_cast<T>(u);
    }
}

void ReadPixels(const Slice& slice, const gdcm::PixelFormat& expected, bool binary,
                std::uint8_t* out, std::uint64_t bytes, std::int64_t columns, std::int64_t rows) {
    gdcm::ImageReader reader;
    reader.SetFileName(slice.file.c_str());
    const std::string name = fs::path(slice.file).filename().string();
    if (!reader.Read()) throw FormatError(name + " cannot be read as a DICOM image");
    const gdcm::Image& image = reader.GetImage();
    const gdcm::PixelFormat& pf = image.GetPixelFormat();
    CheckPixelFormat(pf, name);
    const auto pi = image.GetPhotometricInterpretation().GetType();
    if (pf.GetSamplesPerPixel() != 1 || (pi != gdcm::PhotometricInterpretation::MONOCHROME1 &&
                                         pi != gdcm::PhotometricInterpretation::MONOCHROME2)) {
        throw FormatError(name + " holds colour, not grey values");
    }
    const unsigned frames = image.GetNumberOfDimensions() > 2 ? image.GetDimension(2) : 1;
    if (image.GetDimension(0) != columns || image.GetDimension(1) != rows ||
        long(frames) != slice.frames || pf.GetScalarType() != expected.GetScalarType()) {
        throw FormatError(name + " differs in size or type from the other slices");
    }
    const std::uint64_t length = image.GetBufferLength();
    std::vector<char> packed;
    if (binary) {
        packed.resize(length);
    } else if (length != bytes) {
        throw FormatError(name + " holds pixel data of an unexpected length");
    }
    if (!image.GetBuffer(binary ? packed.data() : reinterpret_cast<char*>(out))) {
        throw FormatError(name + ": its pixel data cannot be decoded");
    }
    if (binary) {
        // One bit per pixel, least significant bit first.
        if (length * 8 < bytes) throw FormatError(name + " holds too little pixel data");
        for (std::uint64_t i = 0; i < bytes; ++i) out[i] = (packed[i / 8] >> (i % 8)) & 1;
        return;
    }
    const std::size_t count = bytes / pf.GetPixelSize();
    const unsigned stored = pf.GetBitsStored();
    if (unsigned(pf.GetHighBit()) + 1 != stored) return;
    // 8-bit samples are kept as the library gives them.
    DispatchType(TypeOf(pf), [&](auto zero) {
        using T = decltype(zero);
        if constexpr (std::is_integral_v<T> && (sizeof(T) == 2 || sizeof(T) == 4)) {
            KeepStoredBits(reinterpret_cast<T*>(out), count, stored);
        }
    });
}

}  // namespace

namespace {

SourceVolume ReadDicomHere(const std::string& path, bool resample) {
    gdcm::Trace::SetWarning(false);
    gdcm::Trace::SetError(false);
    gdcm::Trace::SetDebug(false);
    std::error_code ec;
    const bool folder = fs::is_directory(path, ec);
    const fs::path dir = folder ? fs::path(path) : fs::absolute(path, ec).parent_path();
    std::vector<std::string> files = DicomFilesIn(dir);
    std::string chosen;
    if (!folder) {
        chosen = (dir / fs::path(path).filename()).string();
        if (std::find(files.begin(), files.end(), chosen) == files.end()) {
            const std::string problem = HasDicomMark(chosen) ? DicomWalk(chosen).Problem() : "";
            if (!problem.empty()) throw FormatError(problem);
            throw FormatError("it is not a DICOM file");
        }
    } else if (files.empty()) {
        throw FormatError("the folder holds no DICOM file");
    }

    // Headers first: grouping, sizes and positions come before any pixel data.
    gdcm::Scanner scanner;
    for (const gdcm::Tag& t :
         {kSeriesUid, kSeriesNumber, kInstanceNumber, kPosition, kOrientation, kRows, kColumns,
          kFrames, kBitsAllocated, kSamplesPerPixel, kPixelSpacing, kImagerPixelSpacing,
          kRescaleIntercept, kRescaleSlope, kTransferSyntax}) {
        scanner.AddTag(t);
    }
    if (!scanner.Scan(files)) throw FormatError("its DICOM headers cannot be read");
    const std::vector<std::string> series = ChooseSeries(scanner, files, chosen);
    if (series.empty()) throw FormatError("it holds no DICOM image");

    const std::string& first = series.front();
    const auto value = [&](const std::string& f, const gdcm::Tag& t) {
        return scanner.GetValue(f.c_str(), t);
    };
    SourceVolume v;
    v.dims[0] = Integer(value(first, kColumns), 0);
    v.dims[1] = Integer(value(first, kRows), 0);
    const long bitsAllocated = Integer(value(first, kBitsAllocated), 0);
    std::vector<Slice> slices;
    std::int64_t frames = 0;
    for (const std::string& f : series) {
        if (Shape(scanner, f) != Shape(scanner, first) ||
            Integer(value(f, kBitsAllocated), 0) != bitsAllocated) {
            throw FormatError("its slices differ in size: " + fs::path(first).filename().string() +
                              " is " + Shape(scanner, first) + ", " +
                              fs::path(f).filename().string() + " is " + Shape(scanner, f));
        }
        if (Integer(value(f, kSamplesPerPixel), 1) != 1) {
            throw FormatError(fs::path(f).filename().string() + " holds colour, not grey values");
        }
        Slice s;
        s.file = f;
        s.frames = std::max(1L, Integer(value(f, kFrames), 1));
        s.instance = Integer(value(f, kInstanceNumber), 0);
        const auto ipp = Numbers(value(f, kPosition));
        const auto iop = Numbers(value(f, kOrientation));
        if (ipp.size() == 3 && iop.size() == 6) {
            s.normal = Cross(iop);
            s.position = ipp[0] * s.normal[0] + ipp[1] * s.normal[1] + ipp[2] * s.normal[2];
            s.placed = true;
        }
        if (s.frames > (std::int64_t{1} << 31) - frames)
            throw FormatError("it holds too many frames");
        frames += s.frames;
        slices.push_back(std::move(s));
    }
    v.dims[2] = frames;
    const double zStep = SortSlices(slices, v.notes);

    // Spacing: PixelSpacing (row, column), else ImagerPixelSpacing, else 1.
    auto spacing = Numbers(value(first, kPixelSpacing));
    if (spacing.size() < 2) spacing = Numbers(value(first, kImagerPixelSpacing));
    if (spacing.size() >= 2 && spacing[0] > 0 && spacing[1] > 0) {
        v.spacing[0] = spacing[1];
        v.spacing[1] = spacing[0];
    }
    // A single slice has no z spacing: it keeps one slice.
    v.spacing[2] = slices.size() > 1 && std::fabs(zStep) > 1e-9
                       ? std::fabs(zStep)
                       : std::min(v.spacing[0], v.spacing[1]);

    // Native transfer syntaxes must hold what the header promises.
    const std::uint64_t bytesPerSample =
        bitsAllocated == 1 ? 1 : std::uint64_t(std::max(bitsAllocated, 8L) / 8);
    for (const Slice& s : slices) {
        const std::string ts = Trimmed(value(s.file, kTransferSyntax));
        const bool native =
            ts == "1.2.840.10008.1.2" || ts == "1.2.840.10008.1.2.1" || ts == "1.2.840.10008.1.2.2";
        const std::uint64_t fileBytes = RegularFileBytes(s.file, "the file");
        const std::uint64_t need = std::uint64_t(v.dims[0]) * std::uint64_t(v.dims[1]) *
                                   std::uint64_t(s.frames) *
                                   (bitsAllocated == 1 ? 1 : bytesPerSample * 8) / 8;
        if (native && need > fileBytes) {
            throw FormatError(fs::path(s.file).filename().string() + " promises " +
                              std::to_string(need) + " bytes of pixel data but holds only " +
                              std::to_string(fileBytes));
        }
    }

    // The type comes from the first slice's decoded pixel format.
    gdcm::PixelFormat format;
    {
        gdcm::ImageReader probe;
        probe.SetFileName(slices.front().file.c_str());
        const std::string name = fs::path(slices.front().file).filename().string();
        if (v.dims[0] < 1 || v.dims[1] < 1) throw FormatError(name + " has no image size");
        PromisedBytes(v.dims, 1, SampleType::U64);
        const std::uint64_t store =
            StoreBytes(std::int32_t(std::min<std::int64_t>(v.dims[0], INT32_MAX)),
                       std::int32_t(std::min<std::int64_t>(v.dims[1], INT32_MAX)),
                       std::int32_t(std::min<std::int64_t>(v.dims[2], INT32_MAX)));
        if (store > StoreBound())
            throw FormatError("the series is too large for the " + StoreBoundText() + " store");
        if (!probe.Read()) throw FormatError(name + " cannot be read as a DICOM image");
        format = probe.GetImage().GetPixelFormat();
        CheckPixelFormat(format, name);
    }
    v.type = TypeOf(format);
    v.binary = format.GetScalarType() == gdcm::PixelFormat::SINGLEBIT;
    ReserveSamples(v, resample, UINT64_MAX, false);

    const std::uint64_t sliceBytes = v.SliceCount() * SampleBytes(v.type);
    std::uint64_t offset = 0;
    for (const Slice& s : slices) {
        const std::uint64_t bytes = sliceBytes * std::uint64_t(s.frames);
        ReadPixels(s, format, v.binary, v.data.get() + offset, bytes, v.dims[0], v.dims[1]);
        offset += bytes;
        // Rescale applies to the stored integers of every frame of the file.
        const auto slope = Numbers(value(s.file, kRescaleSlope));
        const auto intercept = Numbers(value(s.file, kRescaleIntercept));
        const Rescale r{slope.empty() || slope[0] == 0.0 ? 1.0 : slope[0],
                        intercept.empty() ? 0.0 : intercept[0]};
        for (long f = 0; f < s.frames; ++f) v.rescale.push_back(r);
    }
    // No slice rescales: the values are stored ones.
    if (std::all_of(v.rescale.begin(), v.rescale.end(),
                    [](const Rescale& r) { return r.slope == 1.0 && r.intercept == 0.0; })) {
        v.rescale.clear();
    }
    return v;
}

}  // namespace

// GDCM is built with its assertions on, and a damaged file can reach one:
// the reading runs in a child process.
SourceVolume ReadDicom(const std::string& path, bool resample) {
    return ReadInChild([&] { return ReadDicomHere(path, resample); }, "DICOM");
}

}  // namespace calyra::formats
