// GoogleTest main for the window tests: one QApplication for the whole run.
#include <gtest/gtest.h>

#include <QApplication>
#include <QTemporaryDir>

#include "movie/movie_encoder.h"

int main(int argc, char** argv) {
    // Without a display (test discovery, CI) the offscreen platform stands in.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    // The Open Recent list of a test run never reaches the user's own.
    QTemporaryDir settings;
    qputenv("CALYRA_SETTINGS", settings.filePath(QStringLiteral("calyra.conf")).toLocal8Bit());
    QApplication app(argc, argv);
    calyra::movie::QuietLibraryLog();
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
