#include "movie/movie_encoder.h"

#include <new>

#include "base/file_writer.h"
#include "movie/av_handles.h"
#include "movie/codec_setup.h"
#include "movie/file_sink.h"
#include "movie/gif_palette.h"
#include "movie/kind_codecs.h"
#include "movie/yuv_picture.h"

extern "C" {
#include <libavutil/log.h>
}

namespace calyra::movie {
namespace {

constexpr char kOutOfMemory[] = "out of memory";

}  // namespace

struct MovieEncoder::Impl {
    Impl(const std::string& target, MovieKind movieKind, int w, int h, int rate)
        : path(target), kind(movieKind), width(w), height(h), fps(rate), file(target), sink(file) {}
    // The file itself goes with file; the writer must be taken down first.
    ~Impl() { Release(); }

    bool Start();
    bool Add(const FrameView& frame);
    bool Finish();
    void Cancel();
    // Encodes picture (null: the end) and writes what the encoder gives back.
    bool Send(AVFrame* picture);
    bool Fail(const std::string& reason);
    // For a std::bad_alloc: even the message may find no memory.
    bool FailOutOfMemory() noexcept;
    bool FailAv(const std::string& what, int code) { return Fail(what + ": " + AvErrorText(code)); }
    void Release();

    std::string path;
    MovieKind kind;
    int width;
    int height;
    int fps;
    // Declared before what writes to them, so that they outlive it.
    AtomicFile file;
    FileSink sink;
    OutputPtr output;
    AVStream* stream = nullptr;  // owned by output
    CodecPtr codec;
    YuvPicture yuv;
    GifPalette gif;
    FramePtr paletted;
    PacketPtr packet;
    std::int64_t next = 0;
    bool open = false;
    bool muxing = false;  // the header is written, the trailer not yet
    std::string error;
};

bool MovieEncoder::Impl::Fail(const std::string& reason) {
    if (error.empty()) {
        // A failed write is why the libraries failed after it.
        if (!sink.Failure().empty()) {
            error = "Cannot write " + path + ": " + sink.Failure();
        } else if (!file.Error().empty()) {
            error = file.Error();
        } else {
            error = "Cannot write " + path + ": " + reason;
        }
    }
    Release();
    file.Discard();
    return false;
}

bool MovieEncoder::Impl::FailOutOfMemory() noexcept {
    try {
        return Fail(kOutOfMemory);
    } catch (const std::bad_alloc&) {
        Release();
        file.Discard();
        return false;
    }
}

void MovieEncoder::Impl::Release() {
    open = false;
    if (muxing) {
        // Some writers (GIF's) free what they hold only in their trailer:
        // it is written into nothing.
        muxing = false;
        sink.Abandon();
        av_write_trailer(output.get());
    }
    codec.reset();
    output.reset();
    stream = nullptr;
    paletted.reset();
    packet.reset();
}

bool MovieEncoder::Impl::Start() {
    if (!file.ok()) return Fail("");
    if (!sink.Open()) return Fail(kOutOfMemory);
    const KindCodec& names = CodecOf(kind);
    const std::string writer = std::string("the ") + KindName(kind) + " file writer";
    AVFormatContext* made = nullptr;
    const int allocated = avformat_alloc_output_context2(&made, nullptr, names.muxer, path.c_str());
    output.reset(made);
    if (allocated < 0 || !output)
        return FailAv(writer, allocated < 0 ? allocated : AVERROR(ENOMEM));
    output->pb = sink.Context();
    // Our stream, not a file libavformat opens; and the same frames make the
    // same bytes (no random ids, no library version in the file).
    output->flags |= AVFMT_FLAG_CUSTOM_IO | AVFMT_FLAG_BITEXACT;

    std::string reason;
    codec = OpenEncoder(kind, width, height, fps,
                        (output->oformat->flags & AVFMT_GLOBALHEADER) != 0, reason);
    if (!codec) return Fail(reason);
    if (kind == MovieKind::Gif) {
        paletted.reset(av_frame_alloc());
        if (!paletted) return Fail(kOutOfMemory);
        if (!gif.Open(width, height, fps, reason)) return Fail(reason);
    } else if (!yuv.Open(width, height, reason)) {
        return Fail(reason);
    }
    packet.reset(av_packet_alloc());
    stream = avformat_new_stream(output.get(), nullptr);
    if (!packet || !stream) return Fail(kOutOfMemory);
    stream->time_base = codec->time_base;
    stream->avg_frame_rate = codec->framerate;
    const int copied = avcodec_parameters_from_context(stream->codecpar, codec.get());
    if (copied < 0) return FailAv(writer, copied);
    const int header = avformat_write_header(output.get(), nullptr);
    if (header < 0) return FailAv(writer, header);
    muxing = true;
    if (!sink.Failure().empty()) return Fail("");
    open = true;
    return true;
}

bool MovieEncoder::Impl::Send(AVFrame* picture) {
    const KindCodec& names = CodecOf(kind);
    const std::string encoder =
        std::string("the ") + names.codec + " encoder (" + names.encoder + ")";
    int ret = avcodec_send_frame(codec.get(), picture);
    if (ret < 0) return FailAv(encoder, ret);
    while (true) {
        ret = avcodec_receive_packet(codec.get(), packet.get());
        if (ret == AVERROR(EAGAIN) || ret == AVERROR_EOF) return true;
        if (ret < 0) return FailAv(encoder, ret);
        if (packet->duration == 0) packet->duration = 1;
        av_packet_rescale_ts(packet.get(), codec->time_base, stream->time_base);
        packet->stream_index = stream->index;
        // Takes the packet's data over and leaves it blank.
        ret = av_interleaved_write_frame(output.get(), packet.get());
        if (ret < 0) return FailAv(std::string("the ") + KindName(kind) + " file writer", ret);
        if (!sink.Failure().empty()) return Fail("");
    }
}

bool MovieEncoder::Impl::Add(const FrameView& frame) {
    if (!open) return Fail("the movie is already complete");
    const std::string problem = FrameProblem(frame, width, height);
    if (!problem.empty()) return Fail(problem);
    std::string reason;
    if (kind != MovieKind::Gif) {
        AVFrame* picture = yuv.Convert(frame, reason);
        if (!picture) return Fail(reason);
        picture->pts = next++;
        return Send(picture);
    }
    if (!gif.Push(&frame, next++, reason)) return Fail(reason);
    while (true) {
        const int got = gif.Pull(paletted.get(), reason);
        if (got < 0) return Fail(reason);
        if (got == 0) return true;
        const bool sent = Send(paletted.get());
        av_frame_unref(paletted.get());
        if (!sent) return false;
    }
}

bool MovieEncoder::Impl::Finish() {
    if (!open) return Fail("the movie is already complete");
    std::string reason;
    if (kind == MovieKind::Gif) {
        if (!gif.Push(nullptr, 0, reason)) return Fail(reason);
        int got = 0;
        while ((got = gif.Pull(paletted.get(), reason)) > 0) {
            const bool sent = Send(paletted.get());
            av_frame_unref(paletted.get());
            if (!sent) return false;
        }
        if (got < 0) return Fail(reason);
    }
    if (!Send(nullptr)) return false;
    muxing = false;
    const int trailer = av_write_trailer(output.get());
    if (trailer < 0) return FailAv(std::string("the ") + KindName(kind) + " file writer", trailer);
    if (!sink.Flush()) return Fail("");
    Release();
    if (!file.Commit()) return Fail("");
    return true;
}

void MovieEncoder::Impl::Cancel() {
    const bool wasOpen = open;
    Release();
    file.Discard();
    try {
        if (wasOpen && error.empty()) error = "Cannot write " + path + ": the movie was cancelled";
    } catch (const std::bad_alloc&) {
        // Cancelled all the same.
    }
}

std::unique_ptr<MovieEncoder> MovieEncoder::Open(const std::string& path, int width, int height,
                                                 int fps, std::string& error) {
    try {
        error.clear();
        const std::optional<MovieKind> kind = MovieKindOf(path, error);
        if (!kind) return nullptr;
        if (*kind == MovieKind::FrameSeries) {
            error = "Cannot write " + path +
                    ": a frame series is written as one PNG image a frame, not as a movie file.";
            return nullptr;
        }
        const int maxFps = *kind == MovieKind::Gif ? kMaxGifFps : kMaxFps;
        if (fps < 1 || fps > maxFps) {
            error = std::string(KindName(*kind)) + " movies play at 1 to " +
                    std::to_string(maxFps) + " frames a second, not " + std::to_string(fps) + ".";
            return nullptr;
        }
        error = CheckMovie(*kind, width, height);
        if (!error.empty()) return nullptr;
        auto impl = std::make_unique<Impl>(path, *kind, width, height, fps);
        if (!impl->Start()) {
            error = impl->error;
            return nullptr;
        }
        return std::unique_ptr<MovieEncoder>(new MovieEncoder(std::move(impl)));
    } catch (const std::bad_alloc&) {
        error = "Cannot write " + path + ": " + kOutOfMemory;
        return nullptr;
    }
}

MovieEncoder::MovieEncoder(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {}
MovieEncoder::~MovieEncoder() = default;

bool MovieEncoder::Add(const FrameView& frame) {
    try {
        return impl_->Add(frame);
    } catch (const std::bad_alloc&) {
        return impl_->FailOutOfMemory();
    }
}

bool MovieEncoder::Add(const Frame& frame) {
    try {
        const std::string problem = FrameProblem(frame, impl_->width, impl_->height);
        if (!problem.empty()) return impl_->Fail(problem);
        return impl_->Add(frame.View());
    } catch (const std::bad_alloc&) {
        return impl_->FailOutOfMemory();
    }
}

bool MovieEncoder::Finish() {
    try {
        return impl_->Finish();
    } catch (const std::bad_alloc&) {
        return impl_->FailOutOfMemory();
    }
}

void MovieEncoder::Cancel() {
    impl_->Cancel();
}
const std::string& MovieEncoder::Error() const {
    return impl_->error;
}
int MovieEncoder::Width() const {
    return impl_->width;
}
int MovieEncoder::Height() const {
    return impl_->height;
}

void QuietLibraryLog() {
    av_log_set_level(AV_LOG_ERROR);
}

}  // namespace calyra::movie
