#include "ui/panel_icons.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>
#include <QRadialGradient>
#include <array>

namespace calyra::ui {
namespace {

const QColor kBoxGreen(0, 190, 0);
const QColor kPlaneRed(255, 0, 0);
const QColor kEdge(40, 40, 40);
const QColor kHighlight(255, 200, 0);

// An oblique cube in a 32 x 32 drawing space: front face lower left, back
// face shifted up and right. Corners 0..3 run top-left, top-right,
// bottom-right, bottom-left.
struct Cube {
    std::array<QPointF, 4> front;
    std::array<QPointF, 4> back;
};

Cube MakeCube() {
    const double a = 19, d = 8, x = 3, y = 10;
    Cube c;
    c.front = {QPointF(x, y), QPointF(x + a, y), QPointF(x + a, y + a), QPointF(x, y + a)};
    for (int i = 0; i < 4; ++i) c.back[i] = c.front[i] + QPointF(d, -d);
    return c;
}

QPolygonF Quad(QPointF a, QPointF b, QPointF c, QPointF d) {
    return QPolygonF({a, b, c, d});
}

QPolygonF CubeFace(const Cube& c, std::string_view face) {
    const auto& f = c.front;
    const auto& b = c.back;
    if (face == "front") return Quad(f[0], f[1], f[2], f[3]);
    if (face == "back") return Quad(b[0], b[1], b[2], b[3]);
    if (face == "top") return Quad(f[0], f[1], b[1], b[0]);
    if (face == "bot") return Quad(f[3], f[2], b[2], b[3]);
    if (face == "left") return Quad(f[0], f[3], b[3], b[0]);
    return Quad(f[1], f[2], b[2], b[1]);  // right
}

// The three edges meeting at the hidden back-bottom-left corner are dashed.
void DrawCubeEdges(QPainter& p, const Cube& c, const QColor& colour, double width) {
    const auto& f = c.front;
    const auto& b = c.back;
    QPen solid(colour, width);
    QPen dashed(colour, width * 0.75, Qt::DashLine);
    p.setBrush(Qt::NoBrush);
    p.setPen(dashed);
    p.drawLine(b[3], b[0]);
    p.drawLine(b[3], b[2]);
    p.drawLine(b[3], f[3]);
    p.setPen(solid);
    p.drawPolygon(Quad(f[0], f[1], f[2], f[3]));
    p.drawPolyline(QPolygonF({f[0], b[0], b[1], b[2], f[2]}));
    p.drawLine(f[1], b[1]);
}

void DrawSurface(QPainter& p) {
    QRadialGradient shade(QPointF(12, 11), 17, QPointF(11, 10));
    shade.setColorAt(0.0, Qt::white);
    shade.setColorAt(0.5, QColor(150, 150, 150));
    shade.setColorAt(1.0, QColor(30, 30, 30));
    p.setPen(Qt::NoPen);
    p.setBrush(shade);
    p.drawEllipse(QPointF(16, 16), 13, 13);
}

void DrawTransparent(QPainter& p) {
    const Cube c = MakeCube();
    p.setPen(Qt::NoPen);
    for (std::string_view face : {"back", "left", "bot", "front", "top", "right"}) {
        p.setBrush(QColor(90, 140, 230, 70));
        p.drawPolygon(CubeFace(c, face));
    }
    p.setBrush(QColor(255, 255, 255, 180));
    p.drawEllipse(QPointF(16.5, 15.5), 4, 4);
    DrawCubeEdges(p, c, QColor(30, 60, 140), 1.2);
}

void DrawSlice(QPainter& p) {
    const Cube c = MakeCube();
    DrawCubeEdges(p, c, kEdge, 1.0);
    // A plane through the middle of the cube, parallel to the front face.
    const QPointF mid(4, -4);
    QLinearGradient grey(c.front[0] + mid, c.front[2] + mid);
    grey.setColorAt(0.0, QColor(235, 235, 235));
    grey.setColorAt(1.0, QColor(60, 60, 60));
    p.setPen(QPen(QColor(20, 20, 20), 1.0));
    p.setBrush(grey);
    p.drawPolygon(Quad(c.front[0] + mid, c.front[1] + mid, c.front[2] + mid, c.front[3] + mid));
}

void DrawWorld(QPainter& p) {
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::black);
    p.drawRoundedRect(QRectF(0, 0, 32, 32), 3, 3);
    DrawCubeEdges(p, MakeCube(), kBoxGreen, 1.6);
}

void DrawViewPlane(QPainter& p) {
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::black);
    p.drawRoundedRect(QRectF(0, 0, 32, 32), 3, 3);
    // A square plane seen at a slant, with its line to the target.
    const QPolygonF plane({QPointF(5, 9), QPointF(19, 4), QPointF(19, 24), QPointF(5, 29)});
    p.setPen(QPen(kPlaneRed, 1.6));
    p.setBrush(QColor(255, 0, 0, 60));
    p.drawPolygon(plane);
    p.drawLine(QPointF(12, 16.5), QPointF(28, 16.5));
    p.setBrush(kPlaneRed);
    p.drawEllipse(QPointF(28, 16.5), 1.5, 1.5);
}

void DrawFace(QPainter& p, std::string_view face) {
    const Cube c = MakeCube();
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(255, 255, 255, 160));
    p.drawPolygon(QPolygonF({c.front[0], c.back[0], c.back[1], c.back[2], c.front[2], c.front[3]}));
    p.setBrush(kHighlight);
    p.drawPolygon(CubeFace(c, face));
    DrawCubeEdges(p, c, kEdge, 1.0);
}

}  // namespace

QPixmap PanelIcon(std::string_view name, int side) {
    static constexpr std::string_view kFaces[] = {"front", "back", "left", "right", "top", "bot"};
    bool known =
        name == "surf" || name == "tran" || name == "slice" || name == "world" || name == "vplane";
    for (std::string_view face : kFaces) known = known || name == face;
    if (!known || side < 8) return QPixmap();

    QPixmap pixmap(side, side);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(side / 32.0, side / 32.0);
    if (name == "surf") {
        DrawSurface(p);
    } else if (name == "tran") {
        DrawTransparent(p);
    } else if (name == "slice") {
        DrawSlice(p);
    } else if (name == "world") {
        DrawWorld(p);
    } else if (name == "vplane") {
        DrawViewPlane(p);
    } else {
        DrawFace(p, name);
    }
    return pixmap;
}

}  // namespace calyra::ui
