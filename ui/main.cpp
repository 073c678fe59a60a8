// calyra: the windowed volume visualiser.
#include <QApplication>
#include <QPointer>
#include <QTimer>

#include "ui/frame_window.h"
#include "ui/volume_opener.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QPointer<calyra::ui::FrameWindow> frame = calyra::ui::StartCalyra();
    frame->setAttribute(Qt::WA_DeleteOnClose);
    // `calyra PATH` opens PATH once the frame is up, after the welcome box.
    QTimer::singleShot(0, frame.data(), [&frame] {
        calyra::ui::OpenCommandLinePath(frame.data(), QCoreApplication::arguments());
    });
    const int exitCode = QApplication::exec();
    delete frame.data();
    return exitCode;
}
