#include "ui/render_window.h"

#include <QKeyEvent>
#include <QPainter>
#include <QWheelEvent>
#include <limits>

#include "ui/common_keys.h"
#include "ui/document.h"
#include "ui/setting_commands.h"
#include "ui/stereo_pair.h"
#include "volume/models.h"

namespace calyra::ui {

RenderWindow::RenderWindow(QWidget* parent, VolumeBuild build)
    : ModelWindow(parent), scheduler_(this, canvas_), gestures_(this) {
    renderWindow = this;
    PrepareDrawnWindow(this, kRenderWindowTitle);
    buildChosenModel(build);
    // A build switches interpolation off: the menu shows it.
    ShowParameterMarks();
    ProgramSession().renderPending = true;
}

RenderWindow::~RenderWindow() {
    scheduler_.StopLive();
    if (renderWindow == this) renderWindow = nullptr;
}

void RenderWindow::buildChosenModel(VolumeBuild build) {
    Session& session = ProgramSession();
    if (!IsKnownModel(session.modelType)) return;
    // The count only tells whether a volume was built: it must never wrap to 0.
    if (session.loadCount < std::numeric_limits<std::int16_t>::max()) ++session.loadCount;
    // An import or an opened file is read before the windows are replaced.
    if (build == VolumeBuild::Build) BuildModel(session, session.modelType);
}

void RenderWindow::resizeEvent(QResizeEvent* event) {
    Session& session = ProgramSession();
    SetClientLayout(event->size().width(), event->size().height());
    ResetStereoForClient(clientWidth, clientHeight);
    canvas_.Create(clientWidth, clientHeight, session.buffers);
    session.renderPending = true;
    // Not invalidated here: the platform repaints a resized window whole. The
    // render is offered a turn of its own before that paint, so its caption shows.
    QMetaObject::invokeMethod(
        this,
        [this] {
            if (!ProgramSession().renderPending) return;
            preparePaint();
            update();
        },
        Qt::QueuedConnection);
}

void RenderWindow::paintEvent(QPaintEvent* /*event*/) {
    const Session& session = ProgramSession();
    QPainter screen(this);
    // The black class background. Qt also paints regions it exposes itself
    // (moves, overlaps) without any erase request, so every paint starts
    // black; a request without erase (a stereo drag) only ever kept black there.
    startPaint(screen);
    const bool stereo = session.settings.stereo;
    // A drag's quick re-copy only means something while the pair is shown;
    // left set in mono it would block every later render.
    if (stereoMovePending && !stereo) stereoMovePending = 0;

    canvas_.CopyStored(screen, stereo, shownSecondRow);

    if (session.renderPending && !stereoMovePending) {
        // Only a paint nobody prepared (a first show, a grab) renders in here.
        scheduler_.RenderPending(&screen);
    } else if (stereoMovePending && stereo) {
        // The copies above already show the pair at the dragged row.
        stereoMovePending = 0;
    }
}

void RenderWindow::preparePaint() {
    const Session& session = ProgramSession();
    if (stereoMovePending && !session.settings.stereo) stereoMovePending = 0;
    // A hidden window paints nothing; its render waits for it to be shown.
    if (!session.renderPending || stereoMovePending || !isVisible()) return;
    scheduler_.RenderPending(nullptr);
}

void BringImageUpToDate() {
    if (auto* window = dynamic_cast<RenderWindow*>(renderWindow)) window->bringUpToDate();
}

QImage RenderWindow::picture() {
    bringUpToDate();
    if (ProgramSession().renderPending) PaintNow(this);
    const Session& session = ProgramSession();
    return canvas_.Picture(session.buffers, session.settings, session.settings.stereo,
                           shownSecondRow);
}

void RenderWindow::keyPressEvent(QKeyEvent* event) {
    // Ctrl+letter keys are commands of the frame (Save, Copy), never characters here.
    if (event->modifiers() & Qt::ControlModifier) {
        QWidget::keyPressEvent(event);
        return;
    }
    ModelWindow::keyPressEvent(event);
}

void RenderWindow::handleCharacter(char key) {
    if (HandleCommonKey(key, KeyTaker::ModelWindow)) return;
    // Show a new pair at once when it is on screen.
    if (ChangeStereoParameter(key, clientWidth) && ProgramSession().settings.stereo) {
        RequestRender(ProgramSession());
    }
}

void RenderWindow::redrawCells() {
    Session& session = ProgramSession();
    // Before the first render there is nothing to draw: the render to come
    // uses the settings.
    if (canvas_.DrawnCells() <= 0) return;
    if (session.settings.stereo) {
        RequestRender(session);
        return;
    }
    canvas_.Redraw(session.buffers, session.settings);
    InvalidateWindow(this, Background::Keep);
}

void RenderWindow::mouseMessage(MouseMessage message, const QMouseEvent& event) {
    gestures_.Mouse(message, event);
}

void RenderWindow::wheelEvent(QWheelEvent* event) {
    event->accept();
    gestures_.Wheel(event->angleDelta().y());
}

}  // namespace calyra::ui
