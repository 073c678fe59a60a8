// Opening data files: a directory, or anything fopen accepts but cannot be
// read as a file, counts as a failed open.
#pragma once

#include <cstdio>
#include <memory>
#include <string>

namespace calyra {

struct FileCloser {
    void operator()(std::FILE* f) const {
        if (f) std::fclose(f);
    }
};
using FilePtr = std::unique_ptr<std::FILE, FileCloser>;

// fopen with mode, refusing directories; null on failure.
FilePtr OpenDataFile(const std::string& path, const char* mode);

}  // namespace calyra
