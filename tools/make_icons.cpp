// Writes the program's icon as PNG files for the icon theme:
//   make_icons FOLDER   ->   FOLDER/<n>x<n>/apps/calyra.png for each size.
#include <QDir>
#include <QImage>
#include <cstdio>

#include "picture/app_icon.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_icons FOLDER\n");
        return 2;
    }
    const QDir root(QString::fromLocal8Bit(argv[1]));
    for (const int side : {16, 24, 32, 48, 64, 128, 256}) {
        const QString folder = QStringLiteral("%1x%1/apps").arg(side);
        if (!root.mkpath(folder)) return 1;
        const QString file = root.filePath(folder + QStringLiteral("/calyra.png"));
        if (!calyra::picture::DrawApplicationIcon(side).save(file, "PNG")) {
            std::fprintf(stderr, "make_icons: cannot write %s\n", qPrintable(file));
            return 1;
        }
    }
    return 0;
}
