#include "ui/cut_commands.h"

#include "ui/document.h"
#include "ui/platform.h"

namespace calyra::ui {

CutSignals& CutChanges() {
    static CutSignals broadcaster;
    return broadcaster;
}

void AnnounceCutChanged() {
    InvalidateWindow(geometryWindow);
    emit CutChanges().changed();
}

CropBox ShownCropBox() {
    const Session& session = ProgramSession();
    return session.settings.crop.value_or(WholeVolumeBox(session.volume().dims));
}

void SetCropBox(const CropBox& box, LiveView::Motion motion) {
    Session& session = ProgramSession();
    std::optional<CropBox> crop;
    if (box != WholeVolumeBox(session.volume().dims)) crop = box;
    const bool changed = crop != session.settings.crop;
    session.settings.crop = crop;
    if (changed) AnnounceCutChanged();
    // A drag's last position renders exactly even when it changed nothing.
    if (changed || motion == LiveView::Motion::Stopped) RenderAfterChange(motion);
}

void CutAtViewPlane() {
    Session& session = ProgramSession();
    const std::optional<ClipPlane> plane =
        ClipAtViewPlane(session.orientation, session.volume().size);
    if (!plane) return;
    session.settings.clip = plane;
    AnnounceCutChanged();
    RequestRender(session);
}

void RemoveCut() {
    Session& session = ProgramSession();
    if (!session.settings.crop && !session.settings.clip) return;
    session.settings.crop.reset();
    session.settings.clip.reset();
    AnnounceCutChanged();
    RequestRender(session);
}

}  // namespace calyra::ui
