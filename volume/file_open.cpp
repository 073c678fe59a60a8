#include "volume/file_open.h"

#include <sys/stat.h>

namespace calyra {

FilePtr OpenDataFile(const std::string& path, const char* mode) {
    FilePtr file(std::fopen(path.c_str(), mode));
    if (!file) return file;
    struct stat info {};
    if (fstat(fileno(file.get()), &info) != 0 || S_ISDIR(info.st_mode)) return nullptr;
    return file;
}

}  // namespace calyra
