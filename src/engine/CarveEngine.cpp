#include "engine/CarveEngine.h"

#include "device/DestinationGuard.h"
#include "device/DeviceErrors.h"
#include "engine/CarveGroups.h"
#include "engine/DestinationTree.h"
#include "engine/EngineTexts.h"
#include "engine/HeaderMatcher.h"
#include "engine/OutputFile.h"
#include "engine/ProgressTicker.h"
#include "engine/walkers/FormatWalker.h"
#include "signatures/HexDecode.h"
#include "signatures/SignatureTable.h"
#include "util/TextHelpers.h"

#include <QDir>
#include <QFile>
#include <QHash>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <exception>
#include <thread>
#include <unistd.h>

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
    QStringList folder; // below the destination
    QString prefix;
    QString path;
    QString imageName;
    QString imageUid;
};

// One file being carved: the member files of a carve group (one in photo
// mode), which all receive the same sectors from the one holding the header.
struct CarveEngine::Carve {
    quint64 id = 0;
    quint64 firstSector = 0;
    quint32 formatStart = 0; // byte of the first sector where the format begins
    quint64 bytes = 0;       // bytes appended so far, whole sectors
    std::vector<Target> targets;
    std::unique_ptr<walkers::FormatWalker> walker;
    quint64 fed = 0; // bytes fed to the walker, counted from formatStart
    walkers::Verdict verdict;
    quint64 outer = 0; // id of the open file this one lies inside, 0 for none
    bool embedded = false; // the outer file's structure holds this one

    // Where the file ends, in bytes from its first sector, when its format
    // shows it; UINT64_MAX when it does not. A break keeps the sector it
    // lies in.
    quint64 knownLength() const
    {
        if (verdict.state == walkers::State::Ends)
            return formatStart + verdict.offset;
        if (verdict.state == walkers::State::Broken) {
            const quint64 at = formatStart + verdict.offset;
            return std::max<quint64>(kSectorSize, (at + kSectorSize - 1) / kSectorSize * kSectorSize);
        }
        return UINT64_MAX;
    }

    // True when the format proves that the file goes on past byte `offset`.
    bool goesOnPast(quint64 offset) const
    {
        if (verdict.state == walkers::State::Continues)
            return formatStart + verdict.offset > offset;
        return verdict.state == walkers::State::Ends && knownLength() > offset;
    }
};

// Files finished inside another file that is still open: kept unlisted until
// the outer file shows whether it contains them.
struct CarveEngine::Held {
    quint64 outer = 0;
    bool embedded = false;
    quint64 firstSector = 0;
    quint64 length = 0;
    std::vector<Target> targets; // closed
};

struct CarveEngine::Pass {
    bool thorough = false;
    bool photo = true;
    bool formatAware = true; // false: plain carving
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
    std::vector<std::unique_ptr<Carve>> carves; // open files, in the order they were opened
    std::vector<Held> held;
    quint64 nextCarveId = 1;
    quint64 filesOpened = 0; // photo: the pass file ordinal
    bool lastReadOk = false;
    QHash<QString, quint64> nextFreeNumber; // per folder + prefix, after a name clash

    explicit Pass(int filesPerFolder) : counters(filesPerFolder) {}

    void closeDevice()
    {
        reader.reset();
        source.reset();
    }

    int freeSlot() const
    {
        for (int s = 0; s < kCarveSlots; ++s) {
            if (!outputs[s].isOpen())
                return s;
        }
        return -1;
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
    if (!options_.walkerFor) {
        options_.walkerFor = [](const QString& extension) { return walkers::makeWalker(extension.toStdString()); };
    }
}

CarveEngine::~CarveEngine() = default;

namespace {
bool passSucceeded(const PassOutcome& outcome)
{
    return outcome.end == PassEnd::Completed && outcome.lastSectorReadable;
}
} // namespace

bool CarveEngine::Photo_Recovey_Mode(const QString& pass)
{
    return passSucceeded(runPass(pass == QLatin1String("THD")));
}

bool CarveEngine::Raw_File_Recovey_Mode(const QString& pass)
{
    return passSucceeded(runPass(pass == QLatin1String("THD")));
}

PassOutcome CarveEngine::ended(PassEnd end, const Pass& pass) const
{
    PassOutcome outcome;
    outcome.end = end;
    outcome.thorough = pass.thorough;
    outcome.rangeStart = state_.start_sector.load();
    outcome.rangeEnd = state_.end_sector.load();
    outcome.sector = state_.for_index.load();
    outcome.lastSectorReadable = pass.lastReadOk;
    return outcome;
}

void CarveEngine::listFile(const QString& path, const QString& name, const QString& uid, const QString& type)
{
    if (summary_)
        summary_->advance(type);
    const qint64 count = summary_ ? summary_->count(type) : 0;
    host_.listFile(setup_.mode, path, name, uid, type, static_cast<quint64>(std::max<qint64>(count, 0)));
}

PassOutcome CarveEngine::runPass(bool thorough)
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
            PassOutcome outcome = ended(PassEnd::SourceFailed, pass);
            outcome.error = openError;
            return outcome;
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

        pass.formatAware = !settings.cutAtNextHeader;
        if (!thorough) {
            generalStarts_.clear();
            generalExtents_.clear();
            generalExtentReach_.clear();
        }
        pass.table = thorough ? setup_.thoroughTable : setup_.generalTable;
        // A photo search always has types to look for; without any the
        // signature file is at fault, not the medium.
        if (photo && sig::entryCount(pass.table) == 0)
            return failure(pass, QStringLiteral("there are no photo file signatures to search for"));
        pass.matcher = std::make_unique<HeaderMatcher>(pass.table);
        const qsizetype entries = sig::entryCount(pass.table);
        pass.maxSizes.resize(entries);
        for (qsizetype k = 0; k < entries; ++k)
            pass.maxSizes[k] = static_cast<quint64>(leadingDecimal(sig::field(pass.table, k, sig::MaxSize)));
        pass.related.resize(entries);
        pass.relatedKnown.assign(entries, false);
        pass.counters.rebuild(pass.table);
        host_.showProgress(progressSnapshot(state_));

        if (start < end) {
            pass.reader = std::make_unique<SectorReader>(
                *pass.source, start, end, options_.reader,
                SectorReader::Shared{&map_, &state_.stop_now, &state_.retry_left});
        }
        return loop(pass);
    } catch (const DestinationFailure&) {
        return destinationFailure(pass);
    } catch (const std::exception& e) {
        return failure(pass, QString::fromLocal8Bit(e.what()));
    } catch (...) {
        return failure(pass, QStringLiteral("an unknown error"));
    }
}

PassOutcome CarveEngine::loop(Pass& pass)
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
            if (!sector)
                break; // the reader was stopped or the medium has gone
            pass.lastReadOk = readable;
            const quint64 number = index;
            state_.for_index.store(++index, std::memory_order_relaxed);
            step(pass, number, sector, isBlank(sector));
        }
    } catch (const DestinationFailure&) {
        return destinationFailure(pass);
    } catch (const std::exception& e) {
        return failure(pass, QString::fromLocal8Bit(e.what()));
    } catch (...) {
        return failure(pass, QStringLiteral("an unknown error"));
    }

    // End of the range, or of what the reader could give. The reader then
    // tries skipped sectors again, which the user may cut short with Stop.
    SectorReader::Status status = SectorReader::Status::Done;
    if (pass.reader && pass.reader->exhausted())
        status = pass.reader->finish();
    if (status == SectorReader::Status::Stopped)
        return stopPass(pass);
    PassOutcome outcome = ended(PassEnd::Completed, pass);
    if (pass.reader && pass.reader->exhausted())
        outcome.readOnRetry = pass.reader->readOnRetry();
    if (status == SectorReader::Status::MediumGone) {
        outcome.end = PassEnd::MediumGone;
        outcome.anySectorRead = pass.reader->lastReadSector(&outcome.sector);
        outcome.error = pass.reader->goneError();
        outcome.lastSectorReadable = false;
    }
    // A file that could not be completed on disk is a save failure, not a
    // success.
    if (!finishOpenFiles(pass))
        return destinationFailure(pass);
    closeDevice(pass);
    if (!pass.thorough)
        sortGeneralPassFiles();
    return outcome;
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

// One sector of the range: a header it holds, then the open files.
void CarveEngine::step(Pass& pass, quint64 sectorNumber, const unsigned char* sector, bool blank)
{
    if (!blank) {
        const int entry = pass.matcher->match(sector);
        if (entry >= 0) {
            headerFound(pass, sectorNumber, entry, sector);
            return;
        }
    }
    appendToCarves(pass, sectorNumber, blank ? nullptr : sector, false);
}

// The carve group of `entry` (engine/CarveGroups.h), worked out on first use.
static const std::vector<int>& groupOf(const QStringList& table, int entry, std::vector<std::vector<int>>& related,
                                       std::vector<bool>& known)
{
    if (!known[entry]) {
        related[entry] = carveGroupOf(table, entry);
        known[entry] = true;
    }
    return related[entry];
}

void CarveEngine::headerFound(Pass& pass, quint64 sectorNumber, int entry, const unsigned char* sector)
{
    auto carve = std::make_unique<Carve>();
    carve->firstSector = sectorNumber;
    bool opens = true;
    if (pass.formatAware) {
        if (headerRefused(pass, entry, sector, *carve)) {
            appendToCarves(pass, sectorNumber, sector, false);
            return;
        }
        // The general pass already has the file that starts here, or that
        // this header lies inside of.
        opens = !(pass.thorough && coveredByGeneralPass(sectorNumber));
    }
    // The clearing comes before the file this header ends is listed.
    if (pass.photo && opens)
        applyListClearing();
    appendToCarves(pass, sectorNumber, sector, true);
    if (opens)
        openCarve(pass, std::move(carve), entry, sector);
}

// Feeds the header's look-ahead to the walker of its group's first member
// that has one. True when the format refuses the header.
bool CarveEngine::headerRefused(Pass& pass, int entry, const unsigned char* sector, Carve& candidate)
{
    for (int f : groupOf(pass.table, entry, pass.related, pass.relatedKnown)) {
        candidate.walker = options_.walkerFor(sig::field(pass.table, f, sig::Extension));
        if (candidate.walker)
            break;
    }
    if (!candidate.walker)
        return false;
    candidate.formatStart = static_cast<quint32>(pass.matcher->formatStart(entry, sector));
    quint32 sectors = 0;
    const unsigned char* ahead =
        pass.reader->peek(static_cast<quint32>(walkers::kHeaderLookahead / kSectorSize), &sectors);
    if (!ahead) {
        ahead = sector;
        sectors = 1;
    }
    const size_t bytes = static_cast<size_t>(sectors) * kSectorSize - candidate.formatStart;
    candidate.verdict = candidate.walker->feed(ahead + candidate.formatStart, bytes);
    candidate.fed = bytes;
    if (candidate.verdict.state == walkers::State::NotFormat)
        return true;
    return false;
}

void CarveEngine::openCarve(Pass& pass, std::unique_ptr<Carve> carve, int entry, const unsigned char* sector)
{
    // A file opened inside others lies inside the last one that goes on
    // past this header (every open file that did not was cut by it).
    if (!pass.carves.empty()) {
        const Carve& outer = *pass.carves.back();
        carve->outer = outer.id;
        const quint64 at = (carve->firstSector - outer.firstSector) * kSectorSize + carve->formatStart;
        carve->embedded = outer.walker && at >= outer.formatStart && outer.walker->embeds(at - outer.formatStart);
    }
    carve->id = pass.nextCarveId++;
    Carve& c = *carve;
    pass.carves.push_back(std::move(carve));
    if (pass.photo) {
        const int slot = pass.freeSlot();
        if (slot >= 0) {
            ++pass.filesOpened;
            if (pass.thorough)
                ++state_.THD_Image_number;
            else
                ++state_.GND_Image_number;
            const QString& type = sig::field(pass.table, entry, sig::Extension);
            openTarget(pass, entry, sector, slot, pass.counters.place(type));
        }
    } else {
        for (int f : groupOf(pass.table, entry, pass.related, pass.relatedKnown)) {
            const QString& type = sig::field(pass.table, f, sig::Extension);
            const QString folder = pass.counters.place(type);
            const int slot = pass.freeSlot();
            if (slot < 0)
                continue; // all 30 files are taken
            ++pass.filesOpened;
            openTarget(pass, f, sector, slot, folder);
        }
        applyListClearing();
    }
    if (c.targets.empty()) {
        pass.carves.pop_back();
        return;
    }
    c.bytes = kSectorSize;
    applyEnds(pass, pass.carves.size() - 1); // a file that ends within its first sector
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
    t.folder = pass.base + QStringList{folder};
    t.prefix = prefix;
    t.path = path;
    t.imageName = name;
    t.imageUid = pass.photo ? uid : name;
    pass.carves.back()->targets.push_back(std::move(t));
    if (!file.append(sector))
        throw DestinationFailure{};
}

// Hands one sector to every open file. `sector` null stands for a blank
// sector; with `header` true the sector holds a header that starts a file of
// its own, which cuts every open file whose format does not go on past it.
void CarveEngine::appendToCarves(Pass& pass, quint64 sectorNumber, const unsigned char* sector, bool header)
{
    static const unsigned char zeros[kSectorSize] = {};
    // Newest first: a file opened inside another that ends in the same
    // sector ends before it, so the outer file finds it among the files it
    // holds (and removes it when its structure holds it whole).
    for (size_t i = pass.carves.size(); i-- > 0;) {
        Carve& c = *pass.carves[i];
        const quint64 offset = (sectorNumber - c.firstSector) * kSectorSize;
        // The walker sees every byte of the file once, blank sectors as
        // zeros; the header's look-ahead may already have covered this one.
        if (c.walker && !c.verdict.final() && c.formatStart + c.fed < offset + kSectorSize) {
            const quint64 from = std::max<quint64>(offset, c.formatStart + c.fed);
            const unsigned char* data = sector ? sector : zeros;
            c.verdict = c.walker->feed(data + (from - offset), static_cast<size_t>(offset + kSectorSize - from));
            c.fed = offset + kSectorSize - c.formatStart;
        }
        if (c.knownLength() <= offset) {
            if (!endCarve(pass, i, c.verdict.state == walkers::State::Ends))
                throw DestinationFailure{};
            continue;
        }
        const bool cut = header && !c.goesOnPast(offset);
        if (cut && c.walker && pass.formatAware) {
            // The file's format does not reach the new header's sector.
            if (!endCarve(pass, i, false))
                throw DestinationFailure{};
            continue;
        }
        c.bytes += kSectorSize;
        for (const Target& t : c.targets) {
            OutputFile& file = pass.outputs[t.slot];
            if (!(sector ? file.append(sector) : file.appendBlank()))
                throw DestinationFailure{};
        }
        if (cut) {
            // Plain carving: a file cut by the next header ends with the
            // sector that holds it.
            if (!endCarve(pass, i, false))
                throw DestinationFailure{};
            continue;
        }
        applyEnds(pass, i);
    }
}

// Ends open carve `index` where its format ends, or finishes its members at
// their size limits unless the format proves the file is longer. True when
// the carve is still open.
bool CarveEngine::applyEnds(Pass& pass, size_t index)
{
    Carve& c = *pass.carves[index];
    if (c.knownLength() <= c.bytes) {
        if (!endCarve(pass, index, c.verdict.state == walkers::State::Ends))
            throw DestinationFailure{};
        return false;
    }
    if (c.goesOnPast(c.bytes))
        return true;
    for (size_t t = 0; t < c.targets.size();) {
        if (c.targets[t].maxSize <= c.bytes) {
            if (!finishTarget(pass, c, t))
                throw DestinationFailure{};
        } else {
            ++t;
        }
    }
    if (!c.targets.empty())
        return true;
    resolveInner(pass, c, false);
    pass.carves.erase(pass.carves.begin() + static_cast<qsizetype>(index));
    return false;
}

// A file whose content shows its type: a group keeps the member of that
// type only; a file of another type than the header told moves to that
// type's folder and extension. False when a file could not be moved.
bool CarveEngine::settleTypes(Pass& pass, Carve& c)
{
    if (!pass.formatAware || !c.walker)
        return true;
    const QString proven = QString::fromStdString(c.walker->provenType());
    if (proven.isEmpty())
        return true;
    auto matches = [&](const Target& t) { return t.extension.compare(proven, Qt::CaseInsensitive) == 0; };
    const bool anyMatch = std::any_of(c.targets.begin(), c.targets.end(), matches);
    for (size_t t = c.targets.size(); t-- > 0;) {
        const bool keep = anyMatch ? matches(c.targets[t]) : t == 0;
        if (!keep) {
            pass.outputs[c.targets[t].slot].close();
            pass.tree->removeFile(c.targets[t].folder, c.targets[t].imageName);
            c.targets.erase(c.targets.begin() + static_cast<qsizetype>(t));
        }
    }
    if (anyMatch)
        return true;
    // One file left, of another type: give it the proven type's folder,
    // number and extension. Nothing existing is replaced.
    Target& t = c.targets.front();
    const QStringList folder = pass.base + QStringList{pass.counters.place(proven)};
    const DestinationTree::Folder dir = pass.tree->folder(folder);
    if (!dir)
        return false;
    const QString prefix = pass.photo ? t.prefix : proven;
    // Photo names keep their ordinal; the other modes number the type from
    // its summary row, from 1 when the type has none yet.
    quint64 number = pass.photo ? leadingDecimal(t.imageName.mid(t.prefix.size())) : fileNumber(1, prefix, setup_.mode, summary_);
    const QString cacheKey = dir.path + u'\n' + prefix;
    number = std::max(number, pass.nextFreeNumber.value(cacheKey, 0));
    const QString folderPath = dir.path;
    for (;;) {
        const QString name = safePathComponent(fileName(prefix, number, proven));
        int error = 0;
        if (pass.tree->moveFile(t.folder, t.imageName, folder, name, &error)) {
            t.path = folderPath.endsWith(u'/') ? folderPath + name : folderPath + u'/' + name;
            t.imageName = name;
            if (pass.photo)
                t.imageUid = fileName(t.imageUid.left(3), leadingDecimal(t.imageUid.mid(3)), proven);
            else
                t.imageUid = name;
            t.extension = proven;
            t.folder = folder;
            t.prefix = prefix;
            return true;
        }
        if (error != EEXIST)
            return false;
        ++number;
        pass.nextFreeNumber.insert(cacheKey, number);
    }
}

// Closes every file of open carve `index` at its known length (or what it
// has), lists it or holds it while an outer file is open, and removes the
// carve. `whole`: the file ended where its format ends. False when a file
// could not be completed on disk; it is then not listed.
bool CarveEngine::endCarve(Pass& pass, size_t index, bool whole)
{
    std::unique_ptr<Carve> owned = std::move(pass.carves[index]);
    pass.carves.erase(pass.carves.begin() + static_cast<qsizetype>(index));
    Carve& c = *owned;
    const quint64 length = std::min(c.bytes, c.knownLength());
    // A member that could not be completed on disk is not listed; the
    // others are.
    bool saved = true;
    for (size_t t = c.targets.size(); t-- > 0;) {
        if (!pass.outputs[c.targets[t].slot].closeAt(length)) {
            saved = false;
            c.targets.erase(c.targets.begin() + static_cast<qsizetype>(t));
        }
    }
    if (saved && !settleTypes(pass, c))
        saved = false;
    resolveInner(pass, c, whole && saved);
    if (!pass.thorough) {
        generalStarts_.push_back(c.firstSector);
        if (whole)
            generalExtents_.emplace_back(c.firstSector, c.firstSector + (length + kSectorSize - 1) / kSectorSize);
    }
    if (c.outer != 0)
        pass.held.push_back(Held{c.outer, c.embedded, c.firstSector, length, std::move(c.targets)});
    else
        listFiles(c.targets);
    return saved;
}

// Finishes member `index` of an open carve alone (its size limit): closes,
// lists it (or holds it inside an outer file) and removes it.
bool CarveEngine::finishTarget(Pass& pass, Carve& c, size_t index)
{
    Target t = c.targets[index];
    c.targets.erase(c.targets.begin() + static_cast<qsizetype>(index));
    if (!pass.outputs[t.slot].close())
        return false;
    std::vector<Target> one{std::move(t)};
    if (c.outer != 0)
        pass.held.push_back(Held{c.outer, c.embedded, c.firstSector, c.bytes, std::move(one)});
    else
        listFiles(one);
    return true;
}

// The files held inside `outer`, which has just ended: when it ended whole
// around them and its structure holds them (a thumbnail in its metadata, a
// preview it points to) they are part of it and are removed; otherwise they
// move out to the file around `outer`, or are listed: a later file written
// over a deleted one's media data is a file of its own. Files still open
// inside it move out the same way.
void CarveEngine::resolveInner(Pass& pass, const Carve& outer, bool whole)
{
    const quint64 outerEnd = outer.firstSector * kSectorSize + std::min(outer.bytes, outer.knownLength());
    for (auto& open : pass.carves) {
        if (open->outer == outer.id) {
            open->outer = outer.outer;
            open->embedded = false;
        }
    }
    std::vector<Target> toList;
    for (size_t h = 0; h < pass.held.size();) {
        Held& inner = pass.held[h];
        if (inner.outer != outer.id) {
            ++h;
            continue;
        }
        if (whole && inner.embedded && inner.firstSector * kSectorSize + inner.length <= outerEnd) {
            for (const Target& t : inner.targets)
                pass.tree->removeFile(t.folder, t.imageName);
        } else if (outer.outer != 0) {
            inner.outer = outer.outer;
            inner.embedded = false;
            ++h;
            continue;
        } else {
            toList.insert(toList.end(), inner.targets.begin(), inner.targets.end());
        }
        pass.held.erase(pass.held.begin() + static_cast<qsizetype>(h));
    }
    listFiles(toList);
}

void CarveEngine::listFiles(const std::vector<Target>& targets)
{
    for (const Target& t : targets)
        listFile(t.path, t.imageName, t.imageUid, t.extension);
}

// Finishes every open file in the order they were opened (the end of the
// range, a stop, a failure). False when any of them could not be completed.
bool CarveEngine::finishOpenFiles(Pass& pass)
{
    bool saved = true;
    while (!pass.carves.empty())
        saved = endCarve(pass, 0, false) && saved;
    return saved;
}

// Files end in another order than they start (a file ends before the one
// around it): the lookups want both lists by start sector.
void CarveEngine::sortGeneralPassFiles()
{
    std::sort(generalStarts_.begin(), generalStarts_.end());
    std::sort(generalExtents_.begin(), generalExtents_.end());
    generalExtentReach_.clear();
    for (const auto& extent : generalExtents_)
        generalExtentReach_.push_back(std::max(generalExtentReach_.empty() ? 0 : generalExtentReach_.back(), extent.second));
}

bool CarveEngine::coveredByGeneralPass(quint64 sectorNumber) const
{
    if (std::binary_search(generalStarts_.begin(), generalStarts_.end(), sectorNumber))
        return true;
    // The last whole file starting before this sector, and every earlier
    // one, through the running largest end.
    auto it = std::lower_bound(generalExtents_.begin(), generalExtents_.end(), std::make_pair(sectorNumber, quint64(0)));
    if (it == generalExtents_.begin())
        return false;
    const size_t before = static_cast<size_t>(it - generalExtents_.begin()) - 1;
    return generalExtentReach_[before] > sectorNumber;
}

void CarveEngine::deviceOpenFailed(int err)
{
    host_.logDeviceOpenFailure(err);
    const DeviceOpenFailure failure = classifyDeviceOpenError(err);
    host_.wizardStepBack(setup_.mode);
    if (ticker_)
        ticker_->stop();
    state_.stop_now = 0;
    state_.Listed_File_Count = 0;
    state_.stop_screen_already_show = 1; // no final screen for this run
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
    for (const auto& c : pass.carves) {
        for (const Target& t : c->targets) {
            if (!pass.outputs[t.slot].flushRun())
                throw DestinationFailure{};
        }
    }
}

void CarveEngine::closeDevice(Pass& pass)
{
    // Pending writes point into the reader's memory: write them before it
    // goes (a failure shows when the file is closed).
    for (const auto& c : pass.carves) {
        for (const Target& t : c->targets)
            pass.outputs[t.slot].flushRun();
    }
    pass.closeDevice();
}

// The outcome names the first sector not searched, where a new search can
// continue.
PassOutcome CarveEngine::stopPass(Pass& pass)
{
    abandonPass(pass);
    PassOutcome outcome = ended(PassEnd::Stopped, pass);
    if (!finishOpenFiles(pass)) {
        host_.showMessageBox(saveFailureText(pass));
        outcome.end = PassEnd::DestinationFailed;
    }
    return outcome;
}

PassOutcome CarveEngine::destinationFailure(Pass& pass)
{
    abandonPass(pass);
    // Files that took every sector so far are complete up to here and are
    // kept and listed; a file whose write failed is closed unlisted.
    finishOpenFiles(pass);
    host_.showMessageBox(saveFailureText(pass));
    return ended(PassEnd::DestinationFailed, pass);
}

// An unexpected failure ends the pass (and the run) as a failure; the files
// still open are closed and listed where complete.
PassOutcome CarveEngine::failure(Pass& pass, const QString& message)
{
    abandonPass(pass);
    try {
        finishOpenFiles(pass);
    } catch (...) {
        // The failure being reported is the first one.
    }
    PassOutcome outcome = ended(PassEnd::Failed, pass);
    outcome.message = message;
    return outcome;
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
