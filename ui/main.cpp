// calyra: the windowed volume visualiser.
#include <QApplication>
#include <QPointer>
#include <QTimer>
#include <cstdio>
#include <cstring>

#include "movie/movie_encoder.h"
#include "ui/frame_window.h"
#include "ui/volume_opener.h"

namespace {

constexpr const char* kUsage =
    "Usage: calyra [OPTION] [PATH]\n"
    "Interactive ray-cast volume visualisation.\n"
    "\n"
    "  PATH         a volume file (NRRD, MetaImage, NIfTI, DICOM, TIFF, raw) or a DICOM\n"
    "               folder, opened after the welcome box\n"
    "  --help       show this text and exit\n"
    "  --version    show the version and exit\n"
    "\n"
    "The head data set \"sm3dhead\" and the help file \"Calyra.HLP\" are read from the\n"
    "working directory, or else from the installed share/calyra folder. The Open Recent\n"
    "list is kept in $CALYRA_SETTINGS, or else in ~/.config/calyra/calyra.conf.\n"
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
    // The movie libraries' progress lines would fill the terminal.
    calyra::movie::QuietLibraryLog();
    QApplication::setApplicationName(QStringLiteral("calyra"));
    QApplication::setApplicationVersion(QStringLiteral(CALYRA_VERSION));
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
