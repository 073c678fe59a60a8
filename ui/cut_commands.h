// The commands that cut into the volume, whichever window or panel gives
// them: the crop box (the Crop panel, the slice views' edges), Cut at
// ViewPlane and Remove Cut. Each asks for the render the change needs and
// tells whatever shows the cut.
#pragma once

#include <QObject>
#include <optional>

#include "render/volume_cut.h"
#include "ui/live_view.h"

namespace calyra::ui {

// Sends changed() after every change of the crop box or the clip plane
// (and after a new volume, which starts uncut): the slice views and the
// Crop panel follow it.
class CutSignals : public QObject {
    Q_OBJECT
  signals:
    void changed();
};
CutSignals& CutChanges();
// Sends changed() and repaints the geometry window.
void AnnounceCutChanged();

// The crop box of the volume shown as it stands (the whole volume when there is none).
CropBox ShownCropBox();
// Makes box the crop box (one covering the whole volume is no crop) and
// renders: live while a drag moves, at once when it stops.
void SetCropBox(const CropBox& box, LiveView::Motion motion);

// Display, Cut at ViewPlane: the clip plane where the viewing plane stands
// now, in store coordinates, so that it stays with the volume as the view turns.
void CutAtViewPlane();
// Display, Remove Cut: no crop box and no clip plane.
void RemoveCut();

}  // namespace calyra::ui
