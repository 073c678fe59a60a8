#include "ui/render_scheduler.h"

#include <QMdiSubWindow>
#include <QWidget>
#include <QWindow>
#include <algorithm>
#include <chrono>
#include <new>

#include "picture/cells.h"
#include "ui/document.h"
#include "ui/platform.h"
#include "ui/shown_view.h"
#include "ui/stereo_pair.h"

namespace calyra::ui {
namespace {

// Cells per image side for the session's rays per side.
std::int32_t CellsPerSide(const Session& session) {
    return picture::CellsPerSide(RaysPerSide(session), session.settings.interpolate);
}

}  // namespace

RenderScheduler::RenderScheduler(QWidget* window, RenderCanvas& canvas)
    : window_(window),
      canvas_(canvas),
      live_(std::make_unique<LiveView>([this](const LiveFrame& frame) { ShowLiveFrame(frame); })) {}

RenderScheduler::~RenderScheduler() {
    // The render in flight stops and is joined before anything it may touch goes.
    live_.reset();
}

void RenderScheduler::StopLive() {
    live_->stop();
}

void RenderScheduler::RenderPending(QPainter* screen) {
    Session& session = ProgramSession();
    // One render at a time: the live one in flight stops first, to save its work.
    live_->stop();
    SetWindowCaption(window_, QString::fromLatin1(kRenderingCaption));
    session.renderPending = false;
    if (!screen) ShowCaptionNow();
    // Saved pictures and views describe the image shown, not later moves
    // (a World turn changes no image).
    RememberRenderedView();
    if (session.settings.stereo) {
        RenderStereoPair(screen);
    } else {
        RenderMono(screen);
    }
    // A pair leaves the plane moved by one shift: the view shown is the one after it.
    live_->noteExactImage(CurrentRenderInputs(session));
    SetWindowCaption(window_, QString::fromLatin1(kRenderWindowTitle));
}

void RenderScheduler::ShowCaptionNow() {
    // The caption is the sub-window's title bar: repaint its frame alone, so
    // the title is on screen for as long as the render takes.
    auto* sub = qobject_cast<QMdiSubWindow*>(window_->parentWidget());
    const QWindow* handle = window_->window()->windowHandle();
    if (!sub || !sub->isVisible() || !handle || !handle->isExposed()) return;
    sub->repaint(QRegion(sub->rect()).subtracted(QRegion(window_->geometry())));
}

void RenderScheduler::BringUpToDate() {
    if (live_->upToDate()) return;
    ProgramSession().renderPending = true;
    PaintNow(window_);
}

void RenderScheduler::RenderOnce() {
    Session& session = ProgramSession();
    BeginWaitCursor();
    const auto start = std::chrono::steady_clock::now();
    const int rays = RaysPerSide(session);
    try {
        RenderImage(session, rays, rays);
    } catch (const std::bad_alloc&) {
        // Not to end the program in a paint: the part rendered is blanked
        // and the status bar says why; the next render tries again.
        std::fill(session.buffers.ImageBuffer.begin(), session.buffers.ImageBuffer.end(), 0);
        std::fill(session.buffers.DepthBuffer.begin(), session.buffers.DepthBuffer.end(), 0);
        session.buffers.displayMax = 0;
        ShowFrameWithoutMemory();
        EndWaitCursor();
        return;
    }
    const std::chrono::duration<double, std::milli> took = std::chrono::steady_clock::now() - start;
    live_->noteExactTime(took.count());
    ShowFrameTime(took.count(), 1);
    EndWaitCursor();
}

void RenderScheduler::ShowLiveFrame(const LiveFrame& frame) {
    Session& session = ProgramSession();
    RenderBuffers& buffers = session.buffers;
    std::copy(frame.image.begin(), frame.image.end(), buffers.ImageBuffer.begin());
    std::copy(frame.depth.begin(), frame.depth.end(), buffers.DepthBuffer.begin());
    buffers.displayMax = frame.displayMax;
    buffers.rgb = TraitsOf(frame.inputs.type).rgb;
    const std::int32_t cells = picture::CellsPerSide(frame.rays, frame.inputs.interpolate);
    const float cell = cells > 0 ? minSide / static_cast<float>(cells) : 0.0f;
    canvas_.Draw(buffers, session.settings, cells, cell, imageLeft, imageTop, nullptr);
    // The view saved with a picture is the one shown, when it still is the current one.
    if (frame.inputs == CurrentRenderInputs(session)) RememberRenderedView();
    window_->update();
}

void RenderScheduler::RenderMono(QPainter* screen) {
    Session& session = ProgramSession();
    const std::int32_t cells = CellsPerSide(session);
    const float cell = cells > 0 ? minSide / static_cast<float>(cells) : 0.0f;
    RenderOnce();
    canvas_.Draw(session.buffers, session.settings, cells, cell, imageLeft, imageTop, screen);
}

void RenderScheduler::RenderStereoPair(QPainter* screen) {
    Session& session = ProgramSession();
    Orientation& o = session.orientation;
    const std::int32_t cells = CellsPerSide(session);
    ApplyStereoShift(o);
    float cell = cells > 0 ? minSide / static_cast<float>(cells) : 0.0f;
    RenderOnce();
    // Both images are half size; the first is kept in the image bitmap, the
    // second in the stereo bitmap, so a plain paint can show both again.
    cell = cell * 0.5f;
    canvas_.Draw(session.buffers, session.settings, cells, cell, imageLeft, imageTop, screen);

    Point3 saved[kViewPlanePoints];
    std::copy(o.ViewPlane, o.ViewPlane + kViewPlanePoints, saved);
    ApplyStereoShift(o);
    RenderOnce();
    imageLeft = (static_cast<float>(clientWidth) - minSide) * 0.5f;
    imageTop = static_cast<float>(stereoSecondRow);
    canvas_.Draw(session.buffers, session.settings, cells, cell, imageLeft, imageTop, screen, true);
    shownSecondRow = DeviceCoordinate(imageTop);
    canvas_.SetDrawnSecondRow(shownSecondRow);
    imageTop = 0.0f;
    std::copy(saved, saved + kViewPlanePoints, o.ViewPlane);
}

}  // namespace calyra::ui
