// NRRD (.nrrd, .nhdr with detached data) through the library's NrrdIO.
#include <NrrdIO.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <new>

#include "formats/readers.h"
#include "formats/sample_types.h"

namespace calyra::formats {
namespace {

struct NrrdDeleter {
    void operator()(Nrrd* n) const { nrrdNuke(n); }
};
struct IoStateDeleter {
    void operator()(NrrdIoState* s) const { nrrdIoStateNix(s); }
};
using NrrdPtr = std::unique_ptr<Nrrd, NrrdDeleter>;
using IoStatePtr = std::unique_ptr<NrrdIoState, IoStateDeleter>;

std::string TakeLibraryError() {
    char* err = biffGetDone(NRRD);
    std::string text = err ? err : "unknown error";
    std::free(err);
    while (!text.empty() && (text.back() == '\n' || text.back() == ' ')) text.pop_back();
    // The library's message has one line per call level; the innermost says why.
    const auto last = text.rfind('\n');
    if (last != std::string::npos) text = text.substr(last + 1);
    const auto colon = text.find(": ");
    if (colon != std::string::npos && text.rfind('[', 0) == 0) text = text.substr(colon + 2);
    return text;
}

constexpr SampleTypeCode<int> kTypes[] = {
    {nrrdTypeChar, SampleType::I8},   {nrrdTypeUChar, SampleType::U8},
    {nrrdTypeShort, SampleType::I16}, {nrrdTypeUShort, SampleType::U16},
    {nrrdTypeInt, SampleType::I32},   {nrrdTypeUInt, SampleType::U32},
    {nrrdTypeLLong, SampleType::I64}, {nrrdTypeULLong, SampleType::U64},
    {nrrdTypeFloat, SampleType::F32}, {nrrdTypeDouble, SampleType::F64}};

SampleType TypeOf(int nrrdType) {
    if (const std::optional<SampleType> type = FindSampleType(kTypes, nrrdType)) return *type;
    throw FormatError("its sample type is not a number type");
}

// Axes whose kind says they hold the components of one value (colour, vector).
bool IsComponentAxis(const NrrdAxisInfo& axis) {
    switch (axis.kind) {
        case nrrdKindUnknown:
        case nrrdKindDomain:
        case nrrdKindSpace:
        case nrrdKindTime:
        case nrrdKindStub:
        case nrrdKindScalar:
            return false;
        default:
            return axis.size > 1;
    }
}

double AxisSpacing(const Nrrd& n, const NrrdAxisInfo& axis) {
    if (std::isfinite(axis.spacing)) return axis.spacing;
    if (n.spaceDim > 0 && std::isfinite(axis.spaceDirection[0])) {
        return nrrdSpaceVecNorm(n.spaceDim, axis.spaceDirection);
    }
    return 1.0;
}

// The detached data files the header names, header-relative names resolved.
std::vector<std::string> DataFiles(const NrrdIoState& nio) {
    std::vector<std::string> names;
    const std::filesystem::path dir = nio.path ? nio.path : "";
    const auto resolve = [&](const std::string& name) {
        const std::filesystem::path p(name);
        return (p.is_absolute() ? p : dir / p).string();
    };
    if (nio.dataFNFormat) {
        if (nio.dataFNStep == 0) throw FormatError("its data file list has a step of 0");
        const long long count =
            (static_cast<long long>(nio.dataFNMax) - nio.dataFNMin) / nio.dataFNStep + 1;
        if (count < 1 || count > (1 << 24)) throw FormatError("its data file list is not usable");
        for (long long i = 0; i < count; ++i) {
            char name[4096];
            std::snprintf(name, sizeof name, nio.dataFNFormat,
                          static_cast<int>(nio.dataFNMin + i * nio.dataFNStep));
            names.push_back(resolve(name));
        }
    } else if (nio.dataFNArr) {
        for (unsigned i = 0; i < nio.dataFNArr->len; ++i) names.push_back(resolve(nio.dataFN[i]));
    }
    return names;
}

// Bytes of data the files can supply, and whether they are compressed.
std::uint64_t AvailableBytes(const std::string& path, const NrrdIoState& nio, bool& compressed) {
    const std::vector<std::string> files = DataFiles(nio);
    std::uint64_t available = 0;
    const std::uint64_t skip = nio.byteSkip > 0 ? std::uint64_t(nio.byteSkip) : 0;
    if (files.empty()) {
        available = RegularFileBytes(path, "the file");
    }
    for (const std::string& f : files) {
        const std::uint64_t bytes = RegularFileBytes(f, "the data file");
        available += bytes > skip ? bytes - skip : 0;
    }
    compressed = nio.encoding && nio.encoding->isCompression;
    // Text encodings: at least two characters per value of at most eight bytes.
    if (nio.encoding == nrrdEncodingAscii) available *= 4;
    return available;
}

// Bytes before the data in a file that holds its header too: the header
// ends at its first empty line.
std::uint64_t AttachedDataOffset(const std::string& path) {
    const auto offset =
        HeaderEnd(path, [](const std::string& line) { return line.empty() || line == "\r"; });
    if (!offset) throw FormatError("its header does not end");
    return *offset;
}

// gzip data must inflate to exactly the promised bytes: the library reads
// what it needs and says nothing of the rest.
void CheckGzipData(const std::string& path, const NrrdIoState& nio, std::uint64_t bytes) {
    if (nio.encoding != nrrdEncodingGzip) return;
    const std::vector<std::string> files = DataFiles(nio);
    if (files.empty()) {
        CheckCompressedLength(path, AttachedDataOffset(path), bytes);
    } else if (files.size() == 1 && nio.byteSkip <= 0) {
        CheckCompressedLength(files.front(), 0, bytes);
    }
}

// Reads the header, and with dataBytes > 0 the samples too.
NrrdPtr Load(const std::string& path, std::uint64_t dataBytes, IoStatePtr& nio) {
    NrrdPtr n(nrrdNew());
    nio.reset(nrrdIoStateNew());
    if (!n || !nio) throw std::bad_alloc();
    nrrdIoStateSet(nio.get(), nrrdIoStateSkipData, dataBytes == 0 ? AIR_TRUE : AIR_FALSE);
    if (nrrdLoad(n.get(), path.c_str(), nio.get())) {
        const std::string error = TakeLibraryError();
        // The library failed to allocate the samples: memory ran short, the
        // file may be sound.
        if (dataBytes > 0) {
            void* const room = std::malloc(static_cast<std::size_t>(dataBytes));
            std::free(room);
            if (!room) throw std::bad_alloc();
        }
        throw FormatError(error);
    }
    return n;
}

}  // namespace

SourceVolume ReadNrrd(const std::string& path, bool resample) {
    SourceVolume v;
    IoStatePtr nio;
    NrrdPtr header = Load(path, 0, nio);
    const unsigned dim = header->dim;
    if (dim < 1) throw FormatError("it has no axes");
    if (IsComponentAxis(header->axis[0])) {
        throw FormatError("it holds " + std::to_string(header->axis[0].size) +
                          " components per voxel, not one value");
    }
    v.type = TypeOf(header->type);
    if (header->sampleUnits) v.unit = header->sampleUnits;
    for (unsigned a = 0; a < dim; ++a) {
        const auto size = static_cast<std::int64_t>(header->axis[a].size);
        if (a < 3) {
            v.dims[a] = size;
            v.spacing[a] = AxisSpacing(*header, header->axis[a]);
        } else {
            AddVolumeAxis(v, size);
        }
    }
    NoteFirstVolume(v);
    bool compressed = false;
    const std::uint64_t available = AvailableBytes(path, *nio, compressed);
    const std::uint64_t bytes = CheckSamples(v, resample, available, compressed);
    CheckGzipData(path, *nio, bytes);

    NrrdPtr full = Load(path, std::max<std::uint64_t>(bytes, 1), nio);
    if (full->type != header->type ||
        nrrdElementNumber(full.get()) * nrrdElementSize(full.get()) != bytes || !full->data) {
        throw FormatError("the file changed while it was read");
    }
    // The library's buffer comes from malloc: the volume takes it over.
    v.data.reset(static_cast<std::uint8_t*>(full->data));
    full->data = nullptr;
    return v;
}

}  // namespace calyra::formats
