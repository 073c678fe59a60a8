// A turntable movie made away from the window thread: each frame rendered
// exactly from a snapshot of the document (the volume it holds, copies of
// the settings and of every frame's inputs), drawn as Save Image draws, and
// handed to the encoder's own thread while the next one renders.
#pragma once

#include <atomic>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "movie/encoder_pipeline.h"
#include "render/buffers.h"
#include "render/ray_driver.h"
#include "render/user_settings.h"
#include "volume/volume_store.h"

namespace calyra::ui {

// What the frames are made of; nothing in it is shared with the window thread.
struct MovieSnapshot {
    std::shared_ptr<const VolumeStore> volume;
    UserSettings settings;             // for drawing the cells
    std::vector<RenderInputs> frames;  // one per frame, in order
    int rays = 0;                      // per side
    int cells = 0;                     // per picture side
    int side = 0;                      // pixels per picture side
    bool emptySpaceSkipping = true;
    bool vectorRays = true;
};

class MovieJob {
  public:
    // Opens the movie at path and starts rendering. Null, with the reason in
    // error, when the movie cannot be written; nothing is then left.
    static std::unique_ptr<MovieJob> Start(MovieSnapshot snapshot, const std::string& path, int fps,
                                           std::string& error);
    ~MovieJob();  // cancels an unfinished movie and waits for the thread
    MovieJob(const MovieJob&) = delete;
    MovieJob& operator=(const MovieJob&) = delete;

    int FramesDone() const { return framesDone_.load(); }
    int Frames() const { return static_cast<int>(snapshot_.frames.size()); }
    // The movie is complete, failed or cancelled, and the thread is idle.
    bool Done() const { return done_.load(); }
    // Stops at the next row of the render in flight; the movie leaves no file.
    void Cancel() { cancel_.store(true); }
    // Once Done: whether the movie is in place (a cancel that came too late
    // for it changes nothing), and why it failed, "" when it was written or
    // cancelled.
    bool Written() const { return written_.load(); }
    std::string Error() const;

  private:
    MovieJob(MovieSnapshot snapshot, std::unique_ptr<movie::EncoderPipeline> pipeline);
    void Run();
    // Renders and draws frame k; false when cancelled or failed.
    bool MakeFrame(std::size_t k);
    void Fail(const std::string& reason);

    const MovieSnapshot snapshot_;
    std::unique_ptr<movie::EncoderPipeline> pipeline_;
    // The thread's own working memory.
    std::unique_ptr<RenderScratch> scratch_;
    std::unique_ptr<RenderBuffers> buffers_;
    std::atomic<int> framesDone_{0};
    std::atomic<bool> cancel_{false};
    std::atomic<bool> done_{false};
    std::atomic<bool> written_{false};
    mutable std::mutex mutex_;
    std::string error_;
    std::thread thread_;  // last: starts once everything above is made
};

}  // namespace calyra::ui
