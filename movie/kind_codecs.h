// Which encoder and file writer of the FFmpeg libraries makes each kind of
// movie, by the names the libraries look them up with.
#pragma once

#include "movie/movie_kind.h"

namespace calyra::movie {

struct KindCodec {
    const char* encoder;  // avcodec_find_encoder_by_name
    const char* codec;    // for messages: "H.264"
    const char* muxer;    // av_guess_format
    bool evenSize;        // yuv420p halves the colour planes both ways
};

// Only for the three movie kinds (not FrameSeries).
const KindCodec& CodecOf(MovieKind kind);

// The largest side any of the encoders takes.
constexpr int kMaxMovieSide = 16384;

}  // namespace calyra::movie
