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
#include "ui/document.h"
#include "ui/live_view.h"
#include "ui/menu_builder.h"
#include "ui/panels.h"
#include "ui/platform.h"
#include "ui/recent_menu.h"
#include "ui/setting_commands.h"
#include "ui/shown_view.h"
#include "ui/slice_window.h"
#include "ui/volume_opener.h"

namespace calyra::ui {
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
    dispatch(RenderTypeCommand(RenderType::Surface), 0);
    dispatch(ColourMapCommand(ProgramSession().settings.colourMap), 0);
    ShowParameterMarks();
    RefreshSliceViews();
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
    // The list of the last run, or of another frame of this one.
    ShowRecentItems();
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
    // Timer 911 ticks every 7 s and does nothing: kept as the program always had it.
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
    Orientation& o = ProgramSession().orientation;
    if (event->text() == QLatin1String("P")) {
        ScaleEyeDistance(o, EyeStep::Farther, EyeLimit::Unlimited);
    } else if (event->text() == QLatin1String("p")) {
        ScaleEyeDistance(o, EyeStep::Nearer, EyeLimit::Unlimited);
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
    StartNewDocument();
    ForgetRenderedView();
    InstallDataSearchPath();
    // Every window of the program, the MDI children included, shows this icon.
    QApplication::setWindowIcon(ApplicationIcon());
    auto* frame = new FrameWindow;
    frame->startUp();
    return frame;
}

}  // namespace calyra::ui
