// A small file system of its own for a test: a tmpfs of 64 KiB mounted on a
// fresh folder, to fill up on purpose. Tests and CI run as root; elsewhere
// (or where mounting is not allowed) Mounted() is false and the test skips.
#pragma once

#include <fcntl.h>
#include <sys/mount.h>
#include <unistd.h>

#include <string>

#include "tests/temp_folder.h"

namespace calyra::test {

class FullDisk {
  public:
    explicit FullDisk(const std::string& stem = "calyra_full") : folder_(stem) {
        mounted_ = ::geteuid() == 0 &&
                   ::mount("tmpfs", folder_.path().c_str(), "tmpfs", 0, "size=64k") == 0;
    }
    ~FullDisk() {
        if (mounted_) ::umount(folder_.path().c_str());
    }
    FullDisk(const FullDisk&) = delete;
    FullDisk& operator=(const FullDisk&) = delete;

    bool Mounted() const { return mounted_; }
    // Takes what space is left with a file of this name: from then on every
    // write of a byte more fails for want of space.
    void FillUp(const std::string& name = "filler") const {
        const int fd = ::open(File(name).c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
        if (fd < 0) return;
        const std::string block(4096, 'f');
        for (std::size_t size = block.size(); size > 0; size /= 2) {
            while (::write(fd, block.data(), size) == static_cast<ssize_t>(size)) {
            }
        }
        ::close(fd);
    }
    const std::filesystem::path& path() const { return folder_.path(); }
    std::filesystem::path operator/(const std::string& name) const { return folder_ / name; }
    std::string File(const std::string& name) const { return folder_.File(name); }

  private:
    TempFolder folder_;
    bool mounted_ = false;
};

}  // namespace calyra::test
