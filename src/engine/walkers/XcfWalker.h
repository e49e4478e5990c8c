#pragma once
// GIMP images (XCF, versions "file" and v001 to v025): the image header and
// properties, then tables of pointers to the layers, channels and (from
// v018) paths; each layer and channel points to a hierarchy, each hierarchy
// to its levels, each level to its tiles; layers may point to a mask and
// (from v020) to effects, each with a mask. Pointers are 32-bit big-endian,
// 64-bit from v011.
//
// The file ends at the furthest byte of the structures it points to. GIMP
// writes every structure after the table that points to it, so the walker
// keeps the pointers it has met (a bounded queue) and reads each structure
// when the stream reaches it. Only the last tile of each level needs
// reading: its length is known only by decoding its RLE or zlib data, which
// takes a few bytes of state. A pointer backwards, a queue overflow or a
// structure of a later GIMP than the walker knows leave the end open
// (Continues as far as read); an impossible header is refused.

#include "engine/walkers/DeflateEnd.h"
#include "engine/walkers/StreamWalker.h"

#include <memory>
#include <vector>

namespace ostrel::walkers {

class XcfWalker final : public StreamWalker {
public:
    XcfWalker();
    std::string provenType() const override { return "XCF"; }

private:
    enum class Kind : uint8_t { Layer, Channel, Hierarchy, Level, DummyLevel, Tile, Path, Effect };
    struct Target {
        uint64_t offset;
        Kind kind;
        uint32_t width;  // levels and tiles
        uint32_t height; // levels and tiles
        uint32_t bpp;    // levels and tiles
    };
    enum class Step : uint8_t {
        Header,
        Precision,
        PropHead,
        PropColormap,
        PropCompression,
        Pointers,
        StringLength,
        LayerHead,
        ChannelHead,
        LayerLinks,
        ChannelLink,
        EffectLink,
        HierarchyHead,
        LevelHead,
        TileTable,
        TileEnd,
        DummyLevel,
        RleOp,
        RleLong,
        Zlib,
        PathSize,
        Final,
        Lost,
    };
    // What a property list or a string belongs to.
    enum class Owner : uint8_t { Image, Layer, Channel, Effect, Path };
    // What a table of pointers lists.
    enum class Table : uint8_t { Layers, Channels, Paths, Effects, Levels };

    void onRecord(const uint8_t* record, size_t size) override;
    size_t onScan(const uint8_t* data, size_t size) override;

    void onHeader(const uint8_t* p);
    void onPropHead(const uint8_t* p);
    void afterProps();
    void afterStrings();
    void startTable(Table table);
    void onPointer(uint64_t pointer);
    void onLevelHead(const uint8_t* p);
    void onTileTable(const uint8_t* p, size_t size);
    void startTile(const Target& tile);
    void onRleOp(const uint8_t* p, size_t size);
    void countRun(uint64_t run, uint64_t skipBytes);
    void readStrings(Owner owner, int count);
    uint64_t pointerAt(const uint8_t* p) const;
    bool push(const Target& target);
    // The current structure ended at `end`; go to the next one pointed to,
    // or end the file when none is left. `at` is where the stream stands
    // once the current callback returns.
    void structureDone(uint64_t end, uint64_t at);
    void structureDone(uint64_t end) { structureDone(end, position()); }
    void refuse();
    void lose();

    uint32_t version_ = 0;
    size_t pointerSize_ = 4;
    uint8_t compression_ = 0;
    Step step_ = Step::Header;
    Owner owner_ = Owner::Image;
    Table table_ = Table::Layers;
    int stringsLeft_ = 0;
    uint32_t entries_ = 0; // pointers read in the current table
    uint64_t maxEnd_ = 0;
    std::vector<Target> pending_; // a min-heap on offset
    // The structure being read.
    Target current_{};
    uint32_t bpp_ = 0;        // of the hierarchy whose levels are listed
    uint64_t tilesLeft_ = 0;  // tile pointers still to read in a level
    uint64_t lastTile_ = 0;   // the previous tile pointer of the level
    uint64_t tiles_ = 0;      // tiles of the level
    uint32_t levelWidth_ = 0;
    uint32_t levelHeight_ = 0;
    // RLE decoding of a last tile: the stream (one per byte of a pixel) and
    // the pixels it still has to give.
    uint32_t rleStream_ = 0;
    uint64_t rleLeft_ = 0;
    std::unique_ptr<DeflateEnd> zlib_;
};

} // namespace ostrel::walkers
