// The read-ahead sector reader on healthy and failing sources: every sector
// in order at its own position; unreadable sectors read singly once, zeros in
// place and exact in the sector map; long failing areas skipped in growing
// steps and retried after the range; known-bad sectors not read again; a
// medium that goes away ending the reading at once; Stop answered within one
// device read while failed reads take 2 ms and 100 ms. Uses the
// fault-injecting source; needs nothing else.
#include "EngineTestSupport.h"
#include "engine/SectorReader.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

using namespace ostrel;
using Clock = std::chrono::steady_clock;

namespace {
QByteArray numberedImage(int sectors)
{
    QByteArray data(sectors * 512, '\0');
    for (int s = 0; s < sectors; ++s) {
        for (int b = 0; b < 512; b += 4)
            std::memcpy(data.data() + s * 512 + b, &s, 4);
    }
    return data;
}

std::set<quint64> span(quint64 first, quint64 end)
{
    std::set<quint64> s;
    for (quint64 n = first; n < end; ++n)
        s.insert(n);
    return s;
}

struct Walk {
    std::vector<int> seen; // sector number read, -1 for an unreadable one
    SectorReader::Status status = SectorReader::Status::Reading;
    quint64 lastRead = 0;
    bool anyRead = false;
    quint64 readOnRetry = 0;
};

Walk walk(SectorSource& source, quint64 start, quint64 end, SectorReader::Options o, SectorMap* map = nullptr)
{
    Walk w;
    SectorReader reader(source, start, end, o, SectorReader::Shared{map, nullptr, nullptr});
    bool ok = false;
    while (const unsigned char* s = reader.next(&ok)) {
        int n = -1;
        std::memcpy(&n, s + 508, 4);
        w.seen.push_back(ok ? n : -1);
        if (!ok) {
            EXPECT_EQ(QByteArray(reinterpret_cast<const char*>(s), 512), QByteArray(512, '\0'));
        }
    }
    w.status = reader.finish();
    w.anyRead = reader.lastReadSector(&w.lastRead);
    w.readOnRetry = reader.readOnRetry();
    return w;
}

std::set<quint64> statesOf(const SectorMap& map, SectorState state, quint64 end)
{
    std::set<quint64> s;
    map.forEach(0, end, [&](quint64 first, quint64 count, SectorState st) {
        if (st == state) {
            for (quint64 n = first; n < first + count; ++n)
                s.insert(n);
        }
    });
    return s;
}
} // namespace

TEST(SectorReader, DeliversEverySectorInOrderAcrossChunks)
{
    MemorySectorSource source(numberedImage(100));
    for (quint32 chunk : {1u, 3u, 7u, 64u, 4096u}) {
        const Walk w = walk(source, 5, 98, {chunk, 3});
        ASSERT_EQ(w.seen.size(), 93u) << chunk;
        for (int i = 0; i < 93; ++i)
            ASSERT_EQ(w.seen[i], i + 5) << "chunk " << chunk;
        EXPECT_EQ(w.status, SectorReader::Status::Done);
    }
    EXPECT_TRUE(walk(source, 10, 10, {}).seen.empty());
}

// Unreadable areas of several shapes: what is handed out, what the map says
// and how many reads the bad sectors cost.
struct FaultCase {
    const char* name;
    std::set<quint64> bad;
    std::set<quint64> once;
    std::set<quint64> zerosAfterRetry; // sectors handed out as zeros (bad or skipped)
    int maxAttemptsPerBad;             // reads that reached one bad sector
    quint64 maxFailedReads;
};

class ReaderFaults : public ::testing::TestWithParam<FaultCase> {};

TEST_P(ReaderFaults, ZerosInPlaceExactMapAndFewReads)
{
    const FaultCase& c = GetParam();
    auto* raw = new FaultInjectingSource(std::make_unique<MemorySectorSource>(numberedImage(400)), c.bad, c.once);
    std::unique_ptr<SectorSource> source(raw);
    SectorMap map;
    SectorReader::Options o{16, 2};
    o.skipAfter = 4;
    o.firstSkip = 8;
    const Walk w = walk(*source, 0, 400, o, &map);
    ASSERT_EQ(w.seen.size(), 400u);
    EXPECT_EQ(w.status, SectorReader::Status::Done);
    for (int i = 0; i < 400; ++i) {
        if (c.zerosAfterRetry.count(i))
            EXPECT_EQ(w.seen[i], -1) << c.name << " sector " << i;
        else
            EXPECT_EQ(w.seen[i], i) << c.name << ": sector " << i << " must be read at its own position";
    }
    EXPECT_EQ(statesOf(map, SectorState::Bad, 400), c.bad) << c.name << ": the map lists exactly the bad sectors";
    EXPECT_TRUE(statesOf(map, SectorState::NotTried, 400).empty()) << c.name;
    for (quint64 s : c.bad)
        EXPECT_LE(raw->attempts(s), c.maxAttemptsPerBad) << c.name << " sector " << s;
    EXPECT_LE(raw->failedReads(), c.maxFailedReads) << c.name;
    EXPECT_EQ(w.readOnRetry, c.zerosAfterRetry.size() - c.bad.size()) << c.name;
    for (quint64 s : c.once)
        EXPECT_EQ(raw->attempts(s), 2) << "a sector that fails once reads when read singly";
}

INSTANTIATE_TEST_SUITE_P(
    Shapes, ReaderFaults,
    ::testing::Values(
        // Scattered sectors: the chunk read and one single read each.
        FaultCase{"scattered", {7, 8, 30, 399}, {20}, {7, 8, 30, 399}, 2, 10},
        // 60 bad sectors in a row: 4 single reads, then steps of 8, 16, 16,
        // 16 (never past a chunk), each read back from its far end; the
        // good sectors after the area are kept, the skipped ones tried once
        // more after the range.
        FaultCase{"long area", span(100, 160), {}, span(100, 160), 2, 70}),
    [](const ::testing::TestParamInfo<FaultCase>& info) {
        return std::string(info.param.name) == "scattered" ? std::string("Scattered") : std::string("LongArea");
    });

TEST(SectorReader, LongAreaCostsFewReadsBeforeTheRangeIsDone)
{
    // A 4 MiB unreadable area in 2 MiB chunks with the default skipping:
    // the first pass over it takes a few dozen failed reads, not 8192.
    const quint64 sectors = 40000;
    auto* raw = new FaultInjectingSource(std::make_unique<MemorySectorSource>(numberedImage(sectors)), span(10000, 18192));
    std::unique_ptr<SectorSource> source(raw);
    SectorReader::Options o;
    o.retrySkipped = false;
    const Walk w = walk(*source, 0, sectors, o);
    EXPECT_EQ(w.status, SectorReader::Status::Done);
    EXPECT_LT(raw->failedReads(), 40u);
    EXPECT_EQ(w.seen[9999], 9999);
    EXPECT_EQ(w.seen[sectors - 1], int(sectors - 1)) << "reading resumes after the area";
}

TEST(SectorReader, KnownBadSectorsAreNotReadAgain)
{
    auto* raw = new FaultInjectingSource(std::make_unique<MemorySectorSource>(numberedImage(64)), {5, 6, 40});
    std::unique_ptr<SectorSource> source(raw);
    SectorMap map;
    walk(*source, 0, 64, {16, 2}, &map);
    const int before = raw->attempts(5) + raw->attempts(6) + raw->attempts(40);
    const quint64 failedBefore = raw->failedReads();
    const Walk again = walk(*source, 0, 64, {16, 2}, &map);
    EXPECT_EQ(raw->attempts(5) + raw->attempts(6) + raw->attempts(40), before);
    EXPECT_EQ(raw->failedReads(), failedBefore) << "a later pass reads around them";
    EXPECT_EQ(again.seen[5], -1);
    EXPECT_EQ(again.seen[7], 7);
}

TEST(SectorReader, SectorsPastTheEndAreUnreadable)
{
    MemorySectorSource source(numberedImage(10) + QByteArray(100, '\x01')); // partial last sector
    SectorMap map;
    const Walk w = walk(source, 8, 13, {4, 2}, &map);
    ASSERT_EQ(w.seen.size(), 5u);
    EXPECT_EQ(w.seen[0], 8);
    EXPECT_EQ(w.seen[1], 9);
    EXPECT_EQ(w.seen[2], -1);
    EXPECT_EQ(w.seen[4], -1);
    EXPECT_EQ(map.count(SectorState::Bad, 0, 13), 3u);
}

// A medium that goes away at sector 150, in every way it can show it.
struct GoneCase {
    const char* name;
    int error;
    bool nodeRemoved;
    quint64 maxFailedReads;
};

class ReaderGone : public ::testing::TestWithParam<GoneCase> {};

TEST_P(ReaderGone, EndsAtOnceNamingTheLastSectorRead)
{
    const GoneCase& c = GetParam();
    auto* raw = new FaultInjectingSource(std::make_unique<MemorySectorSource>(numberedImage(2000)), {});
    raw->setVanish({150, c.error, c.nodeRemoved});
    std::unique_ptr<SectorSource> source(raw);
    SectorMap map;
    const Walk w = walk(*source, 0, 2000, {8, 2}, &map);
    EXPECT_EQ(w.status, SectorReader::Status::MediumGone) << c.name;
    ASSERT_TRUE(w.anyRead);
    EXPECT_EQ(w.lastRead, 143u) << c.name << ": the chunk holding sector 150 starts at 144";
    EXPECT_EQ(w.seen.size(), 144u) << c.name << ": nothing is handed out after the last sector read";
    EXPECT_LE(raw->failedReads(), c.maxFailedReads) << c.name;
    EXPECT_EQ(map.count(SectorState::Good, 0, 2000), 144u);
}

INSTANTIATE_TEST_SUITE_P(Ways, ReaderGone,
                         ::testing::Values(GoneCase{"ENODEV", ENODEV, false, 1}, GoneCase{"ENXIO", ENXIO, false, 1},
                                           GoneCase{"NodeRemoved", EIO, true, 1},
                                           // The node stays: the last good sector no longer reads.
                                           GoneCase{"EioOnly", EIO, false, 2}),
                         [](const ::testing::TestParamInfo<GoneCase>& info) { return std::string(info.param.name); });

// Stop pressed while a failed chunk is read sector by sector (and, after the
// range, while skipped sectors are retried): answered within one read.
class ReaderStop : public ::testing::TestWithParam<int> {};

TEST_P(ReaderStop, AnsweredWithinOneFailedRead)
{
    const std::chrono::milliseconds delay(GetParam());
    for (bool inRetry : {false, true}) {
        auto* raw = new FaultInjectingSource(std::make_unique<MemorySectorSource>(numberedImage(9000)), span(100, 8000));
        raw->setFailDelay(delay);
        std::unique_ptr<SectorSource> source(raw);
        std::atomic<int> stop{0};
        SectorReader::Options o{4096, 2};
        if (!inRetry)
            o.skipAfter = 1u << 30; // every sector of the area read singly
        SectorReader reader(*source, 0, 9000, o, SectorReader::Shared{nullptr, &stop, nullptr});
        const quint64 wanted = inRetry ? 40 : 5; // failed reads before Stop: inside the phase wanted
        Clock::time_point pressed;
        quint64 failedAtPress = 0;
        std::thread presser([&] {
            while (raw->failedReads() < wanted)
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
            pressed = Clock::now();
            failedAtPress = raw->failedReads(); // the presser may run late on a busy machine
            stop = 1;
        });
        bool ok = false;
        while (reader.next(&ok)) {
        }
        const SectorReader::Status status = reader.finish();
        const auto answered = Clock::now();
        presser.join();
        const auto latency = std::chrono::duration_cast<std::chrono::milliseconds>(answered - pressed);
        std::printf("stop latency at %d ms per failed read (%s): %lld ms\n", GetParam(),
                    inRetry ? "retrying skipped sectors" : "reading a failed chunk singly",
                    static_cast<long long>(latency.count()));
        EXPECT_EQ(status, SectorReader::Status::Stopped) << "retry phase " << inRetry;
        EXPECT_LT(latency, delay + std::chrono::milliseconds(250)) << "retry phase " << inRetry;
        EXPECT_LE(raw->failedReads(), failedAtPress + 1) << "no read is started after the stop";
    }
}

INSTANTIATE_TEST_SUITE_P(FailedReadTakes, ReaderStop, ::testing::Values(2, 100),
                         [](const ::testing::TestParamInfo<int>& info) { return std::to_string(info.param) + "ms"; });

TEST(SectorReader, StopsEarlyWithoutHanging)
{
    // Destroying the reader while read-ahead is blocked on a full ring must
    // return promptly (a deadlock is ended by the test's ctest time limit).
    MemorySectorSource source(numberedImage(1000));
    const auto started = Clock::now();
    {
        SectorReader reader(source, 0, 1000, {8, 2});
        bool ok = false;
        ASSERT_NE(reader.next(&ok), nullptr);
        std::this_thread::sleep_for(std::chrono::milliseconds(50)); // let read-ahead fill the ring
    }
    EXPECT_LT(Clock::now() - started, std::chrono::seconds(2));
}
