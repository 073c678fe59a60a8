// calyra: the windowed volume visualiser.
#include <QApplication>
#include <QPointer>

#include "ui/frame_window.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QPointer<calyra::ui::FrameWindow> frame = calyra::ui::StartCalyra();
    frame->setAttribute(Qt::WA_DeleteOnClose);
    const int exitCode = QApplication::exec();
    delete frame.data();
    return exitCode;
}
