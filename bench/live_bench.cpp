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
#include "geometry/orientation.h"
#include "render/buffers.h"
#include "render/ray_driver.h"
#include "render/user_settings.h"
#include "volume/models.h"
#include "volume/volume_store.h"

namespace {

using namespace calyra;

enum Scene : std::int64_t { kHead = 0, kCt = 1 };

// Builds or reads the scene once; false when it cannot be had.
bool Prepare(Scene scene) {
    static int built = -1;
    if (built == scene) return true;
    if (scene == kHead) {
        BuildModel(ModelType::Head);
    } else {
        const char* path = std::getenv("CALYRA_CT");
        if (!path || !formats::OpenVolume(path, formats::OpenOptions{})) return false;
    }
    built = static_cast<int>(scene);
    return true;
}

// Arguments: scene, render type, interpolate, stride.
void BM_LiveFrame(benchmark::State& state) {
    const auto scene = static_cast<Scene>(state.range(0));
    if (!Prepare(scene)) {
        state.SkipWithError("set CALYRA_CT to a CT volume file");
        return;
    }
    ResetOrientation();
    RotateViewPlane(0.5f, 0.3f);
    interpolate = state.range(2) != 0;
    threshold = 0.1f;
    gradientShading = true;
    const RenderInputs inputs = CurrentRenderInputs(static_cast<RenderType>(state.range(1)));
    const int stride = static_cast<int>(state.range(3));
    std::vector<std::uint32_t> image(static_cast<std::size_t>(kBufferSide) * kBufferSide * 3);
    std::vector<std::int32_t> depth(static_cast<std::size_t>(kBufferSide) * kBufferSide);
    RenderOutput out{image.data(), depth.data()};
    const int rays = RaysPerSide();
    for (auto _ : state) {
        RenderFrame(inputs, rays, rays, out, renderScratch, RenderControl{stride, nullptr});
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
