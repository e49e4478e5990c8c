#include "engine/walkers/MxfWalker.h"

#include <cstring>

namespace ostrel::walkers {

namespace {

constexpr uint8_t kSmpte[4] = {0x06, 0x0E, 0x2B, 0x34};
// Partition packs: 06 0E 2B 34 02 05 01 01 0D 01 02 01 01 kk ss 00, kk 02
// header, 03 body, 04 footer; 11 01 is the random index pack.
constexpr uint8_t kPartitionPrefix[13] = {0x06, 0x0E, 0x2B, 0x34, 0x02, 0x05, 0x01, 0x01, 0x0D, 0x01, 0x02, 0x01, 0x01};
constexpr size_t kKeyAndLength = 17;
constexpr size_t kPartitionFixed = 88; // partition pack fields up to the operational pattern

bool partitionKey(const uint8_t* k, uint8_t kind)
{
    return std::memcmp(k, kPartitionPrefix, sizeof kPartitionPrefix) == 0 && k[13] == kind && k[15] == 0;
}

} // namespace

MxfWalker::MxfWalker()
{
    need(kKeyAndLength);
}

void MxfWalker::onData(const uint8_t* r, size_t size)
{
    switch (step_) {
    case Step::Key: {
        keyStart_ = recordStart();
        std::memcpy(key_, r, 16);
        const bool first = triplets_ == 0;
        if (std::memcmp(r, kSmpte, 4) != 0 || (first && (!partitionKey(r, 0x02) || r[14] < 1 || r[14] > 4))) {
            if (first)
                notFormat();
            else
                endsAt(keyStart_);
            return;
        }
        const uint8_t ber = r[16];
        if (ber < 0x80) {
            onValue(position(), ber);
        } else if (ber == 0x80 || ber > 0x88) {
            // Indefinite or over-long lengths have no place in MXF.
            if (first)
                notFormat();
            else
                endsAt(keyStart_);
        } else {
            step_ = Step::LongLength;
            need(ber & 0x7F);
        }
        break;
    }
    case Step::LongLength: {
        uint64_t length = 0;
        for (size_t i = 0; i < size; ++i)
            length = length << 8 | r[i];
        onValue(position(), length);
        break;
    }
    case Step::PartitionPack: {
        // Major version 1, this partition at 0, no previous one; the footer's offset.
        const uint64_t footer = be64(r + 24);
        if (be16(r) != 1 || be64(r + 8) != 0 || be64(r + 16) != 0 || std::memcmp(r + 64, kSmpte, 4) != 0) {
            notFormat();
            return;
        }
        if (footer != 0)
            continuesTo(footer);
        nextKey(recordStart() + pendingLength_);
        break;
    }
    }
}

void MxfWalker::onValue(uint64_t valueStart, uint64_t length)
{
    if (length > (1ull << 56)) {
        if (triplets_ == 0)
            notFormat();
        else
            brokenAt(keyStart_);
        return;
    }
    const uint64_t end = valueStart + length;
    if (triplets_++ == 0) {
        if (length < kPartitionFixed) {
            notFormat();
            return;
        }
        pendingLength_ = length;
        step_ = Step::PartitionPack;
        need(kPartitionFixed);
        return;
    }
    if (partitionKey(key_, 0x11)) {
        endsWhenFed(end); // the random index pack closes the file
        return;
    }
    nextKey(end);
}

void MxfWalker::nextKey(uint64_t at)
{
    continuesTo(at);
    step_ = Step::Key;
    skip(at - position());
    need(kKeyAndLength);
}

} // namespace ostrel::walkers
