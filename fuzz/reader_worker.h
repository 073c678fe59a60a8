// A reader process kept alive between inputs. The program reads DICOM in a
// child, so that a library's assertion ends the child and the user gets a
// message; a fuzz target that forked a child per input would spend most of
// its time on the fork. Here one forked worker opens input after input, and
// its coverage counters are handed back and folded into ours before the
// fuzzer looks. A worker that dies is replaced: an abort (a library's
// assertion) stays the refusal the user gets; a fault the sanitizers found,
// or a crash, is run again in this process, where it is reported.
#pragma once

#include <cstddef>
#include <cstdint>

namespace calyra::fuzz {

// What a run in the worker came to.
enum class WorkerEnd {
    Done,     // run() returned true
    Broken,   // run() returned false: a check of ours failed
    Aborted,  // the worker aborted: a library's assertion
    Fault,    // a sanitizer's report or a crash in the worker
};

// Runs run(data, size) in the worker (forked first when there is none) and
// waits for it. Inputs of at most kMostWorkerBytes bytes.
inline constexpr std::size_t kMostWorkerBytes = std::size_t{1} << 20;
WorkerEnd RunInWorker(bool (*run)(const std::uint8_t*, std::size_t), const std::uint8_t* data,
                      std::size_t size);

}  // namespace calyra::fuzz
