#include "movie/encoder_pipeline.h"

#include <new>
#include <system_error>
#include <utility>

namespace calyra::movie {

std::unique_ptr<EncoderPipeline> EncoderPipeline::Open(const std::string& path, int width,
                                                       int height, int fps, std::string& error) {
    std::unique_ptr<MovieEncoder> encoder = MovieEncoder::Open(path, width, height, fps, error);
    if (!encoder) return nullptr;
    try {
        return std::unique_ptr<EncoderPipeline>(new EncoderPipeline(path, std::move(encoder)));
    } catch (const std::bad_alloc&) {
        error = "Cannot write " + path + ": out of memory";
    } catch (const std::system_error& e) {
        error = "Cannot write " + path + ": no thread for the encoder: " + e.what();
    }
    // The encoder, if it was still ours, went with its unique_ptr.
    return nullptr;
}

EncoderPipeline::EncoderPipeline(std::string path, std::unique_ptr<MovieEncoder> encoder)
    : path_(std::move(path)), encoder_(std::move(encoder)), thread_(&EncoderPipeline::Run, this) {}

EncoderPipeline::~EncoderPipeline() {
    Cancel();
}

void EncoderPipeline::FailLocked(const std::string& reason) noexcept {
    failed_ = true;
    cancelled_ = true;
    queue_.clear();
    try {
        if (error_.empty()) error_ = reason;
    } catch (const std::bad_alloc&) {
        // Failed all the same; Finish still says false.
    }
}

void EncoderPipeline::Run() {
    try {
        Encode();
    } catch (const std::bad_alloc&) {
        encoder_->Cancel();
        std::lock_guard lock(mutex_);
        FailLocked(encoder_->Error());
    }
    changed_.notify_all();
}

void EncoderPipeline::Encode() {
    while (true) {
        Frame frame;
        {
            std::unique_lock lock(mutex_);
            changed_.wait(lock, [&] { return cancelled_ || finishing_ || !queue_.empty(); });
            if (cancelled_) break;
            if (queue_.empty()) break;  // finishing, and every frame is in
            frame = std::move(queue_.front());
            queue_.pop_front();
        }
        // A place in the queue is free again.
        changed_.notify_all();
        if (!encoder_->Add(frame)) {
            std::lock_guard lock(mutex_);
            FailLocked(encoder_->Error());
            return;
        }
    }
    {
        std::lock_guard lock(mutex_);
        if (cancelled_) {
            encoder_->Cancel();
            return;
        }
    }
    const bool finished = encoder_->Finish();
    std::lock_guard lock(mutex_);
    finished_ = finished;
    if (!finished) FailLocked(encoder_->Error());
}

bool EncoderPipeline::Submit(Frame frame) {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [&] { return failed_ || done_ || queue_.size() < kQueuedFrames; });
    if (failed_) return false;
    try {
        if (done_) {
            if (error_.empty()) {
                error_ =
                    "Cannot write " + path_ +
                    (cancelled_ ? ": the movie was cancelled" : ": the movie is already complete");
            }
            return false;
        }
        queue_.push_back(std::move(frame));
    } catch (const std::bad_alloc&) {
        // The frame is lost, so the movie is too.
        FailLocked("Cannot write " + path_ + ": out of memory");
        lock.unlock();
        changed_.notify_all();
        return false;
    }
    lock.unlock();
    changed_.notify_all();
    return true;
}

void EncoderPipeline::Stop(bool finish) {
    {
        std::lock_guard lock(mutex_);
        done_ = true;
        if (finish) {
            finishing_ = true;
        } else {
            cancelled_ = true;
            queue_.clear();
        }
    }
    changed_.notify_all();
    if (thread_.joinable()) thread_.join();
}

bool EncoderPipeline::Finish() {
    {
        std::lock_guard lock(mutex_);
        if (done_) {
            if (!finished_) FailLocked("Cannot write " + path_ + ": the movie was cancelled");
            return finished_;
        }
    }
    Stop(true);
    std::lock_guard lock(mutex_);
    return finished_;
}

void EncoderPipeline::Cancel() {
    Stop(false);
    // The thread has ended: the encoder is ours again. A movie that failed
    // on the thread is gone already; this only makes sure.
    std::lock_guard lock(mutex_);
    if (!finished_) encoder_->Cancel();
}

std::string EncoderPipeline::Error() const {
    std::lock_guard lock(mutex_);
    return error_;
}

}  // namespace calyra::movie
