#pragma once
// How the headless front end ends a search: its exit status and the lines
// that tell the user what happened, both from the run's outcome (never from
// message texts).

#include "engine/PassOutcome.h"

#include <QString>
#include <QStringList>

enum ExitCode {
    Completed = 0,         // every sector of the range was read
    BadArguments = 1,
    SourceFailed = 2,      // the source cannot be opened
    DestinationFailed = 3, // recovered files cannot be saved
    UnreadableSectors = 4, // the search completed, but some sectors could not be read
    MediumGone = 5,        // the medium went away during the search
    SearchFailed = 6,      // a signature file is missing or unreadable, or the search failed
    Stopped = 130,         // stopped by the user (Ctrl-C)
};

// The exit status of a finished search.
int exitStatusFor(const ostrel::RunOutcome& outcome);

// The program's arguments (argv[0] excluded) with any sector range replaced
// by "--range START:END", quoted for a POSIX shell where needed.
QString continueCommand(const QString& program, const QStringList& arguments, quint64 start, quint64 end);

// What the search ended with, for the console: the unreadable sectors and
// their mapfile, a stop (with the command that continues it), a medium gone,
// a failure, or no file found (with what to try). `rangeGiven` and
// `thoroughAsked` pick the hints for zero files. One line per entry.
QStringList endOfRunLines(const ostrel::RunOutcome& outcome, quint64 filesFound, bool rangeGiven, bool thoroughAsked,
                          const QString& continueWith);
