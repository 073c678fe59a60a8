// When the render window casts rays: an exact render when a paint finds
// renderPending set (a mono image or a stereo pair, the caption saying so
// meanwhile), live frames while the hand moves, and an exact render before
// a picture is kept when the image shown is not the current view.
#pragma once

#include <QPainter>
#include <memory>

#include "ui/live_view.h"
#include "ui/render_canvas.h"

class QWidget;

namespace calyra::ui {

inline constexpr const char* kRenderWindowTitle = "Calyra Volume Visualization";
inline constexpr const char* kRenderingCaption = "Please wait for rendering !";

class RenderScheduler {
  public:
    RenderScheduler(QWidget* window, RenderCanvas& canvas);
    ~RenderScheduler();

    // Sets the caption, clears renderPending and renders; screen (if given)
    // gets each image as it is drawn.
    void RenderPending(QPainter* screen);
    // Replaces a live frame that is not the exact image of the current view
    // by an exact render now, so that what is saved matches its view.
    void BringUpToDate();
    // Stops the live render in flight and joins it.
    void StopLive();

  private:
    void ShowCaptionNow();
    void RenderMono(QPainter* screen);
    void RenderStereoPair(QPainter* screen);
    void RenderOnce();
    void ShowLiveFrame(const LiveFrame& frame);

    QWidget* window_;
    RenderCanvas& canvas_;
    std::unique_ptr<LiveView> live_;
};

}  // namespace calyra::ui
