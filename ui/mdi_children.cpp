#include "ui/mdi_children.h"

#include <QEvent>
#include <QFileInfo>
#include <QMdiArea>
#include <QMdiSubWindow>

#include "ui/platform.h"

namespace calyra::ui {
namespace {

// Keeps a model window from being maximised and, for the render window,
// keeps its frame and caption from reacting to the mouse.
class ModelWindowGuard : public QObject {
  public:
    ModelWindowGuard(QMdiSubWindow* sub, bool ignoreMouse)
        : QObject(sub), ignoreMouse_(ignoreMouse) {}

    bool eventFilter(QObject* watched, QEvent* event) override {
        // Null while the sub-window is being destroyed.
        auto* sub = qobject_cast<QMdiSubWindow*>(watched);
        if (!sub) return false;
        switch (event->type()) {
            case QEvent::WindowStateChange:
                if (sub->isMaximized()) {
                    QMetaObject::invokeMethod(sub, &QWidget::showNormal, Qt::QueuedConnection);
                }
                return false;
            case QEvent::MouseButtonPress:
            case QEvent::MouseButtonRelease:
            case QEvent::MouseButtonDblClick:
            case QEvent::MouseMove:
            case QEvent::ContextMenu:
                return ignoreMouse_;
            default:
                return false;
        }
    }

  private:
    bool ignoreMouse_;
};

}  // namespace

QMdiSubWindow* AddModelWindow(const std::function<QWidget*(QWidget* parent)>& makeContent,
                              const QString& title, bool frameIgnoresMouse) {
    if (!mdiClient) return nullptr;
    auto* sub = new QMdiSubWindow;
    sub->setWindowFlags(Qt::SubWindow | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                        Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                        Qt::WindowCloseButtonHint);
    sub->setAttribute(Qt::WA_DeleteOnClose);
    sub->setWindowTitle(title);
    sub->installEventFilter(new ModelWindowGuard(sub, frameIgnoresMouse));
    mdiClient->addSubWindow(sub);
    QWidget* content = makeContent(sub);
    sub->setWidget(content);
    sub->show();
    return sub;
}

void DestroyModelWindow(QWidget* window) {
    if (!window) return;
    if (auto* sub = qobject_cast<QMdiSubWindow*>(window->parentWidget())) {
        if (mdiClient) mdiClient->removeSubWindow(sub);
        delete sub;
    } else {
        delete window;
    }
}

void TileModelWindows() {
    if (mdiClient) mdiClient->tileSubWindows();
}

void ArrangeIcons() {
    if (!mdiClient) return;
    int x = 0;
    const int bottom = mdiClient->viewport()->height();
    for (QMdiSubWindow* sub : mdiClient->subWindowList(QMdiArea::CreationOrder)) {
        if (!sub->isMinimized()) continue;
        sub->move(x, bottom - sub->height());
        x += sub->width();
    }
}

void NameOpenFile(QWidget* frame, const QString& path) {
    if (!frame) return;
    frame->window()->setWindowTitle(QString::fromLatin1(kFrameTitle) + QStringLiteral(" - ") +
                                    QFileInfo(path).fileName());
}

}  // namespace calyra::ui
