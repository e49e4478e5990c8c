#pragma once
// Walks a sector range [start, end) of a source one 512-byte sector at a
// time, while a background thread reads ahead in large sequential chunks into
// aligned buffers, so reading the medium and carving overlap.
//
// A chunk that cannot be read whole is read again sector by sector; a sector
// that fails is retried once and, if it still fails, is handed out as 512
// zero bytes flagged unreadable. Every sector is delivered at its own
// position: a failure never shifts the sectors after it.

#include "engine/SectorSource.h"

#include <QtGlobal>

#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace ostrel {

class SectorReader {
public:
    struct Options {
        quint32 chunkSectors = 4096; // 2 MiB per read
        int chunks = 6;              // buffers in flight (12 MiB)
    };

    // `source` must outlive the reader. Reading starts at once.
    SectorReader(SectorSource& source, quint64 start, quint64 end, Options options);
    SectorReader(SectorSource& source, quint64 start, quint64 end) : SectorReader(source, start, end, Options{}) {}
    ~SectorReader();
    SectorReader(const SectorReader&) = delete;
    SectorReader& operator=(const SectorReader&) = delete;

    // The next sector of the range, or null after the last one. *readable is
    // false when the sector could not be read (the bytes are then zeros).
    // The pointer stays valid until the next call. Worker thread only.
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

    // Sectors handed out as unreadable so far.
    quint64 unreadableCount() const { return unreadable_; }

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
    void fill(Chunk& chunk);

    SectorSource& source_;
    const quint64 end_;
    quint32 chunkSectors_;
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
    quint64 nextToConsume_;
    quint64 unreadable_ = 0;
    std::vector<unsigned char> peekBuffer_;

    // Shared with the read-ahead thread.
    std::mutex mutex_;
    std::condition_variable changed_;
    quint64 nextToRead_;
    bool quit_ = false;
    std::thread thread_;
};

} // namespace ostrel
