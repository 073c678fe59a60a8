// One picture of a movie: RGB, 3 bytes a pixel, rows from the top down.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace calyra::movie {

// Borrowed pixels, such as a QImage's (whose rows may be padded).
struct FrameView {
    const std::uint8_t* rgb = nullptr;
    int width = 0;
    int height = 0;
    int stride = 0;  // bytes from the start of one row to the next, at least width * 3
};

// Owned pixels, for handing a frame to another thread.
struct Frame {
    int width = 0;
    int height = 0;
    int stride = 0;  // 0: width * 3
    std::vector<std::uint8_t> rgb;

    int RowBytes() const { return stride > 0 ? stride : width * 3; }
    FrameView View() const { return {rgb.data(), width, height, RowBytes()}; }
};

// An owned copy of borrowed pixels, rows of width * 3 bytes: a picture drawn
// on one thread handed to the encoder's.
Frame CopyFrame(const FrameView& view);

// Why frame cannot be a frame of a width x height movie, "" when it can.
std::string FrameProblem(const FrameView& frame, int width, int height);
// The same for an owned frame, whose buffer must also hold every row.
std::string FrameProblem(const Frame& frame, int width, int height);

}  // namespace calyra::movie
