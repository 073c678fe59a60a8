// The encoder settings of each kind of movie, in one place.
#pragma once

#include <string>

#include "movie/av_handles.h"
#include "movie/movie_kind.h"

namespace calyra::movie {

// An opened encoder for width x height frames at fps, its pixel format set
// (yuv420p, or pal8 for GIF). globalHeader: the file writer wants the codec's
// headers apart from the frames (MP4). Null, with the reason, on failure.
CodecPtr OpenEncoder(MovieKind kind, int width, int height, int fps, bool globalHeader,
                     std::string& error);

}  // namespace calyra::movie
