// Frame times of live renders: whole frames and previews (every 2nd, 4th or
// 8th ray) on the head and on a CT-sized volume, turned off the axes. The CT
// is read from the file named by CALYRA_CT (any format Open Volume reads);
// without it those cases are skipped.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "formats/open_volume.h"
#include "render/session.h"

namespace {

using namespace calyra;

enum Scene : std::int64_t { kHead = 0, kCt = 1 };

// One session for the run: the scene is built or read once; false when it
// cannot be had.
bool Prepare(Session& session, Scene scene) {
    static int built = -1;
    if (built == scene) return true;
    if (scene == kHead) {
        BuildModel(session, ModelType::Head);
    } else {
        const char* path = std::getenv("CALYRA_CT");
        std::shared_ptr<VolumeStore> store =
            path ? formats::OpenVolume(path, formats::OpenOptions{}, session.volume()) : nullptr;
        if (!store) return false;
        session.ReplaceVolume(std::move(store));
    }
    built = static_cast<int>(scene);
    return true;
}

// Arguments: scene, render type, interpolate, stride.
void BM_LiveFrame(benchmark::State& state) {
    static Session session;
    const auto scene = static_cast<Scene>(state.range(0));
    if (!Prepare(session, scene)) {
        state.SkipWithError("set CALYRA_CT to a CT volume file");
        return;
    }
    session.orientation = Orientation();
    RotateViewPlane(session.orientation, 0.5f, 0.3f);
    session.settings.interpolate = state.range(2) != 0;
    session.settings.threshold = 0.1f;
    session.settings.gradientShading = true;
    const RenderInputs inputs =
        CurrentRenderInputs(session, static_cast<RenderType>(state.range(1)));
    const int stride = static_cast<int>(state.range(3));
    std::vector<std::uint32_t> image(static_cast<std::size_t>(kBufferSide) * kBufferSide * 3);
    std::vector<std::int32_t> depth(static_cast<std::size_t>(kBufferSide) * kBufferSide);
    RenderOutput out{image.data(), depth.data()};
    const int rays = RaysPerSide(session);
    for (auto _ : state) {
        RenderFrame(session.volume(), inputs, rays, rays, out, session.renderScratch,
                    RenderControl{stride, nullptr});
        benchmark::DoNotOptimize(out.displayMax);
    }
    state.counters["rays"] = rays * rays;
}

void LiveArgs(benchmark::internal::Benchmark* b) {
    b->ArgNames({"scene", "type", "interp", "stride"});
    for (int stride : {1, 2, 4, 8}) {
        b->Args({kHead, static_cast<std::int64_t>(RenderType::Transparent), 1, stride});
    }
    // Every render type the table holds.
    for (const RenderTypeName& type : kRenderTypes) {
        for (int interp : {0, 1}) {
            for (int stride : {1, 2, 4, 8}) {
                b->Args({kCt, static_cast<std::int64_t>(type.value), interp, stride});
            }
        }
    }
    b->Unit(benchmark::kMillisecond)->UseRealTime();
}

BENCHMARK(BM_LiveFrame)->Apply(LiveArgs);

}  // namespace
