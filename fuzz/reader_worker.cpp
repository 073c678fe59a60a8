// Built without coverage instrumentation: a unit the compiler instruments
// keeps the counter section's bounds for itself, under these names.
#include "fuzz/reader_worker.h"

#include <fcntl.h>
#include <sanitizer/common_interface_defs.h>
#include <sys/mman.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>

// The inline 8-bit counters of every instrumented unit of this program, as
// the linker bounds their section.
extern "C" {
extern std::uint8_t __start___sancov_cntrs[] __attribute__((weak, visibility("hidden")));
extern std::uint8_t __stop___sancov_cntrs[] __attribute__((weak, visibility("hidden")));
}

namespace calyra::fuzz {
namespace {

// A worker serves this many inputs, then a fresh one takes over, so that
// what the libraries leak does not pile up.
constexpr int kInputsPerWorker = 2000;

// Memory both processes see: the input, how the worker ended, its counters.
struct Shared {
    std::size_t size;
    std::uint8_t data[kMostWorkerBytes];
    volatile sig_atomic_t kept;       // the counters below are this run's
    volatile sig_atomic_t signal;     // the signal the worker died of
    volatile sig_atomic_t sanitizer;  // a sanitizer reported in the worker
    std::uint8_t counters[];
};
Shared* shared = nullptr;
std::size_t counterBytes = 0;

struct Worker {
    pid_t pid = -1;
    int go = -1;    // we write a byte to start a run
    int done = -1;  // the worker writes the run's result
    int served = 0;
} worker;

void KeepCounters() {
    std::memcpy(shared->counters, __start___sancov_cntrs, counterBytes);
    shared->kept = 1;
}

void Died(int s) {
    shared->signal = s;
    KeepCounters();
    std::signal(s, SIG_DFL);
    std::raise(s);
}

void SanitizerDied() {
    shared->sanitizer = 1;
    KeepCounters();
}

// One byte through a pipe, tried again when a signal interrupted it; false
// at the pipe's end or on an error.
template <typename Transfer>
bool OneByte(Transfer transfer) {
    for (;;) {
        const ssize_t n = transfer();
        if (n == 1) return true;
        if (n < 0 && errno == EINTR) continue;
        return false;
    }
}
bool ReadByte(int fd, std::uint8_t& byte) {
    return OneByte([&] { return read(fd, &byte, 1); });
}
bool WriteByte(int fd, std::uint8_t byte) {
    return OneByte([&] { return write(fd, &byte, 1); });
}

[[noreturn]] void Serve(int go, int done, bool (*run)(const std::uint8_t*, std::size_t)) {
    for (const int s : {SIGABRT, SIGSEGV, SIGBUS, SIGILL, SIGFPE}) std::signal(s, &Died);
    __sanitizer_set_death_callback(&SanitizerDied);
    // What the libraries print is not for the fuzzer's log; a fault is run
    // again in the parent, which reports it.
    const int null = open("/dev/null", O_WRONLY);
    if (null >= 0) {
        dup2(null, STDERR_FILENO);
        close(null);
    }
    std::uint8_t byte = 0;
    while (ReadByte(go, byte)) {
        std::memset(__start___sancov_cntrs, 0, counterBytes);
        const bool ok = run(shared->data, shared->size);
        KeepCounters();
        if (!WriteByte(done, ok ? 1 : 0)) break;
    }
    _exit(0);
}

void Stop() {
    close(worker.go);
    close(worker.done);
    while (waitpid(worker.pid, nullptr, 0) < 0 && errno == EINTR) {
    }
    worker = Worker{};
}

void Start(bool (*run)(const std::uint8_t*, std::size_t)) {
    int go[2], done[2];
    if (pipe2(go, O_CLOEXEC) != 0 || pipe2(done, O_CLOEXEC) != 0) std::abort();
    const pid_t pid = fork();
    if (pid < 0) std::abort();
    if (pid == 0) {
        close(go[1]);
        close(done[0]);
        Serve(go[0], done[1], run);
    }
    close(go[0]);
    close(done[1]);
    worker = Worker{pid, go[1], done[0], 0};
}

}  // namespace

WorkerEnd RunInWorker(bool (*run)(const std::uint8_t*, std::size_t), const std::uint8_t* data,
                      std::size_t size) {
    if (!shared) {
        counterBytes = static_cast<std::size_t>(__stop___sancov_cntrs - __start___sancov_cntrs);
        void* p = mmap(nullptr, sizeof(Shared) + counterBytes, PROT_READ | PROT_WRITE,
                       MAP_SHARED | MAP_ANONYMOUS, -1, 0);
        if (p == MAP_FAILED) std::abort();
        shared = static_cast<Shared*>(p);
        // A worker that died leaves a closed pipe, not a signal that ends us.
        std::signal(SIGPIPE, SIG_IGN);
    }
    if (size > kMostWorkerBytes) std::abort();
    if (worker.pid > 0 && worker.served >= kInputsPerWorker) Stop();
    if (worker.pid < 0) Start(run);
    ++worker.served;
    shared->size = size;
    std::memcpy(shared->data, data, size);
    shared->kept = 0;
    shared->signal = 0;
    shared->sanitizer = 0;
    std::uint8_t result = 0;
    const bool answered = WriteByte(worker.go, 1) && ReadByte(worker.done, result);
    if (shared->kept) {
        std::uint8_t* ours = __start___sancov_cntrs;
        for (std::size_t i = 0; i < counterBytes; ++i)
            ours[i] = std::max(ours[i], shared->counters[i]);
    }
    if (answered) return result ? WorkerEnd::Done : WorkerEnd::Broken;
    const bool aborted = shared->signal == SIGABRT && !shared->sanitizer;
    Stop();
    return aborted ? WorkerEnd::Aborted : WorkerEnd::Fault;
}

}  // namespace calyra::fuzz
