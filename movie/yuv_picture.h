// RGB frames as the video encoders take them: yuv420p, BT.709, limited range.
#pragma once

#include <string>

#include "movie/av_handles.h"
#include "movie/frame.h"

namespace calyra::movie {

class YuvPicture {
  public:
    // False, with the reason, when there is no memory for the converter.
    bool Open(int width, int height, std::string& error);
    // The converted frame, owned here and valid until the next Convert; null
    // (with the reason) on failure.
    AVFrame* Convert(const FrameView& rgb, std::string& error);

  private:
    ScalerPtr scaler_;
    FramePtr picture_;
};

}  // namespace calyra::movie
