// BuildVolume per model.
#include <benchmark/benchmark.h>

#include "render/worker_pool.h"
#include "volume/models.h"
#include "volume/volume_store.h"

namespace {

using namespace calyra;

// Arguments: modelType, threads (0 = all).
void BM_BuildVolume(benchmark::State& state) {
    const int previous = WorkerThreads();
    if (state.range(1) > 0) SetWorkerThreads(static_cast<int>(state.range(1)));
    for (auto _ : state) {
        modelType = static_cast<int>(state.range(0));
        VoxelVolume.source = SourceForModel(modelType);
        BuildVolume();
        benchmark::DoNotOptimize(VoxelVolume.voxels);
    }
    SetWorkerThreads(previous);
}

BENCHMARK(BM_BuildVolume)
    ->ArgNames({"model", "threads"})
    ->ArgsProduct({{0, 6, 7, 8, 9}, {1, 0}})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

}  // namespace
