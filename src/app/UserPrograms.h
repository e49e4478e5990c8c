#pragma once
// Starting a program for the invoking user (app/InvokingUser.h): a file
// manager, a PDF viewer, a browser or the mail program must never run as
// root. When this process runs as root for someone else, the program is
// started through setpriv with their user and group ids and groups, in their
// home folder and with their session's environment; otherwise it is started
// directly. QtCore only; any thread.

#include "app/InvokingUser.h"

#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

#include <sys/types.h>

// One program start, complete: `program` is an absolute path.
struct ProgramStart {
    QString program;
    QStringList arguments;
    QProcessEnvironment environment;
    QString workingDirectory; // empty: this process's
    bool nullInput = true;    // standard input from /dev/null, else ours
};

// The start of `program` with `arguments` for `user`. `own` is this
// process's environment, `setprivPath` the setpriv tool (needed only when
// the user differs from the process; empty then gives an empty program).
ProgramStart startForUser(const InvokingUser& user, const QString& program, const QStringList& arguments,
                          const QProcessEnvironment& own, const QString& setprivPath);

// Finds `name` on the user's PATH (programEnvironment), then in the usual
// system folders. Empty when it is not installed.
QString findUserProgram(const InvokingUser& user, const QString& name);

// Starts `start` as a child of this process, with none of our descriptors
// but standard input (or /dev/null), output and error. Returns
// its pid, or -1 with the reason (an errno value) in `*error`. The caller
// reaps it (waitpid).
pid_t spawnChild(const ProgramStart& start, int* error);
