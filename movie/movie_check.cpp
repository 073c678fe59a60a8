// The checks that ask the installed FFmpeg libraries what they have.
#include <string>

#include "movie/kind_codecs.h"
#include "movie/movie_kind.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavfilter/avfilter.h>
#include <libavformat/avformat.h>
}

namespace calyra::movie {

const KindCodec& CodecOf(MovieKind kind) {
    static constexpr KindCodec kMp4{"libx264", "H.264", "mp4", true};
    static constexpr KindCodec kWebM{"libvpx-vp9", "VP9", "webm", true};
    static constexpr KindCodec kGif{"gif", "GIF", "gif", false};
    switch (kind) {
        case MovieKind::WebM:
            return kWebM;
        case MovieKind::Gif:
            return kGif;
        default:
            return kMp4;
    }
}

std::string CheckMovie(MovieKind kind, int width, int height) {
    const std::string size = std::to_string(width) + " x " + std::to_string(height);
    if (width < 1 || height < 1 || width > kMaxMovieSide || height > kMaxMovieSide) {
        return "Movie frames must be 1 to " + std::to_string(kMaxMovieSide) +
               " pixels wide and high; " + size + " is not.";
    }
    if (kind == MovieKind::FrameSeries) return "";
    const KindCodec& codec = CodecOf(kind);
    if (codec.evenSize && (width % 2 != 0 || height % 2 != 0)) {
        return std::string(KindName(kind)) +
               " movies need an even width and height (their colours are stored at half "
               "resolution, yuv420p); " +
               size + " is not.";
    }
    if (!av_guess_format(codec.muxer, nullptr, nullptr)) {
        return std::string("The ") + KindName(kind) + " file writer (" + codec.muxer +
               ") is not available.";
    }
    if (!avcodec_find_encoder_by_name(codec.encoder)) {
        return std::string("The ") + codec.codec + " encoder (" + codec.encoder +
               ") is not available.";
    }
    if (kind == MovieKind::Gif) {
        for (const char* filter : {"buffer", "buffersink", "split", "palettegen", "paletteuse"}) {
            if (!avfilter_get_by_name(filter)) {
                return std::string("The GIF palette filter (") + filter + ") is not available.";
            }
        }
    }
    return "";
}

}  // namespace calyra::movie
