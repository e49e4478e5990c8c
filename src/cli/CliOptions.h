#pragma once
// Command-line options of the headless front end, parsed into a plain value
// so they can be tested without running a search.

#include <QString>
#include <QStringList>
#include <QtGlobal>

struct CliOptions {
    QString source;            // device node or disk image
    bool sample = false;       // search the built-in sample image instead
    QString destination;       // results go under it
    QString edition;           // key, number or bundle name; empty: Professional
    int mode = 0;              // 0 photo, 1 video, 2 raw file, 3 audio
    bool modeGiven = false;
    bool thorough = false;
    bool cutAtNextHeader = false; // plain carving
    bool rangeGiven = false;
    quint64 startSector = 0;
    quint64 endSector = 0;     // exclusive
    QStringList types;         // non-photo modes: extensions to search; empty = all
    bool listTypes = false;
    bool listMedia = false;
    bool listEditions = false;
    bool quiet = false;
    QString resourceDir;       // signature files; empty: beside the program
};

struct CliParseResult {
    bool ok = false;
    bool showHelp = false;
    bool noArguments = false;  // nothing was asked: show the usage
    QString error;             // what was wrong, for the user
    CliOptions options;
};

// Parses the arguments (argv[0] excluded). An edition that names none of the
// editions (EditionProfile::fromNameOrKey finds no match) is refused with
// the list of keys.
CliParseResult parseCliArguments(const QStringList& arguments);

// The usage text.
QString cliUsage();

// "photo", "video", "raw" (or "file"), "audio" -> 0..3; -1 otherwise.
int parseModeName(const QString& name);

// "START:END" or "START-END" (sectors, END exclusive) -> true when valid.
bool parseSectorRange(const QString& text, quint64* start, quint64* end);
