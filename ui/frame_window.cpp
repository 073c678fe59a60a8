#include "ui/frame_window.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDialog>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QMimeData>
#include <QScreen>
#include <QTimer>

#include "geometry/orientation.h"
#include "resources/accelerator_table.h"
#include "resources/menu_table.h"
#include "ui/app_paths.h"
#include "ui/commands.h"
#include "ui/demo.h"
#include "ui/live_view.h"
#include "ui/menu_builder.h"
#include "ui/panels.h"
#include "ui/platform.h"
#include "ui/volume_opener.h"

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

FrameWindow::FrameWindow() {
    setWindowTitle(QString::fromLatin1(kFrameTitle));
    setAcceptDrops(true);
    placeOnScreen();
    createMenus();
    greetUser();
    createMdiClient();
    frameWindow = this;
    AddFrameTimeField(this);
    liveUpdate = true;
    // The menu's check marks and the settings start consistent.
    dispatch(kCmdSurface, 0);
    dispatch(ColourMapCommand(colourMap), 0);
    ShowParameterMarks();
}

FrameWindow::~FrameWindow() {
    if (frameWindow == this) frameWindow = nullptr;
    mdiClient = nullptr;
    // The panels go with the frame.
    viewPanel = nullptr;
    mapPanel = nullptr;
    slideBar = nullptr;
}

void FrameWindow::startUp() {
    show();
    createPanels();
    loadAccelerators();
    startTimers();
}

void FrameWindow::placeOnScreen() {
    const QScreen* screen = QGuiApplication::primaryScreen();
    const QSize screenSize = screen ? screen->size() : QSize(640, 480);
    move(0, 0);
    resize((3 * screenSize.width()) / 4, (3 * screenSize.height()) / 4);
}

void FrameWindow::createMenus() {
    BuildMenuBar(menuBar(), resources::MenuTable(),
                 [this](int id, int detail) { dispatch(id, detail); });
}

void FrameWindow::greetUser() {
    ShowMessage(nullptr, QString::fromLatin1(kWelcomeText), QString::fromLatin1(kWelcomeCaption),
                Icon::Information);
}

void FrameWindow::createMdiClient() {
    auto* client = new QMdiArea(this);
    setCentralWidget(client);
    mdiClient = client;
}

void FrameWindow::createPanels() {
    CreatePanels(this);
}

void FrameWindow::loadAccelerators() {
    if (!BuildAccelerators(this, resources::AcceleratorTable(),
                           [this](int id, int detail) { dispatch(id, detail); })) {
        ShowMessage(nullptr, QString::fromLatin1(kNoTablesText), QString(), Icon::None);
    }
}

void FrameWindow::startTimers() {
    demoTimer_ = new QTimer(this);
    connect(demoTimer_, &QTimer::timeout, this, [this] { onTimer(kDemoTimerId); });
    demoTimer_->start(100);
    idleTimer_ = new QTimer(this);
    connect(idleTimer_, &QTimer::timeout, this, [this] { onTimer(kIdleTimerId); });
    idleTimer_->start(7000);
}

void FrameWindow::onTimer(int id) {
    switch (id) {
        case kDemoTimerId:
            // A step paints synchronously and can outlast the period; ticks
            // never pile up behind it or run inside it.
            if (demoRunning && !demoStepRunning_) {
                demoStepRunning_ = true;
                DemoStep();
                demoStepRunning_ = false;
            }
            break;
        default:
            break;
    }
}

void FrameWindow::dispatch(int id, int detail) {
    DispatchCommand(this, id, detail);
}

void FrameWindow::keyPressEvent(QKeyEvent* event) {
    // The frame's own P and p change the perspective without limit or redraw.
    if (event->text() == QLatin1String("P")) {
        ScaleEyeDistance(EyeStep::Farther, EyeLimit::Unlimited);
    } else if (event->text() == QLatin1String("p")) {
        ScaleEyeDistance(EyeStep::Nearer, EyeLimit::Unlimited);
    } else {
        QMainWindow::keyPressEvent(event);
        return;
    }
    event->accept();
}

void FrameWindow::dragEnterEvent(QDragEnterEvent* event) {
    if (event->mimeData()->hasUrls() && event->mimeData()->urls().front().isLocalFile()) {
        event->acceptProposedAction();
    }
}

void FrameWindow::dropEvent(QDropEvent* event) {
    const QList<QUrl> urls = event->mimeData()->urls();
    if (urls.isEmpty() || !urls.front().isLocalFile()) return;
    event->acceptProposedAction();
    OpenVolumePath(this, urls.front().toLocalFile());
}

void FrameWindow::closeEvent(QCloseEvent* event) {
    PostQuitMessage(0);
    event->accept();
}

FrameWindow* StartCalyra() {
    InstallCoreHooks();
    InstallDataSearchPath();
    // Every window of the program, the MDI children included, shows this icon.
    QApplication::setWindowIcon(ApplicationIcon());
    auto* frame = new FrameWindow;
    frame->startUp();
    return frame;
}

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

}  // namespace calyra::ui
