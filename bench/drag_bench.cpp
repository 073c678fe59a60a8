// Frames a second while the hand drags in the render window, and the time
// from the release to the exact image, as the windowed program shows them:
// the frame started as at program start (offscreen), a left-drag that moves
// the pointer 3 pixels every 16 ms (a 60 Hz mouse) in every render type,
// with and without interpolation, on the head and, when CALYRA_CT names a
// volume file, on that volume. Frames are counted as the render window shows
// them, drawing included.
//   calyra_drag_bench [SECONDS] [ROUNDS]     (defaults 2 and 3; medians)
#include <QApplication>
#include <QElapsedTimer>
#include <QMouseEvent>
#include <QString>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "resources/command_ids.h"
#include "ui/commands.h"
#include "ui/document.h"
#include "ui/frame_window.h"
#include "ui/live_view.h"
#include "ui/platform.h"
#include "ui/volume_opener.h"

namespace {

using namespace calyra;
using namespace calyra::ui;

void Mouse(QEvent::Type type, QPoint at, Qt::MouseButton button, Qt::MouseButtons held) {
    QMouseEvent event(type, QPointF(at), renderWindow->mapToGlobal(QPointF(at)), button, held,
                      Qt::NoModifier);
    QApplication::sendEvent(renderWindow, &event);
}

// Runs the event loop for ms milliseconds, or until done() holds.
template <typename Done>
double RunEvents(double ms, Done done) {
    QElapsedTimer clock;
    clock.start();
    while (clock.nsecsElapsed() * 1e-6 < ms && !done()) {
        QApplication::processEvents(QEventLoop::AllEvents, 1);
    }
    return clock.nsecsElapsed() * 1e-6;
}

struct Drag {
    double framesPerSecond = 0.0;
    double exactAfterMs = 0.0;  // from the release to the exact image
};

Drag DragOnce(double seconds) {
    // Whatever an earlier step asked for is shown first.
    RunEvents(3000.0, [] { return LiveImageUpToDate(); });
    RunEvents(100.0, [] { return false; });
    const int width = renderWindow->width();
    const int y = renderWindow->height() / 2;
    int x = width / 4, dx = 3;
    Mouse(QEvent::MouseButtonPress, {x, y}, Qt::LeftButton, Qt::LeftButton);
    const std::uint64_t first = LiveFramesShown();
    QElapsedTimer clock;
    clock.start();
    for (int tick = 1; clock.nsecsElapsed() * 1e-9 < seconds; ++tick) {
        if (x + dx > 3 * width / 4 || x + dx < width / 4) dx = -dx;
        x += dx;
        Mouse(QEvent::MouseMove, {x, y}, Qt::NoButton, Qt::LeftButton);
        RunEvents(tick * 16.0 - clock.nsecsElapsed() * 1e-6, [] { return false; });
    }
    const double moved = clock.nsecsElapsed() * 1e-9;
    const std::uint64_t frames = LiveFramesShown() - first;
    Mouse(QEvent::MouseButtonRelease, {x, y}, Qt::LeftButton, Qt::NoButton);
    Drag d;
    d.framesPerSecond = static_cast<double>(frames) / moved;
    d.exactAfterMs = RunEvents(10000.0, [] { return LiveImageUpToDate(); });
    return d;
}

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.empty() ? 0.0 : v[v.size() / 2];
}

void DragEveryType(const char* scene, double seconds, int rounds) {
    for (const RenderTypeItem& item : kRenderTypeItems) {
        for (const bool interp : {false, true}) {
            DispatchCommand(frameWindow, item.command);
            ProgramSession().settings.interpolate = interp;
            std::vector<double> fps, exact;
            for (int r = 0; r < rounds; ++r) {
                const Drag d = DragOnce(seconds);
                fps.push_back(d.framesPerSecond);
                exact.push_back(d.exactAfterMs);
            }
            std::printf("| %s | %s | %s | %.1f | %.0f |\n", scene, NameOf(item.type),
                        interp ? "yes" : "no", Median(fps), Median(exact));
            std::fflush(stdout);
        }
    }
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const double seconds = argc > 1 ? std::atof(argv[1]) : 2.0;
    const int rounds = argc > 2 ? std::atoi(argv[2]) : 3;
    SetMessageBoxHandler([](QWidget*, const QString& text, const QString&, Icon) {
        std::fprintf(stderr, "message: %s\n", text.toUtf8().constData());
    });
    FrameWindow* frame = StartCalyra();
    if (!frame) return 1;
    // The render window comes with the first volume.
    DispatchCommand(frame, kCmdHeadModel);
    if (!renderWindow) return 1;
    std::printf("render window %d x %d, %g s drags, medians of %d\n\n", renderWindow->width(),
                renderWindow->height(), seconds, rounds);
    std::printf("| scene | type | interpolated | frames/s | exact after release, ms |\n");
    std::printf("|---|---|---|---|---|\n");
    DragEveryType("head", seconds, rounds);
    if (const char* ct = std::getenv("CALYRA_CT")) {
        if (OpenVolumePath(frame, QString::fromLocal8Bit(ct))) {
            DragEveryType("ct", seconds, rounds);
        }
    }
    delete frame;
    return 0;
}
