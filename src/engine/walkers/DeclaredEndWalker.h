#pragma once
// A record-reading walker for formats whose length follows from their
// fields (declared block sizes, image dimensions): once the walker knows the
// end it calls finishAt(), which proves the file goes on to that end and
// gives the end itself when the last byte arrives, so a file cut short never
// claims bytes that did not come.

#include "engine/walkers/StreamWalker.h"

namespace ostrel::walkers {

class DeclaredEndWalker : public StreamWalker {
protected:
    // The file ends at `end` (bytes from its start). `from` is where the
    // stream will stand when the bytes already asked to be skipped are
    // passed (position() when nothing is being skipped); end >= from.
    void finishAt(uint64_t end, uint64_t from);
    void finishAt(uint64_t end) { finishAt(end, position()); }

    // Replaces onRecord() for the formats' own records.
    virtual void onField(const uint8_t* record, size_t size) = 0;

    // A wrong field inside the look-ahead refuses the header; later it is a
    // field that cannot stand there and the file breaks at its record.
    void refuse();

private:
    void onRecord(const uint8_t* record, size_t size) final;

    bool finishing_ = false;
};

} // namespace ostrel::walkers
