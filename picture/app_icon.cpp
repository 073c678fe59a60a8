#include "picture/app_icon.h"

#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>

namespace calyra::picture {

QImage DrawApplicationIcon(int side) {
    QImage icon(side, side, QImage::Format_ARGB32_Premultiplied);
    icon.fill(Qt::transparent);
    QPainter p(&icon);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(side / 64.0, side / 64.0);  // drawn on a 64 x 64 grid

    // The About box's blue ramp, as a rounded tile.
    QLinearGradient ramp(0, 0, 0, 64);
    ramp.setColorAt(0.0, QColor(0, 0, 150));
    ramp.setColorAt(1.0, QColor(0, 0, 40));
    p.setPen(Qt::NoPen);
    p.setBrush(ramp);
    p.drawRoundedRect(QRectF(2, 2, 60, 60), 10, 10);

    // A surface-rendered ball, lit from the upper left.
    QRadialGradient ball(QPointF(33, 24), 24, QPointF(30, 21));
    ball.setColorAt(0.0, QColor(250, 250, 250));
    ball.setColorAt(0.6, QColor(140, 140, 140));
    ball.setColorAt(1.0, QColor(40, 40, 40));
    p.setBrush(ball);
    p.drawEllipse(QPointF(39, 33), 18, 18);

    // The red viewing plane, seen at a slant, looking at the ball.
    p.setPen(QPen(QColor(230, 30, 30), 3.0, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(QColor(230, 30, 30, 60));
    const QPointF plane[] = {{8, 20}, {19, 13}, {19, 47}, {8, 55}};
    p.drawPolygon(plane, 4);
    return icon;
}

}  // namespace calyra::picture
