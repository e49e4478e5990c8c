#pragma once
// MPEG transport streams: 188-byte packets (TS), 192-byte packets with a
// 4-byte time code in front (M2TS and AVCHD MTS), or 204-byte packets with
// parity behind. The header check wants eight packets in a row with the
// sync byte 0x47 exactly one packet apart. The file ends after the last
// packet whose sync byte is in place; a packet of a stream (PID) never seen
// before counts only when the packet behind it is in place too, so random
// data behind a clip is not taken for one more packet. With 192-byte
// packets (camera clips) the table packets (PIDs below 0x20) must count
// on, so the next clip recorded right behind is not taken for part of it.

#include "engine/walkers/MediaWalker.h"

#include <bitset>

namespace ostrel::walkers {

class TransportStreamWalker final : public MediaWalker {
public:
    TransportStreamWalker();

private:
    void onData(const uint8_t* record, size_t size) override;
    bool detect(const uint8_t* r);
    void onPacket(const uint8_t* p);
    void accept(uint16_t pid);
    void nextPacket(uint64_t packetStart);
    bool tableFollows(uint16_t pid, const uint8_t* header);

    bool detected_ = false;
    size_t stride_ = 188;
    size_t syncAt_ = 0;
    std::bitset<8192> pids_;
    int8_t tableCounters_[0x20]; // continuity counters of the table streams, -1 before their first packet
    unsigned doubtful_ = 0;
    uint64_t doubtStart_ = 0;
    uint16_t doubtPids_[4] = {};
};

} // namespace ostrel::walkers
