// One document: the volume, where the box and the viewing plane stand, every
// rendering setting and the image. The windowed program holds one Session,
// calyra-render builds one from its options, view files read and write one,
// and a test makes a fresh one.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "base/repaint.h"
#include "geometry/orientation.h"
#include "geometry/turntable.h"
#include "render/buffers.h"
#include "render/ray_driver.h"
#include "render/user_settings.h"
#include "volume/model_type.h"
#include "volume/raw_reader.h"
#include "volume/view_volume.h"
#include "volume/volume_store.h"

namespace calyra {

// A turntable movie as Save Movie asks for it.
struct MovieChoice {
    int frames = 36;
    TurnAxis axis = TurnAxis::Horizontal;
    int fps = 25;
    std::string path;
    bool operator==(const MovieChoice&) const = default;
};

struct Session {
    Session();

    // The volume shown. Never null; replaced whole (ReplaceVolume), never
    // changed in place, so a render elsewhere may keep reading it.
    std::shared_ptr<const VolumeStore> VoxelVolume;
    ModelType modelType = ModelType::Ball;  // the model the user chose last
    std::int16_t loadCount = 0;             // builds started by render-window creation
    std::string volumePath;                 // the raw data file chosen last
    MovieChoice lastMovie;                  // where the next Save Movie starts
    ViewVolume shownVolume;                 // where the volume shown came from

    Orientation orientation;  // World, ViewPlane, eyeDistance
    UserSettings settings;

    // The one way to ask for a new image: RequestRender sets it and
    // invalidates the render window.
    bool renderPending = false;

    // The last exact image and the working memory of the renders that make it.
    RenderBuffers buffers;
    RenderScratch renderScratch;
    // Whether renders skip what cannot change the image and march rays in
    // vector lanes; the images are the same either way (tests and benchmarks
    // turn them off to compare).
    bool emptySpaceSkipping = true;
    bool vectorRays = true;

    RepaintHooks repaint;

    const VolumeStore& volume() const { return *VoxelVolume; }
    // A store for the next build, after the one shown (NewStoreAfter).
    std::shared_ptr<VolumeStore> NewStore() const { return NewStoreAfter(*VoxelVolume); }
    // Shows a new volume. A store that was allocated (fresh) also resets
    // the settings a new volume resets; a failed build's empty store does not.
    void ReplaceVolume(std::shared_ptr<const VolumeStore> store, bool fresh = true);
};

// Sets renderPending and invalidates the render window.
void RequestRender(Session& session, Background background = Background::Erase);

// The snaps as the windows run them: SnapWorld repaints the geometry window
// only; SnapViewPlane repaints it and requests a render.
void SnapWorld(Session& session, Face face);
void SnapViewPlane(Session& session, Face face);

// Loads the raw data file session.volumePath (after the volume shown,
// LoadRawVolume) and shows it; false, the volume unchanged, when the file
// cannot be read or the store not allocated (the message reported).
bool LoadRawIntoSession(Session& session, RawFormat format, const ImportParams& params,
                        const ImportOptions& options);

// Chooses model and builds it: sets modelType and the new store's source,
// then BuildVolume, and shows the result (a failed allocation shows the
// empty volume, as described for AllocateVolume). The file import is not
// built here.
void BuildModel(Session& session, ModelType model);

// Renders the session's view with its settings into image (a whole buffer
// laid out as ImageBuffer) and the session's DepthBuffer and displayMax.
void RenderImage(Session& session, int a, int b, std::uint32_t* image, RenderType type);
// The same into the session's own ImageBuffer, with its rendering type.
void RenderImage(Session& session, int a, int b);

// The inputs of a render of the session as it stands now.
RenderInputs CurrentRenderInputs(const Session& session, RenderType type);
RenderInputs CurrentRenderInputs(const Session& session);

// Rays per side as the render window asks for them: size, or 2 x size with
// interpolation, capped so the image area fits 512.
int RaysPerSide(const Session& session);

}  // namespace calyra
