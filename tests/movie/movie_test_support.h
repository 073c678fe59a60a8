// Frames to encode and a decoder to read the movies back, for the movie tests.
#pragma once

#include <cstdint>
#include <filesystem>
#include <initializer_list>
#include <string>
#include <vector>

#include "movie/frame.h"

namespace calyra::movie::test {

// Smooth colour waves that move by a tenth of their period each frame, so
// that a frame lost, doubled or swapped is far from the one expected.
// stride 0: rows of width * 3 bytes; a larger stride pads with junk.
Frame Waves(int width, int height, int k, int stride = 0);
// Noise that no encoder shrinks: for filling a small disk.
Frame Noise(int width, int height, int k);
// Quadrants of pure red, green, blue and white.
Frame Quadrants(int width, int height);

struct DecodedMovie {
    std::string error;  // "" when the file decoded
    std::string codec;  // the decoder's name: "h264", "vp9", "gif"
    int width = 0;
    int height = 0;
    std::vector<std::vector<std::uint8_t>> frames;  // RGB, rows of width * 3 bytes
    std::vector<double> seconds;                    // when each frame is shown
};

// Every frame of the movie at path, through libavformat and libavcodec.
DecodedMovie DecodeMovie(const std::string& path);

// The mean absolute difference of the frame's pixels from decoded (RGB,
// rows of width * 3 bytes), over all three channels.
double MeanDifference(const Frame& frame, const std::vector<std::uint8_t>& decoded);

// The names in folder, sorted.
std::vector<std::string> NamesIn(const std::filesystem::path& folder);
std::string ReadAll(const std::filesystem::path& path);
void WriteAll(const std::filesystem::path& path, const std::string& bytes);

}  // namespace calyra::movie::test
