// The read-ahead sector reader: every sector of the range in order across
// chunk boundaries, unreadable sectors retried once then given as zeros at
// their own position (never shifting later sectors), reads past the end.
// Needs nothing.
#include "EngineTestSupport.h"
#include "engine/SectorReader.h"

#include <gtest/gtest.h>

using namespace ostrel;

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

std::vector<int> walk(SectorSource& source, quint64 start, quint64 end, SectorReader::Options o,
                      std::vector<bool>* readable = nullptr, quint64* unreadable = nullptr)
{
    std::vector<int> seen;
    SectorReader reader(source, start, end, o);
    bool ok = false;
    while (const unsigned char* s = reader.next(&ok)) {
        int n = -1;
        std::memcpy(&n, s + 508, 4);
        seen.push_back(ok ? n : -1);
        if (!ok) {
            EXPECT_EQ(QByteArray(reinterpret_cast<const char*>(s), 512), QByteArray(512, '\0'));
        }
        if (readable)
            readable->push_back(ok);
    }
    if (unreadable)
        *unreadable = reader.unreadableCount();
    return seen;
}
} // namespace

TEST(SectorReader, DeliversEverySectorInOrderAcrossChunks)
{
    MemorySectorSource source(numberedImage(100));
    for (quint32 chunk : {1u, 3u, 7u, 64u, 4096u}) {
        const std::vector<int> seen = walk(source, 5, 98, {chunk, 3});
        ASSERT_EQ(seen.size(), 93u) << chunk;
        for (int i = 0; i < 93; ++i)
            ASSERT_EQ(seen[i], i + 5) << "chunk " << chunk;
    }
    EXPECT_TRUE(walk(source, 10, 10, {}).empty());
}

TEST(SectorReader, UnreadableSectorsBecomeZerosWithoutShifting)
{
    auto* raw = new FaultInjectingSource(std::make_unique<MemorySectorSource>(numberedImage(40)), {7, 8, 30}, {20});
    std::unique_ptr<SectorSource> source(raw);
    quint64 unreadable = 0;
    const std::vector<int> seen = walk(*source, 0, 40, {16, 2}, nullptr, &unreadable);
    ASSERT_EQ(seen.size(), 40u);
    for (int i = 0; i < 40; ++i) {
        if (i == 7 || i == 8 || i == 30)
            EXPECT_EQ(seen[i], -1) << i;
        else
            EXPECT_EQ(seen[i], i) << "sector " << i << " must be read at its own position";
    }
    EXPECT_EQ(unreadable, 3u);
    // The whole-chunk read, the sector read and one retry.
    EXPECT_EQ(raw->attempts(7), 3);
    // A sector that fails once is read again and counts as readable.
    EXPECT_EQ(raw->attempts(20), 2);
    EXPECT_EQ(seen[20], 20);
}

TEST(SectorReader, SectorsPastTheEndAreUnreadable)
{
    MemorySectorSource source(numberedImage(10) + QByteArray(100, '\x01')); // partial last sector
    std::vector<bool> readable;
    quint64 unreadable = 0;
    const std::vector<int> seen = walk(source, 8, 13, {4, 2}, &readable, &unreadable);
    ASSERT_EQ(seen.size(), 5u);
    EXPECT_EQ(seen[0], 8);
    EXPECT_EQ(seen[1], 9);
    EXPECT_FALSE(readable[2]);
    EXPECT_FALSE(readable[4]);
    EXPECT_EQ(unreadable, 3u);
}

TEST(SectorReader, StopsEarlyWithoutHanging)
{
    MemorySectorSource source(numberedImage(1000));
    SectorReader reader(source, 0, 1000, {8, 2});
    bool ok = false;
    ASSERT_NE(reader.next(&ok), nullptr);
    // Destroying the reader while read-ahead is blocked on a full ring must
    // return promptly.
}
