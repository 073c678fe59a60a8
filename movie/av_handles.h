// Owning handles for the FFmpeg objects the encoder keeps, and the text of
// the libraries' error codes. Included only by this folder's .cpp files.
#pragma once

#include <memory>
#include <string>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavfilter/avfilter.h>
#include <libavformat/avformat.h>
#include <libavutil/frame.h>
#include <libswscale/swscale.h>
}

namespace calyra::movie {

struct AvFree {
    void operator()(AVFrame* p) const { av_frame_free(&p); }
    void operator()(AVPacket* p) const { av_packet_free(&p); }
    void operator()(AVCodecContext* p) const { avcodec_free_context(&p); }
    void operator()(AVFilterGraph* p) const { avfilter_graph_free(&p); }
    void operator()(SwsContext* p) const { sws_freeContext(p); }
    // Output contexts only: their AVIOContext belongs to someone else.
    void operator()(AVFormatContext* p) const { avformat_free_context(p); }
};

using FramePtr = std::unique_ptr<AVFrame, AvFree>;
using PacketPtr = std::unique_ptr<AVPacket, AvFree>;
using CodecPtr = std::unique_ptr<AVCodecContext, AvFree>;
using GraphPtr = std::unique_ptr<AVFilterGraph, AvFree>;
using ScalerPtr = std::unique_ptr<SwsContext, AvFree>;
using OutputPtr = std::unique_ptr<AVFormatContext, AvFree>;

// "Invalid argument" for AVERROR(EINVAL) and the like.
std::string AvErrorText(int code);

}  // namespace calyra::movie
