// A view file put on a volume and rendered: the input is a view file's text.
// What the reader accepts goes onto the ball (built once: the volume a view
// names is the loaders' business) as the window shows a view; a view that does
// not fit the volume says why, one that fits renders as its settings say (its
// type, crop box, clip plane, transfer function, display window, geometry) on
// a few rays, and the render returns with no depth below 0.
#include <algorithm>
#include <memory>
#include <string>

#include "fuzz/fuzz_support.h"
#include "render/setting_table.h"
#include "scene/view_file.h"

using namespace calyra;

namespace {

// Enough rays for every code path of the marches; each execution stays short.
constexpr int kMostRays = 16;

std::shared_ptr<const VolumeStore> Ball() {
    Session session;
    BuildModel(session, ModelType::Ball);
    return session.VoxelVolume;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::SetUpProcess();
    static const std::shared_ptr<const VolumeStore> ball = Ball();
    std::string error;
    const auto view = ParseViewText(std::string(reinterpret_cast<const char*>(data), size), error);
    if (!view) {
        if (error.empty()) std::abort();
        return 0;
    }
    if (!CheckForVolume(view->settings, *ball).empty()) return 0;
    // One session for every input: its scratch keeps the brick map of the
    // ball while the settings it depends on stay.
    static Session session;
    session.ReplaceVolume(ball, false);
    ApplyViewSettingsAndGeometry(session, *view);
    const int rays = std::min(RaysPerSide(session), kMostRays);
    RenderImage(session, rays, rays);
    for (const std::int32_t depth : session.buffers.DepthBuffer) {
        if (depth < 0) std::abort();
    }
    return 0;
}
