// DICOM through GDCM: a folder's largest series, or the series of one file,
// slices sorted by their position along the slice normal.
#include <gdcmImage.h>
#include <gdcmReader.h>
#include <gdcmScanner.h>
#include <gdcmTrace.h>
#include <sys/types.h>

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
#include "formats/dicom_walk.h"
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
const gdcm::Tag kBitsStored(0x0028, 0x0101);
const gdcm::Tag kHighBit(0x0028, 0x0102);
const gdcm::Tag kPixelRepresentation(0x0028, 0x0103);
const gdcm::Tag kPhotometric(0x0028, 0x0004);
const gdcm::Tag kSamplesPerPixel(0x0028, 0x0002);
const gdcm::Tag kPixelSpacing(0x0028, 0x0030);
const gdcm::Tag kImagerPixelSpacing(0x0018, 0x1164);
const gdcm::Tag kRescaleIntercept(0x0028, 0x1052);
const gdcm::Tag kRescaleSlope(0x0028, 0x1053);
const gdcm::Tag kTransferSyntax(0x0002, 0x0010);

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
    gdcm::PixelFormat format;
    gdcm::PhotometricInterpretation::PIType photometric =
        gdcm::PhotometricInterpretation::MONOCHROME2;
    std::string syntax;
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
            DicomProblem(it->path().string()).empty()) {
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
    for (std::size_t i = 1; i < slices.size(); ++i) {
        const double step = slices[i].position - slices[i - 1].position;
        // Two files at one place: no order of them is the scan, and stacking
        // both would show a volume that is not there.
        if (step <= 1e-6 * std::max(1.0, std::fabs(slices[i].position))) {
            throw FormatError("its files " + fs::path(slices[i - 1].file).filename().string() +
                              " and " + fs::path(slices[i].file).filename().string() +
                              " lie at the same position; open one of them alone in a folder");
        }
        steps.push_back(step);
    }
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
void ReadNative(const Slice& s, const std::string& name, const DicomPixelData& px, bool binary,
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

// Compressed pixel data decoded by the library from the element alone: the
// size and format come from the header as read here, so none of the
// library's own header readings (which assert on some real files) run.
void DecodePixels(const Slice& s, const std::string& name, const DicomPixelData& px, bool binary,
                  std::uint8_t* out, std::uint64_t count, std::int64_t columns, std::int64_t rows) {
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

// One file's frames into out (count samples), at the series' type.
void ReadPixels(const Slice& s, bool binary, std::uint8_t* out, std::uint64_t count,
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

// The header values of the chosen files, read without their pixel data.
class Headers {
  public:
    explicit Headers(const std::vector<std::string>& files) {
        for (const gdcm::Tag& t :
             {kSeriesUid, kSeriesNumber, kInstanceNumber, kPosition, kOrientation, kRows, kColumns,
              kFrames, kBitsAllocated, kBitsStored, kHighBit, kPixelRepresentation,
              kSamplesPerPixel, kPhotometric, kPixelSpacing, kImagerPixelSpacing, kRescaleIntercept,
              kRescaleSlope, kTransferSyntax}) {
            scanner_.AddTag(t);
        }
        if (!scanner_.Scan(files)) throw FormatError("its DICOM headers cannot be read");
    }
    const gdcm::Scanner& Scanner() const { return scanner_; }
    const char* Text(const std::string& f, const gdcm::Tag& t) const {
        return scanner_.GetValue(f.c_str(), t);
    }
    long Number(const std::string& f, const gdcm::Tag& t, long fallback) const {
        return Integer(Text(f, t), fallback);
    }

  private:
    gdcm::Scanner scanner_;
};

// The pixel format the header gives, with the library's defaults for the
// tags it leaves out.
gdcm::PixelFormat HeaderFormat(const Headers& h, const std::string& f) {
    const auto field = [&](const gdcm::Tag& t, long fallback) {
        return static_cast<unsigned short>(std::clamp(h.Number(f, t, fallback), 0L, 65535L));
    };
    const std::string name = fs::path(f).filename().string();
    // Read from the header: the library asserts on a count other than 1, 3 and 4.
    if (h.Number(f, kSamplesPerPixel, 1) != 1)
        throw FormatError(name + " holds colour, not grey values");
    const unsigned short allocated = field(kBitsAllocated, 0);
    const unsigned short stored = field(kBitsStored, 8);
    gdcm::PixelFormat pf(field(kSamplesPerPixel, 1), allocated, stored,
                         field(kHighBit, std::max(1, int(stored)) - 1),
                         field(kPixelRepresentation, 0));
    CheckPixelFormat(pf, name);
    DicomPixelData px;
    DicomProblem(f, &px);
    if (px.element == 0x0008) pf.SetScalarType(gdcm::PixelFormat::FLOAT32);
    if (px.element == 0x0009) pf.SetScalarType(gdcm::PixelFormat::FLOAT64);
    return pf;
}

// The files of the series to open: path's series, or the folder's largest.
std::vector<std::string> SeriesFiles(const std::string& path, std::unique_ptr<Headers>& headers) {
    std::error_code ec;
    const bool folder = fs::is_directory(path, ec);
    const fs::path dir = folder ? fs::path(path) : fs::absolute(path, ec).parent_path();
    std::vector<std::string> files = DicomFilesIn(dir);
    std::string chosen;
    if (!folder) {
        chosen = (dir / fs::path(path).filename()).string();
        if (std::find(files.begin(), files.end(), chosen) == files.end()) {
            const std::string problem = HasDicomMark(chosen) ? DicomProblem(chosen) : "";
            if (!problem.empty()) throw FormatError(problem);
            throw FormatError("it is not a DICOM file");
        }
    } else if (files.empty()) {
        throw FormatError("the folder holds no DICOM file");
    }
    // Headers first: grouping, sizes and positions come before any pixel data.
    headers = std::make_unique<Headers>(files);
    std::vector<std::string> series = ChooseSeries(headers->Scanner(), files, chosen);
    if (series.empty()) throw FormatError("it holds no DICOM image");
    return series;
}

// One slice per file, in the series' order, each of the first file's size and type.
std::vector<Slice> GatherSlices(const Headers& h, const std::vector<std::string>& series) {
    const std::string& first = series.front();
    const gdcm::PixelFormat format = HeaderFormat(h, first);
    std::vector<Slice> slices;
    std::int64_t frames = 0;
    for (const std::string& f : series) {
        const std::string name = fs::path(f).filename().string();
        if (Shape(h.Scanner(), f) != Shape(h.Scanner(), first) ||
            h.Number(f, kBitsAllocated, 0) != h.Number(first, kBitsAllocated, 0)) {
            throw FormatError("its slices differ in size: " + fs::path(first).filename().string() +
                              " is " + Shape(h.Scanner(), first) + ", " + name + " is " +
                              Shape(h.Scanner(), f));
        }
        Slice s;
        s.file = f;
        s.format = HeaderFormat(h, f);
        const std::string pi = Trimmed(h.Text(f, kPhotometric));
        s.photometric = pi.empty() ? gdcm::PhotometricInterpretation::MONOCHROME2
                                   : gdcm::PhotometricInterpretation::GetPIType(pi.c_str());
        if (s.photometric != gdcm::PhotometricInterpretation::MONOCHROME1 &&
            s.photometric != gdcm::PhotometricInterpretation::MONOCHROME2) {
            throw FormatError(name + " holds colour, not grey values");
        }
        if (TypeOf(s.format) != TypeOf(format) ||
            (s.format.GetBitsAllocated() == 1) != (format.GetBitsAllocated() == 1))
            throw FormatError(name + " differs in type from the other slices");
        s.syntax = Trimmed(h.Text(f, kTransferSyntax));
        s.frames = std::max(1L, h.Number(f, kFrames, 1));
        s.instance = h.Number(f, kInstanceNumber, 0);
        const auto ipp = Numbers(h.Text(f, kPosition));
        const auto iop = Numbers(h.Text(f, kOrientation));
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
    return slices;
}

// Spacing: PixelSpacing (row, column), else ImagerPixelSpacing, else 1; z
// from the slice step, none for a single slice.
void SetSpacing(SourceVolume& v, const Headers& h, const std::string& first, std::size_t files,
                double zStep) {
    auto spacing = Numbers(h.Text(first, kPixelSpacing));
    if (spacing.size() < 2) spacing = Numbers(h.Text(first, kImagerPixelSpacing));
    if (spacing.size() >= 2 && spacing[0] > 0 && spacing[1] > 0) {
        v.spacing[0] = spacing[1];
        v.spacing[1] = spacing[0];
    }
    v.spacing[2] = files > 1 && std::fabs(zStep) > 1e-9 ? std::fabs(zStep)
                                                        : std::min(v.spacing[0], v.spacing[1]);
}

// The series' shape against the store bound before anything is allocated.
void CheckShape(const SourceVolume& v, const std::string& first) {
    if (v.dims[0] < 1 || v.dims[1] < 1) {
        throw FormatError(fs::path(first).filename().string() + " has no image size");
    }
    PromisedBytes(v.dims, 1, SampleType::U64);
    const std::uint64_t store =
        StoreBytes(std::int32_t(std::min<std::int64_t>(v.dims[0], INT32_MAX)),
                   std::int32_t(std::min<std::int64_t>(v.dims[1], INT32_MAX)),
                   std::int32_t(std::min<std::int64_t>(v.dims[2], INT32_MAX)));
    if (store > StoreBound())
        throw FormatError("the series is too large for the " + StoreBoundText() + " store");
}

SourceVolume ReadDicomHere(const std::string& path, bool resample) {
    gdcm::Trace::SetWarning(false);
    gdcm::Trace::SetError(false);
    gdcm::Trace::SetDebug(false);
    std::unique_ptr<Headers> headers;
    const std::vector<std::string> series = SeriesFiles(path, headers);
    const Headers& h = *headers;
    const std::string& first = series.front();
    SourceVolume v;
    v.dims[0] = h.Number(first, kColumns, 0);
    v.dims[1] = h.Number(first, kRows, 0);
    std::vector<Slice> slices = GatherSlices(h, series);
    v.dims[2] = 0;
    for (const Slice& s : slices) v.dims[2] += s.frames;
    SetSpacing(v, h, first, slices.size(), SortSlices(slices, v.notes));
    CheckShape(v, first);
    v.type = TypeOf(slices.front().format);
    v.binary = slices.front().format.GetBitsAllocated() == 1;
    ReserveSamples(v, resample, UINT64_MAX, false);

    std::uint64_t offset = 0;
    for (const Slice& s : slices) {
        const std::uint64_t count = v.SliceCount() * std::uint64_t(s.frames);
        ReadPixels(s, v.binary, v.data.get() + offset, count, v.dims[0], v.dims[1]);
        offset += count * SampleBytes(v.type);
        // Rescale applies to the stored integers of every frame of the file.
        const auto slope = Numbers(h.Text(s.file, kRescaleSlope));
        const auto intercept = Numbers(h.Text(s.file, kRescaleIntercept));
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
