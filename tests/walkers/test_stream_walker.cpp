// The record-reading base of the walkers on its own, through a small scripted
// walker: a record asked for with need() arrives whole whatever the pieces,
// skip() passes over bytes before the next request, scan() may consume part
// of a piece and hand over to need(), and an impossible need() is a Broken
// file. Needs nothing but the library.

#include "engine/walkers/StreamWalker.h"

#include <gtest/gtest.h>

#include <functional>
#include <numeric>
#include <vector>

using namespace ostrel::walkers;

namespace {

// A walker whose reactions the test writes: each callback logs what it saw
// and calls the next scripted step.
class ScriptedWalker : public StreamWalker {
public:
    struct Seen {
        uint64_t start;
        std::vector<uint8_t> bytes;
    };
    std::vector<Seen> records;
    std::vector<Seen> scans;
    std::function<void(ScriptedWalker&)> afterRecord;
    std::function<size_t(ScriptedWalker&, const uint8_t*, size_t)> onScanStep;

    using StreamWalker::need;
    using StreamWalker::scan;
    using StreamWalker::skip;
    using StreamWalker::position;
    using StreamWalker::continuesTo;
    using StreamWalker::endsAt;

protected:
    void onRecord(const uint8_t* record, size_t size) override
    {
        records.push_back({recordStart(), std::vector<uint8_t>(record, record + size)});
        if (afterRecord)
            afterRecord(*this);
    }
    size_t onScan(const uint8_t* data, size_t size) override
    {
        scans.push_back({position(), std::vector<uint8_t>(data, data + size)});
        return onScanStep ? onScanStep(*this, data, size) : size;
    }
};

std::vector<uint8_t> counting(size_t n)
{
    std::vector<uint8_t> out(n);
    std::iota(out.begin(), out.end(), uint8_t{0});
    return out;
}

void feedInPieces(StreamWalker& w, const std::vector<uint8_t>& data, std::vector<size_t> pieces)
{
    size_t at = 0;
    for (size_t n : pieces) {
        w.feed(data.data() + at, n);
        at += n;
    }
    ASSERT_EQ(at, data.size());
}

} // namespace

TEST(StreamWalker, NeedGathersARecordAcrossPieces)
{
    ScriptedWalker w;
    w.need(10);
    w.afterRecord = [](ScriptedWalker& s) { s.need(3); };
    const auto data = counting(15);
    feedInPieces(w, data, {3, 3, 5, 1, 3}); // 10 as 3+3+4, then 3 as 1+1+1, then 2 of 3
    ASSERT_EQ(w.records.size(), 2u);
    EXPECT_EQ(w.records[0].start, 0u);
    EXPECT_EQ(w.records[0].bytes, std::vector<uint8_t>(data.begin(), data.begin() + 10));
    EXPECT_EQ(w.records[1].start, 10u);
    EXPECT_EQ(w.records[1].bytes, std::vector<uint8_t>(data.begin() + 10, data.begin() + 13));
    EXPECT_EQ(w.position(), 15u);
    EXPECT_EQ(w.verdict().state, State::Unknown);
}

TEST(StreamWalker, SkipThenNeedReadsAfterTheSkippedBytes)
{
    for (size_t piece : {1u, 7u, 64u, 1000u}) {
        SCOPED_TRACE(piece);
        ScriptedWalker w;
        w.need(2);
        int step = 0;
        w.afterRecord = [&step](ScriptedWalker& s) {
            if (step++ == 0) {
                s.skip(100);
                s.need(4);
            } else {
                s.continuesTo(s.position());
            }
        };
        const auto data = counting(200);
        for (size_t at = 0; at < data.size(); at += piece)
            w.feed(data.data() + at, std::min(piece, data.size() - at));
        ASSERT_GE(w.records.size(), 2u);
        EXPECT_EQ(w.records[1].start, 102u);
        EXPECT_EQ(w.records[1].bytes, (std::vector<uint8_t>{102, 103, 104, 105}));
        EXPECT_EQ(w.verdict(), (Verdict{State::Continues, 198u})); // the last repeated 4-byte record ends at 198
    }
}

TEST(StreamWalker, ScanConsumesPartlyAndHandsOverToNeed)
{
    // Scan up to the byte 0x50, then read it and the next byte as a record.
    ScriptedWalker w;
    w.scan();
    w.onScanStep = [](ScriptedWalker& s, const uint8_t* data, size_t size) -> size_t {
        for (size_t i = 0; i < size; ++i) {
            if (data[i] == 0x50) {
                s.need(2);
                return i;
            }
        }
        return size;
    };
    w.afterRecord = [](ScriptedWalker& s) { s.endsAt(s.position()); };
    const auto data = counting(120);
    feedInPieces(w, data, {33, 33, 54});
    ASSERT_EQ(w.records.size(), 1u);
    EXPECT_EQ(w.records[0].start, 0x50u);
    EXPECT_EQ(w.records[0].bytes, (std::vector<uint8_t>{0x50, 0x51}));
    EXPECT_EQ(w.verdict(), (Verdict{State::Ends, 0x52u}));
    ASSERT_EQ(w.scans.size(), 3u); // the third scan starts where the second piece began
    EXPECT_EQ(w.scans[2].start, 66u);
}

TEST(StreamWalker, ImpossibleNeedIsBroken)
{
    for (size_t n : {size_t{0}, StreamWalker::kMaxRecord + 1}) {
        SCOPED_TRACE(n);
        ScriptedWalker w;
        w.need(4);
        w.afterRecord = [n](ScriptedWalker& s) { s.need(n); };
        const auto data = counting(64);
        EXPECT_EQ(w.feed(data.data(), data.size()), (Verdict{State::Broken, 4u}));
        EXPECT_EQ(w.records.size(), 1u) << "nothing is read after a final verdict";
    }
    ScriptedWalker largest;
    largest.need(StreamWalker::kMaxRecord);
    const std::vector<uint8_t> data(StreamWalker::kMaxRecord, 1);
    largest.feed(data.data(), data.size() - 1);
    EXPECT_TRUE(largest.records.empty());
    largest.feed(data.data(), 1);
    EXPECT_EQ(largest.records.size(), 1u);
    EXPECT_EQ(largest.verdict().state, State::Unknown);
}
