// calyra-render: renders the windowed program's images without a display.
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <system_error>
#include <vector>

#include "base/file_writer.h"
#include "base/messages.h"
#include "base/worker_pool.h"
#include "cli/options.h"
#include "cli/output.h"
#include "cli/scene.h"
#include "cli/turntable.h"
#include "movie/movie_encoder.h"
#include "render/session.h"
#include "scene/transfer_function_file.h"
#include "volume/file_open.h"

using namespace calyra;

namespace {

// Both are 2, as the batch renderer has always exited: kept apart so that a
// reader sees which kind each exit is.
constexpr int kUsageError = 2;
constexpr int kFailure = 2;

double MedianMilliseconds(std::vector<double> times) {
    std::sort(times.begin(), times.end());
    const std::size_t n = times.size();
    return n % 2 ? times[n / 2] : 0.5 * (times[n / 2 - 1] + times[n / 2]);
}

// The head data set is looked for in the working directory, then beside the
// program, then in the installed share folder relative to it.
void InstallDataSearchPath(const char* argv0) {
    std::error_code error;
    std::filesystem::path program = std::filesystem::read_symlink("/proc/self/exe", error);
    if (error) program = std::filesystem::absolute(argv0, error);
    if (error) return;
    const std::filesystem::path folder = program.parent_path();
    SetDataSearchPath(
        {folder.string(), (folder / CALYRA_SHARE_FROM_BIN).lexically_normal().string()});
}

// The slice picture instead of a render; a cursor outside the volume is refused.
int WriteSlices(const Session& session, const cli::Options& options) {
    const std::vector<int>& at = *options.slices;
    const Int3 dims = session.volume().dims;
    const int extent[3] = {dims.x, dims.y, dims.z};
    const char* axes[3] = {"X", "Y", "Z"};
    for (int k = 0; k < 3; ++k) {
        if (at[k] < 1 || at[k] > extent[k]) {
            std::fprintf(stderr, "calyra-render: --slices %s = %d lies outside 1..%d\n", axes[k],
                         at[k], extent[k]);
            return kUsageError;
        }
    }
    const std::string failure =
        cli::WriteSlicePicture(session, *options.out, {at[0], at[1], at[2]});
    if (!failure.empty()) {
        std::fprintf(stderr, "calyra-render: %s\n", failure.c_str());
        return kFailure;
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    std::string error;
    const auto options = cli::ParseOptions(argc, argv, error);
    if (!options) {
        std::fprintf(stderr, "calyra-render: %s\n%s", error.c_str(), cli::Usage().c_str());
        return kUsageError;
    }
    if (options->help) {
        std::fputs(cli::Usage().c_str(), stdout);
        return 0;
    }
    if (options->version) {
        std::printf("calyra-render %s\n", CALYRA_VERSION);
        return 0;
    }

    InstallDataSearchPath(argv[0]);
    movie::QuietLibraryLog();

    // Every message box of the windowed program becomes a line on stderr.
    bool failed = false;
    SetMessageSink([&failed](const Message& m) {
        if (m.failure) failed = true;
        std::fputs(m.text.c_str(), stderr);
        if (m.text.empty() || m.text.back() != '\n') std::fputc('\n', stderr);
    });
    if (options->threads > 0) SetWorkerThreads(options->threads);

    Session session;
    if (!cli::BuildScene(session, *options)) return kFailure;
    const auto written = [](const std::string& failure) {
        if (failure.empty()) return true;
        std::fprintf(stderr, "calyra-render: %s\n", failure.c_str());
        return false;
    };

    if (options->saveView &&
        !written(WriteFileAtomically(*options->saveView, cli::SceneViewText(session)))) {
        return kFailure;
    }
    if (options->saveTf &&
        !written(WriteFileAtomically(*options->saveTf,
                                     TransferFunctionText(session.settings.transferFunction)))) {
        return kFailure;
    }
    if (options->dumpVolume && !written(cli::WriteVolume(session, *options->dumpVolume))) {
        return kFailure;
    }

    if (options->dumpFine && !written(cli::WriteFine(session, *options->dumpFine))) {
        return kFailure;
    }

    if (options->turntable > 0) {
        // A volume that came with a failure (a missing head file) makes no movie.
        if (failed) return kFailure;
        cli::TurntableRequest request;
        request.out = *options->out;
        request.frames = options->turntable;
        request.axis = options->turnAxis.value_or(TurnAxis::Horizontal);
        request.fps = options->fps.value_or(request.fps);
        request.size = options->size;
        request.progress = ::isatty(STDERR_FILENO) != 0;
        if (!written(cli::WriteTurntable(session, request))) return kFailure;
        return failed ? kFailure : 0;
    }

    if (options->slices) {
        const int status = WriteSlices(session, *options);
        return status != 0 ? status : (failed ? kFailure : 0);
    }

    const bool render = options->out || options->dump || options->repeat > 0;
    if (render) {
        const int rays = RaysPerSide(session);
        const int r = session.settings.interpolate ? 2 : 1;
        const int runs = std::max(1, options->repeat);
        std::vector<double> times;
        for (int run = 0; run < runs; ++run) {
            const auto start = std::chrono::steady_clock::now();
            RenderImage(session, rays, rays);
            const std::chrono::duration<double, std::milli> took =
                std::chrono::steady_clock::now() - start;
            times.push_back(took.count());
        }
        if (options->repeat > 0) {
            std::fprintf(stderr,
                         "%d renders, median %.3f ms per render (min %.3f ms), %d threads\n", runs,
                         MedianMilliseconds(times), *std::min_element(times.begin(), times.end()),
                         WorkerThreads());
        }
        const int side = rays * r;
        if (options->dump && !written(cli::WriteDump(session, *options->dump, side, side))) {
            return kFailure;
        }
        if (options->out && !written(cli::WritePicture(session, *options->out, side, options->size,
                                                       cli::SceneViewText(session)))) {
            return kFailure;
        }
    }
    return failed ? kFailure : 0;
}
