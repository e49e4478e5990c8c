#include "engine/walkers/ProgramStreamWalker.h"

#include <cstring>

namespace ostrel::walkers {

namespace {

constexpr uint8_t kPack = 0xBA;
constexpr uint8_t kEnd = 0xB9;
constexpr uint8_t kSystemHeader = 0xBB;
constexpr uint8_t kPrivateStream2 = 0xBF; // DVD navigation data
constexpr unsigned kCheckCodes = 4;       // start codes in a row that prove a stream
constexpr size_t kStartCode = 6;          // start code and the two bytes behind it

} // namespace

ProgramStreamWalker::ProgramStreamWalker()
{
    need(kStartCode);
}

std::string ProgramStreamWalker::provenType() const
{
    return navigation_ ? "VOB" : "";
}

void ProgramStreamWalker::onData(const uint8_t* r, size_t)
{
    if (step_ == Step::StartCode)
        onStartCode(r);
    else
        onPackRest(r);
}

void ProgramStreamWalker::onStartCode(const uint8_t* r)
{
    const uint64_t start = recordStart();
    if (r[0] != 0 || r[1] != 0 || r[2] != 1 || (codes_ == 0 && r[3] != kPack)) {
        notAPacket(start);
        return;
    }
    const uint8_t id = r[3];
    if (id == kEnd) {
        // The end code is a start code in its place too.
        if (++codes_ >= kCheckCodes)
            locked_ = true;
        if (locked_)
            endsAt(start + 4);
        else
            notFormat();
        return;
    }
    if (id == kPack) {
        // MPEG-2 packs begin 01, MPEG-1 packs 0010, in the byte after the code.
        mpeg1_ = (r[4] & 0xF0) == 0x20;
        if (!mpeg1_ && (r[4] & 0xC0) != 0x40) {
            notAPacket(start);
            return;
        }
        std::memcpy(packStart_, r + 4, 2);
        step_ = Step::PackRest;
        need(mpeg1_ ? 12 - kStartCode : 14 - kStartCode);
        return;
    }
    if (id < kSystemHeader) {
        notAPacket(start);
        return;
    }
    const uint16_t length = be16(r + 4);
    if (length == 0) {
        notAPacket(start);
        return;
    }
    if (packs_ == 1 && codes_ == 1 && id == kSystemHeader)
        systemHeaderFirst_ = true;
    if (packs_ == 1 && systemHeaderFirst_ && id == kPrivateStream2)
        navigation_ = true;
    next(start + kStartCode + length);
}

void ProgramStreamWalker::onPackRest(const uint8_t* r)
{
    const uint64_t start = recordStart() - kStartCode;
    // Marker bits of the system clock and the mux rate.
    const uint8_t b4 = packStart_[0], b6 = r[0], b8 = r[2], b9 = r[3];
    bool valid = false;
    uint64_t end = 0;
    if (mpeg1_) {
        valid = (b4 & 0x01) && (b6 & 0x01) && (b8 & 0x01) && (b9 & 0x80) && (r[5] & 0x01);
        end = start + 12;
    } else {
        valid = (b4 & 0x04) && (b6 & 0x04) && (b8 & 0x04) && (b9 & 0x01) && (r[6] & 0x03) == 0x03;
        end = start + 14 + (r[7] & 0x07);
    }
    if (!valid) {
        notAPacket(start);
        return;
    }
    ++packs_;
    step_ = Step::StartCode;
    next(end);
}

void ProgramStreamWalker::next(uint64_t at)
{
    // A pack or packet whose successor lies beyond what the header check
    // may read proves the stream as well.
    if (++codes_ >= kCheckCodes || at + kStartCode > kHeaderLookahead)
        locked_ = true;
    if (locked_)
        continuesTo(at);
    step_ = Step::StartCode;
    skip(at - position());
    need(kStartCode);
}

void ProgramStreamWalker::notAPacket(uint64_t at)
{
    if (locked_)
        endsAt(at);
    else
        notFormat();
}

} // namespace ostrel::walkers
