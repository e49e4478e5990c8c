#include "engine/SectorReader.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace ostrel {

namespace {
constexpr size_t kSector = 512;
constexpr size_t kAlignment = 4096;
} // namespace

SectorReader::SectorReader(SectorSource& source, quint64 start, quint64 end, Options options, Shared shared)
    : source_(source),
      start_(start),
      end_(end),
      options_(options),
      chunkSectors_(std::max<quint32>(1, options.chunkSectors)),
      map_(shared.map ? *shared.map : ownMap_),
      stop_(shared.stop),
      retryLeft_(shared.retryLeft),
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
    quit_ = true;
    {
        std::lock_guard<std::mutex> lock(mutex_);
    }
    changed_.notify_all();
    if (thread_.joinable())
        thread_.join();
}

bool SectorReader::stopRequested() const
{
    return quit_.load(std::memory_order_relaxed) || (stop_ && stop_->load(std::memory_order_relaxed) == 1);
}

bool SectorReader::mediumGoneAfterFailure(int error)
{
    if (error == ENODEV || error == ENXIO || error == ENOMEDIUM) {
        goneError_ = error;
        return true;
    }
    if (!source_.stillPresent()) {
        goneError_ = error ? error : ENODEV;
        return true;
    }
    return false;
}

// A sector that read well a moment ago and no longer does means the medium
// (or its reader) has gone, not that this area is bad.
bool SectorReader::lastGoodStillReads()
{
    if (!haveGood_)
        return true;
    int error = 0;
    if (source_.read(lastGood_, 1, probe_, &error) == 1)
        return true;
    goneError_ = error ? error : EIO;
    return false;
}

void SectorReader::zeroFill(Chunk& chunk, quint64 first, quint64 count)
{
    std::memset(chunk.data + (first - chunk.first) * kSector, 0, count * kSector);
    for (quint64 s = first; s < first + count; ++s)
        chunk.failed.push_back(static_cast<quint32>(s - chunk.first));
}

// One step over a failing area from *pos, the step growing each time, then
// back from its far end while sectors read. The sectors between the failure
// found there and *pos stay zeros and are tried again after the range.
SectorReader::Status SectorReader::skipAhead(Chunk& chunk, quint64* pos)
{
    const quint64 from = *pos;
    const quint64 stop = chunk.first + chunk.count;
    if (stopRequested()) {
        chunk.count = static_cast<quint32>(from - chunk.first);
        return Status::Stopped;
    }
    if (!lastGoodStillReads()) {
        chunk.count = static_cast<quint32>(from - chunk.first);
        return Status::MediumGone;
    }
    skip_ = skip_ == 0 ? std::max<quint64>(1, options_.firstSkip) : std::min(skip_ * 2, quint64(1) << 40);
    const quint64 to = from + std::min(skip_, stop - from);
    quint64 low = to; // [low, to) read well
    bool failed = false;
    while (low > from && !failed) {
        if (stopRequested()) {
            chunk.count = static_cast<quint32>(from - chunk.first);
            return Status::Stopped;
        }
        const quint64 s = low - 1;
        int error = 0;
        if (source_.read(s, 1, chunk.data + (s - chunk.first) * kSector, &error) == 1) {
            map_.mark(s, 1, SectorState::Good);
            if (!haveGood_ || s > lastGood_)
                lastGood_ = s;
            haveGood_ = true;
            low = s;
            continue;
        }
        if (error != 0 && mediumGoneAfterFailure(error)) {
            chunk.count = static_cast<quint32>(from - chunk.first);
            return Status::MediumGone;
        }
        failed = true;
    }
    if (failed) {
        const quint64 bad = low - 1;
        map_.mark(bad, 1, SectorState::Bad);
        zeroFill(chunk, from, bad + 1 - from);
        if (bad > from)
            skipped_.push_back({from, bad - from});
    }
    *pos = to;
    // The far end failed too: the area goes on, the next step is a skip.
    skipping_ = failed && low == to;
    if (!skipping_) {
        skip_ = 0;
        failRun_ = 0;
        careful_ = false;
    }
    return Status::Reading;
}

SectorReader::Status SectorReader::fill(Chunk& chunk)
{
    chunk.failed.clear();
    const quint64 stop = chunk.first + chunk.count;
    quint64 pos = chunk.first;
    while (pos < stop) {
        // Past the end of the source, or found unreadable by an earlier
        // pass: zeros, without a read.
        if (pastEnd_) {
            zeroFill(chunk, pos, stop - pos);
            map_.mark(pos, stop - pos, SectorState::Bad);
            break;
        }
        quint64 runEnd = 0;
        if (map_.state(pos, &runEnd) == SectorState::Bad) {
            const quint64 n = std::min(runEnd, stop) - pos;
            zeroFill(chunk, pos, n);
            pos += n;
            continue;
        }
        if (skipping_) {
            const Status status = skipAhead(chunk, &pos);
            if (status != Status::Reading)
                return status;
            continue;
        }
        if (stopRequested()) {
            chunk.count = static_cast<quint32>(pos - chunk.first);
            return Status::Stopped;
        }
        // One read up to the next sector known to be bad; sector by sector
        // inside a failing area.
        quint64 readEnd = stop;
        for (quint64 at = runEnd; at < stop;) {
            quint64 next = 0;
            if (map_.state(at, &next) == SectorState::Bad) {
                readEnd = at;
                break;
            }
            at = next;
        }
        const quint32 want = careful_ ? 1 : static_cast<quint32>(readEnd - pos);
        int error = 0;
        const quint32 got = source_.read(pos, want, chunk.data + (pos - chunk.first) * kSector, &error);
        if (got > 0) {
            map_.mark(pos, got, SectorState::Good);
            pos += got;
            lastGood_ = pos - 1;
            haveGood_ = true;
            failRun_ = 0;
            careful_ = false;
        }
        if (got == want)
            continue;
        if (error == 0) {
            pastEnd_ = true; // the source is shorter than the range
            continue;
        }
        if (mediumGoneAfterFailure(error)) {
            chunk.count = static_cast<quint32>(pos - chunk.first);
            return Status::MediumGone;
        }
        if (want > 1) {
            // The first failure of an area: is the medium still there?
            if (stopRequested()) {
                chunk.count = static_cast<quint32>(pos - chunk.first);
                return Status::Stopped;
            }
            if (!lastGoodStillReads()) {
                chunk.count = static_cast<quint32>(pos - chunk.first);
                return Status::MediumGone;
            }
            careful_ = true;
            continue;
        }
        zeroFill(chunk, pos, 1);
        map_.mark(pos, 1, SectorState::Bad);
        ++pos;
        ++failRun_;
        const quint64 failingSince = haveGood_ ? lastGood_ + 1 : start_;
        if (pos - failingSince >= options_.goneStretch) {
            goneError_ = error;
            chunk.count = static_cast<quint32>(pos - chunk.first);
            return Status::MediumGone;
        }
        if (failRun_ >= options_.skipAfter)
            skipping_ = true;
    }
    return Status::Reading;
}

SectorReader::Status SectorReader::retrySkipped()
{
    quint64 left = 0;
    for (const SectorRange& r : skipped_)
        left += r.count;
    if (retryLeft_)
        retryLeft_->store(left);
    quint32 failedInRow = 0;
    for (const SectorRange& r : skipped_) {
        // From both edges inwards: the sectors nearest readable data first.
        quint64 low = r.first;
        quint64 high = r.end();
        bool fromLow = true;
        while (low < high) {
            const quint64 s = fromLow ? low++ : --high;
            fromLow = !fromLow;
            if (retryLeft_)
                retryLeft_->store(--left, std::memory_order_relaxed);
            if (map_.state(s) != SectorState::NotTried)
                continue;
            if (stopRequested())
                return Status::Stopped;
            int error = 0;
            if (source_.read(s, 1, probe_, &error) == 1) {
                map_.mark(s, 1, SectorState::Good);
                ++readOnRetry_;
                lastGood_ = s;
                haveGood_ = true;
                failedInRow = 0;
                continue;
            }
            if (error != 0 && mediumGoneAfterFailure(error))
                return Status::MediumGone;
            map_.mark(s, 1, SectorState::Bad);
            if (++failedInRow % std::max<quint32>(1, options_.probeEvery) == 0) {
                if (stopRequested())
                    return Status::Stopped;
                if (!lastGoodStillReads())
                    return Status::MediumGone;
            }
        }
    }
    return Status::Done;
}

void SectorReader::readAhead()
{
    int produceIndex = 0;
    Status ended = Status::Done;
    for (;;) {
        Chunk* chunk = nullptr;
        {
            std::unique_lock<std::mutex> lock(mutex_);
            changed_.wait(lock,
                          [&] { return quit_.load() || nextToRead_ >= end_ || !ring_[produceIndex].filled; });
            if (quit_) {
                ended = Status::Stopped;
                break;
            }
            if (nextToRead_ >= end_)
                break;
            chunk = &ring_[produceIndex];
            chunk->first = nextToRead_;
            chunk->count = static_cast<quint32>(std::min<quint64>(chunkSectors_, end_ - nextToRead_));
            nextToRead_ += chunk->count;
        }
        const Status status = fill(*chunk); // the consumer never touches an unfilled slot
        {
            std::lock_guard<std::mutex> lock(mutex_);
            chunk->filled = chunk->count > 0;
        }
        changed_.notify_all();
        if (status != Status::Reading) {
            ended = status;
            break;
        }
        produceIndex = (produceIndex + 1) % static_cast<int>(ring_.size());
    }
    {
        std::lock_guard<std::mutex> lock(mutex_);
        forwardEnded_ = true;
    }
    changed_.notify_all();
    if (ended == Status::Done && options_.retrySkipped && !skipped_.empty())
        ended = retrySkipped();
    if (retryLeft_)
        retryLeft_->store(0);
    std::lock_guard<std::mutex> lock(mutex_);
    status_ = ended;
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
    changed_.wait(lock, [&] { return following.filled || forwardEnded_; });
    if (!following.filled) {
        *count = here; // stopped, or the medium has gone
        return first;
    }
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
    if (nextToConsume_ >= end_) {
        exhausted_ = true;
        return nullptr;
    }
    Chunk& chunk = ring_[consumeIndex_];
    changed_.wait(lock, [&] { return chunk.filled || forwardEnded_; });
    if (!chunk.filled) {
        exhausted_ = true; // stopped, or the medium has gone
        return nullptr;
    }
    haveSlot_ = true;
    nextToConsume_ = chunk.first + chunk.count;
    unreadable_ += chunk.failed.size();
    current_.data = chunk.data;
    current_.count = chunk.count;
    current_.failed.swap(chunk.failed);
    lock.unlock();
    return next(readable);
}

SectorReader::Status SectorReader::finish()
{
    if (!exhausted())
        quit_ = true; // the consumer gives up early: do not wait for the rest
    {
        std::lock_guard<std::mutex> lock(mutex_);
    }
    changed_.notify_all();
    if (thread_.joinable())
        thread_.join();
    std::lock_guard<std::mutex> lock(mutex_);
    return status_ == Status::Reading ? Status::Done : status_;
}

bool SectorReader::lastReadSector(quint64* sector) const
{
    *sector = lastGood_;
    return haveGood_;
}

} // namespace ostrel
