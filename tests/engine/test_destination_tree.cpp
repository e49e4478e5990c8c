// The walk below the destination: symbolic links planted at every level (to
// another folder, to a file), entries that are not folders where folders
// belong, a file name already taken by a link, the medium guard on a disk
// image and on its loop mount, and ownership for the person who started the
// program. Needs a temporary folder; the image cases need root, mkfs.ext4
// and loop mounts, the ownership case root; they are skipped without.
#include "EngineTestSupport.h"
#include "common/RunTool.h"
#include "engine/DestinationTree.h"
#include "engine/EngineTexts.h"
#include "engine/FileNaming.h"
#include "engine/FileOwner.h"
#include "engine/OutputFile.h"
#include "device/DestinationGuard.h"

#include <QStandardPaths>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

using namespace ostrel;

namespace {

const QStringList kLevels{kResults, modeFolderName(0), passFolderName(false), QStringLiteral("JPG")};

QString under(const QString& root, int levels)
{
    return root + u'/' + kLevels.mid(0, levels).join(u'/');
}

bool link(const QString& target, const QString& at)
{
    return ::symlink(QFile::encodeName(target).constData(), QFile::encodeName(at).constData()) == 0;
}

// A photo pass of a JPEG header and three data sectors into `destination`.
struct PhotoCarve {
    explicit PhotoCarve(const QString& destination, const QString& source = QStringLiteral("memory"))
    {
        host.settings.sourcePath = source;
        host.settings.destination = destination;
        options.clearPause = std::chrono::milliseconds(0);
        options.walkerFor = [](const QString&) { return std::unique_ptr<walkers::FormatWalker>(); }; // plain carving mechanics
        Image img(4);
        img.put(0, hex("FFD8FFE0"));
        img.fill(1, 4);
        const QByteArray bytes = img.bytes;
        host.settings.sectorCount = 4;
        options.openSource = [bytes](const QString&, int*) -> std::unique_ptr<SectorSource> {
            return std::make_unique<MemorySectorSource>(bytes);
        };
    }
    bool run()
    {
        CarveEngine engine(host, state, RunSetup{0, table(sigEntry("JPG", 1 << 20, "FFD8FFE0", "1")), {}, kResults},
                           options, nullptr, nullptr);
        return engine.Photo_Recovey_Mode(QStringLiteral("GEN"));
    }
    RunState state;
    RecordingHost host{state};
    EngineOptions options;
};

// Level at which the link or the file is planted, and what a link points to.
struct Planted {
    int level;
    enum Kind { LinkToFolder, LinkToFile, PlainFile } kind;
};

class PlantedEntry : public ::testing::TestWithParam<Planted> {};

} // namespace

TEST_P(PlantedEntry, IsRefusedByNameAndNothingIsWrittenThroughIt)
{
    const Planted p = GetParam();
    QTemporaryDir dest;
    QTemporaryDir elsewhere;
    ASSERT_TRUE(dest.isValid() && elsewhere.isValid());
    ASSERT_TRUE(QDir().mkpath(under(dest.path(), p.level)));
    const QString at = under(dest.path(), p.level + 1);
    const QString file = elsewhere.filePath(QStringLiteral("keep.txt"));
    QFile keep(file);
    ASSERT_TRUE(keep.open(QIODevice::WriteOnly) && keep.write("unchanged") == 9);
    keep.close();
    if (p.kind == Planted::PlainFile)
        ASSERT_TRUE(QFile::copy(file, at));
    else
        ASSERT_TRUE(link(p.kind == Planted::LinkToFolder ? elsewhere.path() : file, at));

    PhotoCarve carve(dest.path());
    EXPECT_FALSE(carve.run());
    ASSERT_EQ(carve.host.messages.size(), 1);
    const QString reason = p.kind == Planted::PlainFile
                               ? QStringLiteral("is not a folder")
                               : QStringLiteral("is a symbolic link; links below the destination are never followed");
    EXPECT_EQ(carve.host.messages[0].toStdString(), saveFailureMessage(at + QStringLiteral(": ") + reason).toStdString());
    EXPECT_TRUE(carve.host.listed.empty());
    EXPECT_EQ(filesUnder(elsewhere.path()), QStringList{QStringLiteral("keep.txt")}) << "nothing made through it";
    EXPECT_EQ(readAll(file), QByteArray("unchanged"));
}

INSTANTIATE_TEST_SUITE_P(EveryLevel, PlantedEntry,
                         ::testing::Values(Planted{0, Planted::LinkToFolder}, Planted{1, Planted::LinkToFolder},
                                           Planted{2, Planted::LinkToFolder}, Planted{3, Planted::LinkToFolder},
                                           Planted{0, Planted::LinkToFile}, Planted{3, Planted::LinkToFile},
                                           Planted{1, Planted::PlainFile}, Planted{3, Planted::PlainFile}));

TEST(DestinationTree, AFileNameTakenByALinkIsSkippedAndTheLinkLeftAlone)
{
    QTemporaryDir dest;
    QTemporaryDir elsewhere;
    ASSERT_TRUE(QDir().mkpath(under(dest.path(), 4)));
    const QString target = elsewhere.filePath(QStringLiteral("victim"));
    ASSERT_TRUE(link(target, under(dest.path(), 4) + QStringLiteral("/GND00001.JPG")));
    PhotoCarve carve(dest.path());
    EXPECT_TRUE(carve.run());
    ASSERT_EQ(carve.host.listed.size(), 1u);
    EXPECT_EQ(carve.host.listed[0].name, QStringLiteral("GND00002.JPG"));
    EXPECT_FALSE(QFileInfo::exists(target)) << "the link's target is never created";
}

TEST(DestinationTree, MakesAMissingDestinationAndRefusesNamesThatAreNotOneComponent)
{
    QTemporaryDir dest;
    DestinationTree::Failure failure;
    auto tree = DestinationTree::open(dest.filePath(QStringLiteral("new/deeper")), {}, FileOwner{}, &failure);
    ASSERT_TRUE(tree);
    for (const QString& bad : {QString(), QStringLiteral("."), QStringLiteral(".."), QStringLiteral("a/b")}) {
        EXPECT_FALSE(tree->folder({QStringLiteral("ok"), bad})) << bad;
        OutputFile file;
        int error = 0;
        EXPECT_FALSE(tree->createFile(file, tree->folder({QStringLiteral("ok")}), bad, &error)) << bad;
    }
    EXPECT_EQ(filesUnder(dest.path()), QStringList());
    EXPECT_TRUE(QFileInfo(dest.filePath(QStringLiteral("new/deeper/ok"))).isDir());

    // A file in the way is named itself, not the folder asked for below it.
    QFile blocker(dest.filePath(QStringLiteral("blocker")));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    EXPECT_FALSE(DestinationTree::open(blocker.fileName() + QStringLiteral("/sub"), {}, FileOwner{}, &failure));
    EXPECT_EQ(failure.text().toStdString(), (blocker.fileName() + QStringLiteral(": is not a folder")).toStdString());
}

TEST(FileOwner, InvokingUserFromTheEnvironment)
{
    const gid_t keep = static_cast<gid_t>(-1);
    const struct {
        QStringList env;
        uid_t euid;
        bool change;
        uid_t uid;
        gid_t gid;
    } rows[] = {
        {{"SUDO_UID=1000", "SUDO_GID=1001"}, 0, true, 1000, 1001},
        {{"SUDO_UID=1000"}, 0, true, 1000, keep},
        {{"SUDO_UID=abc"}, 0, false, 0, keep},
        {{"SUDO_UID=1000", "SUDO_GID=1001"}, 1000, false, 0, keep}, // not root: nothing to give
        {{"PKEXEC_UID=0", "SUDO_UID=1000"}, 0, false, 0, keep},     // pkexec's word counts
    };
    for (const auto& r : rows) {
        QProcessEnvironment env;
        for (const QString& kv : r.env)
            env.insert(kv.section(u'=', 0, 0), kv.section(u'=', 1));
        const FileOwner o = invokingUser(env, r.euid);
        EXPECT_EQ(o.change, r.change) << r.env.join(u' ');
        EXPECT_TRUE(!r.change || (o.uid == r.uid && o.gid == r.gid)) << r.env.join(u' ');
    }
    // pkexec names only the user; the group is the user's own.
    QProcessEnvironment root;
    root.insert(QStringLiteral("PKEXEC_UID"), QStringLiteral("%1").arg(::getuid() == 0 ? 65534 : ::getuid()));
    EXPECT_TRUE(invokingUser(root, 0).change);
}

TEST(DestinationTree, EverythingMadeBelongsToTheInvokingUser)
{
    if (::geteuid() != 0)
        GTEST_SKIP() << "giving files to another user needs root";
    QTemporaryDir dest;
    const QByteArray oldPk = qgetenv("PKEXEC_UID");
    qunsetenv("PKEXEC_UID");
    qputenv("SUDO_UID", "4242");
    qputenv("SUDO_GID", "4343");
    PhotoCarve carve(dest.path());
    const bool ok = carve.run();
    qunsetenv("SUDO_UID");
    qunsetenv("SUDO_GID");
    if (!oldPk.isEmpty())
        qputenv("PKEXEC_UID", oldPk);
    ASSERT_TRUE(ok);
    QStringList made{dest.filePath(kResults)};
    QDirIterator it(dest.filePath(kResults), QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden,
                    QDirIterator::Subdirectories);
    while (it.hasNext())
        made << it.next();
    ASSERT_EQ(made.size(), 5) << made; // four folders and the file
    for (const QString& path : made) {
        struct stat st {};
        ASSERT_EQ(::lstat(QFile::encodeName(path).constData(), &st), 0);
        EXPECT_EQ(st.st_uid, 4242u) << path;
        EXPECT_EQ(st.st_gid, 4343u) << path;
    }
    struct stat top {};
    ASSERT_EQ(::stat(QFile::encodeName(dest.path()).constData(), &top), 0);
    EXPECT_EQ(top.st_uid, 0u) << "the chosen destination itself is left as it was";
}

namespace {

// An ext4 image file mounted through a loop device, as a user would search
// a card image while it is mounted.
class MountedImage : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (::geteuid() != 0)
            GTEST_SKIP() << "loop mounts need root";
        if (QStandardPaths::findExecutable(QStringLiteral("mkfs.ext4")).isEmpty())
            GTEST_SKIP() << "mkfs.ext4 (e2fsprogs) is not installed";
        ASSERT_TRUE(scratch.isValid());
        image = scratch.filePath(QStringLiteral("card.img"));
        mountPoint = scratch.filePath(QStringLiteral("mnt"));
        ASSERT_TRUE(QDir().mkpath(mountPoint));
        QFile f(image);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly) && f.resize(8 << 20));
        f.close();
        ASSERT_EQ(runTool(QStringLiteral("mkfs.ext4"), {"-q", "-F", image}), 0);
        if (runTool(QStringLiteral("mount"), {"-o", "loop", image, mountPoint}) != 0)
            GTEST_SKIP() << "loop devices cannot be mounted here";
        mounted = true;
    }
    void TearDown() override
    {
        if (mounted)
            runTool(QStringLiteral("umount"), {mountPoint});
    }
    QStringList medium() const { return destguard::mediumDevices(QString(), QString(), image, destguard::systemFiles()); }

    QTemporaryDir scratch;
    QString image;
    QString mountPoint;
    bool mounted = false;
};

} // namespace

TEST_F(MountedImage, TheImagesOwnMountIsTheMedium)
{
    EXPECT_FALSE(medium().isEmpty()) << "the loop device backed by the image belongs to the medium";
    EXPECT_TRUE(destguard::destinationOnMedium(mountPoint, QString(), QString(), image));
    const QByteArray before = readAll(image);
    PhotoCarve carve(mountPoint, image);
    EXPECT_FALSE(carve.run());
    ASSERT_EQ(carve.host.messages.size(), 1);
    EXPECT_TRUE(carve.host.messages[0].contains(QStringLiteral("lies on the medium being searched")))
        << carve.host.messages[0];
    EXPECT_FALSE(QFileInfo::exists(mountPoint + u'/' + kResults));
    runTool(QStringLiteral("sync"), {});
    EXPECT_EQ(readAll(image), before) << "the image is not modified";
}

TEST_F(MountedImage, AMountBelowTheDestinationIsCaughtWhereItIsOpened)
{
    // The destination itself is elsewhere; its results folder is the image's
    // mount, which a check of the typed path alone would miss.
    QTemporaryDir dest;
    const QString results = dest.filePath(kResults);
    ASSERT_TRUE(QDir().mkpath(results));
    ASSERT_EQ(runTool(QStringLiteral("mount"), {"--bind", mountPoint, results}), 0);
    EXPECT_FALSE(destguard::destinationOnMedium(dest.path(), QString(), QString(), image));
    DestinationTree::Failure failure;
    auto tree = DestinationTree::open(dest.path(), medium(), FileOwner{}, &failure);
    ASSERT_TRUE(tree);
    EXPECT_FALSE(tree->folder({kResults, QStringLiteral("x")}));
    EXPECT_EQ(tree->failure().path, results);
    runTool(QStringLiteral("umount"), {results});
    EXPECT_FALSE(QFileInfo::exists(mountPoint + QStringLiteral("/x")));
}
