// calyra: the windowed volume visualiser.
#include <QApplication>
#include <QPointer>
#include <cstdio>
#include <cstring>

#include "ui/frame_window.h"

namespace {

constexpr const char* kUsage =
    "Usage: calyra [OPTION]\n"
    "Interactive ray-cast volume visualisation.\n"
    "\n"
    "  --help       show this text and exit\n"
    "  --version    show the version and exit\n"
    "\n"
    "The head data set \"sm3dhead\" and the help file \"Calyra.HLP\" are read from the\n"
    "working directory, or else from the installed share/calyra folder.\n"
    "calyra-render renders the same images without a display.\n";

}  // namespace

int main(int argc, char** argv) {
    // Answered before any window system is needed.
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
            std::fputs(kUsage, stdout);
            return 0;
        }
        if (std::strcmp(argv[i], "--version") == 0) {
            std::printf("calyra %s\n", CALYRA_VERSION);
            return 0;
        }
    }
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("calyra"));
    QApplication::setApplicationVersion(QStringLiteral(CALYRA_VERSION));
    QPointer<calyra::ui::FrameWindow> frame = calyra::ui::StartCalyra();
    frame->setAttribute(Qt::WA_DeleteOnClose);
    const int exitCode = QApplication::exec();
    delete frame.data();
    return exitCode;
}
