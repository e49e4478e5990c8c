// The record-reading base of the walkers on its own, through a scripted
// walker: a record asked for with need() arrives whole whatever the pieces,
// skip() passes over bytes before the next request, scan() may consume part
// of a piece and hand over to need(), and an impossible need() is a Broken
// file. Needs nothing but the library.

#include "engine/walkers/StreamWalker.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <numeric>

using namespace ostrel::walkers;

namespace {

using Bytes = std::vector<uint8_t>;

// Logs every record with its start, then runs the scripted reaction.
class ScriptedWalker : public StreamWalker {
public:
    std::vector<std::pair<uint64_t, Bytes>> records;
    std::function<void(ScriptedWalker&)> onRecordDo = [](ScriptedWalker&) {};
    std::function<size_t(ScriptedWalker&, const uint8_t*, size_t)> onScanDo;
    using StreamWalker::continuesTo;
    using StreamWalker::endsAt;
    using StreamWalker::need;
    using StreamWalker::position;
    using StreamWalker::scan;
    using StreamWalker::skip;

protected:
    void onRecord(const uint8_t* r, size_t n) override
    {
        records.emplace_back(recordStart(), Bytes(r, r + n));
        onRecordDo(*this);
    }
    size_t onScan(const uint8_t* d, size_t n) override { return onScanDo(*this, d, n); }
};

const Bytes kCounting = [] {
    Bytes b(256);
    std::iota(b.begin(), b.end(), uint8_t{0});
    return b;
}();

Bytes counting(size_t from, size_t n)
{
    return Bytes(kCounting.begin() + static_cast<long>(from), kCounting.begin() + static_cast<long>(from + n));
}

void feedPieces(StreamWalker& w, std::initializer_list<size_t> pieces)
{
    size_t at = 0;
    for (size_t n : pieces) {
        w.feed(kCounting.data() + at, n);
        at += n;
    }
}

} // namespace

TEST(StreamWalker, NeedGathersARecordAcrossPieces)
{
    ScriptedWalker w;
    w.need(10);
    w.onRecordDo = [](ScriptedWalker& s) { s.need(3); };
    feedPieces(w, {3, 3, 5, 1, 3}); // 10 as 3+3+4, 3 as 1+1+1, then 2 of 3
    ASSERT_EQ(w.records.size(), 2u);
    EXPECT_EQ(w.records[0], std::make_pair(uint64_t{0}, counting(0, 10)));
    EXPECT_EQ(w.records[1], std::make_pair(uint64_t{10}, counting(10, 3)));
    EXPECT_EQ(w.position(), 15u);
}

TEST(StreamWalker, SkipThenNeedReadsAfterTheSkippedBytes)
{
    for (size_t piece : {1u, 7u, 64u, 200u}) {
        SCOPED_TRACE(piece);
        ScriptedWalker w;
        w.need(2);
        w.onRecordDo = [](ScriptedWalker& s) {
            if (s.records.size() == 1) {
                s.skip(100);
                s.need(4);
            }
            s.continuesTo(s.position());
        };
        for (size_t at = 0; at < 200; at += piece)
            w.feed(kCounting.data() + at, std::min<size_t>(piece, 200 - at));
        ASSERT_GE(w.records.size(), 2u);
        EXPECT_EQ(w.records[1], std::make_pair(uint64_t{102}, counting(102, 4)));
        EXPECT_EQ(w.verdict(), (Verdict{State::Continues, 198})) << "the repeated 4-byte records end at 198";
    }
}

TEST(StreamWalker, ScanConsumesPartlyAndHandsOverToNeed)
{
    ScriptedWalker w; // scans up to the byte 0x50, then reads it and the next
    w.scan();
    w.onScanDo = [](ScriptedWalker& s, const uint8_t* d, size_t n) -> size_t {
        const auto* hit = static_cast<const uint8_t*>(std::memchr(d, 0x50, n));
        if (!hit)
            return n;
        s.need(2);
        return static_cast<size_t>(hit - d);
    };
    w.onRecordDo = [](ScriptedWalker& s) { s.endsAt(s.position()); };
    feedPieces(w, {33, 33, 54});
    ASSERT_EQ(w.records.size(), 1u);
    EXPECT_EQ(w.records[0], std::make_pair(uint64_t{0x50}, counting(0x50, 2)));
    EXPECT_EQ(w.verdict(), (Verdict{State::Ends, 0x52}));
}

TEST(StreamWalker, ImpossibleNeedIsBroken)
{
    for (size_t n : {size_t{0}, StreamWalker::kMaxRecord + 1}) {
        ScriptedWalker w;
        w.need(4);
        w.onRecordDo = [n](ScriptedWalker& s) { s.need(n); };
        EXPECT_EQ(w.feed(kCounting.data(), 64), (Verdict{State::Broken, 4})) << n;
        EXPECT_EQ(w.records.size(), 1u) << "nothing is read after a final verdict";
    }
    ScriptedWalker largest;
    largest.need(StreamWalker::kMaxRecord);
    const Bytes data(StreamWalker::kMaxRecord, 1);
    largest.feed(data.data(), data.size());
    EXPECT_EQ(largest.records.size(), 1u);
    EXPECT_EQ(largest.verdict().state, State::Unknown);
}
