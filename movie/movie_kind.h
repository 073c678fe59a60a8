// What kind of movie a file name asks for, and the names of the frames of a
// PNG frame series. No FFmpeg here: the programs check a name before they
// render anything.
#pragma once

#include <optional>
#include <string>

namespace calyra::movie {

enum class MovieKind { Mp4, WebM, Gif, FrameSeries };

// The kind path names: by its extension (.mp4, .webm, .gif, any case), or a
// frame series when its file name holds exactly one %d or %0Nd. Nothing, with
// the reason in reason, for any other name.
std::optional<MovieKind> MovieKindOf(const std::string& path, std::string& reason);

// For a frame series: the name of frame k ("turn_%03d.png", 7 -> "turn_007.png").
// Empty when pattern is not a frame series name.
std::string FrameFileName(const std::string& pattern, int k);

// Why a movie of this kind and size cannot be written, "" when it can: a size
// that is not positive, an odd size for MP4 and WebM, an encoder, writer or
// filter missing from the installed libraries.
std::string CheckMovie(MovieKind kind, int width, int height);

// "MP4", "WebM", "GIF", "frame series": for messages.
const char* KindName(MovieKind kind);

}  // namespace calyra::movie
