#include "engine/SectorReader.h"

#include <cstdlib>
#include <cstring>

namespace ostrel {

namespace {
constexpr size_t kSector = 512;
constexpr size_t kAlignment = 4096;
} // namespace

SectorReader::SectorReader(SectorSource& source, quint64 start, quint64 end, Options options)
    : source_(source),
      end_(end),
      chunkSectors_(std::max<quint32>(1, options.chunkSectors)),
      memory_(nullptr, std::free),
      nextToConsume_(start),
      nextToRead_(start)
{
    const int chunks = std::max(2, options.chunks);
    // aligned_alloc needs a size that is a multiple of the alignment.
    const size_t used = static_cast<size_t>(chunkSectors_) * kSector * chunks;
    const size_t bytes = (used + kAlignment - 1) / kAlignment * kAlignment;
    memory_.reset(static_cast<unsigned char*>(std::aligned_alloc(kAlignment, bytes)));
    if (!memory_)
        throw std::bad_alloc();
    ring_.resize(chunks);
    for (int i = 0; i < chunks; ++i)
        ring_[i].data = memory_.get() + static_cast<size_t>(i) * chunkSectors_ * kSector;
    if (start < end)
        thread_ = std::thread(&SectorReader::readAhead, this);
}

SectorReader::~SectorReader()
{
    {
        std::lock_guard<std::mutex> lock(mutex_);
        quit_ = true;
    }
    changed_.notify_all();
    if (thread_.joinable())
        thread_.join();
}

void SectorReader::fill(Chunk& chunk)
{
    chunk.failed.clear();
    int error = 0;
    quint32 got = source_.read(chunk.first, chunk.count, chunk.data, &error);
    // Whatever the whole read did not deliver is read sector by sector, so
    // only the sectors that really fail are treated as failed.
    for (quint32 i = got; i < chunk.count; ++i) {
        unsigned char* sector = chunk.data + static_cast<size_t>(i) * kSector;
        bool ok = false;
        for (int attempt = 0; attempt < 2 && !ok; ++attempt) {
            error = 0;
            ok = source_.read(chunk.first + i, 1, sector, &error) == 1;
            if (!ok && error == 0)
                break; // end of the source: retrying cannot help
        }
        if (!ok) {
            std::memset(sector, 0, kSector);
            chunk.failed.push_back(i);
        }
    }
}

void SectorReader::readAhead()
{
    int produceIndex = 0;
    for (;;) {
        Chunk* chunk = nullptr;
        {
            std::unique_lock<std::mutex> lock(mutex_);
            changed_.wait(lock, [&] { return quit_ || !ring_[produceIndex].filled; });
            if (quit_ || nextToRead_ >= end_)
                return;
            chunk = &ring_[produceIndex];
            chunk->first = nextToRead_;
            chunk->count = static_cast<quint32>(std::min<quint64>(chunkSectors_, end_ - nextToRead_));
            nextToRead_ += chunk->count;
        }
        fill(*chunk); // the consumer never touches an unfilled slot
        {
            std::lock_guard<std::mutex> lock(mutex_);
            chunk->filled = true;
        }
        changed_.notify_all();
        produceIndex = (produceIndex + 1) % static_cast<int>(ring_.size());
    }
}

const unsigned char* SectorReader::peek(quint32 maxSectors, quint32* count)
{
    *count = 0;
    if (pos_ == 0 || maxSectors == 0)
        return nullptr;
    const quint32 from = pos_ - 1;
    const quint32 here = current_.count - from;
    const unsigned char* first = current_.data + static_cast<size_t>(from) * kSector;
    if (here >= maxSectors || nextToConsume_ >= end_) {
        *count = std::min(here, maxSectors);
        return first;
    }
    // The look-ahead runs into the next chunk: wait for it (the read-ahead
    // thread fills the ring in order) and join the two pieces.
    std::unique_lock<std::mutex> lock(mutex_);
    const Chunk& following = ring_[(consumeIndex_ + 1) % static_cast<int>(ring_.size())];
    changed_.wait(lock, [&] { return following.filled; });
    const quint32 there = std::min(maxSectors - here, following.count);
    peekBuffer_.resize(static_cast<size_t>(here + there) * kSector);
    std::memcpy(peekBuffer_.data(), first, static_cast<size_t>(here) * kSector);
    std::memcpy(peekBuffer_.data() + static_cast<size_t>(here) * kSector, following.data,
                static_cast<size_t>(there) * kSector);
    *count = here + there;
    return peekBuffer_.data();
}

const unsigned char* SectorReader::nextChunk(bool* readable)
{
    std::unique_lock<std::mutex> lock(mutex_);
    if (haveSlot_) {
        // Hand the used slot back to the read-ahead thread.
        ring_[consumeIndex_].filled = false;
        consumeIndex_ = (consumeIndex_ + 1) % static_cast<int>(ring_.size());
        haveSlot_ = false;
        changed_.notify_all();
    }
    current_ = View{};
    pos_ = 0;
    failPos_ = 0;
    if (nextToConsume_ >= end_)
        return nullptr;
    Chunk& chunk = ring_[consumeIndex_];
    changed_.wait(lock, [&] { return chunk.filled; });
    haveSlot_ = true;
    nextToConsume_ = chunk.first + chunk.count;
    unreadable_ += chunk.failed.size();
    current_.data = chunk.data;
    current_.count = chunk.count;
    current_.failed.swap(chunk.failed);
    lock.unlock();
    return next(readable);
}

} // namespace ostrel
