#include "engine/walkers/OleWalker.h"

#include <algorithm>

namespace ostrel::walkers {

namespace {

constexpr uint32_t kLastRegular = 0xFFFFFFF9; // larger values are markers
constexpr uint32_t kFree = 0xFFFFFFFF;
// FAT sectors tracked at most (2 GiB of 512-byte sectors); beyond that the
// file only continues.
constexpr uint32_t kMaxFatSectors = 32768;
constexpr uint32_t kKeptFatSectors = 8;
constexpr uint32_t kMaxDirectorySectors = 8;

std::string entryName(const uint8_t* e)
{
    // UTF-16LE, at most 31 characters and the terminator; ASCII is enough
    // for the names that tell the type.
    const uint16_t bytes = std::min<uint16_t>(le16(e + 64), 64);
    std::string name;
    for (uint16_t k = 0; k + 1 < bytes; k += 2) {
        const uint16_t c = le16(e + k);
        if (c == 0)
            break;
        name.push_back(c < 128 ? static_cast<char>(c) : '?');
    }
    return name;
}

std::string typeOfEntry(const std::string& name)
{
    if (name == "WordDocument")
        return "DOC";
    if (name == "Workbook" || name == "Book")
        return "XLS";
    if (name == "PowerPoint Document")
        return "PPT";
    if (name.rfind("__substg1.0_", 0) == 0 || name == "__properties_version1.0")
        return "MSG";
    return {};
}

} // namespace

OleWalker::OleWalker()
{
    need(512);
}

void OleWalker::onHeader(const uint8_t* r)
{
    const uint16_t major = le16(r + 26);
    const uint16_t shift = le16(r + 30);
    if ((major != 3 && major != 4) || le16(r + 28) != 0xFFFE || (shift != 9 && shift != 12) || le16(r + 32) != 6) {
        notFormat();
        return;
    }
    shift_ = shift;
    perSector_ = (1u << shift) / 4;
    fatCount_ = le32(r + 44);
    if (fatCount_ == 0) {
        notFormat();
        return;
    }
    covered_ = static_cast<uint64_t>(fatCount_) * perSector_;
    if (fatCount_ > kMaxFatSectors)
        incomplete_ = true;
    const uint32_t inHeader = std::min<uint32_t>(fatCount_, 109);
    for (uint32_t k = 0; k < inHeader; ++k) {
        const uint32_t sector = le32(r + 76 + 4 * k);
        if (sector > kLastRegular || sector >= covered_) {
            notFormat(); // the header lists a FAT sector the FAT cannot hold
            return;
        }
        want(sector, k, Kind::Fat);
    }
    const uint32_t difat = le32(r + 68);
    if (fatCount_ > 109) {
        if (difat > kLastRegular || difat >= covered_) {
            notFormat();
            return;
        }
        want(difat, 109, Kind::Difat);
    }
    const uint32_t directory = le32(r + 48);
    if (directory <= kLastRegular && directory < covered_)
        want(directory, 0, Kind::Directory);
    headerRead_ = true;
    nextSector();
}

void OleWalker::want(uint32_t sector, uint32_t ordinal, Kind kind)
{
    if (kind != Kind::Directory) {
        if (wanted_.size() >= kMaxFatSectors + kMaxDirectorySectors) {
            incomplete_ = true;
            return;
        }
        continuesTo(sectorEnd(sector));
    }
    wanted_.push(Wanted{sector, ordinal, kind});
}

void OleWalker::nextSector()
{
    // Sectors already passed cannot be read any more: a FAT among them
    // leaves the end unknown.
    while (!wanted_.empty() && ((static_cast<uint64_t>(wanted_.top().sector) + 1) << shift_) < position()) {
        if (wanted_.top().kind != Kind::Directory)
            incomplete_ = true;
        wanted_.pop();
    }
    if (wanted_.empty()) {
        if (!incomplete_ && fatRead_ == fatCount_) {
            // Known now; it ends once that many bytes were fed.
            end_ = anyUsed_ ? sectorEnd(highestUsed_) : (1u << shift_);
            continuesTo(end_);
            if (position() >= end_)
                endsAt(end_);
        }
        scan(); // nothing more to read
        return;
    }
    current_ = wanted_.top().sector;
    skip(((static_cast<uint64_t>(current_) + 1) << shift_) - position());
    need(1u << shift_);
}

size_t OleWalker::onScan(const uint8_t*, size_t size)
{
    if (end_ > 0 && position() + size >= end_)
        endsAt(end_);
    return size;
}

void OleWalker::onRecord(const uint8_t* r, size_t)
{
    if (!headerRead_) {
        onHeader(r);
        return;
    }
    while (!wanted_.empty() && wanted_.top().sector == current_) {
        const Wanted w = wanted_.top();
        wanted_.pop();
        switch (w.kind) {
        case Kind::Fat:
            readFat(r, w.ordinal);
            break;
        case Kind::Difat:
            readDifat(r, w.ordinal);
            break;
        case Kind::Directory:
            readDirectory(r, w.sector);
            break;
        }
    }
    if (!finished())
        nextSector();
}

void OleWalker::readFat(const uint8_t* r, uint32_t ordinal)
{
    ++fatRead_;
    const uint64_t first = static_cast<uint64_t>(ordinal) * perSector_;
    for (uint32_t k = perSector_; k-- > 0;) {
        if (le32(r + 4 * k) != kFree) {
            if (!anyUsed_ || first + k > highestUsed_)
                highestUsed_ = first + k;
            anyUsed_ = true;
            break;
        }
    }
    if (anyUsed_)
        continuesTo(sectorEnd(highestUsed_));
    if (ordinal < kKeptFatSectors) {
        if (firstFat_.size() < static_cast<size_t>(ordinal + 1) * perSector_)
            firstFat_.resize(static_cast<size_t>(ordinal + 1) * perSector_, kFree);
        for (uint32_t k = 0; k < perSector_; ++k)
            firstFat_[first + k] = le32(r + 4 * k);
    }
}

void OleWalker::readDifat(const uint8_t* r, uint32_t ordinal)
{
    // Each DIFAT sector lists perSector_ - 1 FAT sectors and then the next
    // DIFAT sector.
    for (uint32_t k = 0; k + 1 < perSector_ && ordinal + k < fatCount_; ++k) {
        const uint32_t sector = le32(r + 4 * k);
        if (sector > kLastRegular || sector >= covered_) {
            brokenAt((static_cast<uint64_t>(current_) + 1) << shift_);
            return;
        }
        want(sector, ordinal + k, Kind::Fat);
    }
    const uint32_t listed = ordinal + perSector_ - 1;
    if (listed < fatCount_) {
        const uint32_t next = le32(r + 4 * (perSector_ - 1));
        if (next > kLastRegular || next >= covered_) {
            brokenAt((static_cast<uint64_t>(current_) + 1) << shift_);
            return;
        }
        want(next, listed, Kind::Difat);
    }
}

void OleWalker::readDirectory(const uint8_t* r, uint32_t sector)
{
    ++directoriesRead_;
    for (uint32_t at = 0; at + 128 <= (1u << shift_); at += 128) {
        const uint8_t kind = r[at + 66];
        const uint16_t nameBytes = le16(r + at + 64);
        if ((kind != 0 && kind != 1 && kind != 2 && kind != 5) || nameBytes > 64 || nameBytes % 2 != 0)
            return; // not a directory sector (a guessed successor may not be)
        if (type_.empty())
            type_ = typeOfEntry(entryName(r + at));
    }
    if (!type_.empty() || directoriesRead_ >= kMaxDirectorySectors)
        return;
    // The next directory sector comes from the kept FAT; when that is not
    // known yet, the directory is taken to go on in the next sector, as
    // writers lay it out (the entry check above refuses a wrong guess).
    uint32_t next = sector + 1;
    if (sector < firstFat_.size())
        next = firstFat_[sector];
    if (next <= kLastRegular && next > sector)
        want(next, 0, Kind::Directory);
}

} // namespace ostrel::walkers
