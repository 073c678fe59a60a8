#include "formats/dicom_pixels.h"

#include <gdcmImage.h>
#include <gdcmReader.h>
#include <gdcmSequenceOfFragments.h>
#include <sys/types.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <type_traits>
#include <vector>

#include "formats/dicom_walk.h"
#include "formats/sample_types.h"

namespace calyra::formats {

namespace fs = std::filesystem;

// GDCM asserts, ending the program, when asked for the scalar type of a
// pixel format with more bits stored than allocated, or with a pixel
// representation other than 0 and 1 (and the float codes at their sizes).
void CheckPixelFormat(const gdcm::PixelFormat& pf, const std::string& name) {
    const unsigned allocated = pf.GetBitsAllocated();
    const unsigned stored = pf.GetBitsStored();
    const unsigned representation = pf.GetPixelRepresentation();
    // It also asserts on a sample width it has no type for (12 and 24 bits
    // have names there but no reading here).
    const bool width =
        allocated == 1 || allocated == 8 || allocated == 16 || allocated == 32 || allocated == 64;
    const bool usable =
        width && stored <= allocated &&
        (representation <= 1 || (representation == 2 && allocated == 16) ||
         (representation == 3 && allocated == 32) || (representation == 4 && allocated == 64));
    if (!usable) {
        throw FormatError(name + " has " + std::to_string(stored) + " bits stored of " +
                          std::to_string(allocated) + " allocated with pixel representation " +
                          std::to_string(representation) + ", which is not usable");
    }
}

// The sample type of a checked pixel format, worked out here: the library's
// own answer asserts on combinations its checks let through. 1-bit samples
// are unpacked to a byte each.
SampleType TypeOf(const gdcm::PixelFormat& pf) {
    const unsigned representation = pf.GetPixelRepresentation();
    const bool isSigned = representation == 1;
    switch (pf.GetBitsAllocated()) {
        case 1:
            return SampleType::U8;
        case 8:
            return isSigned ? SampleType::I8 : SampleType::U8;
        case 16:
            if (representation == 2) break;
            return isSigned ? SampleType::I16 : SampleType::U16;
        case 32:
            if (representation == 3) return SampleType::F32;
            return isSigned ? SampleType::I32 : SampleType::U32;
        case 64:
            if (representation == 4) return SampleType::F64;
            return isSigned ? SampleType::I64 : SampleType::U64;
        default:
            break;
    }
    throw FormatError("its samples of " + std::to_string(pf.GetBitsAllocated()) +
                      " bits with pixel representation " + std::to_string(representation) +
                      " are not supported");
}

namespace {

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

// Native pixel data straight from the file: samples in its byte order (a
// big-endian OW value in 16-bit words), 1-bit samples packed least
// significant bit first. The library's own reading of big-endian samples
// wider than 16 bits swaps them as words, which gives other values.
void ReadNative(const DicomSlice& s, const std::string& name, const DicomPixelData& px, bool binary,
                std::uint8_t* out, std::uint64_t count) {
    const std::size_t sampleBytes = binary ? 1 : std::max(1, s.format.GetBitsAllocated() / 8);
    const std::size_t unit =
        !px.bigEndian ? 1 : (binary || sampleBytes == 1 ? (px.words ? 2 : 1) : sampleBytes);
    const std::uint64_t bytes = binary ? (count + 7) / 8 : count * sampleBytes;
    const std::uint64_t span = (bytes + unit - 1) / unit * unit;
    if (px.length < span) {
        throw FormatError(name + " holds " + std::to_string(px.length) +
                          " bytes of pixel data, less than the " + std::to_string(span) +
                          " its header promises");
    }
    std::vector<std::uint8_t> packed(binary || span != bytes ? span : 0);
    std::uint8_t* to = packed.empty() ? out : packed.data();
    const std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(s.file.c_str(), "rb"),
                                                               &std::fclose);
    if (!file || fseeko(file.get(), off_t(px.offset), SEEK_SET) != 0 ||
        std::fread(to, 1, span, file.get()) != span) {
        throw FormatError(name + ": its pixel data cannot be read");
    }
    if (unit > 1) {
        for (std::uint64_t i = 0; i < span; i += unit) std::reverse(to + i, to + i + unit);
    }
    if (binary) {
        for (std::uint64_t i = 0; i < count; ++i) out[i] = (to[i / 8] >> (i % 8)) & 1;
    } else if (to != out) {
        std::memcpy(out, to, bytes);
    }
}

constexpr const char* kRle = "1.2.840.10008.1.2.5";

// The library's RLE decoder reads wherever a fragment's header points: each
// fragment must hold its header, 1 to 15 segments, and segment offsets that
// start after the header, run in order and stay inside the fragment.
void CheckRleFragments(const gdcm::DataElement& element, const std::string& name) {
    const gdcm::SequenceOfFragments* fragments = element.GetSequenceOfFragments();
    const std::string bad = name + ": its RLE pixel data are damaged";
    if (!fragments || fragments->GetNumberOfFragments() == 0) throw FormatError(bad);
    for (unsigned i = 0; i < fragments->GetNumberOfFragments(); ++i) {
        const gdcm::ByteValue* value = fragments->GetFragment(i).GetByteValue();
        constexpr std::uint32_t kHeader = 64;
        if (!value || !value->GetPointer() || value->GetLength() < kHeader) throw FormatError(bad);
        const std::uint32_t length = value->GetLength();
        const auto* header = reinterpret_cast<const std::uint8_t*>(value->GetPointer());
        const auto word = [header](int k) {
            const std::uint8_t* b = header + 4 * k;
            return std::uint32_t(b[0]) | std::uint32_t(b[1]) << 8 | std::uint32_t(b[2]) << 16 |
                   std::uint32_t(b[3]) << 24;
        };
        const std::uint32_t segments = word(0);
        if (segments < 1 || segments > 15) throw FormatError(bad);
        std::uint32_t previous = kHeader;
        for (std::uint32_t k = 1; k <= segments; ++k) {
            const std::uint32_t offset = word(int(k));
            if (offset < previous || offset >= length || (k == 1 && offset != kHeader)) {
                throw FormatError(bad);
            }
            previous = offset;
        }
    }
}

// Compressed pixel data decoded by the library from the element alone: the
// size and format come from the header as read here, so none of the
// library's own header readings (which assert on some real files) run.
void DecodePixels(const DicomSlice& s, const std::string& name, const DicomPixelData& px,
                  bool binary, std::uint8_t* out, std::uint64_t count, std::int64_t columns,
                  std::int64_t rows) {
    gdcm::Reader reader;
    reader.SetFileName(s.file.c_str());
    if (!reader.Read()) throw FormatError(name + " cannot be read as DICOM");
    const gdcm::DataSet& set = reader.GetFile().GetDataSet();
    const gdcm::Tag tag(0x7fe0, std::uint16_t(px.element));
    if (!set.FindDataElement(tag)) throw FormatError(name + " holds no pixel data");
    gdcm::Image image;
    image.SetNumberOfDimensions(3);
    image.SetDimension(0, unsigned(columns));
    image.SetDimension(1, unsigned(rows));
    image.SetDimension(2, unsigned(s.frames));
    image.SetPixelFormat(s.format);
    image.SetPhotometricInterpretation(s.photometric);
    image.SetTransferSyntax(reader.GetFile().GetHeader().GetDataSetTransferSyntax());
    if (s.syntax == kRle) CheckRleFragments(set.GetDataElement(tag), name);
    image.SetDataElement(set.GetDataElement(tag));
    const std::uint64_t length = image.GetBufferLength();
    const std::uint64_t bytes = binary ? (count + 7) / 8 : count * s.format.GetPixelSize();
    if (length != bytes) throw FormatError(name + " holds pixel data of an unexpected length");
    std::vector<char> packed(binary ? length : 0);
    if (!image.GetBuffer(binary ? packed.data() : reinterpret_cast<char*>(out))) {
        throw FormatError(name + ": its pixel data cannot be decoded");
    }
    if (TypeOf(image.GetPixelFormat()) != TypeOf(s.format)) {
        throw FormatError(name + ": its compressed pixel data differ in type from its header");
    }
    for (std::uint64_t i = 0; binary && i < count; ++i) out[i] = (packed[i / 8] >> (i % 8)) & 1;
}

constexpr const char* kDeflated = "1.2.840.10008.1.2.1.99";

bool NativeSyntax(const std::string& ts) {
    return ts.empty() || ts == "1.2.840.10008.1.2" || ts == "1.2.840.10008.1.2.1" ||
           ts == "1.2.840.10008.1.2.2";
}

}  // namespace

// One file's frames into out (count samples), at the series' type.
void ReadPixels(const DicomSlice& s, bool binary, std::uint8_t* out, std::uint64_t count,
                std::int64_t columns, std::int64_t rows) {
    const std::string name = fs::path(s.file).filename().string();
    DicomPixelData px;
    const std::string problem = DicomProblem(s.file, &px);
    if (!problem.empty()) throw FormatError(name + ": " + problem);
    if (s.syntax == kDeflated) {
        // Not walked: the library inflates the data set and finds the pixel data.
        px.found = px.encapsulated = true;
        px.element = 0x0010;
    }
    if (!px.found) throw FormatError(name + " holds no pixel data");
    if (NativeSyntax(s.syntax) != !px.encapsulated) {
        throw FormatError(name + ": its pixel data are not stored as its transfer syntax says");
    }
    if (px.encapsulated) {
        DecodePixels(s, name, px, binary, out, count, columns, rows);
    } else {
        ReadNative(s, name, px, binary, out, count);
    }
    const unsigned stored = s.format.GetBitsStored();
    if (binary || unsigned(s.format.GetHighBit()) + 1 != stored) return;
    // 8-bit samples are kept as they are.
    DispatchType(TypeOf(s.format), [&](auto zero) {
        using T = decltype(zero);
        if constexpr (std::is_integral_v<T> && (sizeof(T) == 2 || sizeof(T) == 4)) {
            KeepStoredBits(reinterpret_cast<T*>(out), count, stored);
        }
    });
}

}  // namespace calyra::formats
