#include "ui/app_paths.h"

#include <QCoreApplication>
#include <QDir>
#include <QImage>
#include <QPixmap>
#include <string>
#include <vector>

#include "picture/app_icon.h"
#include "volume/file_open.h"

#ifndef CALYRA_SHARE_FROM_BIN
#define CALYRA_SHARE_FROM_BIN "../share/calyra"
#endif

namespace calyra::ui {

QString ShareFolder() {
    return QDir::cleanPath(QDir(QCoreApplication::applicationDirPath())
                               .filePath(QStringLiteral(CALYRA_SHARE_FROM_BIN)));
}

void InstallDataSearchPath() {
    SetDataSearchPath(
        {QCoreApplication::applicationDirPath().toStdString(), ShareFolder().toStdString()});
}

QIcon ApplicationIcon() {
    QIcon icon;
    for (const int side : {16, 24, 32, 48, 64, 128, 256}) {
        icon.addPixmap(QPixmap::fromImage(picture::DrawApplicationIcon(side)));
    }
    return icon;
}

}  // namespace calyra::ui
