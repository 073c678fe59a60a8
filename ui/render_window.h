// The render window: builds the chosen volume when it is created, ray-casts a
// new image when a paint finds renderPending set, and shows it as a centred
// square of grey cells, alone or as a stereo pair. Drawing, render
// scheduling and the hand's gestures are its three parts.
#pragma once

#include <QImage>
#include <QWidget>

#include "ui/model_window.h"
#include "ui/platform.h"
#include "ui/render_canvas.h"
#include "ui/render_gestures.h"
#include "ui/render_scheduler.h"

namespace calyra::ui {

// Whether a new render window builds the volume for modelType (a model
// chosen from the menu) or shows the one already loaded (an import, an
// opened file, a view's volume).
enum class VolumeBuild { Build, AlreadyLoaded };

class RenderWindow : public ModelWindow, public PreparesPaint, public RedrawsCells {
  public:
    // Records renderWindow, builds the volume for modelType (unless it is
    // already loaded), requests a render.
    explicit RenderWindow(QWidget* parent = nullptr, VolumeBuild build = VolumeBuild::Build);
    ~RenderWindow() override;

    void handleCharacter(char key) override;

    // A pending render runs here, before the paint that shows it: the caption
    // "Please wait for rendering !" is put on screen first, then the image is
    // cast and drawn into the stored bitmaps for the paint to copy.
    void preparePaint() override;

    // The picture "Save Image..." and "Copy Image" keep (a pending render runs
    // first): mono, the image redrawn from the top-left corner into a
    // minSide x minSide picture; stereo, the client area as shown. Null while
    // there is no image.
    QImage picture();

    // Draws the cells of the last render again from the kept buffers, with
    // the current display window and colour map (no ray is cast). A stereo
    // pair is rendered again: the buffers hold its second image only.
    void redrawCells() override;

    // Replaces a live frame that is not the exact image of the current view
    // by an exact render now, so that what is saved matches its view.
    void bringUpToDate() { scheduler_.BringUpToDate(); }

  protected:
    void resizeEvent(QResizeEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void mouseMessage(MouseMessage message, const QMouseEvent& event) override;

  private:
    void buildChosenModel(VolumeBuild build);

    RenderCanvas canvas_;
    RenderScheduler scheduler_;
    RenderGestures gestures_;
};

// The render window's bringUpToDate, if it exists.
void BringImageUpToDate();

}  // namespace calyra::ui
