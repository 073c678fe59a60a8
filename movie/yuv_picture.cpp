#include "movie/yuv_picture.h"

namespace calyra::movie {

bool YuvPicture::Open(int width, int height, std::string& error) {
    // Same size: the flags only choose how the colour planes are halved,
    // from every pixel's colour (FULL_CHR_H_INP), not every other one's.
    scaler_.reset(sws_getContext(width, height, AV_PIX_FMT_RGB24, width, height, AV_PIX_FMT_YUV420P,
                                 SWS_BILINEAR | SWS_ACCURATE_RND | SWS_FULL_CHR_H_INP, nullptr,
                                 nullptr, nullptr));
    picture_.reset(av_frame_alloc());
    if (!scaler_ || !picture_) {
        error = "out of memory for the colour converter";
        return false;
    }
    // RGB in full range; out BT.709 in limited range, as the encoders are told.
    const int* bt709 = sws_getCoefficients(SWS_CS_ITU709);
    if (sws_setColorspaceDetails(scaler_.get(), bt709, 1, bt709, 0, 0, 1 << 16, 1 << 16) < 0) {
        error = "the colour converter refuses BT.709";
        return false;
    }
    picture_->format = AV_PIX_FMT_YUV420P;
    picture_->width = width;
    picture_->height = height;
    picture_->color_range = AVCOL_RANGE_MPEG;
    picture_->colorspace = AVCOL_SPC_BT709;
    picture_->color_primaries = AVCOL_PRI_BT709;
    picture_->color_trc = AVCOL_TRC_BT709;
    const int allocated = av_frame_get_buffer(picture_.get(), 0);
    if (allocated < 0) {
        error = "no memory for a frame: " + AvErrorText(allocated);
        return false;
    }
    return true;
}

AVFrame* YuvPicture::Convert(const FrameView& rgb, std::string& error) {
    // The encoder may still hold the last frame's planes.
    const int writable = av_frame_make_writable(picture_.get());
    if (writable < 0) {
        error = "no memory for a frame: " + AvErrorText(writable);
        return nullptr;
    }
    const std::uint8_t* planes[1] = {rgb.rgb};
    const int strides[1] = {rgb.stride};
    const int rows = sws_scale(scaler_.get(), planes, strides, 0, rgb.height, picture_->data,
                               picture_->linesize);
    if (rows != rgb.height) {
        error = "the colour converter failed";
        return nullptr;
    }
    return picture_.get();
}

}  // namespace calyra::movie
