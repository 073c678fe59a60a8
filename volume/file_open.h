// Opening data files: a directory, or anything fopen accepts but cannot be
// read as a file, counts as a failed open.
#pragma once

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

namespace calyra {

struct FileCloser {
    void operator()(std::FILE* f) const {
        if (f) std::fclose(f);
    }
};
using FilePtr = std::unique_ptr<std::FILE, FileCloser>;

// fopen with mode, refusing directories; null on failure.
FilePtr OpenDataFile(const std::string& path, const char* mode);

// Folders searched after the working directory for the program's own data
// files (the head data set): the front-ends set them from where they are
// installed. Empty by default: the working directory alone.
void SetDataSearchPath(std::vector<std::string> folders);
const std::vector<std::string>& DataSearchPath();

// name itself when it names a folder too, or a file in the working directory,
// or when no search folder holds it; else the first search folder's file.
std::string FindDataFile(const std::string& name);

}  // namespace calyra
