#include "movie/codec_setup.h"

#include "movie/kind_codecs.h"

extern "C" {
#include <libavutil/cpu.h>
#include <libavutil/dict.h>
#include <libavutil/opt.h>
}

namespace calyra::movie {
namespace {

// One encoder thread: the encoder runs beside the renderer, which keeps every
// core busy, so more threads would only take turns with it.
constexpr int kEncoderThreads = 1;

struct Option {
    const char* name;
    const char* value;
};

// H.264: "faster" takes about 5 ms a 512 x 512 frame here, a twentieth of a
// render, and makes smaller files than "veryfast" at the same quality; crf 18
// keeps the soft gradients of a volume rendering free of banding.
constexpr Option kX264Options[] = {{"preset", "faster"}, {"crf", "18"}};
// VP9: libvpx's real-time mode; its default "good" mode takes seconds a frame.
// crf with no bit rate is constant quality.
constexpr Option kVp9Options[] = {
    {"deadline", "realtime"}, {"cpu-used", "8"}, {"row-mt", "1"}, {"crf", "30"}, {"b", "0"}};

// x264's AVX-512 routines read memory it never wrote: on such processors the
// same frames made different files from one movie to the next. Its AVX2 ones
// do not, and encode as fast here. (Every AVX-512 processor has AVX2.)
constexpr Option kX264WithoutAvx512 = {"x264-params", "asm=AVX2"};

template <std::size_t N>
bool SetAll(AVDictionary** dict, const Option (&options)[N]) {
    for (const Option& option : options) {
        if (av_dict_set(dict, option.name, option.value, 0) < 0) return false;
    }
    return true;
}

}  // namespace

CodecPtr OpenEncoder(MovieKind kind, int width, int height, int fps, bool globalHeader,
                     std::string& error) {
    const KindCodec& names = CodecOf(kind);
    const std::string label =
        std::string("the ") + names.codec + " encoder (" + names.encoder + ")";
    const AVCodec* codec = avcodec_find_encoder_by_name(names.encoder);
    if (!codec) {
        error = label + " is not available";
        return nullptr;
    }
    CodecPtr context(avcodec_alloc_context3(codec));
    if (!context) {
        error = "out of memory for " + label;
        return nullptr;
    }
    context->width = width;
    context->height = height;
    context->time_base = AVRational{1, fps};
    context->framerate = AVRational{fps, 1};
    context->sample_aspect_ratio = AVRational{1, 1};
    context->thread_count = kEncoderThreads;
    if (globalHeader) context->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;

    AVDictionary* options = nullptr;
    bool optionsSet = true;
    if (kind == MovieKind::Gif) {
        context->pix_fmt = AV_PIX_FMT_PAL8;
    } else {
        context->pix_fmt = AV_PIX_FMT_YUV420P;
        // A key frame every two seconds, for seeking in a player.
        context->gop_size = 2 * fps;
        // What the converter makes: BT.709, limited range.
        context->color_range = AVCOL_RANGE_MPEG;
        context->colorspace = AVCOL_SPC_BT709;
        context->color_primaries = AVCOL_PRI_BT709;
        context->color_trc = AVCOL_TRC_BT709;
        if (kind == MovieKind::Mp4) {
            optionsSet = SetAll(&options, kX264Options);
            if (optionsSet && (av_get_cpu_flags() & AV_CPU_FLAG_AVX512) != 0) {
                optionsSet = av_dict_set(&options, kX264WithoutAvx512.name,
                                         kX264WithoutAvx512.value, 0) >= 0;
            }
        } else {
            optionsSet = SetAll(&options, kVp9Options);
        }
    }
    const int opened = optionsSet ? avcodec_open2(context.get(), codec, &options) : AVERROR(ENOMEM);
    av_dict_free(&options);
    if (opened < 0) {
        error = label + " cannot start: " + AvErrorText(opened);
        return nullptr;
    }
    return context;
}

}  // namespace calyra::movie
