#include "movie/gif_palette.h"

#include <array>
#include <cstring>

extern "C" {
#include <libavfilter/buffersink.h>
#include <libavfilter/buffersrc.h>
#include <libavutil/imgutils.h>
#include <libavutil/opt.h>
}

namespace calyra::movie {
namespace {

// All 256 colours for the picture (no transparent one: frames are opaque).
// Ordered dithering: the same colour dithers the same way in every frame,
// where error diffusion would make the turning surfaces shimmer. Scale 4 of
// 5: a faint pattern against banding in the gradients; scale 3 made files
// an eighth larger.
constexpr char kFilters[] =
    "split[a][b];"
    "[a]palettegen=stats_mode=single:reserve_transparent=0[p];"
    "[b][p]paletteuse=new=1:dither=bayer:bayer_scale=4";

struct InOutFree {
    void operator()(AVFilterInOut* p) const { avfilter_inout_free(&p); }
};
using InOutPtr = std::unique_ptr<AVFilterInOut, InOutFree>;

// The open end of the filter text named name, joined to filter's pad 0.
InOutPtr End(const char* name, AVFilterContext* filter) {
    InOutPtr end(avfilter_inout_alloc());
    if (!end) return nullptr;
    end->name = av_strdup(name);
    if (!end->name) return nullptr;
    end->filter_ctx = filter;
    end->pad_idx = 0;
    end->next = nullptr;
    return end;
}

// Colours to palette indices: an open-addressed table of four times the
// palette, so that lookups stay short.
class ColourIndex {
  public:
    static constexpr int kColours = 256;
    // The index of colour, added when new; -1 once there would be too many.
    int Find(std::uint32_t colour) {
        std::uint32_t slot = (colour * 2654435761u) >> (32 - kBits);
        while (true) {
            Entry& e = table_[slot];
            if (e.index < 0) {
                if (count_ == kColours) return -1;
                e = {colour, count_};
                colours_[static_cast<std::size_t>(count_)] = colour;
                return count_++;
            }
            if (e.colour == colour) return e.index;
            slot = (slot + 1) & (kSlots - 1);
        }
    }
    const std::array<std::uint32_t, kColours>& Colours() const { return colours_; }

  private:
    static constexpr int kBits = 10;
    static constexpr std::uint32_t kSlots = 1u << kBits;
    struct Entry {
        std::uint32_t colour = 0;
        int index = -1;
    };
    std::array<Entry, kSlots> table_{};
    std::array<std::uint32_t, kColours> colours_{};
    int count_ = 0;
};

}  // namespace

FramePtr GifPalette::ExactFrame(const FrameView& rgb, std::int64_t pts) {
    FramePtr frame(av_frame_alloc());
    if (!frame) return nullptr;
    frame->format = AV_PIX_FMT_PAL8;
    frame->width = rgb.width;
    frame->height = rgb.height;
    frame->pts = pts;
    if (av_frame_get_buffer(frame.get(), 0) < 0) return nullptr;
    ColourIndex index;
    for (int y = 0; y < rgb.height; ++y) {
        const std::uint8_t* in = rgb.rgb + static_cast<std::ptrdiff_t>(y) * rgb.stride;
        std::uint8_t* out = frame->data[0] + static_cast<std::ptrdiff_t>(y) * frame->linesize[0];
        for (int x = 0; x < rgb.width; ++x, in += 3) {
            const int i =
                index.Find(std::uint32_t{in[0]} << 16 | std::uint32_t{in[1]} << 8 | in[2]);
            if (i < 0) return nullptr;
            out[x] = static_cast<std::uint8_t>(i);
        }
    }
    // Opaque entries, the unused ones black.
    auto* palette = reinterpret_cast<std::uint32_t*>(frame->data[1]);
    for (std::size_t i = 0; i < ColourIndex::kColours; ++i) {
        palette[i] = 0xff000000u | index.Colours()[i];
    }
    return frame;
}

bool GifPalette::Open(int width, int height, int fps, std::string& error) {
    frameTime_ = AVRational{1, fps};
    graph_.reset(avfilter_graph_alloc());
    if (!graph_) {
        error = "out of memory for the GIF palette filters";
        return false;
    }
    // One thread, as for the encoders.
    graph_->nb_threads = 1;
    const std::string source = "video_size=" + std::to_string(width) + "x" +
                               std::to_string(height) +
                               ":pix_fmt=" + std::to_string(AV_PIX_FMT_RGB24) + ":time_base=1/" +
                               std::to_string(fps) + ":pixel_aspect=1/1";
    int ret = avfilter_graph_create_filter(&source_, avfilter_get_by_name("buffer"), "in",
                                           source.c_str(), nullptr, graph_.get());
    if (ret >= 0) {
        ret = avfilter_graph_create_filter(&sink_, avfilter_get_by_name("buffersink"), "out",
                                           nullptr, nullptr, graph_.get());
    }
    if (ret >= 0) {
        const AVPixelFormat formats[] = {AV_PIX_FMT_PAL8, AV_PIX_FMT_NONE};
        ret = av_opt_set_int_list(sink_, "pix_fmts", formats, AV_PIX_FMT_NONE,
                                  AV_OPT_SEARCH_CHILDREN);
    }
    if (ret >= 0) {
        // The text's open input is fed by the source, its open output feeds the sink.
        InOutPtr fromSource = End("in", source_);
        InOutPtr toSink = End("out", sink_);
        if (!fromSource || !toSink) {
            ret = AVERROR(ENOMEM);
        } else {
            AVFilterInOut* outputs = fromSource.release();
            AVFilterInOut* inputs = toSink.release();
            ret = avfilter_graph_parse_ptr(graph_.get(), kFilters, &inputs, &outputs, nullptr);
            avfilter_inout_free(&inputs);
            avfilter_inout_free(&outputs);
        }
    }
    if (ret >= 0) ret = avfilter_graph_config(graph_.get(), nullptr);
    if (ret < 0) {
        error = "the GIF palette filters cannot start: " + AvErrorText(ret);
        return false;
    }
    return true;
}

bool GifPalette::Push(const FrameView* rgb, std::int64_t pts, std::string& error) {
    if (!rgb) {
        const int ended = av_buffersrc_add_frame_flags(source_, nullptr, 0);
        if (ended < 0) error = "the GIF palette filters failed: " + AvErrorText(ended);
        return ended >= 0;
    }
    if (inFilters_ == 0 && !exact_) {
        exact_ = ExactFrame(*rgb, pts);
        if (exact_) return true;
    }
    FramePtr frame(av_frame_alloc());
    if (!frame) {
        error = "out of memory for a frame";
        return false;
    }
    frame->format = AV_PIX_FMT_RGB24;
    frame->width = rgb->width;
    frame->height = rgb->height;
    frame->pts = pts;
    int ret = av_frame_get_buffer(frame.get(), 0);
    if (ret >= 0) {
        av_image_copy_plane(frame->data[0], frame->linesize[0], rgb->rgb, rgb->stride,
                            rgb->width * 3, rgb->height);
        // The filters take the frame over.
        ret = av_buffersrc_add_frame_flags(source_, frame.get(), 0);
        if (ret >= 0) ++inFilters_;
    }
    if (ret < 0) {
        error = "the GIF palette filters failed: " + AvErrorText(ret);
        return false;
    }
    return true;
}

int GifPalette::Pull(AVFrame* out, std::string& error) {
    if (exact_) {
        av_frame_move_ref(out, exact_.get());
        exact_.reset();
        return 1;
    }
    const int ret = av_buffersink_get_frame(sink_, out);
    if (ret == AVERROR(EAGAIN) || ret == AVERROR_EOF) return 0;
    if (ret < 0) {
        error = "the GIF palette filters failed: " + AvErrorText(ret);
        return -1;
    }
    --inFilters_;
    // In frames, whatever the filters count in.
    out->pts = av_rescale_q(out->pts, av_buffersink_get_time_base(sink_), frameTime_);
    return 1;
}

}  // namespace calyra::movie
