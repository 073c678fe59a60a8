// Shared pieces of the benchmarks.
#pragma once

#include <filesystem>
#include <string>

namespace calyra::bench {

// A folder of the given name in the temporary directory, made if missing,
// where a benchmark keeps the files it generates between runs.
inline std::filesystem::path ScratchFolder(const std::string& name) {
    std::filesystem::path folder = std::filesystem::temp_directory_path() / name;
    std::filesystem::create_directories(folder);
    return folder;
}

}  // namespace calyra::bench
