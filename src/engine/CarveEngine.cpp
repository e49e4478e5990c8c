#include "engine/CarveEngine.h"

#include "engine/DestinationTree.h"
#include "engine/EngineTexts.h"
#include "engine/HeaderMatcher.h"
#include "engine/OutputFile.h"
#include "engine/ProgressTicker.h"
#include "media/DestinationGuard.h"
#include "media/DeviceAccess.h"
#include "signatures/HexDecode.h"
#include "signatures/SignatureTable.h"
#include "util/TextHelpers.h"

#include <QDir>
#include <QHash>

#include <array>
#include <cerrno>
#include <cstring>
#include <exception>
#include <thread>

namespace ostrel {

namespace {

// Thrown inside a pass when the destination cannot take what the pass
// writes; caught at the pass boundary.
struct DestinationFailure {};

bool isBlank(const unsigned char* sector)
{
    // A sector of zeros is blank: it is never searched for a header. Data
    // sectors nearly always differ in their first bytes, so test those
    // first; then the rest 64 bytes at a time.
    uint64_t head;
    std::memcpy(&head, sector, sizeof head);
    if (head != 0)
        return false;
    for (int block = 0; block < kSectorSize; block += 64) {
        uint64_t words[8];
        std::memcpy(words, sector + block, sizeof words);
        if ((words[0] | words[1] | words[2] | words[3] | words[4] | words[5] | words[6] | words[7]) != 0)
            return false;
    }
    return true;
}

} // namespace

struct CarveEngine::Target {
    QString extension;
    quint64 maxSize = 0;
    int slot = 0;
    QString path;
    QString imageName;
    QString imageUid;
};

struct CarveEngine::Pass {
    bool thorough = false;
    bool photo = true;
    std::unique_ptr<DestinationTree> tree;
    DestinationTree::Failure treeOpenFailure;
    QStringList base; // results / mode folder / pass folder, below the destination
    QStringList table; // REC_PROC_Array
    std::unique_ptr<HeaderMatcher> matcher;
    std::vector<quint64> maxSizes;
    std::vector<std::vector<int>> related; // carve group of each entry, built on first use
    std::vector<bool> relatedKnown;
    FolderCounters counters;
    std::unique_ptr<SectorSource> source;
    std::unique_ptr<SectorReader> reader;
    // Declared after the reader, so files are closed (and their pending
    // sectors written) while the reader's memory still exists.
    std::array<OutputFile, kCarveSlots> outputs;
    std::vector<Target> targets; // MultiHeader_Array: the open carve group
    quint64 groupBytes = 0;
    quint64 filesOpened = 0; // photo: the pass file ordinal
    bool lastReadOk = false;
    QHash<QString, quint64> nextFreeNumber; // per folder + prefix, after a name clash

    explicit Pass(int filesPerFolder) : counters(filesPerFolder) {}

    void closeDevice()
    {
        reader.reset();
        source.reset();
    }
};

CarveEngine::CarveEngine(EngineHost& host, RunState& state, const RunSetup& setup, const EngineOptions& options,
                         TypeSummary* summary, ProgressTicker* ticker)
    : host_(host), state_(state), setup_(setup), options_(options), summary_(summary), ticker_(ticker)
{
    if (!options_.openSource) {
        options_.openSource = [](const QString& path, int* error) -> std::unique_ptr<SectorSource> {
            return FileSectorSource::open(path, error);
        };
    }
}

CarveEngine::~CarveEngine() = default;

bool CarveEngine::Photo_Recovey_Mode(const QString& pass)
{
    return runPass(pass == QLatin1String("THD"));
}

bool CarveEngine::Raw_File_Recovey_Mode(const QString& pass)
{
    return runPass(pass == QLatin1String("THD"));
}

void CarveEngine::requestFinalScreenOnce()
{
    if (state_.claimRunEnd())
        host_.requestFinalScreen();
}

void CarveEngine::listFile(const QString& path, const QString& name, const QString& uid, const QString& type)
{
    if (summary_ && setup_.mode != 0)
        summary_->advance(type);
    host_.listFile(setup_.mode, path, name, uid);
}

bool CarveEngine::runPass(bool thorough)
{
    const bool photo = setup_.mode == 0;
    Pass pass(options_.filesPerFolder);
    pass.thorough = thorough;
    pass.photo = photo;
    try {
        const SearchSettings settings = host_.readSearchSettings();
        state_.running_pass = static_cast<int>(thorough ? PassKind::Thorough : PassKind::General);
        host_.beginPass(setup_.mode, !thorough, thorough ? texts::thoroughPassLabel : texts::generalPassLabel);

        quint64 start = 0;
        quint64 end = 0;
        if (settings.entireDisk && !settings.sectorRange) {
            end = settings.sectorCount;
        } else if (!settings.entireDisk && settings.sectorRange) {
            start = settings.startSector;
            end = settings.endSector;
        }
        state_.start_sector = start;
        state_.end_sector = end;
        state_.total_sector = end - start;
        state_.for_index = start;
        host_.showProgress(progressSnapshot(state_));

        const QString devicePath =
            settings.sourcePath.isEmpty() ? devicePathForIdentifier(settings.diskIdentifier) : settings.sourcePath;
        int openError = 0;
        pass.source = options_.openSource(devicePath, &openError);
        if (!pass.source) {
            deviceOpenFailed(openError);
            return false;
        }
        host_.passRunning(texts::stopHelp);

        const QStringList medium =
            destguard::mediumDevices(settings.diskIdentifier, QString(), devicePath, destguard::systemFiles());
        pass.tree = DestinationTree::open(settings.destination, medium, invokingUser(), &pass.treeOpenFailure);
        if (!pass.tree)
            return destinationFailure(pass);
        const QStringList modeRoot{setup_.recFolderName, modeFolderName(setup_.mode)};
        if (thorough && !pass.tree->folder(modeRoot + QStringList{passFolderName(false)}))
            return destinationFailure(pass);
        pass.base = modeRoot + QStringList{passFolderName(thorough)};
        if (!pass.tree->folder(pass.base))
            return destinationFailure(pass);

        pass.table = thorough ? setup_.thoroughTable : setup_.generalTable;
        pass.matcher = std::make_unique<HeaderMatcher>(pass.table);
        const qsizetype entries = sig::entryCount(pass.table);
        pass.maxSizes.resize(entries);
        for (qsizetype k = 0; k < entries; ++k)
            pass.maxSizes[k] = static_cast<quint64>(leadingDecimal(sig::field(pass.table, k, sig::MaxSize)));
        pass.related.resize(entries);
        pass.relatedKnown.assign(entries, false);
        pass.counters.rebuild(pass.table);
        host_.showProgress(progressSnapshot(state_));

        if (start < end)
            pass.reader = std::make_unique<SectorReader>(*pass.source, start, end, options_.reader);
        return loop(pass);
    } catch (const std::exception& e) {
        finishGroup(pass, nullptr);
        closeDevice(pass);
        host_.showMessageBox(QString::fromLocal8Bit(e.what()));
        return true;
    }
}

bool CarveEngine::loop(Pass& pass)
{
    const quint64 end = state_.end_sector;
    const int entries = pass.matcher->entryCount();
    // The worker is the only writer of for_index: a plain store per sector
    // is enough for the progress ticker to read it.
    quint64 index = state_.for_index.load();
    try {
        while (index < end) {
            if (entries == 0) {
                // Photo mode treats a search with nothing to look for like
                // an unreadable medium; the other modes end quietly.
                pass.lastReadOk = !pass.photo;
                break;
            }
            if (state_.stop_now.load(std::memory_order_relaxed) == 1)
                return stopPass(pass);
            // Open files point into the reader's chunk: write them out
            // before the reader reuses it.
            if (pass.reader->atChunkEnd())
                flushOpenFiles(pass);
            bool readable = false;
            const unsigned char* sector = pass.reader->next(&readable);
            pass.lastReadOk = readable;
            state_.for_index.store(++index, std::memory_order_relaxed);
            const bool blank = isBlank(sector);
            if (!blank) {
                const int entry = pass.matcher->match(sector);
                if (entry >= 0) {
                    if (pass.photo)
                        photoHeader(pass, entry, sector);
                    else
                        openGroup(pass, entry, sector);
                    continue;
                }
            }
            if (!pass.targets.empty())
                appendToGroup(pass, blank ? nullptr : sector, false);
        }
    } catch (const DestinationFailure&) {
        return destinationFailure(pass);
    } catch (const std::exception& e) {
        Show_NSLog_Message(QString::fromLocal8Bit(e.what()));
    }

    // End of the range (or of what could be searched). A file that could
    // not be completed on disk is a save failure, not a success.
    if (!finishGroup(pass, nullptr))
        return destinationFailure(pass);
    closeDevice(pass);
    if (!pass.lastReadOk) {
        host_.showMessageBox(texts::mediaReadError);
        return false;
    }
    return true;
}

void CarveEngine::applyListClearing()
{
    if (state_.Listed_File_Count.load() < options_.fileListClearLimit)
        return;
    host_.showClearNotice(setup_.mode == 0 ? texts::photoClearNotice : texts::fileClearNotice);
    std::this_thread::sleep_for(options_.clearPause);
    state_.Listed_File_Count = 0;
    host_.clearFileList(setup_.mode);
}

void CarveEngine::photoHeader(Pass& pass, int entry, const unsigned char* sector)
{
    // The clearing happens before the file this header ends is listed.
    applyListClearing();
    if (!finishGroup(pass, sector))
        throw DestinationFailure{};
    pass.groupBytes = kSectorSize;
    ++pass.filesOpened;
    if (pass.thorough)
        ++state_.THD_Image_number;
    else
        ++state_.GND_Image_number;
    const QString& type = sig::field(pass.table, entry, sig::Extension);
    const QString folder = pass.counters.place(type);
    openTarget(pass, entry, sector, 0, folder);
    appendToGroup(pass, sector, true);
}

void CarveEngine::openGroup(Pass& pass, int entry, const unsigned char* sector)
{
    if (!finishGroup(pass, sector))
        throw DestinationFailure{};
    pass.groupBytes = kSectorSize;

    if (!pass.relatedKnown[entry]) {
        const QString& hexE = sig::field(pass.table, entry, sig::HeaderHex);
        const QString& posE = sig::field(pass.table, entry, sig::HeaderPosition);
        for (int f = entry; f < pass.matcher->entryCount(); ++f) {
            const QString& hexF = sig::field(pass.table, f, sig::HeaderHex);
            const bool joins = f == entry || Find_Str(hexE, hexF) ||
                               (Find_Str(hexF, hexE) && sig::field(pass.table, f, sig::HeaderPosition) == posE);
            if (joins)
                pass.related[entry].push_back(f);
        }
        pass.relatedKnown[entry] = true;
    }

    for (int f : pass.related[entry]) {
        const QString& type = sig::field(pass.table, f, sig::Extension);
        const QString folder = pass.counters.place(type);
        int slot = -1;
        for (int s = 0; s < kCarveSlots; ++s) {
            if (!pass.outputs[s].isOpen()) {
                slot = s;
                break;
            }
        }
        if (slot < 0)
            continue; // all 30 files of the group are taken
        ++pass.filesOpened;
        openTarget(pass, f, sector, slot, folder);
    }
    applyListClearing();
    appendToGroup(pass, sector, true);
}

void CarveEngine::openTarget(Pass& pass, int entry, const unsigned char* sector, int slot, const QString& folder)
{
    const QString& type = sig::field(pass.table, entry, sig::Extension);
    const DestinationTree::Folder dir = pass.tree->folder(pass.base + QStringList{folder});
    if (!dir)
        throw DestinationFailure{};

    // The name the rules give, then the next free number when that name is
    // already taken (an earlier run into the same destination, or two
    // entries of one type in the same group): nothing on disk is replaced.
    QString prefix;
    quint64 number;
    QString uid;
    if (pass.photo) {
        prefix = pass.thorough ? QStringLiteral("THD") : QStringLiteral("GND");
        number = pass.filesOpened;
        uid = Generate_File_UID_Num(pass.thorough ? state_.THD_Image_number.load() : state_.GND_Image_number.load(),
                                    pass.thorough, type);
    } else {
        prefix = type;
        number = fileNumber(pass.filesOpened, prefix, setup_.mode, summary_);
    }
    const QString cacheKey = dir.path + u'\n' + prefix;
    number = std::max(number, pass.nextFreeNumber.value(cacheKey, 0));
    OutputFile& file = pass.outputs[slot];
    QString name;
    QString path;
    for (;;) {
        name = safePathComponent(fileName(prefix, number, type));
        int error = 0;
        if (pass.tree->createFile(file, dir, name, &error))
            break;
        if (error != EEXIST)
            throw DestinationFailure{};
        ++number;
        pass.nextFreeNumber.insert(cacheKey, number);
    }
    path = file.path();
    Target t;
    t.extension = type;
    t.maxSize = pass.maxSizes[entry];
    t.slot = slot;
    t.path = path;
    t.imageName = name;
    t.imageUid = pass.photo ? uid : name;
    pass.targets.push_back(std::move(t));
    if (!file.append(sector))
        throw DestinationFailure{};
}

// `sector` null stands for a blank sector.
void CarveEngine::appendToGroup(Pass& pass, const unsigned char* sector, bool openedHere)
{
    if (!openedHere) {
        pass.groupBytes += kSectorSize;
        for (const Target& t : pass.targets) {
            OutputFile& file = pass.outputs[t.slot];
            if (!(sector ? file.append(sector) : file.appendBlank()))
                throw DestinationFailure{};
        }
    }
    for (size_t i = 0; i < pass.targets.size();) {
        if (pass.targets[i].maxSize <= pass.groupBytes) {
            if (!finishTarget(pass, i, nullptr))
                throw DestinationFailure{};
        } else {
            ++i;
        }
    }
    if (pass.targets.empty())
        pass.groupBytes = 0;
}

// Appends `lastSector` (when given), closes the file and lists it, then
// removes the target. False when the file could not be completed on disk; it
// is then not listed.
bool CarveEngine::finishTarget(Pass& pass, size_t index, const unsigned char* lastSector)
{
    Target t = pass.targets[index];
    pass.targets.erase(pass.targets.begin() + static_cast<qsizetype>(index));
    OutputFile& file = pass.outputs[t.slot];
    if (lastSector)
        file.append(lastSector);
    if (!file.close())
        return false;
    listFile(t.path, t.imageName, t.imageUid, t.extension);
    return true;
}

// Finishes every open file of the group in order, appending `lastSector`
// (when given) to each. False when any of them could not be completed.
bool CarveEngine::finishGroup(Pass& pass, const unsigned char* lastSector)
{
    bool saved = true;
    while (!pass.targets.empty())
        saved = finishTarget(pass, 0, lastSector) && saved;
    return saved;
}

void CarveEngine::deviceOpenFailed(int err)
{
    // Prints "err no : <errno>" and logs the permission case.
    const DeviceOpenFailure failure =
        options_.printOpenErrno ? reportDeviceOpenFailure(err) : classifyDeviceOpenError(err);
    host_.wizardStepBack(setup_.mode);
    if (ticker_)
        ticker_->stop();
    state_.stop_now = 0;
    state_.Listed_File_Count = 0;
    state_.stop_screen_already_show = 1;
    if (failure == DeviceOpenFailure::Permission)
        host_.showPermissionAlert(err);
    else
        host_.showGenericErrorAlert(err);
}

// Ends the reading side of a pass early: the stop word is cleared, the
// device closed (its unreadable sectors counted) and the ticker stopped.
void CarveEngine::abandonPass(Pass& pass)
{
    state_.stop_now = 0;
    closeDevice(pass);
    if (ticker_)
        ticker_->stop();
}

void CarveEngine::flushOpenFiles(Pass& pass)
{
    for (const Target& t : pass.targets) {
        if (!pass.outputs[t.slot].flushRun())
            throw DestinationFailure{};
    }
}

void CarveEngine::closeDevice(Pass& pass)
{
    // Pending writes point into the reader's memory: write them before it
    // goes (a failure shows when the file is closed).
    for (const Target& t : pass.targets)
        pass.outputs[t.slot].flushRun();
    if (pass.reader)
        state_.unreadable_sectors += pass.reader->unreadableCount();
    pass.closeDevice();
}

bool CarveEngine::stopPass(Pass& pass)
{
    abandonPass(pass);
    if (!finishGroup(pass, nullptr))
        host_.showMessageBox(saveFailureText(pass));
    requestFinalScreenOnce();
    return false;
}

bool CarveEngine::destinationFailure(Pass& pass)
{
    abandonPass(pass);
    // Files that took every sector so far are complete up to here and are
    // kept and listed; a file whose write failed is closed unlisted.
    finishGroup(pass, nullptr);
    host_.showMessageBox(saveFailureText(pass));
    requestFinalScreenOnce();
    return false;
}

// The save-failure message and one more line: what could not be saved and
// the system's reason. A failed file has been closed (and set aside) by now.
QString CarveEngine::saveFailureText(const Pass& pass) const
{
    QString detail;
    for (const OutputFile& file : pass.outputs) {
        if (file.failed()) {
            detail = file.path() + QStringLiteral(": ") + deviceErrorText(file.error());
            if (!file.leftover().isEmpty())
                detail += QStringLiteral(" (the incomplete file was ") + file.leftover() + u')';
            break;
        }
    }
    if (detail.isEmpty())
        detail = pass.tree ? pass.tree->failure().text() : pass.treeOpenFailure.text();
    return saveFailureMessage(detail);
}

} // namespace ostrel
