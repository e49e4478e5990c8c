#pragma once
// OLE compound files (DOC, XLS, PPT, MSG and the other Office 97-2003
// files). The file ends after the highest sector the FAT marks as used; the
// FAT sectors (listed in the header and the DIFAT chain) are read as the
// stream passes them. Until the last one was read, the file continues at
// least to the furthest sector known. The directory's first sectors give
// the type.

#include "engine/walkers/StreamWalker.h"

#include <queue>
#include <string>
#include <vector>

namespace ostrel::walkers {

class OleWalker final : public StreamWalker {
public:
    OleWalker();
    std::string provenType() const override { return type_; }

private:
    enum class Kind : uint8_t { Fat, Difat, Directory };
    struct Wanted {
        uint32_t sector;
        uint32_t ordinal; // FAT: its place in the FAT; DIFAT: first FAT ordinal it lists
        Kind kind;
        bool operator>(const Wanted& o) const { return sector > o.sector; }
    };

    void onRecord(const uint8_t* r, size_t size) override;
    size_t onScan(const uint8_t* data, size_t size) override;
    void onHeader(const uint8_t* r);
    void want(uint32_t sector, uint32_t ordinal, Kind kind);
    void readFat(const uint8_t* r, uint32_t ordinal);
    void readDifat(const uint8_t* r, uint32_t ordinal);
    void readDirectory(const uint8_t* r, uint32_t sector);
    void nextSector();
    uint64_t sectorEnd(uint64_t sector) const { return (sector + 2) << shift_; }

    bool headerRead_ = false;
    uint32_t shift_ = 9;
    uint32_t perSector_ = 128; // 32-bit entries in one sector
    uint32_t fatCount_ = 0;
    uint64_t covered_ = 0; // sectors the FAT can describe
    uint32_t fatRead_ = 0;
    uint32_t directoriesRead_ = 0;
    bool incomplete_ = false; // a FAT sector could not be read
    bool anyUsed_ = false;
    uint64_t highestUsed_ = 0;
    uint32_t current_ = 0; // the sector being read
    uint64_t end_ = 0;     // the end, once every FAT sector was read
    std::priority_queue<Wanted, std::vector<Wanted>, std::greater<>> wanted_;
    // The first FAT sectors, kept to follow the directory chain.
    std::vector<uint32_t> firstFat_;
    std::string type_;
};

} // namespace ostrel::walkers
