#pragma once
// The two carving engines. A pass reads the sector range of the medium, looks
// for a recognised header in every sector that is not blank, and writes each
// recovered file from the sector holding its header on.
//
// Photo mode opens one file per header. The video, raw-file and audio modes
// open a carve group: the matched entry plus every later entry whose header
// is related to it (contained in it, or containing it at the same position),
// up to 30 files that all receive the same sectors.
//
// Where a file ends: a format walker follows the file's structure and the
// file is written exactly to the end it shows; a header the format refuses
// starts nothing; a header lying inside a file whose structure goes on past
// it does not cut that file (it is carved as well, and dropped once the
// outer file has ended whole around it); a carve group whose content shows
// its type keeps that member only; the thorough pass skips what the general
// pass recovered. Types without a walker, and every file when the search
// settings ask for plain carving, end at their size limit or at the next
// header, as plain carvers do.
//
// Thread: the worker thread of a run. Talks to the front end only through
// EngineHost and to the other threads only through RunState.

#include "engine/EngineHost.h"
#include "engine/FileNaming.h"
#include "engine/PassOutcome.h"
#include "engine/RunState.h"
#include "engine/SectorReader.h"
#include "engine/SectorSource.h"
#include "engine/walkers/FormatWalker.h"

#include <QStringList>

#include <chrono>
#include <functional>
#include <memory>

namespace ostrel {

class ProgressTicker;

constexpr int FILE_LIST_CLEAR_LIMIT = 2000;
constexpr int kCarveSlots = 30;

struct EngineOptions {
    // Files listed before the results view is cleared, and the pause then.
    quint64 fileListClearLimit = FILE_LIST_CLEAR_LIMIT;
    std::chrono::milliseconds clearPause{4000};
    // Files per type folder before it rolls over to the next one.
    int filesPerFolder = 50000;
    SectorReader::Options reader;
    // Opens the medium; defaults to a read-only FileSectorSource. Returns
    // null with *error = errno when it cannot be opened.
    std::function<std::unique_ptr<SectorSource>(const QString& path, int* error)> openSource;
    // The format walker for a signature extension, null when the format has
    // none; defaults to the shipped walkers.
    std::function<std::unique_ptr<walkers::FormatWalker>(const QString& extension)> walkerFor;
};

// What one run carves and where.
struct RunSetup {
    int mode = 0;                // 0 photo, 1 video, 2 raw file, 3 audio
    QStringList generalTable;    // flat signature table of the general pass
    QStringList thoroughTable;   // ... and of the thorough pass
    QString recFolderName;       // "<bundle name> Results"
};

class CarveEngine {
public:
    // `summary` counts the listed files per type (and numbers the files of
    // the non-photo modes); it may be null;
    // `ticker` is stopped on a stop or a failure and may be null.
    CarveEngine(EngineHost& host, RunState& state, const RunSetup& setup, const EngineOptions& options,
                TypeSummary* summary, ProgressTicker* ticker);
    ~CarveEngine();

    // One pass of the run's mode, general or thorough, and how it ended.
    // The pass never asks for the final screen: the run decides its end.
    PassOutcome runPass(bool thorough);

    // One photo pass: "GEN" (general table) or "THD" (thorough table). True
    // when the range was read to its end and its last sector could be read;
    // false after a stop, a device that cannot be opened, a destination
    // failure, a failure, a medium gone or an unreadable last sector.
    bool Photo_Recovey_Mode(const QString& pass);

    // One video/raw-file/audio pass, same arguments and result.
    bool Raw_File_Recovey_Mode(const QString& pass);

    // What the passes so far learnt about the medium's sectors.
    const SectorMap& sectorMap() const { return map_; }

private:
    struct Pass;
    struct Target;
    struct Carve;
    struct Held;
    PassOutcome ended(PassEnd end, const Pass& pass) const;
    PassOutcome loop(Pass& pass);
    void step(Pass& pass, quint64 sectorNumber, const unsigned char* sector, bool blank);
    void headerFound(Pass& pass, quint64 sectorNumber, int entry, const unsigned char* sector);
    bool headerRefused(Pass& pass, int entry, const unsigned char* sector, Carve& candidate);
    void openCarve(Pass& pass, std::unique_ptr<Carve> carve, int entry, const unsigned char* sector);
    void appendToCarves(Pass& pass, quint64 sectorNumber, const unsigned char* sector, bool header);
    void openTarget(Pass& pass, int entry, const unsigned char* sector, int slot, const QString& folder);
    bool applyEnds(Pass& pass, size_t index);
    bool endCarve(Pass& pass, size_t index, bool whole);
    bool settleTypes(Pass& pass, Carve& carve);
    bool finishTarget(Pass& pass, Carve& carve, size_t index);
    void resolveInner(Pass& pass, const Carve& outer, bool whole);
    void listFiles(const std::vector<Target>& targets);
    bool finishOpenFiles(Pass& pass);
    bool coveredByGeneralPass(quint64 sectorNumber) const;
    // Sorts what the general pass recovered by start sector (at its end).
    void sortGeneralPassFiles();
    void closeDevice(Pass& pass);
    void flushOpenFiles(Pass& pass);
    void abandonPass(Pass& pass);
    void applyListClearing();
    void deviceOpenFailed(int err);
    PassOutcome stopPass(Pass& pass);
    PassOutcome destinationFailure(Pass& pass);
    PassOutcome failure(Pass& pass, const QString& message);
    QString saveFailureText(const Pass& pass) const;
    void listFile(const QString& path, const QString& name, const QString& uid, const QString& type);

    EngineHost& host_;
    RunState& state_;
    RunSetup setup_;
    EngineOptions options_;
    TypeSummary* summary_;
    ProgressTicker* ticker_;
    SectorMap map_;

    // What the general pass recovered, so the thorough pass carves only what
    // it missed: the first sector of every listed file, and the sectors of
    // every file that ended whole by its format (sorted when the general
    // pass ends, with the running largest end for the containment test).
    std::vector<quint64> generalStarts_;
    std::vector<std::pair<quint64, quint64>> generalExtents_;
    std::vector<quint64> generalExtentReach_;
};

} // namespace ostrel
