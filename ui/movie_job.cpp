#include "ui/movie_job.h"

#include <QImage>

#include "picture/cells.h"
#include "render/render_type.h"

namespace calyra::ui {

std::unique_ptr<MovieJob> MovieJob::Start(MovieSnapshot snapshot, const std::string& path, int fps,
                                          std::string& error) {
    if (!snapshot.volume || snapshot.frames.empty()) {
        error = "Cannot write " + path + ": there is nothing to render";
        return nullptr;
    }
    std::unique_ptr<movie::EncoderPipeline> pipeline =
        movie::EncoderPipeline::Open(path, snapshot.side, snapshot.side, fps, error);
    if (!pipeline) return nullptr;
    return std::unique_ptr<MovieJob>(new MovieJob(std::move(snapshot), std::move(pipeline)));
}

MovieJob::MovieJob(MovieSnapshot snapshot, std::unique_ptr<movie::EncoderPipeline> pipeline)
    : snapshot_(std::move(snapshot)),
      pipeline_(std::move(pipeline)),
      scratch_(std::make_unique<RenderScratch>()),
      buffers_(std::make_unique<RenderBuffers>()),
      thread_(&MovieJob::Run, this) {}

MovieJob::~MovieJob() {
    Cancel();
    if (thread_.joinable()) thread_.join();
}

std::string MovieJob::Error() const {
    std::lock_guard lock(mutex_);
    return error_;
}

void MovieJob::Fail(const std::string& reason) {
    std::lock_guard lock(mutex_);
    if (error_.empty()) error_ = reason;
}

bool MovieJob::MakeFrame(std::size_t k) {
    RenderOutput out{buffers_->ImageBuffer.data(), buffers_->DepthBuffer.data()};
    RenderControl control;
    control.cancel = &cancel_;
    control.emptySpaceSkipping = snapshot_.emptySpaceSkipping;
    control.vectorRays = snapshot_.vectorRays;
    if (!RenderFrame(*snapshot_.volume, snapshot_.frames[k], snapshot_.rays, snapshot_.rays, out,
                     *scratch_, control)) {
        return false;  // cancelled
    }
    buffers_->displayMax = out.displayMax;
    // Composite's buffers hold colours, drawn as they are.
    buffers_->rgb = TraitsOf(snapshot_.frames[k].type).rgb;
    // The same cells as Save Image's picture, on this thread's own image.
    const QImage image =
        picture::MonoPicture(*buffers_, snapshot_.settings, snapshot_.side, snapshot_.cells)
            .convertToFormat(QImage::Format_RGB888);
    movie::Frame frame = movie::CopyFrame(
        {image.constBits(), image.width(), image.height(), static_cast<int>(image.bytesPerLine())});
    if (frame.rgb.empty()) {
        Fail("Cannot write the movie: not enough memory for a frame");
        return false;
    }
    if (!pipeline_->Submit(std::move(frame))) {
        Fail(pipeline_->Error());
        return false;
    }
    return true;
}

void MovieJob::Run() {
    bool whole = true;
    for (std::size_t k = 0; k < snapshot_.frames.size() && whole; ++k) {
        whole = !cancel_.load() && MakeFrame(k);
        if (whole) framesDone_.store(static_cast<int>(k) + 1);
    }
    // A cancelled or failed movie leaves no file; a whole one is put in place.
    if (!whole || cancel_.load()) {
        pipeline_->Cancel();
    } else if (pipeline_->Finish()) {
        written_.store(true);
    } else {
        Fail(pipeline_->Error());
    }
    done_.store(true);
}

}  // namespace calyra::ui
