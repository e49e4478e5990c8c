#include "engine/walkers/RealMediaWalker.h"

#include "engine/walkers/ChunkIds.h"

namespace ostrel::walkers {

namespace {

constexpr size_t kChunkHeader = 10;   // ID, size, version
constexpr size_t kDataHeaderRest = 8; // packet count, next data header
constexpr size_t kPacketHeader = 12;
constexpr uint32_t kFileHeaderSize = 18;
constexpr size_t kEndMarker = 8;

bool allZero(const uint8_t* p, size_t n)
{
    for (size_t i = 0; i < n; ++i) {
        if (p[i] != 0)
            return false;
    }
    return true;
}

} // namespace

RealMediaWalker::RealMediaWalker()
{
    need(kChunkHeader);
}

void RealMediaWalker::onData(const uint8_t* r, size_t)
{
    switch (step_) {
    case Step::Chunk:
        onChunk(r);
        break;
    case Step::DataHeader:
        packetsLeft_ = be32(r);
        if (packetsLeft_ == 0) {
            scan(); // packets not counted: the size field is all there is, and muxers differ on it
            return;
        }
        step_ = Step::Packet;
        need(4);
        break;
    case Step::Packet: {
        // Version 0 or 1, a length that holds the packet header.
        const uint64_t start = recordStart();
        const unsigned length = be16(r + 2);
        if (be16(r) > 1 || length < kPacketHeader) {
            brokenAt(start);
            return;
        }
        if (--packetsLeft_ == 0) {
            nextChunk(start + length);
            return;
        }
        continuesTo(start + length);
        skip(start + length - position());
        need(4);
        break;
    }
    }
}

void RealMediaWalker::onChunk(const uint8_t* r)
{
    const uint64_t start = recordStart();
    const uint32_t size = be32(r + 4);
    const unsigned version = be16(r + 8);
    if (chunks_ == 0) {
        if (!isFourCC(r, ".RMF") || size < kFileHeaderSize || size > 64 || version > 1) {
            notFormat();
            return;
        }
    } else if (!isOneOf(r, {"PROP", "MDPR", "CONT", "DATA", "INDX", "RMMD", "RJMD"}) || size < kChunkHeader ||
        version > 2) {
        if (chunks_ == 1)
            notFormat(); // the file header is followed by its properties
        else
            endsAt(start + (allZero(r, kEndMarker) ? kEndMarker : 0));
        return;
    }
    ++chunks_;
    if (isFourCC(r, "DATA")) {
        step_ = Step::DataHeader;
        continuesTo(start + kChunkHeader + kDataHeaderRest);
        need(kDataHeaderRest);
        return;
    }
    nextChunk(start + size);
}

void RealMediaWalker::nextChunk(uint64_t at)
{
    continuesTo(at);
    step_ = Step::Chunk;
    skip(at - position());
    need(kChunkHeader);
}

} // namespace ostrel::walkers
