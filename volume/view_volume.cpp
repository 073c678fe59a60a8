#include "volume/view_volume.h"

#include <filesystem>
#include <system_error>

namespace calyra {

std::uint64_t ViewDataFileBytes(const std::string& path) {
    std::error_code ec;
    if (!std::filesystem::is_regular_file(path, ec)) return 0;
    const std::uintmax_t bytes = std::filesystem::file_size(path, ec);
    return ec ? 0 : static_cast<std::uint64_t>(bytes);
}

std::string ViewDataFileProblem(const ViewVolume& v) {
    if (v.kind != ViewVolume::Kind::Raw && v.kind != ViewVolume::Kind::Open) return {};
    std::error_code ec;
    if (!std::filesystem::exists(v.path, ec)) {
        return "The view's data file " + v.path + " is missing.";
    }
    if (std::filesystem::is_directory(v.path, ec)) return {};
    const std::uint64_t bytes = ViewDataFileBytes(v.path);
    if (bytes != v.fileBytes) {
        return "The view's data file " + v.path + " has changed: it held " +
               std::to_string(v.fileBytes) + " bytes when the view was saved, " +
               std::to_string(bytes) + " now.";
    }
    return {};
}

}  // namespace calyra
