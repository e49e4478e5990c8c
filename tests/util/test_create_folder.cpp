// Create_Folder: parents, permissions, existing paths, links and failures.
// Uses a temporary folder; the "not writable" case is skipped when running
// as root (root may write anywhere).
#include "util/FolderHelpers.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "common/QtPrinters.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

TEST(CreateFolder, CreatesMissingParentsWithOpenPermissions)
{
    QTemporaryDir tmp;
    ASSERT_TRUE(tmp.isValid());
    const QString path = tmp.filePath(QStringLiteral("a/b/c"));
    const mode_t old = ::umask(0);
    const bool made = Create_Folder(path);
    ::umask(old);
    ASSERT_TRUE(made);
    struct stat st;
    ASSERT_EQ(::stat(QFile::encodeName(path).constData(), &st), 0);
    EXPECT_TRUE(S_ISDIR(st.st_mode));
    EXPECT_EQ(st.st_mode & 0777, 0777u);
    ASSERT_EQ(::stat(QFile::encodeName(tmp.filePath(QStringLiteral("a"))).constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0777u);
}

TEST(CreateFolder, ExistingFolderOrFileCountsAsCreated)
{
    QTemporaryDir tmp;
    ASSERT_TRUE(tmp.isValid());
    EXPECT_TRUE(Create_Folder(tmp.path()));
    EXPECT_TRUE(Create_Folder(tmp.path() + QStringLiteral("/")));
    const QString file = tmp.filePath(QStringLiteral("plain.txt"));
    QFile f(file);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("x");
    f.close();
    EXPECT_TRUE(Create_Folder(file));
    EXPECT_TRUE(QFileInfo(file).isFile()) << "an existing file must be left alone";
}

TEST(CreateFolder, FailsBelowAFileOrAnUnwritableFolder)
{
    QTemporaryDir tmp;
    ASSERT_TRUE(tmp.isValid());
    const QString file = tmp.filePath(QStringLiteral("plain.txt"));
    QFile f(file);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.close();
    EXPECT_FALSE(Create_Folder(file + QStringLiteral("/sub")));
    EXPECT_FALSE(Create_Folder(QString()));
    // Not even root can make folders inside /proc.
    EXPECT_FALSE(Create_Folder(QStringLiteral("/proc/ostrel-no-such/sub")));
    if (::geteuid() == 0)
        GTEST_SKIP() << "root may write into a read-only folder";
    const QString locked = tmp.filePath(QStringLiteral("locked"));
    ASSERT_TRUE(QDir().mkdir(locked));
    ASSERT_EQ(::chmod(QFile::encodeName(locked).constData(), 0555), 0);
    EXPECT_FALSE(Create_Folder(locked + QStringLiteral("/x/y")));
    ::chmod(QFile::encodeName(locked).constData(), 0755);
}

TEST(CreateFolder, NeverCountsOrCreatesThroughALink)
{
    QTemporaryDir tmp;
    QTemporaryDir elsewhere;
    ASSERT_TRUE(tmp.isValid() && elsewhere.isValid());
    const QString link = tmp.filePath(QStringLiteral("link"));
    ASSERT_TRUE(QFile::link(elsewhere.path(), link));
    EXPECT_FALSE(Create_Folder(link)) << "an existing link is no made folder";
    EXPECT_FALSE(Create_Folder(link + QStringLiteral("/sub/deeper")));
    EXPECT_TRUE(QDir(elsewhere.path()).isEmpty()) << "nothing was made through the link";
}
