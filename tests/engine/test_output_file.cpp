// One recovered file: exclusive creation, sectors written as runs straight
// from the caller's memory, blank sectors skipped yet read back as zeros
// (also at the end of the file), and failures reported by close().
#include "EngineTestSupport.h"
#include "engine/OutputFile.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <csignal>
#include <sys/resource.h>

using ostrel::OutputFile;

namespace {
QByteArray sectors(int count, char first)
{
    QByteArray b;
    for (int i = 0; i < count; ++i)
        b += QByteArray(512, static_cast<char>(first + i));
    return b;
}
const unsigned char* at(const QByteArray& b, int sector)
{
    return reinterpret_cast<const unsigned char*>(b.constData()) + sector * 512;
}
} // namespace

TEST(OutputFile, NeverOpensAnExistingFile)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("GND00001.JPG");
    QFile existing(path);
    ASSERT_TRUE(existing.open(QIODevice::WriteOnly));
    existing.write("keep me");
    existing.close();
    OutputFile f;
    int error = 0;
    EXPECT_FALSE(f.create(path, &error));
    EXPECT_EQ(error, EEXIST);
    EXPECT_EQ(readAll(path), QByteArray("keep me"));
}

TEST(OutputFile, RunsBlanksAndTrailingBlanksReadBackExactly)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("a.bin");
    const QByteArray chunkA = sectors(4, 'a');
    const QByteArray chunkB = sectors(3, 'k');
    OutputFile f;
    int error = 0;
    ASSERT_TRUE(f.create(path, &error));
    ASSERT_TRUE(f.append(at(chunkA, 0)));
    ASSERT_TRUE(f.append(at(chunkA, 1))); // same run
    ASSERT_TRUE(f.append(at(chunkA, 3))); // not adjacent: a new run
    ASSERT_TRUE(f.appendBlank());
    ASSERT_TRUE(f.appendBlank());
    ASSERT_TRUE(f.append(at(chunkB, 2)));
    ASSERT_TRUE(f.flushRun());
    ASSERT_TRUE(f.append(at(chunkB, 0)));
    ASSERT_TRUE(f.appendBlank());
    ASSERT_TRUE(f.appendBlank());
    EXPECT_EQ(f.bytesWritten(), 9u * 512);
    ASSERT_TRUE(f.close());
    const QByteArray zero(512, '\0');
    EXPECT_EQ(readAll(path), chunkA.mid(0, 1024) + chunkA.mid(1536, 512) + zero + zero + chunkB.mid(1024, 512) +
                                 chunkB.mid(0, 512) + zero + zero);

    OutputFile blanks; // only blank sectors
    ASSERT_TRUE(blanks.create(dir.filePath("z"), &error));
    for (int i = 0; i < 5; ++i)
        ASSERT_TRUE(blanks.appendBlank());
    ASSERT_TRUE(blanks.close());
    EXPECT_EQ(readAll(dir.filePath("z")), QByteArray(5 * 512, '\0'));
}

TEST(OutputFile, WriteFailureIsReportedByClose)
{
    QTemporaryDir dir;
    const QByteArray data = sectors(8, 'a');
    struct rlimit old;
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old), 0);
    struct rlimit small = old;
    small.rlim_cur = 1024;
    std::signal(SIGXFSZ, SIG_IGN);
    OutputFile f;
    int error = 0;
    ASSERT_TRUE(f.create(dir.filePath("full"), &error));
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    for (int i = 0; i < 8; ++i)
        f.append(at(data, i));
    const bool closed = f.close();
    setrlimit(RLIMIT_FSIZE, &old);
    EXPECT_FALSE(closed);
    EXPECT_TRUE(f.failed());
    EXPECT_FALSE(f.append(at(data, 0))) << "a closed file takes nothing";
}
