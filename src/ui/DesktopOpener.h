#pragma once
// Opens files, folders and links for the user with their desktop's own
// program (xdg-open: file manager, PDF viewer, browser, mail), started as
// the invoking user in their session (app/UserPrograms.h), never as root.
// The opener is watched for a while: when it ends with a failure (no
// program for the type, no browser) the user is told, with the path.
//
// Main thread.

#include "app/InvokingUser.h"

#include <QString>

#include <functional>

class QUrl;

struct OpenerSetup {
    InvokingUser user;   // for whom
    QString opener;      // xdg-open; empty: not installed
    QString setpriv;     // needed when the user differs from the process
    int watchMs = 15000; // how long a failure of the opener is still reported
};

// The invoking user, their xdg-open and the system's setpriv.
OpenerSetup defaultOpenerSetup();

// What the user reads when `location` could not be opened because of `why`:
// the reason, and the path (or the address) to open it by hand.
QString cannotOpenText(const QUrl& location, const QString& why);

// Starts the opener on `location`. False when it could not be started, with
// the reason in `*why`. When it ends with a failure within the watch,
// `onFailure` is called later (from the event loop) with the reason.
bool openForUser(const QUrl& location, const OpenerSetup& setup, std::function<void(const QString& why)> onFailure,
                 QString* why);
