#include "ui/live_view.h"

#include <QLabel>
#include <QMainWindow>
#include <QStatusBar>
#include <chrono>
#include <cmath>
#include <new>

#include "render/buffers.h"
#include "ui/document.h"
#include "ui/platform.h"

namespace calyra::ui {

bool liveUpdate = true;
int liveRestMilliseconds = 250;
double frameBudgetMilliseconds = 40.0;

namespace {

// The live view of the one render window, while it exists.
LiveView* activeLiveView = nullptr;
std::uint64_t framesShown = 0;

int KindKey(RenderType type, bool interpolated) {
    return static_cast<int>(type) * 2 + (interpolated ? 1 : 0);
}

double NowMilliseconds() {
    using Clock = std::chrono::steady_clock;
    return std::chrono::duration<double, std::milli>(Clock::now().time_since_epoch()).count();
}

}  // namespace

double CastRays(int rays, int stride) {
    const double side = static_cast<double>((rays + stride - 1) / stride);
    return side * side;
}

void FrameBudget::Note(RenderType type, bool interpolated, int stride, int rays,
                       double milliseconds) {
    const double cast = CastRays(rays, stride);
    if (cast <= 0.0) return;
    const int key = KindKey(type, interpolated);
    for (Entry& e : times_) {
        if (e.key == key && e.stride == stride) {
            e.perRay = milliseconds / cast;
            return;
        }
    }
    times_.push_back({key, stride, milliseconds / cast});
}

double FrameBudget::Estimate(RenderType type, bool interpolated, int stride, int rays) const {
    // The same kind at the same stride first, then the same kind at the
    // nearest stride, then any kind: costs per ray differ little between strides.
    const int key = KindKey(type, interpolated);
    const Entry* best = nullptr;
    int bestDistance = 0;
    for (const Entry& e : times_) {
        const int distance = (e.key == key ? 0 : 100) + std::abs(e.stride - stride);
        if (!best || distance < bestDistance) {
            best = &e;
            bestDistance = distance;
        }
    }
    return best ? best->perRay * CastRays(rays, stride) : -1.0;
}

int FrameBudget::Stride(RenderType type, bool interpolated, int rays) const {
    for (const int stride : kPreviewStrides) {
        const double estimate = Estimate(type, interpolated, stride, rays);
        if (estimate < 0.0) return 1;
        if (estimate <= frameBudgetMilliseconds) return stride;
    }
    return kPreviewStrides[std::size(kPreviewStrides) - 1];
}

FrameWorker::FrameWorker(std::function<void(std::shared_ptr<LiveFrame>)> deliver)
    : deliver_(std::move(deliver)) {}

FrameWorker::~FrameWorker() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        quit_ = true;
        waiting_.reset();
        cancel_.store(true);
    }
    wake_.notify_all();
    if (thread_.joinable()) thread_.join();
}

void FrameWorker::Submit(const Request& request) {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        waiting_ = std::make_unique<Request>(request);
        if (busy_ && busyMayStop_) cancel_.store(true);
        if (!thread_.joinable()) thread_ = std::thread([this] { Run(); });
    }
    wake_.notify_all();
}

void FrameWorker::Stop() {
    std::unique_lock<std::mutex> lock(mutex_);
    waiting_.reset();
    if (busy_) cancel_.store(true);
    idle_.wait(lock, [this] { return !busy_; });
}

void FrameWorker::Run() {
    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
        wake_.wait(lock, [this] { return quit_ || waiting_; });
        if (quit_) return;
        const Request request = *waiting_;
        waiting_.reset();
        busy_ = true;
        busyMayStop_ = request.mayStop;
        cancel_.store(false);
        lock.unlock();

        std::shared_ptr<LiveFrame> frame;
        bool done = false;
        try {
            frame = std::make_shared<LiveFrame>();
            frame->inputs = request.inputs;
            frame->rays = request.rays;
            frame->stride = request.stride;
            frame->serial = request.serial;
            frame->volume = request.volume;
            frame->image.resize(3 * kBufferPixels);
            frame->depth.resize(kBufferPixels);
            RenderOutput out{frame->image.data(), frame->depth.data()};
            const double start = NowMilliseconds();
            const RenderControl control{request.stride, &cancel_, request.emptySpaceSkipping,
                                        request.vectorRays};
            done = RenderFrame(*request.volume, request.inputs, request.rays, request.rays, out,
                               scratch_, control);
            frame->milliseconds = NowMilliseconds() - start;
            frame->displayMax = out.displayMax;
        } catch (const std::bad_alloc&) {
            // No memory for this frame: it is dropped and the one shown stays;
            // the next request tries again.
            done = false;
        }
        if (done) deliver_(std::move(frame));

        lock.lock();
        busy_ = false;
        idle_.notify_all();
    }
}

LiveView::LiveView(std::function<void(const LiveFrame&)> show, QObject* parent)
    : QObject(parent), show_(std::move(show)), worker_([this](std::shared_ptr<LiveFrame> frame) {
          // On the render thread: the frame is shown on this object's thread.
          QMetaObject::invokeMethod(
              this, [this, frame] { receive(frame); }, Qt::QueuedConnection);
      }) {
    activeLiveView = this;
    rest_.setSingleShot(true);
    connect(&rest_, &QTimer::timeout, this, [this] { request(Motion::Stopped); });
}

LiveView::~LiveView() {
    if (activeLiveView == this) activeLiveView = nullptr;
    worker_.Stop();
}

FrameWorker::Request LiveView::currentRequest(int stride) const {
    const Session& session = ProgramSession();
    FrameWorker::Request r;
    r.inputs = CurrentRenderInputs(session);
    r.rays = RaysPerSide(session);
    r.stride = stride;
    r.volume = session.VoxelVolume;
    r.emptySpaceSkipping = session.emptySpaceSkipping;
    r.vectorRays = session.vectorRays;
    return r;
}

void LiveView::forgetBudgetOfOtherVolumes() {
    const VolumeStore* volume = ProgramSession().VoxelVolume.get();
    if (budgetVolume_ != volume) {
        budget_.Forget();
        budgetVolume_ = volume;
    }
}

void LiveView::request(Motion motion) {
    forgetBudgetOfOtherVolumes();
    FrameWorker::Request r = currentRequest(1);
    if (motion == Motion::Moving) {
        r.stride = budget_.Stride(r.inputs.type, r.inputs.interpolate, r.rays);
        rest_.start(liveRestMilliseconds);
    } else {
        rest_.stop();
    }
    // A frame that fits the budget is let finish: stopping every frame for
    // the next pointer move would show none while the hand moves.
    const double estimate = budget_.Estimate(r.inputs.type, r.inputs.interpolate, r.stride, r.rays);
    r.mayStop = estimate < 0.0 || estimate > frameBudgetMilliseconds;
    const bool same = lastSubmitted_ && last_.inputs == r.inputs && last_.rays == r.rays &&
                      lastVolume_.lock() == r.volume;
    // Nothing new to show: the same view at the same or a finer stride is on its way.
    if (same && last_.stride <= r.stride) return;
    r.serial = nextSerial_++;
    last_ = r;
    last_.volume.reset();
    lastVolume_ = r.volume;
    lastSubmitted_ = true;
    worker_.Submit(r);
}

void LiveView::stop() {
    rest_.stop();
    worker_.Stop();
    acceptFrom_ = nextSerial_;
    lastSubmitted_ = false;
}

void LiveView::noteExactTime(double milliseconds) {
    forgetBudgetOfOtherVolumes();
    const Session& session = ProgramSession();
    budget_.Note(session.settings.renderType, session.settings.interpolate, 1, RaysPerSide(session),
                 milliseconds);
}

void LiveView::noteExactImage(const RenderInputs& inputs) {
    showingLive_ = false;
    shownExact_ = true;
    shownInputs_ = inputs;
    shownVolume_ = ProgramSession().VoxelVolume;
}

bool LiveView::upToDate() const {
    if (!liveUpdate && !showingLive_) return true;
    const Session& session = ProgramSession();
    return shownExact_ && shownVolume_.lock() == session.VoxelVolume &&
           shownInputs_ == CurrentRenderInputs(session);
}

void LiveView::receive(const std::shared_ptr<LiveFrame>& frame) {
    // Stale: asked for before a stop, older than the frame shown, or of
    // a volume no longer shown.
    if (frame->serial < acceptFrom_ || frame->serial <= shownSerial_) return;
    if (frame->volume != ProgramSession().VoxelVolume) return;
    if (budgetVolume_ == frame->volume.get()) {
        budget_.Note(frame->inputs.type, frame->inputs.interpolate, frame->stride, frame->rays,
                     frame->milliseconds);
    }
    shownSerial_ = frame->serial;
    showingLive_ = true;
    shownExact_ = frame->stride == 1;
    shownInputs_ = frame->inputs;
    shownVolume_ = frame->volume;
    show_(*frame);
    ShowFrameTime(frame->milliseconds, frame->stride);
    ++framesShown;
}

QString FrameTimeText(double milliseconds, int stride) {
    const long ms = std::lround(milliseconds);
    if (stride <= 1) return QStringLiteral("%1 ms, exact").arg(ms);
    return QStringLiteral("%1 ms, preview 1/%2").arg(ms).arg(stride);
}

namespace {
const QString kFrameTimeField = QStringLiteral("frameTime");
// In the frame-time field when a render found no memory for its work.
constexpr const char* kNoMemoryForImageText = "not enough memory for the image";

void SetFrameTimeField(const QString& text) {
    auto* frame = qobject_cast<QMainWindow*>(frameWindow);
    if (!frame) return;
    if (auto* label = frame->statusBar()->findChild<QLabel*>(kFrameTimeField)) {
        label->setText(text);
    }
}
}  // namespace

void AddFrameTimeField(QMainWindow* frame) {
    auto* label = new QLabel(frame->statusBar());
    label->setObjectName(kFrameTimeField);
    frame->statusBar()->addWidget(label);
}

void ShowFrameTime(double milliseconds, int stride) {
    SetFrameTimeField(FrameTimeText(milliseconds, stride));
}

void ShowFrameWithoutMemory() {
    SetFrameTimeField(QString::fromLatin1(kNoMemoryForImageText));
}

bool LiveRendersPossible() {
    // A stereo pair and a frame without a volume render as they always did.
    return liveUpdate && activeLiveView && !ProgramSession().settings.stereo;
}

bool RenderLive(LiveView::Motion motion) {
    if (!LiveRendersPossible()) return false;
    activeLiveView->request(motion);
    return true;
}

void RenderAfterChange(LiveView::Motion motion) {
    if (RenderLive(motion)) return;
    if (motion == LiveView::Motion::Stopped) RequestRender(ProgramSession());
}

void StopLiveRender() {
    if (activeLiveView) activeLiveView->stop();
}

std::uint64_t LiveFramesShown() {
    return framesShown;
}

bool LiveImageUpToDate() {
    return activeLiveView && activeLiveView->upToDate();
}

}  // namespace calyra::ui
