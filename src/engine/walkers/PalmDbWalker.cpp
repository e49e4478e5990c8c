#include "engine/walkers/PalmDbWalker.h"

#include <cstring>

namespace ostrel::walkers {

PalmDbWalker::PalmDbWalker()
{
    need(78);
}

void PalmDbWalker::onRecord(const uint8_t* r, size_t)
{
    switch (phase_) {
    case Phase::Header: {
        // A NUL-terminated name, type and creator, at least one record.
        const uint16_t records = be16(r + 76);
        if (!std::memchr(r, 0, 32) || std::memcmp(r + 60, "BOOKMOBI", 8) != 0 || records == 0) {
            notFormat();
            return;
        }
        recordsLeft_ = records;
        listEnd_ = 78 + 8u * records;
        phase_ = Phase::Records;
        need(8);
        break;
    }
    case Phase::Records: {
        const uint32_t offset = be32(r);
        // Records follow the list and one another in order.
        if (offset < listEnd_ || offset < lastOffset_) {
            if (position() <= kHeaderLookahead)
                notFormat();
            else
                brokenAt(recordStart());
            return;
        }
        lastOffset_ = offset;
        continuesTo(offset);
        if (--recordsLeft_ > 0) {
            need(8);
            return;
        }
        phase_ = Phase::LastRecord;
        skip(lastOffset_ - position());
        need(4);
        break;
    }
    case Phase::LastRecord:
        phase_ = Phase::Done;
        if (be32(r) == 0xE98E0D0A)
            endsAt(lastOffset_ + 4ull);
        else
            scan(); // the last record's length is not known
        break;
    case Phase::Done:
        break;
    }
}

} // namespace ostrel::walkers
