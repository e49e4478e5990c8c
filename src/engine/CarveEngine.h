#pragma once
// The two carving engines. A pass reads the sector range of the medium, looks
// for a recognised header in every sector that is not blank, and writes each
// recovered file as the run of whole sectors from the one holding its header
// up to its type's size limit or the next recognised header. No footer is
// ever looked for.
//
// Photo mode opens one file per header. The video, raw-file and audio modes
// open a carve group: the matched entry plus every later entry whose header
// is related to it (contained in it, or containing it at the same position),
// up to 30 files that all receive the same sectors, so a header shared by
// several types (ZIP, DOCX, XLSX ...) is saved once per type.
//
// Thread: the worker thread of a run. Talks to the front end only through
// EngineHost and to the other threads only through RunState.

#include "engine/EngineHost.h"
#include "engine/FileNaming.h"
#include "engine/RunState.h"
#include "engine/SectorReader.h"
#include "engine/SectorSource.h"

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
    // Prints "err no : %d\n" (and logs the permission case) for a device
    // that cannot be opened; tests turn it off.
    bool printOpenErrno = true;
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
    // `summary` numbers the files of the non-photo modes and may be null;
    // `ticker` is stopped on a stop or a failure and may be null.
    CarveEngine(EngineHost& host, RunState& state, const RunSetup& setup, const EngineOptions& options,
                TypeSummary* summary, ProgressTicker* ticker);
    ~CarveEngine();

    // One photo pass: "GEN" (general table) or "THD" (thorough table). True
    // when the range was read to its end and its last sector could be read;
    // false after a stop, a device that cannot be opened, a destination
    // failure or an unreadable last sector.
    bool Photo_Recovey_Mode(const QString& pass);

    // One video/raw-file/audio pass, same arguments and result.
    bool Raw_File_Recovey_Mode(const QString& pass);

private:
    struct Pass;
    struct Target;
    bool runPass(bool thorough);
    bool loop(Pass& pass);
    void photoHeader(Pass& pass, int entry, const unsigned char* sector);
    void openGroup(Pass& pass, int entry, const unsigned char* sector);
    void appendToGroup(Pass& pass, const unsigned char* sector, bool openedHere);
    void openTarget(Pass& pass, int entry, const unsigned char* sector, int slot, const QString& folder);
    bool finishTarget(Pass& pass, size_t index, const unsigned char* lastSector);
    bool finishGroup(Pass& pass, const unsigned char* lastSector);
    void closeDevice(Pass& pass);
    void flushOpenFiles(Pass& pass);
    void abandonPass(Pass& pass);
    void applyListClearing();
    void deviceOpenFailed(int err);
    bool stopPass(Pass& pass);
    bool destinationFailure(Pass& pass);
    QString saveFailureText(const Pass& pass) const;
    void requestFinalScreenOnce();
    void listFile(const QString& path, const QString& name, const QString& uid, const QString& type);

    EngineHost& host_;
    RunState& state_;
    RunSetup setup_;
    EngineOptions options_;
    TypeSummary* summary_;
    ProgressTicker* ticker_;
};

} // namespace ostrel
