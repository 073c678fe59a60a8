#include "tests/movie/movie_test_support.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <sstream>

#include "movie/av_handles.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libswscale/swscale.h>
}

namespace calyra::movie::test {
namespace {

constexpr double kTwoPi = 6.283185307179586;

Frame Blank(int width, int height, int stride) {
    Frame frame{width, height, stride, {}};
    frame.rgb.assign(static_cast<std::size_t>(frame.RowBytes()) * height, 0xA5);
    return frame;
}

std::uint8_t* Pixel(Frame& frame, int x, int y) {
    return &frame.rgb[static_cast<std::size_t>(y) * frame.RowBytes() + x * 3];
}

// The library's own deleters, but for the input context the reader opened.
struct Closer : movie::AvFree {
    using AvFree::operator();
    void operator()(AVFormatContext* p) const { avformat_close_input(&p); }
};
template <typename T>
using Owned = std::unique_ptr<T, Closer>;

// The decoded picture as RGB, read with the colour matrix and range it is
// tagged with. Without full chroma interpolation swscale darkens by about two levels.
std::vector<std::uint8_t> ToRgb(const AVFrame* picture, std::string& error) {
    const auto format = static_cast<AVPixelFormat>(picture->format);
    Owned<SwsContext> scaler(sws_getContext(
        picture->width, picture->height, format, picture->width, picture->height, AV_PIX_FMT_RGB24,
        SWS_BILINEAR | SWS_ACCURATE_RND | SWS_FULL_CHR_H_INT, nullptr, nullptr, nullptr));
    if (!scaler) {
        error = "no converter from pixel format " + std::to_string(format);
        return {};
    }
    const int space = picture->colorspace == AVCOL_SPC_BT709 ? SWS_CS_ITU709 : SWS_CS_DEFAULT;
    const int* table = sws_getCoefficients(space);
    sws_setColorspaceDetails(scaler.get(), table, picture->color_range == AVCOL_RANGE_JPEG, table,
                             1, 0, 1 << 16, 1 << 16);
    std::vector<std::uint8_t> rgb(static_cast<std::size_t>(picture->width) * picture->height * 3);
    std::uint8_t* planes[1] = {rgb.data()};
    const int strides[1] = {picture->width * 3};
    sws_scale(scaler.get(), picture->data, picture->linesize, 0, picture->height, planes, strides);
    return rgb;
}

}  // namespace

Frame Waves(int width, int height, int k, int stride) {
    Frame frame = Blank(width, height, stride);
    const double phase = k / 10.0;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const double u = static_cast<double>(x) / width, v = static_cast<double>(y) / height;
            std::uint8_t* p = Pixel(frame, x, y);
            p[0] = static_cast<std::uint8_t>(128 + 100 * std::sin(kTwoPi * (u + phase)));
            p[1] = static_cast<std::uint8_t>(128 + 100 * std::sin(kTwoPi * (v - phase)));
            p[2] =
                static_cast<std::uint8_t>(128 + 100 * std::cos(kTwoPi * (0.5 * (u + v) + phase)));
        }
    }
    return frame;
}

Frame Noise(int width, int height, int k) {
    Frame frame = Blank(width, height, 0);
    std::uint32_t state = 2463534242u + static_cast<std::uint32_t>(k) * 7919u;
    for (std::uint8_t& byte : frame.rgb) {
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        byte = static_cast<std::uint8_t>(state >> 24);
    }
    return frame;
}

Frame Quadrants(int width, int height) {
    Frame frame = Blank(width, height, 0);
    const std::uint8_t colours[4][3] = {{255, 0, 0}, {0, 255, 0}, {0, 0, 255}, {255, 255, 255}};
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const int quadrant = (y < height / 2 ? 0 : 2) + (x < width / 2 ? 0 : 1);
            std::copy(colours[quadrant], colours[quadrant] + 3, Pixel(frame, x, y));
        }
    }
    return frame;
}

DecodedMovie DecodeMovie(const std::string& path) {
    DecodedMovie movie;
    AVFormatContext* opened = nullptr;
    if (avformat_open_input(&opened, path.c_str(), nullptr, nullptr) < 0) {
        movie.error = "cannot open " + path;
        return movie;
    }
    Owned<AVFormatContext> input(opened);
    if (avformat_find_stream_info(input.get(), nullptr) < 0) {
        movie.error = "no stream information";
        return movie;
    }
    const AVCodec* decoder = nullptr;
    const int index = av_find_best_stream(input.get(), AVMEDIA_TYPE_VIDEO, -1, -1, &decoder, 0);
    if (index < 0 || !decoder) {
        movie.error = "no video stream";
        return movie;
    }
    const AVStream* stream = input->streams[index];
    Owned<AVCodecContext> codec(avcodec_alloc_context3(decoder));
    avcodec_parameters_to_context(codec.get(), stream->codecpar);
    codec->thread_count = 1;
    if (avcodec_open2(codec.get(), decoder, nullptr) < 0) {
        movie.error = "cannot open the decoder";
        return movie;
    }
    movie.codec = decoder->name;
    movie.width = codec->width;
    movie.height = codec->height;
    Owned<AVPacket> packet(av_packet_alloc());
    Owned<AVFrame> picture(av_frame_alloc());
    auto receive = [&] {
        while (avcodec_receive_frame(codec.get(), picture.get()) >= 0) {
            movie.frames.push_back(ToRgb(picture.get(), movie.error));
            movie.seconds.push_back(picture->best_effort_timestamp * av_q2d(stream->time_base));
            if (picture->width != movie.width || picture->height != movie.height)
                movie.error = "a frame of another size";
            av_frame_unref(picture.get());
        }
    };
    while (av_read_frame(input.get(), packet.get()) >= 0) {
        if (packet->stream_index == index) {
            if (avcodec_send_packet(codec.get(), packet.get()) < 0) movie.error = "a bad packet";
            receive();
        }
        av_packet_unref(packet.get());
    }
    avcodec_send_packet(codec.get(), nullptr);
    receive();
    return movie;
}

double MeanDifference(const Frame& frame, const std::vector<std::uint8_t>& decoded) {
    if (decoded.size() != static_cast<std::size_t>(frame.width) * frame.height * 3) return 1e9;
    double sum = 0;
    for (int y = 0; y < frame.height; ++y) {
        const std::uint8_t* given = &frame.rgb[static_cast<std::size_t>(y) * frame.RowBytes()];
        const std::uint8_t* got = &decoded[static_cast<std::size_t>(y) * frame.width * 3];
        for (int i = 0; i < frame.width * 3; ++i) sum += std::abs(given[i] - got[i]);
    }
    return sum / (static_cast<double>(frame.width) * frame.height * 3);
}

std::vector<std::string> NamesIn(const std::filesystem::path& folder) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

std::string ReadAll(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

void WriteAll(const std::filesystem::path& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

}  // namespace calyra::movie::test
