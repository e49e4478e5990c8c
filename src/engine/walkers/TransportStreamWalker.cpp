#include "engine/walkers/TransportStreamWalker.h"

#include <algorithm>
#include <iterator>

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
constexpr uint16_t kTablePids = 0x20; // PAT, CAT, NIT, SDT, EIT ... SIT

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
    std::fill(std::begin(tableCounters_), std::end(tableCounters_), int8_t{-1});
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
        for (unsigned k = 0; k < kCheckPackets; ++k) {
            const uint8_t* h = r + k * l.stride + l.syncAt;
            pids_.set(pidOf(h));
            if (pidOf(h) < kTablePids)
                tableFollows(pidOf(h), h);
        }
        return true;
    }
    return false;
}

void TransportStreamWalker::onPacket(const uint8_t* h)
{
    const uint64_t start = recordStart() - syncAt_;
    nextPacket(start + stride_);
    const uint16_t pid = pidOf(h);
    if (h[0] != kSync || (syncAt_ == 4 && pid < kTablePids && !tableFollows(pid, h))) {
        endsAt(doubtful_ ? doubtStart_ : start);
        return;
    }
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

bool TransportStreamWalker::tableFollows(uint16_t pid, const uint8_t* h)
{
    // A camera clip counts its table packets on from the clip's start; the
    // next clip recorded right behind counts from 0 again. (Broadcast
    // recordings of 188-byte packets lose packets, so only clips are held
    // to this.)
    if (((h[3] >> 4) & 1) == 0)
        return true; // no payload: the counter does not advance
    const int8_t counter = static_cast<int8_t>(h[3] & 0x0F);
    int8_t& last = tableCounters_[pid];
    const bool follows = last < 0 || counter == last || counter == ((last + 1) & 0x0F);
    last = counter;
    return follows;
}

void TransportStreamWalker::accept(uint16_t pid)
{
    pids_.set(pid);
}

} // namespace ostrel::walkers
