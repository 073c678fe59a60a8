#include "formats/open_volume.h"

#include <zlib.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <new>

#include "base/messages.h"
#include "formats/readers.h"
#include "formats/store_fill.h"
#include "render/user_settings.h"
#include "volume/volume_store.h"

namespace calyra::formats {

OpenOptions MakeOpenOptions(std::optional<double> windowLow, std::optional<double> windowHigh,
                            bool resample) {
    OpenOptions options;
    if (windowLow && windowHigh) {
        options.window = true;
        options.windowLow = *windowLow;
        options.windowHigh = *windowHigh;
    }
    options.resample = resample;
    return options;
}
namespace {

namespace fs = std::filesystem;

enum class Format { Unknown, Nrrd, MetaImage, Nifti, Dicom, Tiff };

// The names of each format's files: what a file without a known header is
// read as, and what the file chooser offers.
struct Extension {
    Format format;
    const char* suffix;
    bool offered;  // listed in the chooser's filter
};
constexpr Extension kExtensions[] = {
    {Format::Nrrd, ".nrrd", true},     {Format::Nrrd, ".nhdr", true},
    {Format::MetaImage, ".mha", true}, {Format::MetaImage, ".mhd", true},
    {Format::Nifti, ".nii", true},     {Format::Nifti, ".nii.gz", true},
    {Format::Nifti, ".hdr", true},     {Format::Nifti, ".img", true},
    {Format::Nifti, ".img.gz", false}, {Format::Dicom, ".dcm", true},
    {Format::Tiff, ".tif", true},      {Format::Tiff, ".tiff", true},
};

bool EndsWith(std::string name, const char* suffix) {
    std::transform(name.begin(), name.end(), name.begin(),
                   [](unsigned char c) { return std::tolower(c); });
    const std::size_t n = std::strlen(suffix);
    return name.size() >= n && name.compare(name.size() - n, n, suffix) == 0;
}

// The first bytes of the file (of its decompressed stream when it is gzip).
std::string Head(const std::string& path, std::size_t bytes, bool gunzip) {
    std::string head(bytes, '\0');
    if (gunzip) {
        gzFile gz = gzopen(path.c_str(), "rb");
        if (!gz) return {};
        const int n = gzread(gz, head.data(), static_cast<unsigned>(bytes));
        gzclose(gz);
        head.resize(n > 0 ? std::size_t(n) : 0);
        return head;
    }
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return {};
    head.resize(std::fread(head.data(), 1, bytes, f));
    std::fclose(f);
    return head;
}

bool IsNiftiHeader(const std::string& head) {
    if (head.size() < 4) return false;
    std::int32_t size = 0;
    std::memcpy(&size, head.data(), 4);
    const std::int32_t swapped = std::int32_t(__builtin_bswap32(std::uint32_t(size)));
    return size == 348 || size == 540 || swapped == 348 || swapped == 540;
}

bool IsMetaImageHeader(const std::string& head) {
    for (const char* key : {"ObjectType", "NDims", "ObjectSubType", "Comment"}) {
        const std::size_t at = head.find(key);
        if (at == 0) return true;
    }
    return false;
}

// By content where the format has a mark, else by extension. "DICM" at
// byte 128 comes first: scanner files may carry a TIFF header before it.
Format DetectFormat(const std::string& path) {
    std::error_code ec;
    if (fs::is_directory(path, ec)) return Format::Dicom;
    const std::string head = Head(path, 512, false);
    if (head.size() >= 132 && head.compare(128, 4, "DICM") == 0) return Format::Dicom;
    // Raw files go to the import dialog, whatever their first bytes look like.
    if (EndsWith(path, ".raw")) return Format::Unknown;
    if (head.rfind("NRRD000", 0) == 0) return Format::Nrrd;
    // Classic and big TIFF, either byte order.
    for (const char* mark : {"II*", "II+", "MM\0*", "MM\0+"}) {
        if (head.compare(0, mark[0] == 'I' ? 3 : 4, mark, mark[0] == 'I' ? 3 : 4) == 0)
            return Format::Tiff;
    }
    if (head.size() >= 2 && static_cast<unsigned char>(head[0]) == 0x1f &&
        static_cast<unsigned char>(head[1]) == 0x8b) {
        if (IsNiftiHeader(Head(path, 4, true))) return Format::Nifti;
    } else if (IsNiftiHeader(head) && !EndsWith(path, ".img")) {
        return Format::Nifti;
    }
    if (IsMetaImageHeader(head)) return Format::MetaImage;
    // DICOM is known by its content alone.
    for (const Extension& e : kExtensions) {
        if (e.format != Format::Dicom && EndsWith(path, e.suffix)) return e.format;
    }
    return Format::Unknown;
}

SourceVolume ReadSource(const std::string& path, Format format, bool resample) {
    switch (format) {
        case Format::Nrrd:
            return ReadNrrd(path, resample);
        case Format::MetaImage:
            return ReadMetaImage(path, resample);
        case Format::Nifti:
            return ReadNifti(path, resample);
        case Format::Dicom:
            return ReadDicom(path, resample);
        case Format::Tiff:
            return ReadTiff(path, resample);
        case Format::Unknown:
            break;
    }
    throw FormatError("it is not a volume format this program reads");
}

void ReportFailure(const std::string& path, const std::string& reason) {
    ReportMessage({"Cannot open the volume " + path + ":\n" + reason + ".", "",
                   MessageIcon::Warning, MessageOwner::Frame});
}

}  // namespace

bool IsVolumeFile(const std::string& path) {
    return DetectFormat(path) != Format::Unknown;
}

std::shared_ptr<VolumeStore> OpenVolume(const std::string& path, const OpenOptions& options,
                                        const VolumeStore& previous) {
    struct Busy {
        Busy() { SetBusy(true); }
        ~Busy() { SetBusy(false); }
    } busy;
    SourceVolume source;
    Int3 dims;
    IntensityMapping mapping;
    try {
        std::error_code ec;
        if (!fs::exists(path, ec)) throw FormatError("it does not exist");
        source = ReadSource(path, DetectFormat(path), options.resample);
        dims = StoreDimsFor(source, options.resample);
        mapping = ChooseMapping(source, options);
    } catch (const FormatError& e) {
        ReportFailure(path, e.what());
        return nullptr;
    } catch (const std::bad_alloc&) {
        ReportAllocationFailure(path);
        return nullptr;
    } catch (const std::exception&) {
        // A library's own exception: its text (source lines, class names) is
        // not for the user.
        ReportFailure(path, kLibraryGaveUp);
        return nullptr;
    }

    // Everything is read and checked: only now is a store made for it.
    std::shared_ptr<VolumeStore> store = NewStoreAfter(previous);
    if (!AllocateVolume(*store, dims.x, dims.y, dims.z)) {
        ReportAllocationFailure(path);
        return nullptr;
    }
    std::uint32_t largest = 0;
    try {
        largest = FillStores(*store, source, mapping, dims);
    } catch (const std::bad_alloc&) {
        ReportAllocationFailure(path);
        return nullptr;
    }
    PublishShape(*store, dims.x, dims.y, dims.z, std::max({dims.x, dims.y, dims.z}));
    store->maxValue = largest;
    store->mirrorZ = 0;
    for (const std::string& note : source.notes) {
        ReportMessage(
            {path + ":\n" + note, "", MessageIcon::Information, MessageOwner::Frame, false});
    }
    return store;
}

std::string VolumeFilePatterns() {
    std::string patterns;
    for (const Extension& e : kExtensions) {
        if (!e.offered) continue;
        if (!patterns.empty()) patterns += ' ';
        patterns += std::string("*") + e.suffix;
    }
    return patterns;
}

}  // namespace calyra::formats
