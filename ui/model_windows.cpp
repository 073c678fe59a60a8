#include "ui/model_windows.h"

#include "ui/cut_commands.h"
#include "ui/document.h"
#include "ui/geometry_window.h"
#include "ui/mdi_children.h"
#include "ui/platform.h"
#include "ui/render_window.h"
#include "ui/slice_window.h"
#include "ui/tf_commands.h"

namespace calyra::ui {
namespace {

// Creates the geometry window, then the render window, as MDI children.
void CreateModelWindows(VolumeBuild build) {
    // The geometry window exists before the render window builds the volume.
    if (!mdiClient) return;
    AddModelWindow([](QWidget* parent) { return new GeometryWindow(parent); },
                   QString::fromLatin1(kGeometryWindowTitle), false);
    if (!mdiClient) return;
    AddModelWindow([build](QWidget* parent) { return new RenderWindow(parent, build); },
                   QString::fromLatin1(kRenderWindowTitle), true);
}

}  // namespace

void RecreateModelWindows(QWidget* /*frame*/, VolumeBuild build) {
    if (ProgramSession().loadCount > 0) {
        DestroyModelWindow(renderWindow);
        DestroyModelWindow(geometryWindow);
    }
    CreateModelWindows(build);
    TileModelWindows();
    RefreshSliceViews();
    // A new volume starts uncut: the Crop panel takes its ranges.
    AnnounceCutChanged();
    // Its range and histogram, and a preset made for that range.
    AnnounceTransferFunctionChanged();
}

void ShowLoadedVolume(QWidget* frame, ModelType model) {
    ProgramSession().modelType = model;
    RecreateModelWindows(frame, VolumeBuild::AlreadyLoaded);
}

void ChooseModel(QWidget* frame, ModelType model) {
    Session& session = ProgramSession();
    session.modelType = model;
    RecreateModelWindows(frame);
    session.shownVolume = {};
    if (const char* name = NameOf(model); *name && FindModel(name)) {
        session.shownVolume.kind = ViewVolume::Kind::Model;
        session.shownVolume.model = name;
    }
}

}  // namespace calyra::ui
