#include "render/session.h"

#include <algorithm>
#include <utility>

#include "render/setting_table.h"
#include "volume/models.h"

namespace calyra {

// Made mutable: tests fill the store of a fresh session in place.
Session::Session() : VoxelVolume(std::make_shared<VolumeStore>()) {}

void Session::ReplaceVolume(std::shared_ptr<const VolumeStore> store, bool fresh) {
    if (!store) return;
    VoxelVolume = std::move(store);
    if (fresh) ResetForNewVolume(settings, *VoxelVolume);
}

void RequestRender(Session& session, Background background) {
    session.renderPending = true;
    session.repaint.InvalidateRenderWindow(background);
}

void SnapWorld(Session& session, Face face) {
    if (!SnapWorld(session.orientation, face)) return;
    session.repaint.InvalidateGeometryWindow();
}

void SnapViewPlane(Session& session, Face face) {
    if (!SnapViewPlane(session.orientation, face)) return;
    session.repaint.InvalidateGeometryWindow();
    RequestRender(session);
}

bool LoadRawIntoSession(Session& session, RawFormat format, const ImportParams& params,
                        const ImportOptions& options) {
    std::shared_ptr<VolumeStore> store =
        LoadRawVolume(session.volumePath, format, params, options, session.volume());
    if (!store) return false;
    session.ReplaceVolume(std::move(store));
    return true;
}

void BuildModel(Session& session, ModelType model) {
    session.modelType = model;
    std::shared_ptr<VolumeStore> store = session.NewStore();
    store->source = SourceForModel(model);
    const bool allocated = BuildVolume(*store, model);
    session.ReplaceVolume(std::move(store), allocated);
}

RenderInputs CurrentRenderInputs(const Session& session, RenderType type) {
    RenderInputs in;
    const Orientation& o = session.orientation;
    std::copy(o.World, o.World + kWorldPoints, in.world);
    std::copy(o.ViewPlane, o.ViewPlane + kViewPlanePoints, in.plane);
    in.type = type;
    in.threshold = session.settings.threshold;
    in.interpolate = session.settings.interpolate;
    in.gradientShading = session.settings.gradientShading;
    in.crop = session.settings.crop;
    in.clip = session.settings.clip;
    if (type == RenderType::Composite) in.transferFunction = session.settings.transferFunction;
    return in;
}

RenderInputs CurrentRenderInputs(const Session& session) {
    return CurrentRenderInputs(session, session.settings.renderType);
}

void RenderImage(Session& session, int a, int b, std::uint32_t* image, RenderType type) {
    RenderOutput out{image, session.buffers.DepthBuffer.data()};
    RenderControl control;
    control.emptySpaceSkipping = session.emptySpaceSkipping;
    control.vectorRays = session.vectorRays;
    RenderFrame(session.volume(), CurrentRenderInputs(session, type), a, b, out,
                session.renderScratch, control);
    session.buffers.displayMax = out.displayMax;
    session.buffers.rgb = TraitsOf(type).rgb;
}

void RenderImage(Session& session, int a, int b) {
    RenderImage(session, a, b, session.buffers.ImageBuffer.data(), session.settings.renderType);
}

int RaysPerSide(const Session& session) {
    const bool interpolate = session.settings.interpolate;
    const std::int32_t size = session.volume().size;
    const int r = interpolate ? 2 : 1;
    const int rays = interpolate ? 2 * size : size;
    return std::clamp(rays, 0, kBufferSide / r);
}

}  // namespace calyra
