#include "volume/file_open.h"

#include <sys/stat.h>

#include <filesystem>
#include <system_error>
#include <utility>

namespace calyra {
namespace {

std::vector<std::string>& SearchFolders() {
    static std::vector<std::string> folders;
    return folders;
}

bool IsRegularFile(const std::filesystem::path& path) {
    std::error_code error;
    return std::filesystem::is_regular_file(path, error);
}

}  // namespace

FilePtr OpenDataFile(const std::string& path, const char* mode) {
    FilePtr file(std::fopen(path.c_str(), mode));
    if (!file) return file;
    struct stat info {};
    if (fstat(fileno(file.get()), &info) != 0 || S_ISDIR(info.st_mode)) return nullptr;
    return file;
}

void SetDataSearchPath(std::vector<std::string> folders) {
    SearchFolders() = std::move(folders);
}

const std::vector<std::string>& DataSearchPath() {
    return SearchFolders();
}

std::string FindDataFile(const std::string& name) {
    const std::filesystem::path given(name);
    if (name.empty() || given.has_parent_path() || IsRegularFile(given)) return name;
    for (const std::string& folder : SearchFolders()) {
        const std::filesystem::path candidate = std::filesystem::path(folder) / given;
        if (IsRegularFile(candidate)) return candidate.string();
    }
    return name;
}

}  // namespace calyra
