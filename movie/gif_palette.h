// RGB frames as the GIF encoder takes them: 256 colours, a palette of each
// frame's own (a turning view's colours change from frame to frame, and one
// palette for the whole movie would need every frame before the first is
// written). A frame of 256 colours or fewer (every grey picture) gets them
// all and stays exact; for the others libavfilter's palettegen and
// paletteuse choose and apply one.
#pragma once

#include <cstdint>
#include <string>

#include "movie/av_handles.h"
#include "movie/frame.h"

namespace calyra::movie {

class GifPalette {
  public:
    // False, with the reason, when the filters cannot be set up.
    bool Open(int width, int height, int fps, std::string& error);
    // Hands one frame in, numbered pts in frames; null: there are no more.
    bool Push(const FrameView* rgb, std::int64_t pts, std::string& error);
    // The next paletted frame into out (pts in frames): 1 when there was one,
    // 0 when the filters need more input, -1 on failure (with the reason).
    int Pull(AVFrame* out, std::string& error);

  private:
    // Frame k's own colours as a paletted frame; nothing when it has more
    // than 256 or there is no memory for it.
    static FramePtr ExactFrame(const FrameView& rgb, std::int64_t pts);

    GraphPtr graph_;
    AVFilterContext* source_ = nullptr;  // owned by graph_
    AVFilterContext* sink_ = nullptr;    // owned by graph_
    AVRational frameTime_{1, 25};
    // Frames in the filters not yet pulled: an exact frame goes straight out
    // only when none wait, so that the frames leave in order.
    std::int64_t inFilters_ = 0;
    FramePtr exact_;  // the exact frame pushed last, until pulled
};

}  // namespace calyra::movie
