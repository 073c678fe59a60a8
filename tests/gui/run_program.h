// Runs calyra-render (or any program) from a window test and waits for it.
// posix_spawn, not QProcess: QProcess starts its child with a clone that
// shares the parent's memory, and the child's calls into the intercepted C
// library then write the ThreadSanitizer's state of the parent's main thread,
// so that a later render in the parent is reported as a race against a
// write nobody made.
#pragma once

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>

#include <QByteArray>
#include <QFile>
#include <QString>
#include <QStringList>
#include <QTemporaryFile>
#include <cerrno>
#include <string>
#include <vector>

extern char** environ;

namespace calyra::ui::testing {

struct ProgramRun {
    int exitCode = -1;   // -1 when it could not start or did not exit
    std::string errors;  // what it wrote to standard error
};

inline ProgramRun RunProgram(const QString& program, const QStringList& arguments) {
    ProgramRun run;
    QTemporaryFile errors;
    if (!errors.open()) return run;
    std::vector<QByteArray> words{program.toLocal8Bit()};
    for (const QString& a : arguments) words.push_back(a.toLocal8Bit());
    std::vector<char*> argv;
    for (QByteArray& w : words) argv.push_back(w.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, errors.handle(), 2);
    pid_t child = 0;
    const int failed = posix_spawn(&child, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (failed != 0) return run;
    int status = 0;
    pid_t waited = 0;
    do {
        waited = waitpid(child, &status, 0);
    } while (waited < 0 && errno == EINTR);
    if (waited == child && WIFEXITED(status)) run.exitCode = WEXITSTATUS(status);
    QFile written(errors.fileName());
    if (written.open(QIODevice::ReadOnly)) run.errors = written.readAll().toStdString();
    return run;
}

}  // namespace calyra::ui::testing
