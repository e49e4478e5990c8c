#pragma once
// Everything a search asks of its front end (the window or the console).
// The engine never touches a widget: it calls these from the worker thread
// (progressTick from the ticker thread). A window implementation hands each
// call to the main thread; calls marked "waits" must not return before the
// main thread has done them (or the user has answered), the others must not
// wait.

#include "engine/PassOutcome.h"

#include <QString>
#include <QtGlobal>

// What the window's search fields hold, read at the start of every pass.
struct SearchSettings {
    QString diskIdentifier;   // e.g. "sdb1"; the device is "/dev/" + identifier
    QString sourcePath;       // when set, read this path instead (a disk image)
    quint64 sectorCount = 0;  // sectors of the medium (512 bytes each)
    bool entireDisk = true;   // whole-medium radio state
    bool sectorRange = false; // sector-range radio state
    quint64 startSector = 0;  // range start (inclusive)
    quint64 endSector = 0;    // range end (exclusive)
    QString destination;      // folder the results folder is made in
    bool thorough = false;    // run the thorough pass after the general one
    // Plain carving: files end at their size limit or the next header, with
    // no format walking, every member of a carve group is kept and the
    // thorough pass carves again what the general pass found.
    bool cutAtNextHeader = false;
};

// Snapshot handed to the progress display every half second.
struct ProgressSnapshot {
    QString sectorLabel; // "Sectors %llu of %llu   ( Completed %llu%% )"
    QString modeLabel;   // pass label of the running pass
    quint64 done = 0;    // sectors done in the range: for_index - start_sector
    quint64 total = 0;   // sectors in the range
};

class EngineHost {
public:
    virtual ~EngineHost() = default;

    // Waits. The search fields as they stand now.
    virtual SearchSettings readSearchSettings() = 0;

    // Waits. A pass starts: show `modeLabel`; for a general pass
    // (`general` true) also empty the results view (photo mode: reset the zoom;
    // other modes: forget the previewed item and reset the preview title).
    virtual void beginPass(int mode, bool general, const QString& modeLabel) = 0;

    // Does not wait. Progress bar range 0..total and value `done`, sector label.
    virtual void showProgress(const ProgressSnapshot& progress) = 0;

    // Does not wait. The device is open and the pass runs: disable the
    // thorough box and the destination browse button, show `helpText`.
    virtual void passRunning(const QString& helpText) = 0;

    // Waits. One finished file, complete on disk: list it (photo mode with a
    // thumbnail, other modes with its type icon and summary row). `path` is
    // the file's path, `imageName` its name, `imageUid` its identifier,
    // `type` its signature type (extension) and `typeCount` the files of
    // that type the run has found so far, this one included: the engine's
    // count, which numbers the files too, so the host never counts types.
    // A host that lists the file adds 1 to RunState::Listed_File_Count.
    virtual void listFile(int mode, const QString& path, const QString& imageName, const QString& imageUid,
                          const QString& type, quint64 typeCount) = 0;

    // Does not wait. Show the clearing notice (it stays shown).
    virtual void showClearNotice(const QString& notice) = 0;

    // Waits. Empty the results view (files on disk stay).
    virtual void clearFileList(int mode) = 0;

    // Waits until the user dismissed it. A modal message with an OK button.
    virtual void showMessageBox(const QString& text) = 0;

    // Does not wait. End the run on the window (final screen) with how it
    // ended. The run calls it at most once, as its last request.
    virtual void requestFinalScreen(const ostrel::RunOutcome& outcome) = 0;

    // Does not wait. The device could not be opened: step the wizard back to
    // the screen before the search.
    virtual void wizardStepBack(int mode) = 0;

    // Does not wait. The device could not be opened (`err` is the errno);
    // called before the alert, so the front end can write its diagnostic
    // lines. The engine itself prints and logs nothing.
    virtual void logDeviceOpenFailure(int err) = 0;

    // Wait for the user. The device could not be opened; `err` is the errno.
    virtual void showPermissionAlert(int err) = 0;
    virtual void showGenericErrorAlert(int err) = 0;

    // Does not wait; called from the ticker thread every half second while a
    // pass runs.
    virtual void progressTick(const ProgressSnapshot& progress) = 0;
};
