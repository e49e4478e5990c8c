#include "engine/walkers/XcfWalker.h"

#include <algorithm>
#include <cstring>
#include <functional>

namespace ostrel::walkers {

namespace {

constexpr uint32_t kNewestVersion = 25;
constexpr uint32_t kMaxSide = 524288;   // GIMP's largest image side
constexpr uint32_t kMaxBpp = 32;        // RGBA in 64-bit floats
constexpr uint32_t kMaxPropType = 255;  // GIMP numbers its properties from 0 up
constexpr uint64_t kMaxProp = 256u << 20;
constexpr uint64_t kMaxString = 1u << 20;
constexpr uint32_t kMaxLevels = 40;
constexpr uint32_t kMaxEffects = 256;
constexpr size_t kMaxPending = 8192;
constexpr uint64_t kTile = 64;
constexpr uint64_t kTileBatch = 4096;   // tile pointers read at a time
// How far a pointer to the next structure is believed before it is reached.
constexpr uint64_t kBelievedGap = 64u << 20;
constexpr uint32_t kPropColormap = 1;
constexpr uint32_t kPropCompression = 17;

bool side(uint32_t v)
{
    return v >= 1 && v <= kMaxSide;
}

bool validPrecision(uint32_t version, uint32_t precision)
{
    if (version == 4)
        return precision <= 4;
    if (version <= 6)
        return precision >= 100 && precision <= 550 && precision % 50 == 0;
    return precision >= 100 && precision <= 775 && precision % 25 == 0;
}

uint64_t tilesAcross(uint32_t pixels)
{
    return (pixels + kTile - 1) / kTile;
}

} // namespace

XcfWalker::XcfWalker()
{
    need(26);
}

uint64_t XcfWalker::pointerAt(const uint8_t* p) const
{
    return pointerSize_ == 8 ? be64(p) : be32(p);
}

void XcfWalker::onRecord(const uint8_t* p, size_t size)
{
    switch (step_) {
    case Step::Header:
        onHeader(p);
        break;
    case Step::Precision:
        if (!validPrecision(version_, be32(p))) {
            notFormat();
            return;
        }
        step_ = Step::PropHead;
        need(8);
        break;
    case Step::PropHead:
        onPropHead(p);
        break;
    case Step::PropColormap: {
        // The length word of old colour maps is wrong: the count is right.
        const uint32_t colours = be32(p);
        if (colours > 256) {
            refuse();
            return;
        }
        skip(3ull * colours);
        step_ = Step::PropHead;
        need(8);
        break;
    }
    case Step::PropCompression:
        compression_ = p[0];
        if (compression_ > 2) {
            refuse();
            return;
        }
        step_ = Step::PropHead;
        need(8);
        break;
    case Step::Pointers:
        onPointer(pointerAt(p));
        break;
    case Step::StringLength: {
        const uint32_t length = be32(p);
        if (length > kMaxString) {
            refuse();
            return;
        }
        skip(length);
        if (--stringsLeft_ > 0)
            need(4);
        else
            afterStrings();
        break;
    }
    case Step::LayerHead:
        if (!side(be32(p)) || !side(be32(p + 4)) || be32(p + 8) > 5) {
            refuse();
            return;
        }
        readStrings(Owner::Layer, 1);
        break;
    case Step::ChannelHead:
        if (!side(be32(p)) || !side(be32(p + 4))) {
            refuse();
            return;
        }
        readStrings(Owner::Channel, 1);
        break;
    case Step::LayerLinks: {
        const uint64_t hierarchy = pointerAt(p);
        const uint64_t mask = pointerAt(p + pointerSize_);
        if (hierarchy < position() || (mask != 0 && mask < position())) {
            refuse();
            return;
        }
        if (!push({hierarchy, Kind::Hierarchy, 0, 0, 0}) || (mask != 0 && !push({mask, Kind::Channel, 0, 0, 0})))
            return;
        if (version_ >= 20)
            startTable(Table::Effects);
        else
            structureDone(position());
        break;
    }
    case Step::ChannelLink:
    case Step::EffectLink: {
        const uint64_t link = pointerAt(p);
        const bool hierarchy = step_ == Step::ChannelLink;
        if ((hierarchy && link == 0) || (link != 0 && link < position())) {
            refuse();
            return;
        }
        if (link != 0 && !push({link, hierarchy ? Kind::Hierarchy : Kind::Channel, 0, 0, 0}))
            return;
        structureDone(position());
        break;
    }
    case Step::HierarchyHead:
        bpp_ = be32(p + 8);
        if (be32(p) > kMaxSide || be32(p + 4) > kMaxSide || bpp_ < 1 || bpp_ > kMaxBpp) {
            refuse();
            return;
        }
        startTable(Table::Levels);
        break;
    case Step::LevelHead:
        onLevelHead(p);
        break;
    case Step::TileTable:
        onTileTable(p, size);
        break;
    case Step::TileEnd:
        if (pointerAt(p) != 0) {
            refuse();
            return;
        }
        if (tiles_ > 0) {
            const uint32_t w = static_cast<uint32_t>(levelWidth_ - kTile * (tilesAcross(levelWidth_) - 1));
            const uint32_t h = static_cast<uint32_t>(levelHeight_ - kTile * (tilesAcross(levelHeight_) - 1));
            const Target tile{lastTile_, Kind::Tile, w, h, current_.bpp};
            if (compression_ == 0)
                maxEnd_ = std::max(maxEnd_, lastTile_ + uint64_t{w} * h * tile.bpp);
            else if (!push(tile))
                return;
        }
        structureDone(position());
        break;
    case Step::DummyLevel:
        structureDone(position());
        break;
    case Step::RleOp:
    case Step::RleLong:
        onRleOp(p, size);
        break;
    case Step::PathSize: {
        const uint32_t length = be32(p);
        if (length > kMaxProp) {
            refuse();
            return;
        }
        structureDone(position() + length);
        break;
    }
    case Step::Final:
        endsAt(maxEnd_);
        break;
    case Step::Zlib:
    case Step::Lost:
        break;
    }
}

void XcfWalker::onHeader(const uint8_t* p)
{
    if (std::memcmp(p, "gimp xcf ", 9) != 0 || p[13] != 0) {
        notFormat();
        return;
    }
    if (std::memcmp(p + 9, "file", 4) == 0) {
        version_ = 0;
    } else if (p[9] == 'v' && std::all_of(p + 10, p + 13, [](uint8_t c) { return c >= '0' && c <= '9'; })) {
        version_ = (p[10] - '0') * 100u + (p[11] - '0') * 10u + (p[12] - '0');
    } else {
        notFormat();
        return;
    }
    if (!side(be32(p + 14)) || !side(be32(p + 18)) || be32(p + 22) > 2) {
        notFormat();
        return;
    }
    pointerSize_ = version_ >= 11 ? 8 : 4;
    continuesTo(position());
    if (version_ > kNewestVersion) {
        // A later GIMP (or CinePaint from v100): its layout is not known.
        lose();
        return;
    }
    owner_ = Owner::Image;
    step_ = version_ >= 4 ? Step::Precision : Step::PropHead;
    need(version_ >= 4 ? 4 : 8);
}

void XcfWalker::onPropHead(const uint8_t* p)
{
    const uint32_t type = be32(p);
    const uint32_t length = be32(p + 4);
    if (type == 0) {
        if (length != 0)
            refuse();
        else
            afterProps();
        return;
    }
    if (type > kMaxPropType || length > kMaxProp) {
        refuse();
        return;
    }
    continuesTo(position() + length);
    if (owner_ == Owner::Image && type == kPropColormap && length >= 4) {
        step_ = Step::PropColormap;
        need(4);
    } else if (owner_ == Owner::Image && type == kPropCompression && length == 1) {
        step_ = Step::PropCompression;
        need(1);
    } else {
        skip(length);
        need(8);
    }
}

void XcfWalker::afterProps()
{
    switch (owner_) {
    case Owner::Image:
        startTable(Table::Layers);
        break;
    case Owner::Layer:
        step_ = Step::LayerLinks;
        need(2 * pointerSize_);
        break;
    case Owner::Channel:
        step_ = Step::ChannelLink;
        need(pointerSize_);
        break;
    case Owner::Effect:
        step_ = Step::EffectLink;
        need(pointerSize_);
        break;
    case Owner::Path:
        break;
    }
}

void XcfWalker::readStrings(Owner owner, int count)
{
    owner_ = owner;
    stringsLeft_ = count;
    step_ = Step::StringLength;
    need(4);
}

void XcfWalker::afterStrings()
{
    if (owner_ == Owner::Path) {
        step_ = Step::PathSize;
        need(4);
        return;
    }
    step_ = Step::PropHead;
    need(8);
}

void XcfWalker::startTable(Table table)
{
    table_ = table;
    entries_ = 0;
    step_ = Step::Pointers;
    need(pointerSize_);
}

void XcfWalker::onPointer(uint64_t pointer)
{
    if (pointer == 0) {
        if (table_ == Table::Layers)
            startTable(Table::Channels);
        else if (table_ == Table::Channels && version_ >= 18)
            startTable(Table::Paths);
        else
            structureDone(position());
        return;
    }
    ++entries_;
    if (pointer < position() || (table_ == Table::Levels && entries_ > kMaxLevels) ||
        (table_ == Table::Effects && entries_ > kMaxEffects)) {
        refuse();
        return;
    }
    static constexpr Kind kinds[] = {Kind::Layer, Kind::Channel, Kind::Path, Kind::Effect, Kind::Level};
    Kind kind = kinds[static_cast<size_t>(table_)];
    if (table_ == Table::Levels && entries_ > 1)
        kind = Kind::DummyLevel; // GIMP reads only the first level
    if (push({pointer, kind, 0, 0, bpp_}))
        need(pointerSize_);
}

void XcfWalker::onLevelHead(const uint8_t* p)
{
    levelWidth_ = be32(p);
    levelHeight_ = be32(p + 4);
    if (levelWidth_ > kMaxSide || levelHeight_ > kMaxSide) {
        refuse();
        return;
    }
    tiles_ = tilesAcross(levelWidth_) * tilesAcross(levelHeight_);
    tilesLeft_ = tiles_;
    lastTile_ = 0;
    if (tiles_ == 0) {
        step_ = Step::TileEnd;
        need(pointerSize_);
        return;
    }
    step_ = Step::TileTable;
    need(static_cast<size_t>(std::min(tilesLeft_, kTileBatch) * pointerSize_));
}

void XcfWalker::onTileTable(const uint8_t* p, size_t size)
{
    const uint64_t count = size / pointerSize_;
    // GIMP writes the tiles one after the other right behind the table, none
    // longer than one and a half times its raw size.
    const uint64_t maxTile = kTile * kTile * current_.bpp * 2;
    for (uint64_t i = 0; i < count; ++i) {
        const uint64_t pointer = pointerAt(p + i * pointerSize_);
        const bool first = lastTile_ == 0;
        const uint64_t tableEnd = position() + (tilesLeft_ - count + 1) * pointerSize_;
        if ((first && pointer != tableEnd) || (!first && (pointer <= lastTile_ || pointer - lastTile_ > maxTile))) {
            refuse();
            return;
        }
        lastTile_ = pointer;
    }
    tilesLeft_ -= count;
    continuesTo(lastTile_);
    if (tilesLeft_ > 0) {
        need(static_cast<size_t>(std::min(tilesLeft_, kTileBatch) * pointerSize_));
        return;
    }
    step_ = Step::TileEnd;
    need(pointerSize_);
}

void XcfWalker::startTile(const Target& tile)
{
    if (compression_ == 1) {
        rleStream_ = 0;
        rleLeft_ = uint64_t{tile.width} * tile.height;
        step_ = Step::RleOp;
        need(1);
        return;
    }
    if (!zlib_)
        zlib_ = std::make_unique<DeflateEnd>(15);
    else
        zlib_->reset();
    step_ = Step::Zlib;
    scan();
}

void XcfWalker::onRleOp(const uint8_t* p, size_t size)
{
    if (step_ == Step::RleLong) {
        // 127: a long run of one value (p, q, value); 128: p, q, then that
        // many different bytes.
        const uint64_t run = uint64_t{p[0]} << 8 | p[1];
        countRun(run, size == 3 ? 0 : run);
        return;
    }
    const uint8_t op = p[0];
    if (op == 127 || op == 128) {
        step_ = Step::RleLong;
        need(op == 127 ? 3 : 2);
    } else if (op < 127) {
        countRun(op + 1u, 1);
    } else {
        countRun(256u - op, 256u - op);
    }
}

void XcfWalker::countRun(uint64_t run, uint64_t skipBytes)
{
    if (run == 0 || run > rleLeft_) {
        lose(); // GIMP refuses such a tile: the end is not known
        return;
    }
    rleLeft_ -= run;
    if (rleLeft_ == 0 && ++rleStream_ == current_.bpp) {
        structureDone(position() + skipBytes);
        return;
    }
    if (rleLeft_ == 0)
        rleLeft_ = uint64_t{current_.width} * current_.height;
    skip(skipBytes);
    step_ = Step::RleOp;
    need(1);
}

size_t XcfWalker::onScan(const uint8_t* data, size_t size)
{
    if (step_ != Step::Zlib)
        return size;
    size_t used = 0;
    switch (zlib_->feed(data, size, used)) {
    case DeflateEnd::Result::End:
        structureDone(position() + used, position() + used);
        return used;
    case DeflateEnd::Result::Error:
        lose();
        return size;
    case DeflateEnd::Result::NeedMore:
        break;
    }
    continuesTo(position() + size);
    return size;
}

bool XcfWalker::push(const Target& target)
{
    if (pending_.size() >= kMaxPending) {
        lose();
        return false;
    }
    pending_.push_back(target);
    std::push_heap(pending_.begin(), pending_.end(),
                   [](const Target& a, const Target& b) { return a.offset > b.offset; });
    return true;
}

void XcfWalker::structureDone(uint64_t end, uint64_t at)
{
    maxEnd_ = std::max(maxEnd_, end);
    continuesTo(end);
    if (pending_.empty()) {
        if (maxEnd_ <= at) {
            endsAt(maxEnd_);
            return;
        }
        // Report the end once its last byte has arrived.
        step_ = Step::Final;
        skip(maxEnd_ - at - 1);
        need(1);
        return;
    }
    std::pop_heap(pending_.begin(), pending_.end(),
                  [](const Target& a, const Target& b) { return a.offset > b.offset; });
    current_ = pending_.back();
    pending_.pop_back();
    if (current_.offset < end) {
        lose(); // two structures overlap: not as GIMP writes
        return;
    }
    if (current_.offset - end <= kBelievedGap)
        continuesTo(current_.offset);
    skip(current_.offset - at);
    switch (current_.kind) {
    case Kind::Layer:
        step_ = Step::LayerHead;
        need(12);
        break;
    case Kind::Channel:
        step_ = Step::ChannelHead;
        need(8);
        break;
    case Kind::Hierarchy:
        step_ = Step::HierarchyHead;
        need(12);
        break;
    case Kind::Level:
        step_ = Step::LevelHead;
        need(8);
        break;
    case Kind::DummyLevel:
        // Width, height and a 32-bit zero, even where pointers are 64-bit.
        step_ = Step::DummyLevel;
        need(12);
        break;
    case Kind::Tile:
        startTile(current_);
        break;
    case Kind::Path:
        readStrings(Owner::Path, 1);
        break;
    case Kind::Effect:
        readStrings(Owner::Effect, version_ >= 22 ? 4 : 3);
        break;
    }
}

void XcfWalker::refuse()
{
    // The image header, its properties and pointer tables are the header
    // check; damage further on only leaves the end open.
    if (position() <= kHeaderLookahead && maxEnd_ == 0)
        notFormat();
    else
        lose();
}

void XcfWalker::lose()
{
    step_ = Step::Lost;
    scan();
}

} // namespace ostrel::walkers
