// One movie file (MP4, WebM or GIF) from RGB frames, written under a
// temporary name beside the target and put in its place only by Finish: a
// movie that fails or is cancelled leaves no file behind, and an existing
// file of the same name as it was.
#pragma once

#include <memory>
#include <string>

#include "movie/frame.h"
#include "movie/movie_kind.h"

namespace calyra::movie {

// GIF frame delays are in hundredths of a second, and players slow down
// anything shorter than two.
constexpr int kMaxGifFps = 50;
constexpr int kMaxFps = 120;

class MovieEncoder {
  public:
    // A movie of width x height frames at fps frames a second, of the kind
    // path names. Null, with the reason in error, when the name, the size,
    // the rate or the installed libraries do not allow it, or the temporary
    // cannot be made ("Cannot write PATH: REASON").
    static std::unique_ptr<MovieEncoder> Open(const std::string& path, int width, int height,
                                              int fps, std::string& error);
    ~MovieEncoder();  // discards an unfinished movie
    MovieEncoder(const MovieEncoder&) = delete;
    MovieEncoder& operator=(const MovieEncoder&) = delete;

    // Encodes the next frame. False, with Error(), on failure; the movie is
    // then discarded and every later call fails.
    bool Add(const FrameView& frame);
    bool Add(const Frame& frame);
    // Encodes what the encoder still holds, completes the file and renames it
    // into place. False, with Error(), on failure: then nothing is left.
    bool Finish();
    // Stops and removes the temporary; the target stays as it was.
    void Cancel();
    // Why the last call failed, "" while nothing did.
    const std::string& Error() const;

    int Width() const;
    int Height() const;

  private:
    struct Impl;
    explicit MovieEncoder(std::unique_ptr<Impl> impl);
    std::unique_ptr<Impl> impl_;
};

// The FFmpeg libraries print their progress and statistics to standard
// error; a program calls this once at its start so that only errors do.
void QuietLibraryLog();

}  // namespace calyra::movie
