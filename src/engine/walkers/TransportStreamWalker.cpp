#include "engine/walkers/TransportStreamWalker.h"

namespace ostrel::walkers {

namespace {

constexpr uint8_t kSync = 0x47;
constexpr size_t kPacketHeader = 4;
constexpr unsigned kCheckPackets = 8;
constexpr size_t kCheckBytes = kCheckPackets * 188;
// A packet of a stream never seen before counts once a packet in place
// follows it (or three such packets stand in a row).
constexpr unsigned kMaxDoubtful = 3;
constexpr uint16_t kNullPid = 0x1FFF; // stuffing, e.g. to fill an AVCHD aligned unit

struct Layout {
    size_t stride;
    size_t syncAt;
};
constexpr Layout kLayouts[] = {{188, 0}, {192, 4}, {204, 0}, {192, 0}};

uint16_t pidOf(const uint8_t* h)
{
    return static_cast<uint16_t>((h[1] & 0x1F) << 8 | h[2]);
}

} // namespace

TransportStreamWalker::TransportStreamWalker()
{
    need(kCheckBytes);
}

void TransportStreamWalker::onData(const uint8_t* r, size_t)
{
    if (detected_) {
        onPacket(r);
        return;
    }
    if (!detect(r)) {
        notFormat();
        return;
    }
    detected_ = true;
    const uint64_t checked = kCheckPackets * stride_;
    continuesTo(checked);
    nextPacket(checked);
}

void TransportStreamWalker::nextPacket(uint64_t packetStart)
{
    // Only the packet header is read; the payload is passed over.
    skip(packetStart + syncAt_ - position());
    need(kPacketHeader);
}

bool TransportStreamWalker::detect(const uint8_t* r)
{
    for (const Layout& l : kLayouts) {
        bool inPlace = true;
        for (unsigned k = 0; k < kCheckPackets && inPlace; ++k) {
            const size_t at = k * l.stride + l.syncAt;
            inPlace = at + 4 <= kCheckBytes && r[at] == kSync && ((r[at + 3] >> 4) & 3) != 0;
        }
        if (!inPlace)
            continue;
        stride_ = l.stride;
        syncAt_ = l.syncAt;
        for (unsigned k = 0; k < kCheckPackets; ++k)
            pids_.set(pidOf(r + k * l.stride + l.syncAt));
        return true;
    }
    return false;
}

void TransportStreamWalker::onPacket(const uint8_t* h)
{
    const uint64_t start = recordStart() - syncAt_;
    nextPacket(start + stride_);
    if (h[0] != kSync) {
        endsAt(doubtful_ ? doubtStart_ : start);
        return;
    }
    const uint16_t pid = pidOf(h);
    const bool reservedControl = ((h[3] >> 4) & 3) == 0;
    if ((pids_.test(pid) || pid == kNullPid) && !reservedControl) {
        for (unsigned i = 0; i < doubtful_; ++i)
            accept(doubtPids_[i]);
        doubtful_ = 0;
        accept(pid);
        continuesTo(start + stride_);
        return;
    }
    if (doubtful_ == 0)
        doubtStart_ = start;
    doubtPids_[doubtful_++] = pid;
    if (doubtful_ == kMaxDoubtful) {
        // Several packets in place in a row: a real stream, not chance.
        for (unsigned i = 0; i < doubtful_; ++i)
            accept(doubtPids_[i]);
        doubtful_ = 0;
        continuesTo(start + stride_);
    }
}

void TransportStreamWalker::accept(uint16_t pid)
{
    pids_.set(pid);
}

} // namespace ostrel::walkers
