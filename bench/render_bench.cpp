// RenderImage per model and type, with and without interpolation, on one
// thread and on all threads.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <optional>

#include "base/worker_pool.h"
#include "render/session.h"

namespace {

using namespace calyra;

// One session for the benchmark run: a model is built once for all its cases.
Session& Prepare(ModelType model) {
    static Session session;
    static std::optional<ModelType> built;
    if (built != model) {
        BuildModel(session, model);
        built = model;
    }
    session.orientation = Orientation();
    return session;
}

// Arguments: model, render type, interpolate, threads (0 = all).
void BM_RenderImage(benchmark::State& state) {
    Session& session = Prepare(static_cast<ModelType>(state.range(0)));
    const auto type = static_cast<RenderType>(state.range(1));
    session.settings.interpolate = state.range(2) != 0;
    session.settings.threshold = 0.1f;
    const int threads = static_cast<int>(state.range(3));
    const int previous = WorkerThreads();
    if (threads > 0) SetWorkerThreads(threads);
    const int rays = RaysPerSide(session);
    for (auto _ : state) {
        RenderImage(session, rays, rays, session.buffers.ImageBuffer.data(), type);
        benchmark::DoNotOptimize(session.buffers.displayMax);
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
