// A fresh folder for one test, removed with everything in it when the test ends.
#pragma once

#include <stdlib.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <system_error>

namespace calyra::test {

class TempFolder {
  public:
    explicit TempFolder(const std::string& stem = "calyra") {
        std::string name = (std::filesystem::temp_directory_path() / (stem + "_XXXXXX")).string();
        if (::mkdtemp(name.data())) path_ = name;
    }
    ~TempFolder() {
        std::error_code ignored;
        if (!path_.empty()) std::filesystem::remove_all(path_, ignored);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::filesystem::path& path() const { return path_; }
    // A path inside the folder.
    std::filesystem::path operator/(const std::string& name) const { return path_ / name; }
    std::string File(const std::string& name) const { return (path_ / name).string(); }

  private:
    std::filesystem::path path_;
};

// A fresh folder that is the working directory while this lives (the head
// loader reads "sm3dhead" from there); the old one is back afterwards.
class InTempFolder {
  public:
    explicit InTempFolder(const std::string& stem) : folder_(stem) {
        std::filesystem::current_path(folder_.path());
    }
    ~InTempFolder() {
        std::error_code ignored;
        std::filesystem::current_path(previous_, ignored);
    }
    InTempFolder(const InTempFolder&) = delete;
    InTempFolder& operator=(const InTempFolder&) = delete;

    const std::filesystem::path& path() const { return folder_.path(); }
    std::filesystem::path operator/(const std::string& name) const { return folder_ / name; }

  private:
    std::filesystem::path previous_ = std::filesystem::current_path();
    TempFolder folder_;
};

}  // namespace calyra::test
