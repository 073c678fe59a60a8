// RenderImage per model and type, with and without interpolation, on one
// thread and on all threads.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <optional>

#include "geometry/orientation.h"
#include "render/buffers.h"
#include "render/ray_driver.h"
#include "render/user_settings.h"
#include "volume/models.h"
#include "volume/volume_store.h"

namespace {

using namespace calyra;

void Prepare(ModelType model) {
    static std::optional<ModelType> built;
    if (built != model) {
        BuildModel(model);
        built = model;
    }
    ResetOrientation();
}

// Arguments: model, render type, interpolate, threads (0 = all).
void BM_RenderImage(benchmark::State& state) {
    Prepare(static_cast<ModelType>(state.range(0)));
    const auto type = static_cast<RenderType>(state.range(1));
    interpolate = state.range(2) != 0;
    threshold = 0.1f;
    const int threads = static_cast<int>(state.range(3));
    const int previous = WorkerThreads();
    if (threads > 0) SetWorkerThreads(threads);
    const int rays = RaysPerSide();
    for (auto _ : state) {
        RenderImage(rays, rays, ImageBuffer, type);
        benchmark::DoNotOptimize(displayMax);
    }
    SetWorkerThreads(previous);
    state.counters["rays"] = rays * rays;
}

void RenderArgs(benchmark::internal::Benchmark* b) {
    b->ArgNames({"model", "type", "interp", "threads"});
    for (ModelType model : {ModelType::Ball, ModelType::Cone, ModelType::Monkey, ModelType::Head})
        for (RenderType type : {RenderType::Surface, RenderType::Transparent, RenderType::Slice})
            for (int interp : {0, 1})
                for (int threads : {1, 0})
                    b->Args({static_cast<std::int64_t>(model), static_cast<std::int64_t>(type),
                             interp, threads});
    b->Unit(benchmark::kMillisecond)->UseRealTime();
}

BENCHMARK(BM_RenderImage)->Apply(RenderArgs);

}  // namespace
