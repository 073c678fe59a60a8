// Live renders: while the hand moves the render window shows frames made on
// a thread of their own, previews with fewer rays where a whole frame would
// not fit the frame budget, and the exact image once the hand stops.
#pragma once

#include <QMainWindow>
#include <QObject>
#include <QTimer>
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "render/ray_driver.h"

namespace calyra::ui {

// Parameters > Live Update; on at start.
extern bool liveUpdate;
// How long the hand must rest before the exact frame is asked for (ms).
extern int liveRestMilliseconds;
// The time a frame may take while the hand moves (ms).
extern double frameBudgetMilliseconds;
// Preview strides tried in turn: every ray, then every 2nd, 4th or 8th.
inline constexpr int kPreviewStrides[] = {1, 2, 4, 8};

// One finished frame and what it shows.
struct LiveFrame {
    RenderInputs inputs;
    int rays = 0;  // rays per side asked for
    int stride = 1;
    std::shared_ptr<const VolumeStore> volume;  // the volume rendered
    std::uint64_t serial = 0;
    double milliseconds = 0.0;
    std::vector<std::uint32_t> image;
    std::vector<std::int32_t> depth;
    std::int32_t displayMax = 0;
};

// The last frame times by render kind and stride, and the stride a frame of
// a given size should use so that it fits the budget.
class FrameBudget {
  public:
    void Note(RenderType type, bool interpolated, int stride, int rays, double milliseconds);
    // The smallest stride whose frame is expected to fit; 1 while nothing
    // is known, the largest when nothing fits.
    int Stride(RenderType type, bool interpolated, int rays) const;
    // Estimated time of a frame, or a negative value while nothing is known.
    double Estimate(RenderType type, bool interpolated, int stride, int rays) const;
    void Forget() { times_.clear(); }

  private:
    struct Entry {
        int key = 0;
        int stride = 1;
        double perRay = 0.0;  // milliseconds per ray cast
    };
    std::vector<Entry> times_;
};

// Rays cast by a frame of rays x rays with the stride.
double CastRays(int rays, int stride);

// A thread that renders one request at a time; a newer request replaces one
// still waiting and, when the frame in flight may run past the budget, stops
// it at its next row. Frames go to deliver on the render thread. A request
// is a snapshot: the volume it holds cannot change while it renders, its
// inputs are copies and the worker has scratch of its own, so nothing the
// window thread does meanwhile reaches the frame.
class FrameWorker {
  public:
    struct Request {
        RenderInputs inputs;
        int rays = 0;
        int stride = 1;
        std::shared_ptr<const VolumeStore> volume;
        std::uint64_t serial = 0;
        bool mayStop = true;  // whether a newer request stops it in flight
        bool emptySpaceSkipping = true;
        bool vectorRays = true;
    };
    explicit FrameWorker(std::function<void(std::shared_ptr<LiveFrame>)> deliver);
    ~FrameWorker();
    void Submit(const Request& request);
    // Drops the waiting request, stops the one in flight and waits for it.
    void Stop();

  private:
    void Run();

    std::function<void(std::shared_ptr<LiveFrame>)> deliver_;
    std::mutex mutex_;
    std::condition_variable wake_;
    std::condition_variable idle_;
    std::unique_ptr<Request> waiting_;
    bool busy_ = false;
    bool busyMayStop_ = false;
    bool quit_ = false;
    std::atomic<bool> cancel_{false};
    RenderScratch scratch_;  // the worker's own: only its thread touches it
    std::thread thread_;
};

// The render window's live frames: what to ask for, when the hand has
// stopped, and whether a frame may still be shown.
class LiveView : public QObject {
  public:
    enum class Motion { Moving, Stopped };
    // show draws a frame in the window, on the window's thread.
    explicit LiveView(std::function<void(const LiveFrame&)> show, QObject* parent = nullptr);
    ~LiveView() override;

    // Asks for a frame of the current view and settings.
    void request(Motion motion);
    // Stops and waits for the render in flight; frames not yet shown are dropped.
    void stop();
    // The time of a render of the current settings made elsewhere.
    void noteExactTime(double milliseconds);
    // A render made elsewhere of these inputs replaced the image.
    void noteExactImage(const RenderInputs& inputs);
    // Whether the image shown needs no new render before it is saved: with
    // Live Update on (or a live frame shown) it must be the exact image of
    // the current view and volume.
    bool upToDate() const;
    // Whether the last image shown came from here.
    bool showingLive() const { return showingLive_; }

  private:
    void receive(const std::shared_ptr<LiveFrame>& frame);
    FrameWorker::Request currentRequest(int stride) const;
    // Frame times of another volume say nothing about this one.
    void forgetBudgetOfOtherVolumes();

    std::function<void(const LiveFrame&)> show_;
    FrameBudget budget_;
    QTimer rest_;
    std::uint64_t nextSerial_ = 1;
    std::uint64_t acceptFrom_ = 1;  // frames of earlier serials are stale
    std::uint64_t shownSerial_ = 0;
    const VolumeStore* budgetVolume_ = nullptr;  // compared, never read
    bool lastSubmitted_ = false;
    FrameWorker::Request last_;  // the last request submitted (its volume let go)
    bool showingLive_ = false;
    bool shownExact_ = false;
    RenderInputs shownInputs_;
    // Volumes are known here without keeping them alive.
    std::weak_ptr<const VolumeStore> shownVolume_;
    std::weak_ptr<const VolumeStore> lastVolume_;
    FrameWorker worker_;
};

// Shows "23 ms, exact" or "9 ms, preview 1/2" in the frame's status bar.
QString FrameTimeText(double milliseconds, int stride);
// Puts the (empty) frame-time field into the frame's status bar.
void AddFrameTimeField(QMainWindow* frame);
void ShowFrameTime(double milliseconds, int stride);
// Says in the same field that the last render found no memory for its work.
void ShowFrameWithoutMemory();

// Whether a render window with its live view is there, Live Update is on
// and no stereo pair is shown.
bool LiveRendersPossible();
// The render window's live renders, if it exists and Live Update is on:
// false when the caller must render as without Live Update.
bool RenderLive(LiveView::Motion motion);
// The render a change by hand asks for: live while the hand moves and once
// it stops; without live renders one ordinary render, when it stops.
void RenderAfterChange(LiveView::Motion motion);
// Stops and joins the render window's live render, if any.
void StopLiveRender();

// Live frames shown so far, and whether the last one was exact: what a
// frame-rate measurement counts.
std::uint64_t LiveFramesShown();
// Whether the render window's live view shows the exact image of the
// current view and volume.
bool LiveImageUpToDate();

}  // namespace calyra::ui
