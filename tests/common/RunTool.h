#pragma once
// Runs a system tool (mount, mkfs ...) and waits for it; returns its exit
// status, -1 when it could not run or died of a signal. posix_spawn rather
// than QProcess: ThreadSanitizer cannot follow the child Qt starts in the
// parent's memory, and later tests then report races on locks it thinks
// are gone.

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <cerrno>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

inline int runTool(const QString& program, const QStringList& arguments)
{
    std::vector<QByteArray> words{program.toLocal8Bit()};
    for (const QString& a : arguments)
        words.push_back(a.toLocal8Bit());
    std::vector<char*> argv;
    for (QByteArray& w : words)
        argv.push_back(w.data());
    argv.push_back(nullptr);
    pid_t pid = 0;
    if (::posix_spawnp(&pid, argv[0], nullptr, nullptr, argv.data(), environ) != 0)
        return -1;
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}
