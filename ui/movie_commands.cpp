#include "ui/movie_commands.h"

#include <QEventLoop>
#include <QProgressDialog>
#include <QTimer>

#include "picture/cells.h"
#include "ui/document.h"
#include "ui/file_chooser.h"
#include "ui/image_commands.h"
#include "ui/movie_dialog.h"
#include "ui/movie_job.h"
#include "ui/platform.h"
#include "ui/render_canvas.h"

namespace calyra::ui {
namespace {

constexpr const char* kSmallWindowText =
    "The render window is too small for a movie: make it at least 2 pixels on each side.";

// How often the progress box looks at the job.
constexpr int kPollMilliseconds = 25;

QString Caption() {
    return QString::fromLatin1(FileUseCaption(FileUse::SaveMovie));
}

// The inputs of every frame, made here from the session as it stands so that
// each frame renders exactly what the render window would for its view.
MovieSnapshot TakeSnapshot(Session& session, const MovieChoice& choice, int side) {
    MovieSnapshot s;
    s.volume = session.VoxelVolume;
    s.settings = session.settings;
    s.rays = RaysPerSide(session);
    s.cells = picture::CellsPerSide(s.rays, session.settings.interpolate);
    s.side = side;
    s.emptySpaceSkipping = session.emptySpaceSkipping;
    s.vectorRays = session.vectorRays;
    const Orientation start = session.orientation;
    s.frames.reserve(static_cast<std::size_t>(choice.frames));
    for (int k = 0; k < choice.frames; ++k) {
        TurnForFrame(session.orientation, start, choice.axis, k, choice.frames);
        s.frames.push_back(CurrentRenderInputs(session));
    }
    session.orientation = start;
    return s;
}

// Shows the frames done until the job is; Cancel stops it. The window
// keeps painting meanwhile, the frame takes no input.
void WaitWithProgress(QWidget* owner, MovieJob& job) {
    const int frames = job.Frames();
    QProgressDialog progress(QStringLiteral("Rendering frame 1 of %1...").arg(frames),
                             QStringLiteral("Cancel"), 0, frames, owner);
    progress.setWindowTitle(Caption());
    progress.setWindowModality(Qt::WindowModal);
    progress.setMinimumDuration(0);
    progress.setAutoClose(false);
    progress.setAutoReset(false);
    QEventLoop loop;
    QObject::connect(&progress, &QProgressDialog::canceled, &loop, [&job, &progress] {
        job.Cancel();
        progress.setLabelText(QStringLiteral("Cancelling..."));
    });
    QTimer poll;
    poll.setInterval(kPollMilliseconds);
    int shown = -1;
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
        // Escape and a closed box cancel as the button does.
        if (progress.wasCanceled()) job.Cancel();
        if (job.Done()) {
            loop.quit();
            return;
        }
        const int done = job.FramesDone();
        if (done == shown || progress.wasCanceled()) return;
        shown = done;
        progress.setLabelText(QStringLiteral("Rendering frame %1 of %2...")
                                  .arg(std::min(done + 1, frames))
                                  .arg(frames));
        progress.setValue(done);
    });
    progress.show();
    poll.start();
    loop.exec();
}

}  // namespace

void SaveMovie(QWidget* frame) {
    Session& session = ProgramSession();
    if (!renderWindow || session.shownVolume.kind == ViewVolume::Kind::None) {
        ShowMessage(frame, QString::fromLatin1(kNoImageText), Caption(), Icon::Information);
        return;
    }
    // Save Image's picture side; MP4 and WebM need an even one.
    const int side = static_cast<int>(minSide) / 2 * 2;
    if (side < 2) {
        ShowMessage(frame, QString::fromLatin1(kSmallWindowText), Caption(), Icon::Information);
        return;
    }
    const std::optional<MovieChoice> choice = RunMovieAsker(frame, session.lastMovie);
    if (!choice) return;
    session.lastMovie = *choice;
    std::string error;
    const std::unique_ptr<MovieJob> job =
        MovieJob::Start(TakeSnapshot(session, *choice, side), choice->path, choice->fps, error);
    if (!job) {
        ShowMessage(frame, QString::fromStdString(error), Caption(), Icon::Warning);
        return;
    }
    WaitWithProgress(frame, *job);
    // Cancelled: nothing to say, and nothing was left.
    if (!job->Written() && !job->Error().empty()) {
        ShowMessage(frame, QString::fromStdString(job->Error()), Caption(), Icon::Warning);
    }
}

}  // namespace calyra::ui
