// ostrel-recover: the headless front end. Carves a device or a disk image
// into a destination with the same engines and folder tree as the window
// application. With --sample it carves the built-in sample image.

#include "cli/CliOptions.h"
#include "cli/ConsoleHost.h"
#include "cli/RunReport.h"
#include "device/DestinationGuard.h"
#include "edition/EditionProfile.h"
#include "edition/ResourceLocator.h"
#include "engine/FileNaming.h"
#include "engine/FileOwner.h"
#include "engine/OpenFileRegistry.h"
#include "engine/SearchRun.h"
#include "engine/SectorSource.h"
#include "media/MediaList.h"
#include "signatures/SignatureDatabase.h"
#include "signatures/TypeSelection.h"

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>
#include <QDir>
#include <QFileInfo>
#include <QTextStream>

#include <atomic>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace {

const char* const kModeNames[] = {"photo", "video", "raw", "audio"};

std::atomic<std::atomic<int>*> g_stopWord{nullptr}; // set while a search runs
// Two signals may be handled at once on two threads, so the flag is a
// lock-free atomic (safe in a handler), not a plain sig_atomic_t.
std::atomic<int> g_interrupted{0};
static_assert(std::atomic<int>::is_always_lock_free);

// Ctrl-C, SIGTERM and SIGHUP (the terminal was closed) ask the running pass
// to stop, exactly like the Stop button: the open files are closed and
// listed and the summary is printed. A second one ends the program at once,
// the files still being written renamed to NAME.incomplete first.
void onInterrupt(int signal)
{
    if (g_interrupted.exchange(1) != 0) {
        ostrel::openfiles::setAsideAndDie(signal);
        return;
    }
    if (std::atomic<int>* stop = g_stopWord.load())
        stop->store(1);
}

void installSignalHandlers()
{
    struct sigaction sa {};
    sa.sa_handler = onInterrupt;
    sigemptyset(&sa.sa_mask);
    for (const int sig : {SIGINT, SIGTERM, SIGHUP})
        sigaction(sig, &sa, nullptr);
    // Output piped into a program that has quit (`| head`) only ends the
    // output, not the search; a write past the file-size limit (FAT32 stops
    // at 4 GiB) fails with EFBIG and is reported as a save failure instead
    // of killing the program with a half-written file.
    std::signal(SIGPIPE, SIG_IGN);
    std::signal(SIGXFSZ, SIG_IGN);
}

QTextStream& err()
{
    static QTextStream stream(stderr);
    return stream;
}

QTextStream& out()
{
    static QTextStream stream(stdout);
    return stream;
}

int fail(int code, const QString& message)
{
    err() << "ostrel-recover: " << message << "\n";
    err().flush();
    return code;
}

void printTypes(const EditionProfile& profile, const SignatureDatabase& db, int onlyMode)
{
    for (int mode = 0; mode < 4; ++mode) {
        if (!profile.offersMode(mode) || (onlyMode >= 0 && mode != onlyMode))
            continue;
        out() << profile.APP_LONG_NAME << ", " << kModeNames[mode] << " mode:\n";
        for (const sig::TypeRow& row : sig::typeList(db.table(mode, false), db.table(mode, true)))
            out() << "  " << qSetFieldWidth(8) << Qt::left << row.extension << qSetFieldWidth(0) << row.description
                  << (row.thoroughOnly ? QStringLiteral("  [thorough pass only]") : QString()) << "\n";
    }
}

void printEditions()
{
    for (int i = 0; i < kEditionCount; ++i) {
        const EditionInfo& e = editionTable()[i];
        const EditionProfile p = EditionProfile::fromNameOrKey(QString::fromUtf8(e.key));
        QStringList modes;
        for (int mode = 0; mode < 4; ++mode) {
            if (p.offersMode(mode))
                modes << QString::fromLatin1(kModeNames[mode]);
        }
        out() << qSetFieldWidth(14) << Qt::left << e.key << qSetFieldWidth(0) << p.APP_LONG_NAME << "  ["
              << modes.join(QStringLiteral(", ")) << "]" << (p.USE_HARD_DISK ? "  all local disks" : "  removable media")
              << "\n";
    }
}

QString findSampleImage()
{
    const QDir exe(QCoreApplication::applicationDirPath());
    for (const QString& c : {exe.filePath(QStringLiteral("sample/ostrel-sample.img")),
                             exe.filePath(QStringLiteral("../share/ostrel-recovery/sample/ostrel-sample.img"))}) {
        if (QFileInfo(c).isFile())
            return QDir::cleanPath(c);
    }
    return QString();
}

// A new folder of its own for the sample's results (mkdtemp: a name nobody
// could have prepared, mode 0700), given to the person who started the
// program. Empty when it cannot be made.
QString makeSampleDestination()
{
    QTemporaryDir folder(QDir::temp().filePath(QStringLiteral("ostrel-sample-XXXXXX")));
    if (!folder.isValid())
        return QString();
    folder.setAutoRemove(false);
    const int fd = ::open(QFile::encodeName(folder.path()).constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd >= 0) {
        ostrel::invokingUser().applyTo(fd);
        ::close(fd);
    }
    return folder.path();
}

int runSearch(const EditionProfile& profile, const SignatureDatabase& db, const CliOptions& o, int mode)
{
    if (!profile.offersMode(mode))
        return fail(BadArguments, QStringLiteral("the %1 edition has no %2 mode").arg(profile.APP_LONG_NAME, QString::fromLatin1(kModeNames[mode])));
    // A signature file that cannot be used is reported before any reading.
    if (const QString problem = db.loadProblem(mode); !problem.isEmpty())
        return fail(SearchFailed, problem);

    ostrel::RunSetup setup;
    setup.mode = mode;
    setup.recFolderName = profile.Rec_Folder_Name;
    setup.generalTable = db.table(mode, false);
    setup.thoroughTable = db.table(mode, true);
    if (mode != 0 && !o.types.isEmpty()) {
        const QStringList offered = sig::typesOf(db.table(mode, false), db.table(mode, true));
        for (const QString& t : o.types) {
            if (!offered.contains(t))
                return fail(BadArguments, QStringLiteral("the %1 mode has no type %2 (it has: %3)")
                                              .arg(QString::fromLatin1(kModeNames[mode]), t, offered.join(u' ')));
        }
        setup.generalTable = sig::keepTypes(setup.generalTable, o.types);
        setup.thoroughTable = sig::keepTypes(setup.thoroughTable, o.types);
    }

    SearchSettings settings;
    settings.sourcePath = o.source;
    settings.diskIdentifier = QFileInfo(o.source).fileName();
    settings.destination = QDir(o.destination).absolutePath();
    settings.thorough = o.thorough;
    settings.cutAtNextHeader = o.cutAtNextHeader;
    int openError = 0;
    if (auto probe = ostrel::FileSectorSource::open(o.source, &openError))
        settings.sectorCount = probe->sectorCount();
    if (o.rangeGiven) {
        if (openError == 0 && o.endSector > settings.sectorCount)
            return fail(BadArguments, QStringLiteral("the range ends at sector %1, but %2 has %3 sectors")
                                          .arg(o.endSector).arg(o.source).arg(settings.sectorCount));
        settings.entireDisk = false;
        settings.sectorRange = true;
        settings.startSector = o.startSector;
        settings.endSector = o.endSector;
    }
    if (destguard::destinationOnMedium(settings.destination, QString(), QString(), o.source))
        return fail(BadArguments, QStringLiteral("the destination %1 is on the medium being searched; writing there "
                                                 "would overwrite the data to be recovered. Choose a folder on another disk.")
                                      .arg(settings.destination));

    if (g_interrupted)
        return Stopped;
    RunState state;
    g_stopWord = &state.stop_now;
    const bool terminal = ::isatty(STDERR_FILENO);
    ConsoleHost host(settings, state, o.quiet, terminal);
    if (!o.quiet)
        out() << profile.APP_LONG_NAME << ": " << kModeNames[mode] << " search of " << o.source << "\n";
    out().flush();
    ostrel::SearchRun run(host, state, setup);
    run.start();
    run.join();
    g_stopWord = nullptr;

    const ostrel::RunOutcome& outcome = run.outcome();
    const QString results = QDir(settings.destination).filePath(profile.Rec_Folder_Name + u'/' + ostrel::modeFolderName(mode));
    if (outcome.pass.end != ostrel::PassEnd::SourceFailed && !run.startFailed()) {
        QStringList arguments = QCoreApplication::arguments().mid(1);
        if (!arguments.contains(o.source)) // the built-in sample: name it
            arguments << o.source << o.destination;
        const QString again =
            continueCommand(QStringLiteral("ostrel-recover"), arguments, outcome.pass.sector, outcome.pass.rangeEnd);
        host.printSummary(results, endOfRunLines(outcome, host.filesFound(), o.rangeGiven, o.thorough, again));
    }
    return exitStatusFor(outcome);
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("ostrel-recover"));
    const CliParseResult parsed = parseCliArguments(app.arguments().mid(1));
    if (!parsed.ok) {
        err() << "ostrel-recover: " << parsed.error << "\n\n" << cliUsage();
        return BadArguments;
    }
    if (parsed.showHelp) {
        out() << cliUsage();
        return Completed;
    }
    if (parsed.noArguments) {
        out() << cliUsage();
        return BadArguments;
    }
    CliOptions o = parsed.options;
    if (o.listEditions) {
        printEditions();
        return Completed;
    }

    const bool sample = o.sample && !o.listTypes && !o.listMedia;
    if (sample && o.edition.isEmpty())
        o.edition = QStringLiteral("removable"); // the edition with all four modes
    const EditionProfile profile =
        EditionProfile::fromNameOrKey(o.edition.isEmpty() ? QStringLiteral("professional") : o.edition);
    const QString resources = o.resourceDir.isEmpty() ? findResourceDir(QCoreApplication::applicationDirPath()) : o.resourceDir;
    SignatureDatabase db;
    db.load(profile, resources);
    if (db.nothingLoaded())
        return fail(BadArguments, QStringLiteral("no signature files found in %1").arg(resources));

    if (o.listTypes) {
        printTypes(profile, db, o.modeGiven ? o.mode : -1);
        return Completed;
    }
    if (o.listMedia) {
        // Removable media only, or every local disk, as the edition says.
        const int code = printMediaTable(profile, out());
        out().flush();
        return code;
    }

    installSignalHandlers();
    if (!sample)
        return runSearch(profile, db, o, o.mode);

    // The built-in sample: every mode the edition offers (or the one asked for).
    o.source = findSampleImage();
    if (o.source.isEmpty())
        return fail(BadArguments, QStringLiteral("the built-in sample image is missing; build the project first"));
    if (o.destination.isEmpty()) {
        o.destination = makeSampleDestination();
        if (o.destination.isEmpty())
            return fail(DestinationFailed, QStringLiteral("no folder for the sample results could be made in %1").arg(QDir::tempPath()));
    }
    out() << "Searching the built-in sample image " << o.source << "\n"
          << "Results go to " << o.destination << "\n\n";
    int code = Completed;
    for (int mode = 0; mode < 4 && code == Completed; ++mode) {
        if ((o.modeGiven && mode != o.mode) || !profile.offersMode(mode))
            continue;
        code = runSearch(profile, db, o, mode);
        out() << "\n";
    }
    return code;
}
