// A movie encoded on a thread of its own while the caller renders the next
// frame. At most two frames wait between the two; a failure on the encoder's
// thread ends the movie there and is told by the next Submit or Finish.
#pragma once

#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "movie/frame.h"
#include "movie/movie_encoder.h"

namespace calyra::movie {

class EncoderPipeline {
  public:
    // Frames waiting for the encoder, at most.
    static constexpr std::size_t kQueuedFrames = 2;

    // Opens the movie (see MovieEncoder::Open) and starts the thread. Null,
    // with the reason in error, when either fails; nothing is then left.
    static std::unique_ptr<EncoderPipeline> Open(const std::string& path, int width, int height,
                                                 int fps, std::string& error);
    ~EncoderPipeline();  // cancels an unfinished movie
    EncoderPipeline(const EncoderPipeline&) = delete;
    EncoderPipeline& operator=(const EncoderPipeline&) = delete;

    // Hands the next frame to the encoder; waits only while two frames are
    // already waiting. False, with Error(), once the movie has failed (the
    // frame is then dropped) or after Finish or Cancel.
    bool Submit(Frame frame);
    // Waits for every frame, completes the file and puts it in place. False,
    // with Error(), when the movie failed at any point: then nothing is left.
    bool Finish();
    // Stops the encoder at once, drops the waiting frames and removes the
    // temporary; the target stays as it was.
    void Cancel();
    // Why the movie failed, "" while it has not. Read it after Submit or
    // Finish returned false.
    std::string Error() const;

  private:
    EncoderPipeline(std::string path, std::unique_ptr<MovieEncoder> encoder);
    void Run();
    void Encode();
    // Ends the movie with reason, unless it failed already. mutex_ held.
    void FailLocked(const std::string& reason) noexcept;
    // Tells the thread to stop (finishing the movie or not) and waits for it.
    void Stop(bool finish);

    std::string path_;
    std::unique_ptr<MovieEncoder> encoder_;  // the thread's alone while it runs
    mutable std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<Frame> queue_;
    bool finishing_ = false;
    bool cancelled_ = false;
    bool failed_ = false;
    bool done_ = false;  // Finish or Cancel has been called
    bool finished_ = false;
    std::string error_;
    std::thread thread_;  // last: starts once everything above is made
};

}  // namespace calyra::movie
