// Time per frame of each movie kind, run by hand on the machine in question:
//   calyra_movie_bench [frames=36] [size=512] [folder=/tmp]
// The frames look like a turning rendering: a lit ball with soft shading
// and fine texture on black, moving a little from frame to frame.
#include <sys/stat.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "movie/movie_encoder.h"

namespace {

using calyra::movie::Frame;
using Clock = std::chrono::steady_clock;

Frame TurningBall(int size, int k, int frames) {
    Frame frame{size, size, 0,
                std::vector<std::uint8_t>(static_cast<std::size_t>(size) * size * 3)};
    const double turn = 6.283185307179586 * k / frames;
    const double r = 0.4 * size;
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) {
            const double dx = (x - size / 2.0) / r, dy = (y - size / 2.0) / r;
            const double d2 = dx * dx + dy * dy;
            std::uint8_t* p = &frame.rgb[(static_cast<std::size_t>(y) * size + x) * 3];
            if (d2 >= 1) continue;
            const double dz = std::sqrt(1 - d2);
            const double light = 0.2 + 0.8 * std::max(0.0, dx * -0.4 + dy * -0.4 + dz * 0.8);
            // Texture fixed to the turning surface.
            const double u = std::atan2(dx, dz) + turn, v = dy;
            const double grain = 0.5 + 0.5 * std::sin(u * 23) * std::sin(v * 31);
            p[0] = static_cast<std::uint8_t>(255 * light * (0.7 + 0.3 * grain));
            p[1] = static_cast<std::uint8_t>(255 * light * (0.5 + 0.2 * grain));
            p[2] = static_cast<std::uint8_t>(255 * light * 0.35);
        }
    }
    return frame;
}

double Ms(Clock::duration d) {
    return std::chrono::duration<double, std::milli>(d).count();
}

}  // namespace

int main(int argc, char** argv) {
    const int frames = argc > 1 ? std::atoi(argv[1]) : 36;
    const int size = argc > 2 ? std::atoi(argv[2]) : 512;
    const std::string folder = argc > 3 ? argv[3] : "/tmp";
    if (frames < 1 || size < 2) {
        std::fprintf(stderr, "usage: calyra_movie_bench [frames] [size] [folder]\n");
        return 2;
    }
    calyra::movie::QuietLibraryLog();
    std::vector<Frame> input;
    for (int k = 0; k < frames; ++k) input.push_back(TurningBall(size, k, frames));

    std::printf("%d frames of %d x %d\n", frames, size, size);
    for (const char* ext : {"mp4", "webm", "gif"}) {
        const std::string path = folder + "/calyra_bench." + ext;
        std::string error;
        const auto start = Clock::now();
        auto movie = calyra::movie::MovieEncoder::Open(path, size, size, 25, error);
        if (!movie) {
            std::fprintf(stderr, "%s\n", error.c_str());
            return 1;
        }
        const auto opened = Clock::now();
        for (const Frame& frame : input) {
            if (!movie->Add(frame)) {
                std::fprintf(stderr, "%s\n", movie->Error().c_str());
                return 1;
            }
        }
        const auto added = Clock::now();
        if (!movie->Finish()) {
            std::fprintf(stderr, "%s\n", movie->Error().c_str());
            return 1;
        }
        const auto finished = Clock::now();
        struct stat st {};
        ::stat(path.c_str(), &st);
        std::printf(
            "%-5s open %6.1f ms  add %6.2f ms/frame  finish %6.1f ms  all %6.2f ms/frame  %8lld "
            "bytes\n",
            ext, Ms(opened - start), Ms(added - opened) / frames, Ms(finished - added),
            Ms(finished - start) / frames, static_cast<long long>(st.st_size));
    }
    return 0;
}
