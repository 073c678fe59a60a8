// A pool of worker threads created once and reused by every render and build.
//
// ParallelFor hands out indices one at a time from a shared counter, so every
// thread stays busy until the end; every index must be independent of the
// others, which keeps results identical for any number of threads.
#pragma once

#include <cstdint>
#include <functional>

namespace calyra {

// Runs body(i) for i = 0..count-1 on the calling thread and the workers.
void ParallelFor(std::int32_t count, const std::function<void(std::int32_t)>& body);

// Number of threads ParallelFor uses, the caller included; at least 1.
void SetWorkerThreads(int count);
int WorkerThreads();

}  // namespace calyra
