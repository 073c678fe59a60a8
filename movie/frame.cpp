#include "movie/frame.h"

#include <algorithm>

namespace calyra::movie {

Frame CopyFrame(const FrameView& view) {
    Frame frame{view.width, view.height, 0, {}};
    if (!view.rgb || view.width <= 0 || view.height <= 0) return frame;
    const std::size_t rowBytes = static_cast<std::size_t>(view.width) * 3;
    frame.rgb.resize(rowBytes * static_cast<std::size_t>(view.height));
    for (int y = 0; y < view.height; ++y) {
        const std::uint8_t* row = view.rgb + static_cast<std::size_t>(y) * view.stride;
        std::copy_n(row, rowBytes, frame.rgb.begin() + static_cast<std::ptrdiff_t>(rowBytes * y));
    }
    return frame;
}

std::string FrameProblem(const FrameView& frame, int width, int height) {
    if (frame.width != width || frame.height != height) {
        return "a frame of " + std::to_string(frame.width) + " x " + std::to_string(frame.height) +
               " pixels in a movie of " + std::to_string(width) + " x " + std::to_string(height);
    }
    if (!frame.rgb) return "a frame without pixels";
    if (frame.stride < frame.width * 3) {
        return "a frame whose rows of " + std::to_string(frame.stride) +
               " bytes are shorter than its " + std::to_string(frame.width) + " pixels";
    }
    return "";
}

std::string FrameProblem(const Frame& frame, int width, int height) {
    const FrameView view = frame.View();
    std::string problem = FrameProblem(view, width, height);
    if (!problem.empty()) return problem;
    const std::size_t needed = static_cast<std::size_t>(view.stride) * (view.height - 1) +
                               static_cast<std::size_t>(view.width) * 3;
    if (frame.rgb.size() < needed) {
        return "a frame of " + std::to_string(frame.rgb.size()) + " bytes where its rows take " +
               std::to_string(needed);
    }
    return "";
}

}  // namespace calyra::movie
