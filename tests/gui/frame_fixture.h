// Shared set-up of the window tests: fresh process-wide state, a recorder in
// place of message boxes, and the frame started as the program starts it.
#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <QEvent>
#include <QImage>
#include <QKeyEvent>
#include <QMainWindow>
#include <QStringList>
#include <QTemporaryDir>
#include <QWidget>
#include <vector>

#include "geometry/orientation.h"
#include "render/buffers.h"
#include "render/user_settings.h"
#include "resources/command_ids.h"
#include "tests/test_support.h"
#include "ui/frame_window.h"
#include "ui/platform.h"
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

// Settings and orientation as at program start.
inline void ResetSharedState() {
    loadCount = 0;
    modelType = ModelType::Ball;
    test::ResetUserSettings();
    renderPending = false;
    displayMax = 0;
    demoRunning = 0;
    grabTarget = 1;
    ResetOrientation();
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

// Paints the window now (a render runs if one is pending) and returns what it shows.
inline QImage Paint(QWidget* window) {
    return window->grab().toImage();
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

    QTemporaryDir dir;
    const QString path;

  private:
    // The chooser is a plain function: the path it answers lives here.
    static QString& Chosen() {
        static QString chosen;
        return chosen;
    }
};

}  // namespace calyra::ui::testing
