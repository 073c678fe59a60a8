#include "ui/model_window.h"

#include <QKeyEvent>
#include <QPainter>

#include "ui/platform.h"

namespace calyra::ui {

void ModelWindow::keyPressEvent(QKeyEvent* event) {
    const QString text = event->text();
    const char16_t c = text.size() == 1 ? text.at(0).unicode() : 0;
    if (c >= 0x20 && c < 0x7F) {
        handleCharacter(static_cast<char>(c));
        event->accept();
        return;
    }
    QWidget::keyPressEvent(event);
}

void ModelWindow::startPaint(QPainter& painter) {
    TakeEraseRequest(this);
    painter.fillRect(rect(), Qt::black);
    RestoreIfMaximised(renderWindow);
    RestoreIfMaximised(geometryWindow);
}

}  // namespace calyra::ui
