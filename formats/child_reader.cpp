#include "formats/child_reader.h"

#include <cerrno>
#include <csignal>
#include <cstdint>
#include <cstring>
#include <new>
#include <string>

#ifdef __unix__
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace calyra::formats {

namespace {
bool readInChild = true;
}  // namespace

void SetReadInChild(bool inChild) {
    readInChild = inChild;
}

#ifdef __unix__

namespace {

// The child's answer on the pipe: a status byte, then either a message or
// the volume's fields, its samples, rescales and notes; or only the byte
// when the child ran out of memory.
enum : std::uint8_t { kVolume = 0, kRefusal = 1, kNoMemory = 2 };

// What reading the child's volume came to.
enum class Received { Whole, Broken, NoMemory };

// Repeats a read or a write until every byte went through; false on an
// error or at the end of the pipe.
template <typename Byte, typename Transfer>
bool Whole(Byte* p, std::size_t bytes, Transfer transfer) {
    while (bytes > 0) {
        const ssize_t n = transfer(p, bytes);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        p += n;
        bytes -= static_cast<std::size_t>(n);
    }
    return true;
}

bool WriteAll(int fd, const void* data, std::size_t bytes) {
    return Whole(static_cast<const std::uint8_t*>(data), bytes,
                 [fd](const std::uint8_t* p, std::size_t n) { return write(fd, p, n); });
}

bool ReadAll(int fd, void* data, std::size_t bytes) {
    return Whole(static_cast<std::uint8_t*>(data), bytes,
                 [fd](std::uint8_t* p, std::size_t n) { return read(fd, p, n); });
}

template <typename T>
bool WriteValue(int fd, const T& v) {
    return WriteAll(fd, &v, sizeof v);
}
template <typename T>
bool ReadValue(int fd, T& v) {
    return ReadAll(fd, &v, sizeof v);
}

bool WriteText(int fd, const std::string& s) {
    return WriteValue(fd, std::uint64_t{s.size()}) && WriteAll(fd, s.data(), s.size());
}
bool ReadText(int fd, std::string& s) {
    std::uint64_t size = 0;
    if (!ReadValue(fd, size) || size > (std::uint64_t{1} << 20)) return false;
    s.resize(static_cast<std::size_t>(size));
    return ReadAll(fd, s.data(), s.size());
}

bool WriteVolume(int fd, const SourceVolume& v) {
    const std::uint64_t bytes = v.Count() * SampleBytes(v.type);
    bool ok = WriteValue(fd, kVolume) && WriteAll(fd, v.dims, sizeof v.dims) &&
              WriteAll(fd, v.spacing, sizeof v.spacing) && WriteValue(fd, v.volumes) &&
              WriteValue(fd, v.type) && WriteValue(fd, v.binary) &&
              WriteAll(fd, v.data.get(), bytes) && WriteValue(fd, std::uint64_t{v.rescale.size()});
    for (const Rescale& r : v.rescale) ok = ok && WriteValue(fd, r);
    ok = ok && WriteValue(fd, std::uint64_t{v.notes.size()});
    for (const std::string& note : v.notes) ok = ok && WriteText(fd, note);
    return ok && WriteText(fd, v.unit);
}

bool ReadTail(int fd, SourceVolume& v) {
    std::uint64_t count = 0;
    if (!ReadValue(fd, count) || count > (std::uint64_t{1} << 31)) return false;
    v.rescale.resize(static_cast<std::size_t>(count));
    for (Rescale& r : v.rescale) {
        if (!ReadValue(fd, r)) return false;
    }
    if (!ReadValue(fd, count) || count > 4096) return false;
    v.notes.resize(static_cast<std::size_t>(count));
    for (std::string& note : v.notes) {
        if (!ReadText(fd, note)) return false;
    }
    return ReadText(fd, v.unit) && v.unit.size() <= 64;
}

Received ReadVolume(int fd, SourceVolume& v) {
    if (!ReadAll(fd, v.dims, sizeof v.dims) || !ReadAll(fd, v.spacing, sizeof v.spacing) ||
        !ReadValue(fd, v.volumes) || !ReadValue(fd, v.type) || !ReadValue(fd, v.binary)) {
        return Received::Broken;
    }
    // The child checked the shape against the store bound before reading.
    for (const std::int64_t d : v.dims) {
        if (d < 1 || d > INT32_MAX) return Received::Broken;
    }
    const std::uint64_t bytes = v.Count() * SampleBytes(v.type);
    if (bytes > 16 * StoreBound()) return Received::Broken;
    v.data.reset(static_cast<std::uint8_t*>(std::malloc(bytes == 0 ? 1 : bytes)));
    // The child had room for the samples and this process has not.
    if (!v.data) return Received::NoMemory;
    if (!ReadAll(fd, v.data.get(), bytes)) return Received::Broken;
    try {
        return ReadTail(fd, v) ? Received::Whole : Received::Broken;
    } catch (const std::bad_alloc&) {
        return Received::NoMemory;
    }
}

[[noreturn]] void RunChild(int fd, const std::function<SourceVolume()>& read) {
    // A library's abort ends this process quietly; the parent reports it.
    for (const int s : {SIGABRT, SIGSEGV, SIGBUS, SIGILL, SIGFPE}) std::signal(s, SIG_DFL);
    // What a library prints on its way down (an assertion's source line, its
    // own warnings) is not for the user: the parent's message says it all.
    const int null = open("/dev/null", O_WRONLY);
    if (null >= 0) {
        dup2(null, STDERR_FILENO);
        close(null);
    }
    bool ok = false;
    try {
        const SourceVolume v = read();
        ok = WriteVolume(fd, v);
    } catch (const FormatError& e) {
        ok = WriteValue(fd, kRefusal) && WriteText(fd, e.what());
    } catch (const std::bad_alloc&) {
        // The parent says so in its own words; the child has no memory for any.
        ok = WriteValue(fd, kNoMemory);
    } catch (const std::exception&) {
        ok = WriteValue(fd, kRefusal) && WriteText(fd, kLibraryGaveUp);
    }
    close(fd);
    // No exit handlers: they belong to the parent.
    _exit(ok ? 0 : 1);
}

}  // namespace

SourceVolume ReadInChild(const std::function<SourceVolume()>& read, const char* library) {
    int fds[2];
    if (!readInChild || pipe(fds) != 0) return read();
    const pid_t child = fork();
    if (child < 0) {
        close(fds[0]);
        close(fds[1]);
        return read();
    }
    if (child == 0) {
        close(fds[0]);
        RunChild(fds[1], read);
    }
    close(fds[1]);
    SourceVolume v;
    std::uint8_t status = 0xFF;
    std::string message;
    bool complete = ReadValue(fds[0], status);
    Received received = Received::Whole;
    if (complete && status == kVolume) {
        received = ReadVolume(fds[0], v);
        complete = received == Received::Whole;
    }
    if (complete && status == kRefusal) complete = ReadText(fds[0], message);
    close(fds[0]);
    int wstatus = 0;
    while (waitpid(child, &wstatus, 0) < 0 && errno == EINTR) {
    }
    if (received == Received::NoMemory) throw std::bad_alloc();
    const bool exited = WIFEXITED(wstatus) && WEXITSTATUS(wstatus) == 0;
    if (complete && exited && status == kNoMemory) throw std::bad_alloc();
    if (!complete || !exited || (status != kVolume && status != kRefusal)) {
        throw FormatError(
            std::string("the ") + library +
            " library stopped on it: the file is damaged or of a kind it cannot read");
    }
    if (status == kRefusal) throw FormatError(message);
    return v;
}

#else

SourceVolume ReadInChild(const std::function<SourceVolume()>& read, const char*) {
    return read();
}

#endif

}  // namespace calyra::formats
