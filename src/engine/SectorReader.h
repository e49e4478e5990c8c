#pragma once
// Walks a sector range [start, end) of a source one 512-byte sector at a
// time, while a background thread reads ahead in large sequential chunks into
// aligned buffers, so reading the medium and carving overlap.
//
// Failing media are read the way data-rescue tools read them:
// - a chunk that cannot be read whole is read again sector by sector, each
//   sector once;
// - after a run of consecutive unreadable sectors the reader skips ahead,
//   further each time the area goes on, but never past the end of the chunk
//   being read (what it passes over must not have been handed out yet); from
//   the far end of each step it reads back towards the failure while
//   sectors read, so good data behind a failing area is kept, and normal
//   reads resume after the area;
// - once the range has been read, the skipped sectors are tried once each,
//   from the edges of each skipped area inwards (nearest the good data
//   first), until done or stopped;
// - a sector that an earlier pass of the search found unreadable is not read
//   again.
// Unreadable and skipped sectors are handed out as 512 zero bytes flagged
// unreadable, each at its own position: a failure never shifts the sectors
// after it. Everything read or not is recorded in the search's SectorMap.
//
// The stop word is looked at before every device read, so a stop is
// answered within one read even inside a failing area. A medium that has gone
// away (ENODEV, ENXIO, ENOMEDIUM, its device node removed, a sector that read
// well before no longer reading, or nothing read over a long stretch) ends
// the reading at once.

#include "engine/SectorMap.h"
#include "engine/SectorSource.h"

#include <QtGlobal>

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace ostrel {

// How a reader reads; see SectorReader.
struct SectorReaderOptions {
    quint32 chunkSectors = 4096;      // 2 MiB per read
    int chunks = 6;                   // buffers in flight (12 MiB)
    quint32 skipAfter = 16;           // consecutive unreadable sectors before skipping
    quint64 firstSkip = 128;          // sectors skipped the first time (64 KiB); doubles
    quint64 goneStretch = quint64(1) << 22; // sectors failing without one read: medium gone (2 GiB)
    quint32 probeEvery = 32;          // retried sectors failing in a row before the medium is checked
    bool retrySkipped = true;         // try the skipped sectors again after the range
};

// What the reader shares with its search. All may be null; a null map
// means a map of the reader's own.
struct SectorReaderShared {
    SectorMap* map = nullptr;                  // what is known about the medium
    const std::atomic<int>* stop = nullptr;    // 1: stop reading
    std::atomic<quint64>* retryLeft = nullptr; // skipped sectors still to be retried
};

class SectorReader {
public:
    using Options = SectorReaderOptions;
    using Shared = SectorReaderShared;

    enum class Status {
        Reading,    // the range is not done yet
        Done,       // the range was read (and skipped sectors retried)
        Stopped,    // the stop word was seen
        MediumGone, // the medium went away
    };

    // `source` must outlive the reader. Reading starts at once.
    SectorReader(SectorSource& source, quint64 start, quint64 end, Options options = Options(), Shared shared = Shared());
    ~SectorReader();
    SectorReader(const SectorReader&) = delete;
    SectorReader& operator=(const SectorReader&) = delete;

    // The next sector of the range, or null after the last one, after a stop
    // or when the medium has gone. *readable is false when the sector could
    // not be read (the bytes are then zeros). The pointer stays valid until
    // the next call. Consumer thread only.
    const unsigned char* next(bool* readable)
    {
        if (pos_ < current_.count) {
            const quint32 i = pos_++;
            *readable = !(failPos_ < current_.failed.size() && current_.failed[failPos_] == i);
            if (!*readable)
                ++failPos_;
            return current_.data + static_cast<size_t>(i) * 512;
        }
        return nextChunk(readable);
    }

    // Up to `maxSectors` sectors in one piece of memory, beginning with the
    // sector next() returned last; *count gets how many (fewer at the end of
    // the range). Unreadable sectors are zeros. Valid until the next call to
    // next() or peek(). Worker thread only. Looks ahead without consuming:
    // next() still returns the following sectors in order.
    const unsigned char* peek(quint32 maxSectors, quint32* count);

    // True when the next call to next() moves on to another chunk: the
    // memory of every sector handed out so far is then reused.
    bool atChunkEnd() const { return pos_ >= current_.count; }

    // True once next() has returned null or every sector of the range has
    // been handed out.
    bool exhausted() const { return exhausted_ || (nextToConsume_ >= end_ && pos_ >= current_.count); }

    // After next() returned null: waits until the reading thread has ended
    // (the retry of skipped sectors included, which a stop cuts short) and
    // says why reading ended. Consumer thread.
    Status finish();

    // Sectors handed out as unreadable so far.
    quint64 unreadableCount() const { return unreadable_; }

    // Valid after finish(): the last sector that could be read (false when
    // none could), and the errno that showed the medium gone.
    bool lastReadSector(quint64* sector) const;
    int goneError() const { return goneError_; }
    // Valid after finish(): skipped sectors that read when tried again.
    quint64 readOnRetry() const { return readOnRetry_; }

private:
    struct Chunk {
        unsigned char* data = nullptr;
        quint64 first = 0;
        quint32 count = 0;
        std::vector<quint32> failed; // offsets in the chunk, ascending
        bool filled = false;
    };

    const unsigned char* nextChunk(bool* readable);
    void readAhead();
    Status fill(Chunk& chunk);
    Status retrySkipped();
    bool stopRequested() const;
    bool mediumGoneAfterFailure(int error);
    bool lastGoodStillReads();
    void zeroFill(Chunk& chunk, quint64 first, quint64 count);
    Status skipAhead(Chunk& chunk, quint64* pos);

    SectorSource& source_;
    const quint64 start_;
    const quint64 end_;
    const Options options_;
    quint32 chunkSectors_;
    SectorMap ownMap_;
    SectorMap& map_;
    const std::atomic<int>* stop_;
    std::atomic<quint64>* retryLeft_;
    std::vector<Chunk> ring_;
    std::unique_ptr<unsigned char, void (*)(void*)> memory_;

    // Consumer side.
    struct View {
        const unsigned char* data = nullptr;
        quint32 count = 0;
        std::vector<quint32> failed;
    } current_;
    quint32 pos_ = 0;
    size_t failPos_ = 0;
    int consumeIndex_ = 0;
    bool haveSlot_ = false;
    bool exhausted_ = false;
    quint64 nextToConsume_;
    quint64 unreadable_ = 0;
    std::vector<unsigned char> peekBuffer_;

    // Reading thread only (read by the consumer after finish()).
    bool careful_ = false;       // read sector by sector until one reads
    bool skipping_ = false;      // inside a failing area: the next step is a skip
    bool pastEnd_ = false;       // the source ended before the range
    quint32 failRun_ = 0;        // unreadable sectors in a row
    quint64 skip_ = 0;           // size of the last skip
    bool haveGood_ = false;
    quint64 lastGood_ = 0;
    int goneError_ = 0;
    quint64 readOnRetry_ = 0;
    std::vector<SectorRange> skipped_;
    unsigned char probe_[512];

    // Shared with the reading thread.
    std::mutex mutex_;
    std::condition_variable changed_;
    quint64 nextToRead_;
    bool forwardEnded_ = false; // no more chunks will be filled
    Status status_ = Status::Reading;
    std::atomic<bool> quit_{false};
    std::thread thread_;
};

} // namespace ostrel
