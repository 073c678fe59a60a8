// Shared set-up of the window tests: fresh process-wide state, a recorder in
// place of message boxes, and the frame started as the program starts it.
#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <QEvent>
#include <QImage>
#include <QKeyEvent>
#include <QMainWindow>
#include <QMouseEvent>
#include <QStringList>
#include <QTimer>
#include <QWidget>
#include <functional>
#include <vector>

#include "geometry/orientation.h"
#include "render/buffers.h"
#include "render/user_settings.h"
#include "resources/command_ids.h"
#include "tests/gui/temp_dir.h"
#include "tests/test_support.h"
#include "ui/commands.h"
#include "ui/document.h"
#include "ui/frame_window.h"
#include "ui/platform.h"
#include "ui/render_window.h"
#include "ui/volume_opener.h"
#include "volume/volume_store.h"

namespace calyra::ui::testing {

struct RecordedMessage {
    QWidget* owner = nullptr;
    QString text;
    QString caption;
    Icon icon = Icon::None;
    bool frameVisible = false;  // whether a frame was on screen when the box came up
};

inline bool AnyFrameVisible() {
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (qobject_cast<QMainWindow*>(w) && w->isVisible()) return true;
    }
    return false;
}

using calyra::test::Store;

// A fresh document (the program's one session) and the window state as at
// program start.
inline void ResetSharedState() {
    StartNewDocument();
    demoRunning = 0;
    grabTarget = 1;
}

// Records the titles a window takes, in order.
class CaptionRecorder : public QObject {
  public:
    explicit CaptionRecorder(QWidget* window) : QObject(window) {
        window->installEventFilter(this);
    }
    QStringList captions;

    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::WindowTitleChange) {
            captions << static_cast<QWidget*>(watched)->windowTitle();
        }
        return false;
    }
};

// Delivers a key press that types c, as the keyboard would.
inline void SendCharacter(QWidget* window, char c) {
    QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(QChar(c)));
    QApplication::sendEvent(window, &press);
}

// Delivers one mouse event at a point of target, with the buttons held after it.
inline void SendMouseEvent(QWidget* target, QEvent::Type type, QPoint at, Qt::MouseButton button,
                           Qt::MouseButtons held, Qt::KeyboardModifiers keys = Qt::NoModifier) {
    QMouseEvent event(type, QPointF(at), target->mapToGlobal(QPointF(at)), button, held, keys);
    QApplication::sendEvent(target, &event);
}

// A drag with one button from one point to another, through the middle.
inline void DragMouse(QWidget* target, Qt::MouseButton button, QPoint from, QPoint to,
                      Qt::KeyboardModifiers keys = Qt::NoModifier) {
    SendMouseEvent(target, QEvent::MouseButtonPress, from, button, button, keys);
    SendMouseEvent(target, QEvent::MouseMove, (from + to) / 2, Qt::NoButton, button, keys);
    SendMouseEvent(target, QEvent::MouseMove, to, Qt::NoButton, button, keys);
    SendMouseEvent(target, QEvent::MouseButtonRelease, to, button, Qt::NoButton, keys);
}

// Paints the window now (a render runs if one is pending) and returns what it shows.
inline QImage Paint(QWidget* window) {
    return window->grab().toImage();
}

// Resizes the render window's sub-window so that its client gets this size.
inline void ResizeClient(QWidget* window, int width, int height) {
    QWidget* sub = window->parentWidget();
    sub->resize(sub->width() - window->width() + width, sub->height() - window->height() + height);
}

// Runs action on the next modal widget once the modal loop shows it.
inline void OnNextModal(std::function<void(QWidget*)> action) {
    auto* timer = new QTimer;
    QObject::connect(timer, &QTimer::timeout, [timer, action] {
        if (QWidget* modal = QApplication::activeModalWidget()) {
            timer->stop();
            timer->deleteLater();
            action(modal);
        }
    });
    timer->start(10);
}

// The ball in the render window with a client of width x height, rendered;
// null when no render window came.
inline RenderWindow* ShowBall(QWidget* frame, int width, int height) {
    DispatchCommand(frame, kCmdBallModel);
    auto* window = dynamic_cast<RenderWindow*>(renderWindow);
    if (!window) return nullptr;
    ResizeClient(window, width, height);
    Paint(window);
    return window;
}

class MessageRecording : public ::testing::Test {
  protected:
    void SetUp() override {
        ResetSharedState();
        SetMessageBoxHandler(
            [this](QWidget* owner, const QString& text, const QString& caption, Icon icon) {
                messages.push_back({owner, text, caption, icon, AnyFrameVisible()});
            });
    }
    void TearDown() override { SetMessageBoxHandler({}); }

    std::vector<RecordedMessage> messages;
};

// The frame as the program starts it.
class FrameFixture : public MessageRecording {
  protected:
    void SetUp() override {
        MessageRecording::SetUp();
        frame = StartCalyra();
    }
    void TearDown() override {
        delete frame;
        frame = nullptr;
        MessageRecording::TearDown();
    }

    FrameWindow* frame = nullptr;
};

// A file in a temporary folder which Open Volume's chooser answers with while
// this lives; the test writes the file.
class ChosenVolumeFile {
  public:
    explicit ChosenVolumeFile(const char* name) : path(dir.filePath(QString::fromLatin1(name))) {
        Chosen() = path;
        SetVolumePathChooser([](QWidget*) { return Chosen(); });
    }
    ~ChosenVolumeFile() { SetVolumePathChooser(nullptr); }
    ChosenVolumeFile(const ChosenVolumeFile&) = delete;
    ChosenVolumeFile& operator=(const ChosenVolumeFile&) = delete;

    TempDir dir;
    const QString path;

  private:
    // The chooser is a plain function: the path it answers lives here.
    static QString& Chosen() {
        static QString chosen;
        return chosen;
    }
};

}  // namespace calyra::ui::testing
