// BuildVolume per model.
#include <benchmark/benchmark.h>

#include <cstdint>

#include "base/worker_pool.h"
#include "volume/models.h"
#include "volume/volume_store.h"

namespace {

using namespace calyra;

// Arguments: model, threads (0 = all).
void BM_BuildVolume(benchmark::State& state) {
    const int previous = WorkerThreads();
    if (state.range(1) > 0) SetWorkerThreads(static_cast<int>(state.range(1)));
    for (auto _ : state) {
        BuildModel(static_cast<ModelType>(state.range(0)));
        benchmark::DoNotOptimize(VoxelVolume.voxels);
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
