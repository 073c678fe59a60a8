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
#include "formats/dicom_pixels.h"
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
const gdcm::Tag kModality(0x0008, 0x0060);
const gdcm::Tag kUnits(0x0054, 0x1001);

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

using Slice = DicomSlice;

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

// The header values of the chosen files, read without their pixel data.
class Headers {
  public:
    explicit Headers(const std::vector<std::string>& files) {
        for (const gdcm::Tag& t : {kSeriesUid,
                                   kSeriesNumber,
                                   kInstanceNumber,
                                   kPosition,
                                   kOrientation,
                                   kRows,
                                   kColumns,
                                   kFrames,
                                   kBitsAllocated,
                                   kBitsStored,
                                   kHighBit,
                                   kPixelRepresentation,
                                   kSamplesPerPixel,
                                   kPhotometric,
                                   kPixelSpacing,
                                   kImagerPixelSpacing,
                                   kRescaleIntercept,
                                   kRescaleSlope,
                                   kTransferSyntax,
                                   kModality,
                                   kUnits}) {
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

// The unit of the values after rescale: Hounsfield units for CT, the Units
// element as written for PET, none for the rest.
std::string ValueUnit(const Headers& h, const std::string& first) {
    const std::string modality = Trimmed(h.Text(first, kModality));
    if (modality == "CT") return "HU";
    if (modality == "PT") {
        std::string unit = Trimmed(h.Text(first, kUnits));
        // Only plain text of a sensible length reaches the readouts.
        if (unit.size() > 16) unit.resize(16);
        for (char& c : unit) {
            if (static_cast<unsigned char>(c) < 0x20 || static_cast<unsigned char>(c) > 0x7e)
                c = '?';
        }
        return unit;
    }
    return {};
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
    v.unit = ValueUnit(h, first);
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
