#pragma once
// A small synchronous shell-command runner. Call from any one thread; the
// child process lives only inside the call.

#include <QProcess>
#include <QString>

#include <memory>

// A prepared, not yet started child process that runs "/bin/sh -c command"
// with standard input from the null device. The caller owns it.
std::unique_ptr<QProcess> taskForShellCommand(const QString& command);

// Runs the command through taskForShellCommand and returns everything it
// wrote, standard output and standard error through one pipe, so the two are
// interleaved in the order they were written; decoded as UTF-8 once at the
// end (a character split between two reads stays whole; invalid bytes become
// U+FFFD). Standard input is a pipe that receives nothing and is closed as
// soon as the command has started: a command that reads its input sees the
// end of it at once instead of waiting forever. The exit status is not
// examined. A command still running after `timeoutMs` (negative: no limit)
// is killed and what it wrote until then is returned. A command that cannot
// be started gives the empty string.
QString executeShellCommandSynchronously(const QString& command, int timeoutMs = 60000);
