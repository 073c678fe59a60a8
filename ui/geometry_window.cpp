#include "ui/geometry_window.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <algorithm>
#include <utility>

#include "ui/common_keys.h"
#include "ui/document.h"
#include "ui/live_view.h"
#include "ui/platform.h"
#include "ui/slice_window.h"

namespace calyra::ui {
namespace {

constexpr float kObjectScale = 0.75f;
constexpr float kViewportFactor = 1.5f;
const QColor kBoxColour(0, 190, 0);
const QColor kPlaneColour(255, 0, 0);
const QColor kCursorColour(255, 255, 0);
const QColor kCropColour(255, 255, 0);
constexpr int kCursorArm = 4;  // pixels from the centre of the cursor mark

// Box edges: the front face, the back face, then the three joining edges.
constexpr std::pair<int, int> kBoxEdges[] = {{0, 1}, {1, 2}, {2, 3}, {3, 0}, {0, 4}, {4, 5},
                                             {5, 6}, {6, 7}, {7, 4}, {1, 5}, {2, 6}, {3, 7}};
// Plane edges: the outline, then centre to target.
constexpr std::pair<int, int> kPlaneEdges[] = {{0, 1}, {1, 2}, {2, 3}, {3, 0}, {4, 5}};

template <std::size_t N>
void DrawEdges(QPainter& painter, const Point3* points, int count, int width, int height,
               const QColor& colour, const std::pair<int, int> (&edges)[N]) {
    DisplayPoint shown[kWorldPoints];
    ProjectForDisplay(points, std::min(count, kWorldPoints), width, height,
                      ProgramSession().orientation.eyeDistance, shown);
    QPen pen(colour, 2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
    painter.save();
    painter.setPen(pen);
    for (const auto& [from, to] : edges) {
        if (!shown[from].visible || !shown[to].visible) continue;
        painter.drawLine(shown[from].x, shown[from].y, shown[to].x, shown[to].y);
    }
    painter.restore();
}

MousePoint ClientPoint(const QPoint& p) {
    // Client coordinates travel as unsigned 16-bit values.
    return {static_cast<std::uint16_t>(p.x()), static_cast<std::uint16_t>(p.y())};
}

}  // namespace

void ProjectForDisplay(const Point3* points, int count, int width, int height, float eye,
                       DisplayPoint* out) {
    if (count <= 0) return;
    Point3 copy[kWorldPoints];
    count = std::min(count, kWorldPoints);
    bool visible[kWorldPoints];
    for (int i = 0; i < count; ++i) {
        Point3 p{points[i].x * kObjectScale, points[i].y * kObjectScale,
                 points[i].z * kObjectScale};
        // At or behind the eye the perspective divide has no meaning.
        visible[i] = p.z > -eye;
        if (visible[i]) {
            const float depth = p.z + eye;
            p.x = p.x * eye / depth;
            p.y = p.y * eye / depth;
        }
        copy[i] = p;
    }
    const float e = kViewportFactor * static_cast<float>(std::min(width, height));
    ViewportMap(copy, count, e, 0.0f, e, 0.0f, e, 0.0f);
    const float shiftX = (static_cast<float>(width) - e) * 0.5f;
    const float shiftY = (static_cast<float>(height) - e) * 0.5f;
    for (int i = 0; i < count; ++i) {
        const float x = copy[i].x + shiftX;
        const float y = copy[i].y + shiftY;
        out[i] = {DeviceCoordinate(x), DeviceCoordinate(y), visible[i]};
    }
}

void DrawWorldBox(QPainter& painter, const Point3* points, int width, int height) {
    DrawEdges(painter, points, kWorldPoints, width, height, kBoxColour, kBoxEdges);
}

void DrawViewPlane(QPainter& painter, const Point3* points, int width, int height) {
    DrawEdges(painter, points, kViewPlanePoints, width, height, kPlaneColour, kPlaneEdges);
}

void DrawCropBox(QPainter& painter, const Orientation& o, std::int32_t size, const CropBox& box,
                 int width, int height) {
    Point3 corners[8];
    CropBoxCorners(o, size, box, corners);
    DrawEdges(painter, corners, 8, width, height, kCropColour, kBoxEdges);
}

void DrawCursorMark(QPainter& painter, const Point3& point, int width, int height) {
    DisplayPoint shown;
    ProjectForDisplay(&point, 1, width, height, ProgramSession().orientation.eyeDistance, &shown);
    if (!shown.visible) return;
    painter.save();
    painter.setPen(QPen(kCursorColour, 1));
    painter.drawLine(shown.x - kCursorArm, shown.y, shown.x + kCursorArm, shown.y);
    painter.drawLine(shown.x, shown.y - kCursorArm, shown.x, shown.y + kCursorArm);
    painter.restore();
}

GeometryWindow::GeometryWindow(QWidget* parent) : ModelWindow(parent) {
    geometryWindow = this;
    PrepareDrawnWindow(this, kGeometryWindowTitle);
}

GeometryWindow::~GeometryWindow() {
    if (geometryWindow == this) geometryWindow = nullptr;
}

void GeometryWindow::resizeEvent(QResizeEvent* event) {
    clientWidth_ = event->size().width();
    clientHeight_ = event->size().height();
}

void GeometryWindow::paintEvent(QPaintEvent* /*event*/) {
    QPainter painter(this);
    // Every request for this window erases with the black class background.
    startPaint(painter);
    const Session& session = ProgramSession();
    DrawWorldBox(painter, session.orientation.World, clientWidth_, clientHeight_);
    if (session.settings.crop) {
        DrawCropBox(painter, session.orientation, session.volume().size, *session.settings.crop,
                    clientWidth_, clientHeight_);
    }
    DrawViewPlane(painter, session.orientation.ViewPlane, clientWidth_, clientHeight_);
    if (const std::optional<Int3> cursor = SliceViewCursor()) {
        const Point3 at = CursorScenePoint(session.orientation, session.volume().size, *cursor);
        DrawCursorMark(painter, at, clientWidth_, clientHeight_);
    }
}

void GeometryWindow::handleCharacter(char key) {
    HandleCommonKey(key, KeyTaker::ModelWindow);
}

void GeometryWindow::mouseMessage(MouseMessage message, const QMouseEvent& event) {
    switch (message) {
        case MouseMessage::Press:
        case MouseMessage::DoubleClick:
            if (event.button() == Qt::LeftButton || event.button() == Qt::RightButton) {
                previous_ = ClientPoint(event.position().toPoint());
            }
            return;
        case MouseMessage::Move:
            mouseMoved(event);
            return;
        case MouseMessage::Release:
            if (event.button() == Qt::LeftButton) {
                previous_ = ClientPoint(event.position().toPoint());
                InvalidateWindow(this);
            } else if (event.button() == Qt::RightButton) {
                if (!RenderLive(LiveView::Motion::Stopped)) RequestRender(ProgramSession());
            }
            return;
    }
}

void GeometryWindow::mouseMoved(const QMouseEvent& event) {
    // Without a mouse capture, movements outside the client area are not seen;
    // the next one inside continues from the last stored position.
    const QPoint position = event.position().toPoint();
    if (!rect().contains(position)) return;
    const MousePoint current = ClientPoint(position);
    const Qt::MouseButtons held = event.buttons();
    Session& session = ProgramSession();
    if (held & Qt::LeftButton) {
        const unsigned buttons = kLeftButton | ((held & Qt::RightButton) ? kRightButton : 0u);
        ApplyDrag(session.orientation, buttons, previous_, current, clientWidth_, clientHeight_);
        previous_ = current;
        InvalidateWindow(this);
        session.renderPending = true;
    } else if (held & Qt::RightButton) {
        ApplyDrag(session.orientation, kRightButton, previous_, current, clientWidth_,
                  clientHeight_);
        previous_ = current;
        InvalidateWindow(this);
        RenderLive(LiveView::Motion::Moving);
    }
}

}  // namespace calyra::ui
