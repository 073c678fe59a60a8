// MetaImage (.mha with its data attached, .mhd with a data file) through
// the library's MetaImage reader.
#include <itkMetaImageIO.h>
#include <strings.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <type_traits>

#include "formats/child_reader.h"
#include "formats/readers.h"
#include "formats/sample_types.h"

namespace calyra::formats {
namespace {

// The library names its integer types after C's, whose sizes vary: each
// stands for the sample type of its size here.
template <class T>
constexpr SampleType IntegerOfSize() {
    constexpr bool sign = std::is_signed_v<T>;
    if constexpr (sizeof(T) == 8) return sign ? SampleType::I64 : SampleType::U64;
    return sign ? SampleType::I32 : SampleType::U32;
}

using Component = itk::IOComponentEnum;
constexpr SampleTypeCode<Component> kComponents[] = {
    {Component::UCHAR, SampleType::U8},
    {Component::CHAR, SampleType::I8},
    {Component::USHORT, SampleType::U16},
    {Component::SHORT, SampleType::I16},
    {Component::UINT, IntegerOfSize<unsigned>()},
    {Component::INT, IntegerOfSize<int>()},
    {Component::ULONG, IntegerOfSize<unsigned long>()},
    {Component::LONG, IntegerOfSize<long>()},
    {Component::ULONGLONG, IntegerOfSize<unsigned long long>()},
    {Component::LONGLONG, IntegerOfSize<long long>()},
    {Component::FLOAT, SampleType::F32},
    {Component::DOUBLE, SampleType::F64}};

SampleType TypeOf(Component type) {
    if (const std::optional<SampleType> sample = FindSampleType(kComponents, type)) return *sample;
    throw FormatError("its element type is not a number type");
}

// Where the elements start in a file that holds its header too: after the
// ElementDataFile line, the header's last.
std::uint64_t LocalDataOffset(const std::string& path) {
    const auto offset = HeaderEnd(path, [](const std::string& line) {
        return line.find("ElementDataFile") != std::string::npos;
    });
    if (!offset) throw FormatError("its header has no ElementDataFile line");
    return *offset;
}

// Header lines the library cannot take. It keeps up to 10 dims in fixed
// arrays and reads as many values per line as NDims says, whatever it
// says: NDims = 4.4e95 kept it reading for ever. It copies field names,
// and values such as Name and Comment, into buffers of 255 characters
// without looking at their length: a longer one ends the program (the
// C library's overflow check) or overwrites memory. A name with no = or :
// after it on its line takes its value from after the next one, a line
// further on, so that the library no longer reads the header line by line:
// it could take the ElementDataFile line for a value and read the data as
// header. Checked first, up to the ElementDataFile line, whose value (a
// path) the library keeps whole.
void CheckHeaderLines(const std::string& path) {
    constexpr std::size_t kBuffer = 255;
    const auto trimmed = [](const std::string& text) {
        const std::size_t first = text.find_first_not_of(" \t\r");
        if (first == std::string::npos) return std::string();
        return text.substr(first, text.find_last_not_of(" \t\r") + 1 - first);
    };
    const auto end = HeaderEnd(path, [&](const std::string& line) {
        const std::size_t separator = line.find_first_of("=:");
        const std::string key = trimmed(line.substr(0, separator));
        // The library ends a name at a carriage return too.
        if ((separator == std::string::npos && !key.empty()) ||
            key.find('\r') != std::string::npos) {
            throw FormatError("its header line \"" + key.substr(0, 40) +
                              "\" has no = sign after its name");
        }
        const std::string value =
            separator == std::string::npos ? std::string() : trimmed(line.substr(separator + 1));
        if (key.size() >= kBuffer) {
            throw FormatError("its header has a field name of " + std::to_string(key.size()) +
                              " characters");
        }
        if (key == "ElementDataFile") return true;
        if (value.size() >= kBuffer) {
            throw FormatError("its header field " + key + " has a value of " +
                              std::to_string(value.size()) + " characters");
        }
        if (strcasecmp(key.c_str(), "NDims") != 0) return false;
        const double n = std::strtod(value.c_str(), nullptr);
        if (!(n >= 1 && n <= 10) || n != std::floor(n)) {
            throw FormatError("its NDims of " + value + " is not 1 to 10");
        }
        return false;
    });
    // Lines past the scan were not checked, and the library would read them.
    if (!end) throw FormatError("its header has no ElementDataFile line");
}

// The file holding the elements, where they start and how many bytes of it
// are elements.
std::uint64_t AvailableBytes(const std::string& path, MetaImage& meta, std::string& dataFile,
                             std::uint64_t& offset) {
    const std::string name = meta.ElementDataFileName();
    if (name == "LIST" || name.find('%') != std::string::npos) {
        throw FormatError("its elements are split over several files, which is not supported");
    }
    dataFile = path;
    const bool local = name == "LOCAL" || name == "Local" || name == "local";
    if (!local) {
        const std::filesystem::path p(name);
        dataFile = (p.is_absolute() ? p : std::filesystem::path(path).parent_path() / p).string();
    }
    const std::uint64_t bytes = RegularFileBytes(dataFile, "the data file");
    const int header = meta.HeaderSize();
    offset = local ? LocalDataOffset(path) : header > 0 ? std::uint64_t(header) : 0;
    return header > 0 && std::uint64_t(header) < bytes ? bytes - std::uint64_t(header)
           : header > 0                                ? 0
                                                       : bytes;
}

SourceVolume ReadMetaImageHere(const std::string& path, bool resample) {
    SourceVolume v;
    try {
        auto io = itk::MetaImageIO::New();
        if (!io->CanReadFile(path.c_str())) throw FormatError("it is not a MetaImage header");
        CheckHeaderLines(path);
        io->SetFileName(path);
        io->ReadImageInformation();
        if (io->GetNumberOfComponents() != 1) {
            throw FormatError("it holds " + std::to_string(io->GetNumberOfComponents()) +
                              " components per voxel, not one value");
        }
        const unsigned nd = io->GetNumberOfDimensions();
        if (nd < 1) throw FormatError("it has no dimensions");
        itk::ImageIORegion region(nd);
        for (unsigned a = 0; a < nd; ++a) {
            const auto size = static_cast<std::int64_t>(io->GetDimensions(a));
            region.SetIndex(a, 0);
            region.SetSize(a, io->GetDimensions(a));
            if (a < 3) {
                v.dims[a] = size;
                v.spacing[a] = io->GetSpacing(a);
            } else {
                AddVolumeAxis(v, size);
            }
        }
        NoteFirstVolume(v);
        v.type = TypeOf(io->GetComponentType());
        MetaImage& meta = *io->GetMetaImagePointer();
        std::string dataFile;
        std::uint64_t offset = 0;
        const std::uint64_t available = AvailableBytes(path, meta, dataFile, offset);
        ReserveSamples(v, resample, available, meta.CompressedData());
        // The library reads a compressed stream that stops short or goes on
        // without a word: it must hold exactly the promised bytes.
        if (meta.CompressedData()) {
            CheckCompressedLength(dataFile, offset, PromisedBytes(v.dims, v.volumes, v.type));
        }
        io->SetIORegion(region);
        io->Read(v.data.get());
    } catch (const itk::ExceptionObject&) {
        throw FormatError("the MetaImage library cannot read its header or data");
    }
    return v;
}

}  // namespace

// The MetaImage library stops the program on some damaged headers (its
// string copies are checked by the C library): the reading runs in a child
// process.
SourceVolume ReadMetaImage(const std::string& path, bool resample) {
    return ReadInChild([&] { return ReadMetaImageHere(path, resample); }, "MetaImage");
}

}  // namespace calyra::formats
