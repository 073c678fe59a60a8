#include "base/file_writer.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <vector>

namespace calyra {
namespace {

std::string FolderOf(const std::string& path) {
    const std::size_t slash = path.find_last_of('/');
    if (slash == std::string::npos) return ".";
    if (slash == 0) return "/";
    return path.substr(0, slash);
}

std::string NameOf(const std::string& path) {
    const std::size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// The permission bits a new file gets: 0666 less the process's umask, read
// without changing it (umask() would, for a moment, for every thread).
mode_t NewFileMode() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("Umask:", 0) == 0) {
            return 0666 & ~static_cast<mode_t>(std::strtoul(line.c_str() + 6, nullptr, 8));
        }
    }
    return 0644;
}

// Makes a rename in folder last across a crash.
void SyncFolder(const std::string& folder) {
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    ::fsync(fd);
    ::close(fd);
}

}  // namespace

AtomicFile::AtomicFile(std::string target) : target_(std::move(target)) {
    if (target_ == "-") {
        direct_ = true;
        stream_ = stdout;
        return;
    }
    if (target_.empty() || target_.back() == '/') {
        Fail("not a file name");
        return;
    }
    renameTo_ = target_;
    struct stat existing {};
    if (::stat(target_.c_str(), &existing) == 0) {
        if (S_ISDIR(existing.st_mode)) {
            Fail("it is a folder");
            return;
        }
        if (!S_ISREG(existing.st_mode)) {
            OpenDirectly();
            return;
        }
        struct stat link {};
        if (::lstat(target_.c_str(), &link) == 0 && S_ISLNK(link.st_mode)) {
            if (char* resolved = ::realpath(target_.c_str(), nullptr)) {
                renameTo_ = resolved;
                std::free(resolved);
            }
        }
    }
    // Beside the target, so that the rename stays within one file system.
    std::string pattern = FolderOf(renameTo_) + "/." + NameOf(renameTo_) + ".XXXXXX";
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    const int fd = ::mkostemp(name.data(), O_CLOEXEC);
    if (fd < 0) {
        Fail(std::strerror(errno));
        return;
    }
    temporary_ = name.data();
    stream_ = ::fdopen(fd, "wb");
    if (!stream_) {
        const int saved = errno;
        ::close(fd);
        Fail(std::strerror(saved));
    }
}

void AtomicFile::OpenDirectly() {
    direct_ = true;
    const int fd = ::open(target_.c_str(), O_WRONLY | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) {
        Fail(std::strerror(errno));
        return;
    }
    stream_ = ::fdopen(fd, "wb");
    if (!stream_) {
        const int saved = errno;
        ::close(fd);
        Fail(std::strerror(saved));
    }
}

AtomicFile::~AtomicFile() {
    if (!committed_) Discard();
}

void AtomicFile::Fail(const std::string& reason) {
    if (error_.empty()) error_ = "Cannot write " + target_ + ": " + reason;
    Discard();
}

bool AtomicFile::Write(std::string_view data) {
    if (!stream_) return false;
    if (std::fwrite(data.data(), 1, data.size(), stream_) != data.size()) {
        Fail(std::strerror(errno));
        return false;
    }
    return true;
}

bool AtomicFile::Seal() {
    if (!ok()) return false;
    if (sealed_) return true;
    if (!stream_) return false;
    // Writers that wrote by path leave the stream unused; it is flushed all the same.
    if (std::fflush(stream_) != 0 || std::ferror(stream_)) {
        Fail(errno != 0 ? std::strerror(errno) : "write error");
        return false;
    }
    if (direct_) {
        // Nothing to sync or rename: a device or pipe takes the bytes as they come.
        if (stream_ != stdout) {
            std::FILE* stream = stream_;
            stream_ = nullptr;
            if (std::fclose(stream) != 0) {
                Fail(std::strerror(errno));
                return false;
            }
        }
        sealed_ = true;
        return true;
    }
    const int fd = ::fileno(stream_);
    if (::fsync(fd) != 0) {
        Fail(std::strerror(errno));
        return false;
    }
    struct stat existing {};
    const mode_t mode =
        ::stat(renameTo_.c_str(), &existing) == 0 ? existing.st_mode & 07777 : NewFileMode();
    if (::fchmod(fd, mode) != 0) {
        Fail(std::strerror(errno));
        return false;
    }
    std::FILE* stream = stream_;
    stream_ = nullptr;
    if (std::fclose(stream) != 0) {
        Fail(std::strerror(errno));
        return false;
    }
    sealed_ = true;
    return true;
}

bool AtomicFile::Commit() {
    if (committed_) return ok();
    if (!Seal()) return false;
    if (direct_) {
        committed_ = true;
        return true;
    }
    if (::rename(temporary_.c_str(), renameTo_.c_str()) != 0) {
        Fail(std::strerror(errno));
        return false;
    }
    committed_ = true;
    temporary_.clear();
    SyncFolder(FolderOf(renameTo_));
    return true;
}

void AtomicFile::Discard() {
    if (stream_) {
        if (stream_ != stdout) std::fclose(stream_);
        stream_ = nullptr;
    }
    if (!temporary_.empty()) {
        ::unlink(temporary_.c_str());
        temporary_.clear();
    }
}

std::string WriteFileAtomically(const std::string& path, std::string_view bytes) {
    AtomicFile file(path);
    if (file.ok()) file.Write(bytes);
    if (file.ok()) file.Commit();
    return file.Error();
}

}  // namespace calyra
