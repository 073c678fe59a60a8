#include "ui/render_window.h"

#include <QGuiApplication>
#include <QKeyEvent>
#include <QMdiSubWindow>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <QWheelEvent>
#include <QWindow>
#include <algorithm>
#include <chrono>
#include <cstring>
#include <limits>
#include <numbers>

#include "base/repaint.h"
#include "geometry/orientation.h"
#include "render/buffers.h"
#include "render/ray_driver.h"
#include "render/user_settings.h"
#include "ui/commands.h"
#include "ui/common_keys.h"
#include "ui/draw_image.h"
#include "ui/platform.h"
#include "ui/view_commands.h"
#include "volume/models.h"
#include "volume/volume_store.h"

namespace calyra::ui {

bool volumeAlreadyLoaded = false;
std::int32_t clientWidth = 0;
std::int32_t clientHeight = 0;
float imageLeft = 0.0f;
float imageTop = 0.0f;
float minSide = 0.0f;
std::int32_t stereoSecondRow = 0;
std::int32_t shownSecondRow = 0;
std::int32_t stereoMovePending = 0;
float stereoSeparation = 0.0f;
float stereoConvergence = 0.0f;
float stereoSpare = 0.0f;
float stereoShift = 0.0f;

namespace {

// Copies the block of image at (x, y) of size w x h to the same size at
// (toX, toY) on screen, clipped to the image.
void CopyBlock(QPainter& screen, const QImage& image, int x, int y, int w, int h, int toX,
               int toY) {
    const QRect source = QRect(x, y, w, h).intersected(image.rect());
    if (source.isEmpty()) return;
    screen.drawImage(QPoint(toX + source.x() - x, toY + source.y() - y), image, source);
}

// True colour shows exact greys; a palette display the nearest palette grey.
const GreyPalette* DevicePalette(const GreyPalette& palette) {
    const QScreen* screen = QGuiApplication::primaryScreen();
    return screen && screen->depth() <= 8 ? &palette : nullptr;
}

// Cells per image side for R rays per side.
std::int32_t CellsPerSide(int rays) {
    return picture::CellsPerSide(rays, interpolate);
}

}  // namespace

RenderWindow::RenderWindow(QWidget* parent) : ModelWindow(parent) {
    renderWindow = this;
    PrepareDrawnWindow(this, kRenderWindowTitle);
    buildChosenModel();
    // A build switches interpolation off: the menu shows it.
    ShowParameterMarks();
    renderPending = true;
    imagePalette_ = BuildGreyPalette();
    live_ = std::make_unique<LiveView>([this](const LiveFrame& frame) { showLiveFrame(frame); });
}

RenderWindow::~RenderWindow() {
    // The render in flight stops and is joined before anything it may touch goes.
    live_.reset();
    if (renderWindow == this) renderWindow = nullptr;
}

void RenderWindow::buildChosenModel() {
    if (!IsKnownModel(modelType)) return;
    VoxelVolume.source = SourceForModel(modelType);
    // The count only tells whether a volume was built: it must never wrap to 0.
    if (loadCount < std::numeric_limits<std::int16_t>::max()) ++loadCount;
    // An import or an opened file is read before the windows are replaced.
    if (!volumeAlreadyLoaded) BuildVolume();
}

void RenderWindow::resizeEvent(QResizeEvent* event) {
    clientWidth = event->size().width();
    clientHeight = event->size().height();
    minSide = static_cast<float>(std::min(clientWidth, clientHeight));
    imageLeft = (static_cast<float>(clientWidth) - minSide) * 0.5f;
    imageTop = (static_cast<float>(clientHeight) - minSide) * 0.5f;
    stereoSecondRow = clientHeight / 2;
    stereoSeparation = clientWidth > 0 ? static_cast<float>(3.0 / clientWidth) : 0.0f;
    stereoSpare = stereoSeparation;
    stereoConvergence = 15.0f * stereoSeparation;
    createBitmaps(clientWidth, clientHeight);
    renderPending = true;
    // Not invalidated here: the platform repaints a resized window whole. The
    // render is offered a turn of its own before that paint, so its caption shows.
    QMetaObject::invokeMethod(
        this,
        [this] {
            if (!renderPending) return;
            preparePaint();
            update();
        },
        Qt::QueuedConnection);
}

void RenderWindow::createBitmaps(int width, int height) {
    bitmapsExist_ = true;
    imageBitmap_ = QImage(std::max(width, 0), std::max(height, 0), QImage::Format_RGB32);
    stereoBitmap_ = QImage(std::max(width, 0), std::max(height, 0), QImage::Format_RGB32);
    stereoBitmap_.fill(Qt::black);
    drawnSecondRow_ = -1;
    if (imageBitmap_.isNull()) return;

    // The first width x height bytes of ImageBuffer are the initial pixels,
    // one palette index per pixel; the rest, if the buffer ends first, is black.
    imageBitmap_.fill(Qt::black);
    const auto* bytes = reinterpret_cast<const unsigned char*>(ImageBuffer);
    const std::size_t available = sizeof(ImageBuffer);
    const std::size_t pixels =
        std::min(static_cast<std::size_t>(width) * static_cast<std::size_t>(height), available);
    for (std::size_t i = 0; i < pixels; ++i) {
        const int x = static_cast<int>(i % static_cast<std::size_t>(width));
        const int y = static_cast<int>(i / static_cast<std::size_t>(width));
        const std::uint8_t grey = imagePalette_.entries[bytes[i]].red;
        reinterpret_cast<QRgb*>(imageBitmap_.scanLine(y))[x] = qRgb(grey, grey, grey);
    }
}

void RenderWindow::copyStoredImages(QPainter& screen) {
    const int left = DeviceCoordinate(imageLeft);
    const int top = DeviceCoordinate(imageTop);
    CopyBlock(screen, imageBitmap_, left, top, clientWidth, clientHeight, left, top);
    if (stereo && drawnSecondRow_ >= 0) {
        // The second image goes where it was last shown (a right-drag moves it).
        const int secondLeft = DeviceCoordinate((static_cast<float>(clientWidth) - minSide) * 0.5f);
        CopyBlock(screen, stereoBitmap_, secondLeft, drawnSecondRow_, clientWidth, clientHeight,
                  secondLeft, shownSecondRow);
    }
}

void RenderWindow::paintEvent(QPaintEvent* /*event*/) {
    QPainter screen(this);
    // The black class background. Qt also paints regions it exposes itself
    // (moves, overlaps) without any erase request, so every paint starts
    // black; a request without erase (a stereo drag) only ever kept black there.
    startPaint(screen);
    // A drag's quick re-copy only means something while the pair is shown;
    // left set in mono it would block every later render.
    if (stereoMovePending && !stereo) stereoMovePending = 0;

    copyStoredImages(screen);

    if (renderPending && !stereoMovePending) {
        // Only a paint nobody prepared (a first show, a grab) renders in here.
        renderPendingImage(&screen);
    } else if (stereoMovePending && stereo) {
        // The copies above already show the pair at the dragged row.
        stereoMovePending = 0;
    }
}

void RenderWindow::preparePaint() {
    if (stereoMovePending && !stereo) stereoMovePending = 0;
    // A hidden window paints nothing; its render waits for it to be shown.
    if (!renderPending || stereoMovePending || !isVisible()) return;
    renderPendingImage(nullptr);
}

void RenderWindow::renderPendingImage(QPainter* screen) {
    // One render at a time: the live one in flight stops first.
    live_->stop();
    SetWindowCaption(this, QString::fromLatin1(kRenderingCaption));
    renderPending = false;
    if (!screen) showCaptionNow();
    // Saved pictures and views describe the image shown, not later moves
    // (a World turn changes no image).
    RememberRenderedView();
    if (stereo) {
        renderStereoPair(screen);
    } else {
        renderMono(screen);
    }
    // A pair leaves the plane moved by one shift: the view shown is the one after it.
    live_->noteExactImage(CurrentRenderInputs(renderType));
    SetWindowCaption(this, QString::fromLatin1(kRenderWindowTitle));
}

void RenderWindow::showCaptionNow() {
    // The caption is the sub-window's title bar: repaint its frame alone, so
    // the title is on screen for as long as the render takes.
    auto* sub = qobject_cast<QMdiSubWindow*>(parentWidget());
    const QWindow* handle = window()->windowHandle();
    if (!sub || !sub->isVisible() || !handle || !handle->isExposed()) return;
    sub->repaint(QRegion(sub->rect()).subtracted(QRegion(geometry())));
}

void RenderWindow::bringUpToDate() {
    if (live_->upToDate()) return;
    renderPending = true;
    PaintNow(this);
}

void BringImageUpToDate() {
    if (auto* window = dynamic_cast<RenderWindow*>(renderWindow)) window->bringUpToDate();
}

QImage RenderWindow::picture() {
    bringUpToDate();
    if (renderPending) PaintNow(this);
    if (drawnCells_ <= 0 || minSide < 1.0f) return {};
    if (!stereo) return picture::MonoPicture(DeviceCoordinate(minSide), drawnCells_);
    // The pair as the window shows it: both stored images in their places.
    QImage shown(clientWidth, clientHeight, QImage::Format_RGB32);
    shown.fill(Qt::black);
    QPainter painter(&shown);
    copyStoredImages(painter);
    return shown;
}

void RenderWindow::renderOnce() {
    BeginWaitCursor();
    const auto start = std::chrono::steady_clock::now();
    RenderImage(RaysPerSide(), RaysPerSide(), ImageBuffer, renderType);
    const std::chrono::duration<double, std::milli> took = std::chrono::steady_clock::now() - start;
    live_->noteExactTime(took.count());
    ShowFrameTime(took.count(), 1);
    EndWaitCursor();
}

void RenderWindow::showLiveFrame(const LiveFrame& frame) {
    std::memcpy(ImageBuffer, frame.image.data(), sizeof(ImageBuffer));
    std::memcpy(DepthBuffer, frame.depth.data(), sizeof(DepthBuffer));
    displayMax = frame.displayMax;
    const std::int32_t cells = picture::CellsPerSide(frame.rays, frame.inputs.interpolate);
    const float cell = cells > 0 ? minSide / static_cast<float>(cells) : 0.0f;
    DrawImage(cells, nullptr, imageBitmap_, cell, imageLeft, imageTop,
              DevicePalette(imagePalette_));
    drawnCells_ = cells;
    // The view saved with a picture is the one shown, when it still is the current one.
    if (frame.inputs == CurrentRenderInputs(renderType)) RememberRenderedView();
    update();
}

void RenderWindow::renderMono(QPainter* screen) {
    const std::int32_t cells = CellsPerSide(RaysPerSide());
    const float cell = cells > 0 ? minSide / static_cast<float>(cells) : 0.0f;
    renderOnce();
    DrawImage(cells, screen, imageBitmap_, cell, imageLeft, imageTop, DevicePalette(imagePalette_));
    drawnCells_ = cells;
}

void RenderWindow::renderStereoPair(QPainter* screen) {
    const std::int32_t cells = CellsPerSide(RaysPerSide());
    ApplyStereoShift();
    float cell = cells > 0 ? minSide / static_cast<float>(cells) : 0.0f;
    renderOnce();
    // Both images are half size; the first is kept in imageBitmap, the second
    // in stereoBitmap, so a plain paint can show both again.
    cell = cell * 0.5f;
    DrawImage(cells, screen, imageBitmap_, cell, imageLeft, imageTop, DevicePalette(imagePalette_));

    Point3 saved[kViewPlanePoints];
    std::copy(ViewPlane, ViewPlane + kViewPlanePoints, saved);
    ApplyStereoShift();
    renderOnce();
    imageLeft = (static_cast<float>(clientWidth) - minSide) * 0.5f;
    imageTop = static_cast<float>(stereoSecondRow);
    DrawImage(cells, screen, stereoBitmap_, cell, imageLeft, imageTop,
              DevicePalette(imagePalette_));
    shownSecondRow = DeviceCoordinate(imageTop);
    drawnSecondRow_ = shownSecondRow;
    drawnCells_ = cells;
    imageTop = 0.0f;
    std::copy(saved, saved + kViewPlanePoints, ViewPlane);
}

void ApplyStereoShift() {
    // A zero convergence counts as 0.001, like every other degenerate divisor.
    const float convergence = stereoConvergence == 0.0f ? 0.001f : stereoConvergence;
    stereoShift = -(stereoSeparation / convergence);
    const Point3 edge = ViewPlane[1] - ViewPlane[0];
    const double length = VectorLength(edge);
    if (length == 0.0) return;
    // stereoShift x length along the unit edge direction.
    const double distance = static_cast<double>(stereoShift) * length;
    TranslateViewPlane(static_cast<float>(distance * edge.x / length),
                       static_cast<float>(distance * edge.y / length),
                       static_cast<float>(distance * edge.z / length));
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
    switch (key) {
        case 'a':
        case 'q':
        case 's':
        case 'w':
        case '[':
        case ']':
            changeStereoParameter(key);
            break;
        default:
            break;
    }
}

void RenderWindow::changeStereoParameter(char key) {
    const float pixel = clientWidth > 0 ? 1.0f / static_cast<float>(clientWidth) : 0.0f;
    // Separation keys keep stereoShift: the convergence follows the separation.
    const auto followSeparation = [] {
        if (stereoShift != 0.0f) stereoConvergence = -(stereoSeparation / stereoShift);
    };
    switch (key) {
        case 'a':
            stereoConvergence = std::min(stereoConvergence + 0.01f, 1.0f);
            break;
        case 'q':
            stereoConvergence = std::max(stereoConvergence - 0.01f, 0.0f);
            break;
        case 'w':
            stereoSeparation = std::min(stereoSeparation + pixel, 0.1f);
            followSeparation();
            break;
        case 's':
            stereoSeparation = std::max(stereoSeparation - pixel, 0.0f);
            followSeparation();
            break;
        case '[':
            stereoSpare += 0.1f;
            return;
        case ']':
            stereoSpare -= 0.1f;
            return;
        default:
            return;
    }
    // Show the new pair at once when it is on screen.
    if (stereo) RequestRender();
}

void RenderWindow::redrawCells() {
    // Before the first render there is nothing to draw: the render to come
    // uses the settings.
    if (drawnCells_ <= 0) return;
    if (stereo) {
        RequestRender();
        return;
    }
    const float cell = minSide / static_cast<float>(drawnCells_);
    DrawImage(drawnCells_, nullptr, imageBitmap_, cell, imageLeft, imageTop,
              DevicePalette(imagePalette_));
    InvalidateWindow(this, Background::Keep);
}

void RedrawRenderWindow() {
    if (auto* window = dynamic_cast<RenderWindow*>(renderWindow)) window->redrawCells();
}

bool RenderWindow::windowLevelPress(const QMouseEvent& event) {
    const bool middle = event.button() == Qt::MiddleButton;
    const bool ctrlLeft =
        event.button() == Qt::LeftButton && (event.modifiers() & Qt::ControlModifier);
    if (levelButton_ != Qt::NoButton || !(middle || ctrlLeft)) return false;
    levelButton_ = event.button();
    levelStart_ = event.position().toPoint();
    levelStartWindow_ = displayWindow;
    return true;
}

bool RenderWindow::windowLevelDrag(const QMouseEvent& event) {
    if (levelButton_ == Qt::NoButton) return false;
    // Right widens, up (towards smaller rows) raises the centre.
    const QPoint at = event.position().toPoint();
    const DisplayWindow moved =
        DraggedWindow(levelStartWindow_, at.x() - levelStart_.x(), levelStart_.y() - at.y());
    if (moved != displayWindow) SetDisplayWindow(moved);
    return true;
}

bool RenderWindow::windowLevelRelease(const QMouseEvent& event) {
    if (levelButton_ == Qt::NoButton || event.button() != levelButton_) return false;
    levelButton_ = Qt::NoButton;
    return true;
}

bool RenderWindow::windowLevelDoubleClick(const QMouseEvent& event) {
    if (event.button() != Qt::MiddleButton) return false;
    SetDisplayWindow(DisplayWindow{});
    return true;
}

void RenderWindow::mouseMessage(MouseMessage message, const QMouseEvent& event) {
    switch (message) {
        case MouseMessage::Press:
            if (windowLevelPress(event)) return;
            if (event.button() == Qt::LeftButton && !(event.modifiers() & Qt::ControlModifier)) {
                startTurn(event.position().toPoint());
            }
            return;
        case MouseMessage::Release:
            if (windowLevelRelease(event)) return;
            if (event.button() == Qt::LeftButton) endTurn();
            return;
        case MouseMessage::DoubleClick:
            windowLevelDoubleClick(event);
            return;
        case MouseMessage::Move:
            mouseMoved(event);
            return;
    }
}

void RenderWindow::wheelEvent(QWheelEvent* event) {
    event->accept();
    panByWheel(event->angleDelta().y());
}

void RenderWindow::startTurn(const QPoint& at) {
    turning_ = liveUpdate;
    turnFrom_ = at;
}

void RenderWindow::turnByDrag(const QPoint& at) {
    if (!turning_ || !liveUpdate || clientWidth <= 0) return;
    const QPoint moved = at - turnFrom_;
    if (moved.isNull()) return;
    turnFrom_ = at;
    // Half a turn per client width, both ways.
    const double perPixel = std::numbers::pi / static_cast<double>(clientWidth);
    TurnViewPlane(perPixel * moved.x(), perPixel * moved.y());
    InvalidateWindow(geometryWindow);
    if (!RenderLive(LiveView::Motion::Moving)) RequestRender();
}

void RenderWindow::endTurn() {
    if (!turning_) return;
    turning_ = false;
    if (liveUpdate) RenderLive(LiveView::Motion::Stopped);
}

void RenderWindow::panByWheel(int angleDelta) {
    if (!liveUpdate) return;
    // 120 units are one step; a finer wheel adds up to whole steps.
    wheelRemainder_ += angleDelta;
    bool moved = false;
    for (; wheelRemainder_ >= 120; wheelRemainder_ -= 120, moved = true) {
        PanViewPlane(PanDirection::In);
    }
    for (; wheelRemainder_ <= -120; wheelRemainder_ += 120, moved = true) {
        PanViewPlane(PanDirection::Out);
    }
    if (!moved) return;
    InvalidateWindow(geometryWindow);
    if (!RenderLive(LiveView::Motion::Moving)) RequestRender();
}
void RenderWindow::mouseMoved(const QMouseEvent& event) {
    if (windowLevelDrag(event)) return;
    // Without a mouse capture, movements outside the client area are not seen.
    const QPoint position = event.position().toPoint();
    if (!rect().contains(position)) return;
    if (event.buttons() & Qt::LeftButton) turnByDrag(position);
    if (!(event.buttons() & Qt::RightButton) || !stereo) return;
    stereoMovePending = 1;
    stereoSecondRow = static_cast<std::uint16_t>(position.y());
    shownSecondRow = stereoSecondRow;
    RequestRender(Background::Keep);
}

}  // namespace calyra::ui
