#include "cli/turntable.h"

#include <QByteArray>
#include <QImage>
#include <cstdio>
#include <memory>
#include <string_view>
#include <vector>

#include "base/file_writer.h"
#include "cli/output.h"
#include "cli/scene.h"
#include "geometry/turntable.h"
#include "movie/encoder_pipeline.h"
#include "movie/movie_kind.h"
#include "picture/cells.h"
#include "picture/picture_file.h"
#include "render/session.h"

namespace calyra::cli {
namespace {

// "frame k/N" rewritten in place; a terminal only, so logs stay clean.
class Progress {
  public:
    explicit Progress(bool shown) : shown_(shown) {}
    ~Progress() {
        if (shown_ && written_) std::fputc('\n', stderr);
    }
    Progress(const Progress&) = delete;
    Progress& operator=(const Progress&) = delete;
    void Frame(int done, int total) {
        if (!shown_) return;
        std::fprintf(stderr, "\rframe %d/%d", done, total);
        std::fflush(stderr);
        written_ = true;
    }

  private:
    bool shown_;
    bool written_ = false;
};

// The session's last render as the render window draws it, in RGB rows.
movie::Frame PictureFrame(const Session& session, int side, int size) {
    const int pixels = size > 0 ? size : side;
    const QImage image = picture::MonoPicture(session.buffers, session.settings, pixels, side)
                             .convertToFormat(QImage::Format_RGB888);
    if (image.isNull()) return {};
    return movie::CopyFrame(
        {image.constBits(), image.width(), image.height(), static_cast<int>(image.bytesPerLine())});
}

// Renders frame k of the request into the session's buffers.
void RenderTurn(Session& session, const Orientation& start, const TurntableRequest& r, int k) {
    TurnForFrame(session.orientation, start, r.axis, k, r.frames);
    const int rays = RaysPerSide(session);
    RenderImage(session, rays, rays);
}

int CellsPerSide(const Session& session) {
    return picture::CellsPerSide(RaysPerSide(session), session.settings.interpolate);
}

std::string WriteMovie(Session& session, const Orientation& start, const TurntableRequest& r) {
    const int side = CellsPerSide(session);
    const int pixels = r.size > 0 ? r.size : side;
    std::string error;
    // Opened first: a bad folder or size is told before any render.
    const std::unique_ptr<movie::EncoderPipeline> pipeline =
        movie::EncoderPipeline::Open(r.out, pixels, pixels, r.fps, error);
    if (!pipeline) return error;
    Progress progress(r.progress);
    for (int k = 0; k < r.frames; ++k) {
        RenderTurn(session, start, r, k);
        movie::Frame frame = PictureFrame(session, side, r.size);
        if (frame.rgb.empty()) {
            pipeline->Cancel();
            return "Cannot write " + r.out + ": not enough memory for a frame";
        }
        if (!pipeline->Submit(std::move(frame))) return pipeline->Error();
        progress.Frame(k + 1, r.frames);
    }
    if (!pipeline->Finish()) return pipeline->Error();
    return "";
}

std::string WriteSeries(Session& session, const Orientation& start, const TurntableRequest& r) {
    const int side = CellsPerSide(session);
    // Each frame waits sealed beside its name until the last is written, so
    // a failure on the way leaves the frames of an earlier series as they were.
    std::vector<std::unique_ptr<AtomicFile>> frames;
    frames.reserve(static_cast<std::size_t>(r.frames));
    Progress progress(r.progress);
    for (int k = 0; k < r.frames; ++k) {
        RenderTurn(session, start, r, k);
        const std::string name = movie::FrameFileName(r.out, k);
        // Each frame carries its own view, so --view gives it back.
        const QImage image = PictureOf(session, side, r.size, SceneViewText(session));
        if (image.isNull()) return "Cannot write " + name + ": not enough memory for a frame";
        QByteArray bytes;
        const QString reason = picture::EncodePicture(image, QString::fromStdString(name), bytes);
        if (!reason.isEmpty()) return reason.toStdString();
        auto file = std::make_unique<AtomicFile>(name);
        if (file->ok()) {
            file->Write(
                std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())));
        }
        if (file->ok()) file->Seal();
        if (!file->ok()) return file->Error();
        frames.push_back(std::move(file));
        progress.Frame(k + 1, r.frames);
    }
    for (const std::unique_ptr<AtomicFile>& file : frames) {
        if (!file->Commit()) return file->Error();
    }
    return "";
}

}  // namespace

std::string WriteTurntable(Session& session, const TurntableRequest& request) {
    std::string reason;
    const std::optional<movie::MovieKind> kind = movie::MovieKindOf(request.out, reason);
    if (!kind) return reason;
    const int side = CellsPerSide(session);
    const int pixels = request.size > 0 ? request.size : side;
    reason = movie::CheckMovie(*kind, pixels, pixels);
    if (!reason.empty()) return "Cannot write " + request.out + ": " + reason;
    const Orientation start = session.orientation;
    reason = *kind == movie::MovieKind::FrameSeries ? WriteSeries(session, start, request)
                                                    : WriteMovie(session, start, request);
    session.orientation = start;
    return reason;
}

}  // namespace calyra::cli
