// BuildVolume per model.
#include <benchmark/benchmark.h>

#include <cstdint>

#include "base/worker_pool.h"
#include "render/session.h"

namespace {

using namespace calyra;

// Arguments: model, threads (0 = all).
void BM_BuildVolume(benchmark::State& state) {
    const int previous = WorkerThreads();
    if (state.range(1) > 0) SetWorkerThreads(static_cast<int>(state.range(1)));
    Session session;
    for (auto _ : state) {
        BuildModel(session, static_cast<ModelType>(state.range(0)));
        benchmark::DoNotOptimize(session.volume().voxels);
    }
    SetWorkerThreads(previous);
}

BENCHMARK(BM_BuildVolume)
    ->ArgNames({"model", "threads"})
    ->ArgsProduct({{static_cast<std::int64_t>(ModelType::Ball),
                    static_cast<std::int64_t>(ModelType::Hyperboloid),
                    static_cast<std::int64_t>(ModelType::Cone),
                    static_cast<std::int64_t>(ModelType::Monkey),
                    static_cast<std::int64_t>(ModelType::Combined)},
                   {1, 0}})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

}  // namespace
