// The cost of a turntable movie against the renders of its frames alone, in
// one process, so that reading the volume counts in neither:
//   calyra_turntable_bench RUNS OPTIONS...
// OPTIONS are calyra-render's, with --turntable N and --out MOVIE; the scene
// is built once as calyra-render builds it. Runs alternate:
//   renders  the N turned views rendered one after another, nothing drawn;
//   drawn    the same, each also drawn into its --size picture as the movie's;
//   movie    calyra-render's whole --turntable into MOVIE (removed after).
// Prints every run, then the medians and the movie's ratio to the renders.
#include <QImage>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

#include "base/messages.h"
#include "base/worker_pool.h"
#include "cli/options.h"
#include "cli/scene.h"
#include "cli/turntable.h"
#include "geometry/turntable.h"
#include "movie/movie_encoder.h"
#include "picture/cells.h"
#include "render/session.h"

namespace {

using namespace calyra;
using Clock = std::chrono::steady_clock;

// Wall and processor seconds since it was made.
class Timer {
  public:
    Timer() : wall_(Clock::now()), cpu_(CpuSeconds()) {}
    double Wall() const { return std::chrono::duration<double>(Clock::now() - wall_).count(); }
    double Cpu() const { return CpuSeconds() - cpu_; }

  private:
    static double CpuSeconds() {
        timespec t{};
        ::clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
        return static_cast<double>(t.tv_sec) + 1e-9 * static_cast<double>(t.tv_nsec);
    }
    Clock::time_point wall_;
    double cpu_;
};

struct Times {
    std::vector<double> wall, cpu;
    void Add(const Timer& t) {
        wall.push_back(t.Wall());
        cpu.push_back(t.Cpu());
    }
};

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    const std::size_t n = v.size();
    return n % 2 ? v[n / 2] : 0.5 * (v[n / 2 - 1] + v[n / 2]);
}

// The frames' renders as the movie makes them; with draw, each also drawn
// into the movie's picture.
void TimeRenders(Session& session, const cli::TurntableRequest& r, bool draw, Times& times) {
    const Orientation start = session.orientation;
    const int rays = RaysPerSide(session);
    const int cells = picture::CellsPerSide(rays, session.settings.interpolate);
    const int pixels = r.size > 0 ? r.size : cells;
    const Timer timer;
    for (int k = 0; k < r.frames; ++k) {
        TurnForFrame(session.orientation, start, r.axis, k, r.frames);
        RenderImage(session, rays, rays);
        if (draw) {
            const QImage image =
                picture::MonoPicture(session.buffers, session.settings, pixels, cells)
                    .convertToFormat(QImage::Format_RGB888);
            if (image.isNull()) std::abort();
        }
    }
    times.Add(timer);
    session.orientation = start;
}

}  // namespace

int main(int argc, char** argv) {
    const int runs = argc > 1 ? std::atoi(argv[1]) : 0;
    std::string error;
    // argv[1] stands in for the program name.
    const auto options = runs > 0 ? cli::ParseOptions(argc - 1, argv + 1, error) : std::nullopt;
    if (!options || options->turntable == 0) {
        std::fprintf(stderr,
                     "usage: calyra_turntable_bench RUNS calyra-render's options with "
                     "--turntable N --out MOVIE\n%s\n",
                     error.c_str());
        return 2;
    }
    movie::QuietLibraryLog();
    SetMessageSink([](const Message& m) { std::fprintf(stderr, "%s\n", m.text.c_str()); });
    if (options->threads > 0) SetWorkerThreads(options->threads);
    Session session;
    if (!cli::BuildScene(session, *options)) return 2;

    cli::TurntableRequest request;
    request.out = *options->out;
    request.frames = options->turntable;
    request.axis = options->turnAxis.value_or(TurnAxis::Horizontal);
    request.fps = options->fps.value_or(request.fps);
    request.size = options->size;

    Times renders, drawn, movies;
    for (int run = 1; run <= runs; ++run) {
        TimeRenders(session, request, false, renders);
        TimeRenders(session, request, true, drawn);
        const Timer timer;
        const std::string failure = cli::WriteTurntable(session, request);
        movies.Add(timer);
        if (!failure.empty()) {
            std::fprintf(stderr, "%s\n", failure.c_str());
            return 1;
        }
        std::fprintf(stderr, "run %d: renders %.3f s, drawn %.3f s, movie %.3f s (wall)\n", run,
                     renders.wall.back(), drawn.wall.back(), movies.wall.back());
    }
    std::error_code ignored;
    std::filesystem::remove(request.out, ignored);
    std::printf("%d frames, %d threads, medians of %d runs\n", request.frames, WorkerThreads(),
                runs);
    const auto line = [](const char* what, const std::vector<double>& r,
                         const std::vector<double>& d, const std::vector<double>& m) {
        std::printf("%-9s renders %.3f s, drawn %.3f s, movie %.3f s; movie / renders %.3f\n", what,
                    Median(r), Median(d), Median(m), Median(m) / Median(r));
    };
    line("wall:", renders.wall, drawn.wall, movies.wall);
    line("cpu:", renders.cpu, drawn.cpu, movies.cpu);
    return 0;
}
