// Volume files far larger than memory allows, at no cost on disk: the header,
// then the file made as long as its samples by truncation (a hole reads as
// zeros). For the tests of a volume that does not fit.
#pragma once

#include <unistd.h>

#include <cstdint>
#include <fstream>
#include <string>

namespace calyra::test {

enum class SparseFormat { Nrrd, MetaImage };

// nx x ny x nz unsigned bytes, all zero, the data attached to the header.
inline bool WriteSparseVolume(const std::string& path, SparseFormat format, int nx, int ny,
                              int nz) {
    const std::string sizes =
        std::to_string(nx) + " " + std::to_string(ny) + " " + std::to_string(nz);
    std::string header;
    if (format == SparseFormat::Nrrd) {
        header = "NRRD0004\ntype: uint8\ndimension: 3\nsizes: " + sizes + "\nencoding: raw\n\n";
    } else {
        header = "ObjectType = Image\nNDims = 3\nDimSize = " + sizes +
                 "\nElementType = MET_UCHAR\nElementDataFile = LOCAL\n";
    }
    {
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out << header;
        if (!out) return false;
    }
    const std::uint64_t bytes = std::uint64_t(nx) * std::uint64_t(ny) * std::uint64_t(nz);
    return ::truncate(path.c_str(), static_cast<off_t>(header.size() + bytes)) == 0;
}

}  // namespace calyra::test
