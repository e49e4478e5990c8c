#include "engine/walkers/TiffWalker.h"

#include "engine/walkers/TiffMakerNotes.h"

#include <algorithm>
#include <cstring>

namespace ostrel::walkers {

namespace {

// The first bytes kept for looking back, the most recent bytes kept, and
// the largest single read (a directory, a chunk of an array).
constexpr size_t kWindow = 192 * 1024;
constexpr size_t kRing = 128 * 1024;
constexpr size_t kMaxRead = 64 * 1024;
// Pieces are taken at most this large, so a finished read is still in the
// ring: it ends within one piece of the stream and is at most kMaxRead long.
constexpr size_t kPiece = 32 * 1024;
static_assert(kPiece + kMaxRead <= kRing);

constexpr size_t kMaxPending = 1024;
constexpr size_t kMaxDirectories = 512;
constexpr uint64_t kMaxPointers = 64;   // SubIFDs of one directory
constexpr uint64_t kChunkValues = 4096; // values of an array per read
constexpr size_t kMaxText = 64;
constexpr size_t kMakerNoteHead = 32;
// Canon's recipe trailer: a 0x1c-byte header and a 0x40-byte footer, both
// starting with this name, around data whose length the header gives.
constexpr char kCanonRecipe[] = "CANON OPTIONAL DATA";
constexpr size_t kRecipeHeader = 0x1c;
constexpr uint64_t kRecipeFrame = 0x1c + 0x40;

uint64_t maxEntries(const TiffLayout& layout)
{
    return (kMaxRead - layout.offsetSize()) / layout.entrySize();
}

} // namespace

TiffWalker::TiffWalker()
    : bytes_(kWindow, kRing), scratch_(new uint8_t[kMaxRead]), values_(new uint64_t[kChunkValues])
{
}

std::string TiffWalker::provenType() const
{
    return validated_ ? tiffProvenType(facts_) : std::string();
}

Verdict TiffWalker::feed(const uint8_t* data, size_t size)
{
    while (size > 0 && !verdict_.final()) {
        // Once nothing is pending, the bytes to come only count.
        if (headerRead_ && pending_.empty()) {
            bytes_.pass(data, size);
            updateVerdict();
            break;
        }
        const size_t n = std::min(size, kPiece);
        uint64_t nearest = UINT64_MAX;
        for (const Read& r : pending_)
            nearest = std::min(nearest, r.offset);
        if (headerRead_ && nearest >= bytes_.end() + n)
            bytes_.pass(data, n); // no pending read starts in this piece
        else
            bytes_.append(data, n);
        data += n;
        size -= n;
        if (!headerRead_)
            readHeader();
        processReady();
        updateVerdict();
    }
    return verdict_;
}

void TiffWalker::readHeader()
{
    uint8_t head[16];
    if (!bytes_.copy(0, sizeof head, head))
        return;
    headerRead_ = true;
    uint64_t firstIfd = 0;
    if (!readTiffHeader(head, facts_.header, layout_, firstIfd)) {
        verdict_ = Verdict{State::NotFormat, 0};
        return;
    }
    facts_.phaseOneMarker = std::memcmp(head + 8, "IIII", 4) == 0 || std::memcmp(head + 8, "MMMM", 4) == 0;
    headerSize_ = layout_.big || facts_.header == TiffHeader::Canon ? 16 : 8;
    // Classic offsets are 32-bit; no BigTIFF on a medium reaches 1 TiB here.
    extent_.setLimits(8, layout_.big ? uint64_t{1} << 40 : uint64_t{1} << 32);
    extent_.reaches(headerSize_);
    queueDirectory(firstIfd, TiffDir::Main, layout_, 0, true, true);
}

void TiffWalker::queue(const Read& read)
{
    if (read.length == 0 || read.length > kMaxRead || read.offset > (uint64_t{1} << 40))
        return;
    if (pending_.size() >= kMaxPending) {
        extent_.inexact();
        return;
    }
    // Sorted by end, farthest first, so the next read to finish is last.
    auto at = std::upper_bound(pending_.begin(), pending_.end(), read.end(),
                               [](uint64_t end, const Read& r) { return end > r.end(); });
    pending_.insert(at, read);
}

void TiffWalker::queueDirectory(uint64_t offset, TiffDir dir, const TiffLayout& layout, uint64_t base, bool chain,
                                bool first)
{
    if (offset < 8)
        return; // a zero or damaged offset points at the header
    if (std::find(visited_.begin(), visited_.end(), offset) != visited_.end())
        return;
    if (visited_.size() >= kMaxDirectories) {
        extent_.inexact();
        return;
    }
    visited_.push_back(offset);
    Read r;
    r.offset = offset;
    r.length = static_cast<uint32_t>(layout.countSize());
    r.kind = ReadKind::DirectoryCount;
    r.dir = dir;
    r.layout = layout;
    r.base = base;
    r.chain = chain;
    r.firstDirectory = first;
    queue(r);
}

void TiffWalker::processReady()
{
    while (!pending_.empty() && !verdict_.final() && pending_.back().end() <= bytes_.end()) {
        const Read r = pending_.back();
        pending_.pop_back();
        if (!bytes_.copy(r.offset, r.length, scratch_.get())) {
            // Behind the stream and out of the kept bytes: lost.
            extent_.inexact();
            continue;
        }
        handle(r, scratch_.get());
    }
}

bool TiffWalker::trustedEnd() const
{
    // Panasonic byte counts are unreliable (zero or the unpacked size) and
    // Phase One keeps its raw data in a directory of its own.
    return extent_.exact() && facts_.header != TiffHeader::Panasonic && tiffProvenType(facts_) != "IIQ";
}

void TiffWalker::updateVerdict()
{
    if (verdict_.final() || !validated_)
        return;
    const uint64_t end = std::max(extent_.end(), headerSize_);
    // The end is given once the stream reaches it: a file cut short (the
    // rest overwritten) must not claim bytes that never came.
    if (pending_.empty() && trustedEnd() && bytes_.end() >= end)
        verdict_ = Verdict{State::Ends, end};
    else if (verdict_.state != State::Continues || end > verdict_.offset)
        verdict_ = Verdict{State::Continues, end};
}

void TiffWalker::handle(const Read& read, const uint8_t* bytes)
{
    switch (read.kind) {
    case ReadKind::DirectoryCount:
        onDirectoryCount(read, bytes);
        break;
    case ReadKind::Directory:
        onDirectory(read, bytes);
        break;
    case ReadKind::Probe:
        knownTypes(read, bytes);
        break;
    case ReadKind::Values:
        onValues(read, bytes);
        break;
    case ReadKind::Pointers:
        for (uint64_t i = 0; i < read.count; ++i)
            queueDirectory(read.base + tiffUnsigned(read.layout, read.type, bytes, i), read.dir, read.layout,
                           read.base, false);
        break;
    case ReadKind::Text: {
        const size_t n = strnlen(reinterpret_cast<const char*>(bytes), read.length);
        std::string& text = read.tag == tifftag::Make ? facts_.make : facts_.model;
        text.assign(reinterpret_cast<const char*>(bytes), n);
        break;
    }
    case ReadKind::MakerNote:
        onMakerNote(read, bytes);
        break;
    case ReadKind::Recipe:
        onRecipe(read, bytes);
        break;
    }
}

void TiffWalker::badDirectory(const Read& read)
{
    // The first directory is the header check: refused while it lies in the
    // look-ahead, otherwise nothing is proven. A later one that is damaged
    // leaves the end unknown.
    if (read.firstDirectory && read.end() <= kHeaderLookahead)
        verdict_ = Verdict{State::NotFormat, 0};
    extent_.inexact();
}

void TiffWalker::onDirectoryCount(const Read& read, const uint8_t* bytes)
{
    const uint64_t entries = read.layout.count(bytes);
    if (entries == 0 || entries > maxEntries(read.layout)) {
        badDirectory(read);
        return;
    }
    Read body = read;
    body.kind = ReadKind::Directory;
    body.offset = read.end();
    body.count = entries;
    body.length = static_cast<uint32_t>(entries * read.layout.entrySize() + read.layout.offsetSize());
    queue(body);
    // A first directory reaching beyond the look-ahead: its entries inside
    // the look-ahead are checked there, so the header can still be refused.
    const uint64_t probed = body.offset < kHeaderLookahead ? (kHeaderLookahead - body.offset) / read.layout.entrySize() : 0;
    if (read.firstDirectory && body.end() > kHeaderLookahead && probed > 0) {
        Read probe = body;
        probe.kind = ReadKind::Probe;
        probe.count = probed;
        probe.length = static_cast<uint32_t>(probed * read.layout.entrySize());
        queue(probe);
    }
}

bool TiffWalker::knownTypes(const Read& read, const uint8_t* bytes)
{
    for (uint64_t i = 0; i < read.count; ++i) {
        if (tiffTypeSize(read.layout.u16(bytes + i * read.layout.entrySize() + 2), read.layout.big) == 0) {
            badDirectory(read);
            return false;
        }
    }
    return true;
}

void TiffWalker::onDirectory(const Read& read, const uint8_t* bytes)
{
    const TiffLayout& L = read.layout;
    const size_t entrySize = L.entrySize();
    if (read.firstDirectory) {
        if (!knownTypes(read, bytes))
            return;
        validated_ = true;
    }
    extent_.block(read.offset - L.countSize(), L.countSize() + read.length);
    const Entry* pairs[kTiffPairSlots][2] = {};
    std::vector<Entry> entries(read.count);
    for (uint64_t i = 0; i < read.count; ++i) {
        const uint8_t* p = bytes + i * entrySize;
        Entry& e = entries[i];
        e.tag = L.u16(p);
        e.type = L.u16(p + 2);
        e.count = L.big ? L.u64(p + 4) : L.u32(p + 4);
        e.field = p + (L.big ? 12 : 8);
        const unsigned size = tiffTypeSize(e.type, L.big);
        if (size == 0 || e.count > (uint64_t{1} << 40) / size)
            continue; // an unknown type: its size, and so its values, are unknown
        e.inlined = e.count * size <= L.offsetSize();
        if (!e.inlined) {
            e.valueOffset = read.base + L.offset(e.field);
            extent_.block(e.valueOffset, e.count * size);
        }
        onEntry(read, e);
        const TiffPairTag pt = tiffPairTag(read.dir, e.tag);
        if (pt.slot >= 0)
            pairs[pt.slot][pt.side] = &e;
    }
    for (auto& slot : pairs) {
        if (slot[0])
            onPair(read, slot[0], slot[1]);
    }
    if (read.chain) {
        const uint64_t next = L.offset(bytes + read.count * entrySize);
        if (next != 0)
            queueDirectory(read.base + next, read.dir, L, read.base, true);
    }
}

void TiffWalker::onEntry(const Read& read, const Entry& e)
{
    const TiffLayout& L = read.layout;
    if (read.dir == TiffDir::Main) {
        if ((e.tag == tifftag::Make && facts_.make.empty()) || (e.tag == tifftag::Model && facts_.model.empty())) {
            std::string& text = e.tag == tifftag::Make ? facts_.make : facts_.model;
            if (e.inlined) {
                const size_t n = static_cast<size_t>(e.count);
                text.assign(reinterpret_cast<const char*>(e.field), strnlen(reinterpret_cast<const char*>(e.field), n));
            } else {
                Read t;
                t.kind = ReadKind::Text;
                t.tag = e.tag;
                t.offset = e.valueOffset;
                t.length = static_cast<uint32_t>(std::min<uint64_t>(e.count, kMaxText));
                queue(t);
            }
        }
        if (e.tag == tifftag::DngVersion && read.firstDirectory)
            facts_.dng = true;
        if ((e.tag == tifftag::Photometric || e.tag == tifftag::Compression) && e.inlined && e.count >= 1) {
            const uint64_t value = tiffUnsigned(L, e.type, e.field, 0);
            facts_.rawData = facts_.rawData || tiffMarksRawData(e.tag, value);
            if (e.tag == tifftag::Compression && read.firstDirectory && value == 6)
                facts_.firstOldJpeg = true;
        }
    }
    if (read.dir == TiffDir::Exif && e.tag == tifftag::MakerNote && !e.inlined && e.type == 7) {
        Read m;
        m.kind = ReadKind::MakerNote;
        m.offset = e.valueOffset;
        m.length = static_cast<uint32_t>(std::min<uint64_t>(e.count, kMakerNoteHead));
        m.layout = L;
        queue(m);
    }
    if (read.dir == TiffDir::CanonMaker)
        onCanonEntry(e);
    if (const auto target = tiffPointerTarget(read.dir, e.tag, e.type)) {
        const uint64_t n = std::min(e.count, kMaxPointers);
        if (e.inlined) {
            for (uint64_t i = 0; i < n; ++i)
                queueDirectory(read.base + tiffUnsigned(L, e.type, e.field, i), *target, L, read.base, false);
        } else {
            Read p;
            p.kind = ReadKind::Pointers;
            p.dir = *target;
            p.layout = L;
            p.base = read.base;
            p.type = e.type;
            p.count = n;
            p.offset = e.valueOffset;
            p.length = static_cast<uint32_t>(n * tiffTypeSize(e.type, L.big));
            queue(p);
        }
    }
}

void TiffWalker::onPair(const Read& read, const Entry* offsets, const Entry* counts)
{
    const bool believed = counts && !(facts_.header == TiffHeader::Panasonic && read.dir == TiffDir::Main);
    if (!tiffIsUnsignedType(offsets->type) || (counts && !tiffIsUnsignedType(counts->type))) {
        extent_.inexact();
        return;
    }
    uint64_t n = offsets->count;
    int id = -1;
    if (believed) {
        if (counts->count != offsets->count)
            extent_.inexact();
        n = std::min(offsets->count, counts->count);
        id = extent_.openPair(n);
    } else {
        extent_.inexact(); // data of unknown length: only where it starts is known
    }
    for (int side = 0; side < (believed ? 2 : 1); ++side) {
        const Entry* e = side == 0 ? offsets : counts;
        Read v;
        v.kind = ReadKind::Values;
        v.layout = read.layout;
        v.base = side == 0 ? read.base : 0;
        v.type = e->type;
        v.total = n;
        v.pair = id;
        v.side = side;
        if (e->inlined) {
            v.count = n;
            onValues(v, e->field);
        } else {
            v.offset = e->valueOffset;
            queueValues(v);
        }
    }
}

void TiffWalker::queueValues(const Read& read)
{
    if (read.first >= read.total)
        return;
    Read r = read;
    r.count = std::min(read.total - read.first, kChunkValues);
    r.length = static_cast<uint32_t>(r.count * tiffTypeSize(r.type, r.layout.big));
    queue(r);
}

void TiffWalker::onValues(const Read& read, const uint8_t* bytes)
{
    uint64_t* values = values_.get();
    const size_t n = static_cast<size_t>(std::min(read.count, kChunkValues));
    for (size_t i = 0; i < n; ++i)
        values[i] = tiffUnsigned(read.layout, read.type, bytes, i) + read.base;
    if (read.pair >= 0) {
        extent_.deliver(read.pair, read.side, read.first, values, n);
    } else if (read.side == 0) {
        for (size_t i = 0; i < n; ++i)
            extent_.reaches(values[i]);
    }
    if (read.length == 0)
        return; // the values stood in their entry
    Read next = read;
    next.first = read.first + n;
    next.offset = read.end();
    queueValues(next);
}

void TiffWalker::onMakerNote(const Read& read, const uint8_t* bytes)
{
    auto m = locateMakerNote(bytes, read.length, layout_.little);
    if (!m && facts_.header == TiffHeader::Canon) {
        // Canon maker notes are a bare directory; in CR2 their offsets count
        // from the start of the file.
        m = MakerNoteDirectory{TiffDir::CanonMaker, 0, 0, true, layout_.little};
    }
    if (!m)
        return;
    TiffLayout layout;
    layout.little = m->little;
    const uint64_t base = m->fromFile ? 0 : read.offset + m->base;
    queueDirectory(read.offset + m->ifd, m->dir, layout, base, false);
}

} // namespace ostrel::walkers

namespace ostrel::walkers {

void TiffWalker::onCanonEntry(const Entry& e)
{
    if (!e.inlined || e.count != 1 || (e.type != 4 && e.type != 13))
        return;
    const uint64_t offset = layout_.u32(e.field);
    if (offset == 0)
        return;
    if (e.tag == tifftag::CanonRecipe) {
        // The recipe trailer that Canon's raw converter appends.
        Read r;
        r.kind = ReadKind::Recipe;
        r.offset = offset;
        r.length = kRecipeHeader;
        queue(r);
    } else if (e.tag == tifftag::CanonDecisionData) {
        extent_.reaches(offset); // its length is not given
        extent_.inexact();
    }
}

void TiffWalker::onRecipe(const Read& read, const uint8_t* bytes)
{
    if (std::memcmp(bytes, kCanonRecipe, sizeof kCanonRecipe) != 0) {
        extent_.inexact();
        return;
    }
    extent_.block(read.offset, be32(bytes + 0x18) + kRecipeFrame);
}

} // namespace ostrel::walkers
