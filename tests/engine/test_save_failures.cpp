// A save failure names its cause: the specified message, then one line with
// the path and the system's reason, for a read-only destination, an entry
// that is not a folder, a name too long for the file system and a file
// larger than the file-size limit (whose partial file is set aside, not
// left under its recovered name). Needs a temporary folder; the read-only
// case mounts a read-only tmpfs as root and uses a 0555 folder otherwise.
#include "EngineTestSupport.h"
#include "common/RunTool.h"
#include "engine/EngineTexts.h"
#include "engine/FileNaming.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <csignal>
#include <functional>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace ostrel;

namespace {

struct Cause {
    const char* name;
    // Prepares the destination; returns the path the message must name.
    std::function<QString(const QString& dest, RunSetup& setup)> prepare;
    const char* reason; // the system's text expected after the path
};

const QString kPass = modeFolderName(0) + u'/' + passFolderName(false);

class SaveFailure : public ::testing::TestWithParam<Cause> {
protected:
    void TearDown() override
    {
        if (!readOnlyMount.isEmpty())
            runTool(QStringLiteral("umount"), {readOnlyMount});
    }
    QString readOnlyMount;
    QTemporaryDir dest; // outlives TearDown, which unmounts what covers it
};

// Sector 0 holds a JPEG header, 2 MiB of data follow.
std::unique_ptr<SectorSource> bigPhoto()
{
    Image img(4096);
    img.put(0, hex("FFD8FFE0"));
    img.fill(1, 4096);
    return std::make_unique<MemorySectorSource>(img.bytes);
}

const Cause kCauses[] = {
    {"read_only",
     [](const QString& dest, RunSetup&) {
         if (::geteuid() != 0) {
             ::chmod(QFile::encodeName(dest).constData(), 0555);
             return dest + u'/' + QStringLiteral("Test Results");
         }
         runTool(QStringLiteral("mount"), {"-t", "tmpfs", "-o", "ro,size=1m", "tmpfs", dest});
         return dest + u'/' + QStringLiteral("Test Results");
     },
     nullptr},
    {"not_a_folder",
     [](const QString& dest, RunSetup&) {
         QFile f(dest + QStringLiteral("/Test Results"));
         f.open(QIODevice::WriteOnly);
         return f.fileName();
     },
     "is not a folder"},
    {"name_too_long",
     [](const QString& dest, RunSetup& setup) {
         setup.recFolderName = QString(300, u'n');
         return dest + u'/' + setup.recFolderName;
     },
     "File name too long"},
    {"file_too_large",
     [](const QString& dest, RunSetup&) {
         return dest + QStringLiteral("/Test Results/") + kPass + QStringLiteral("/JPG/GND00001.JPG");
     },
     "File too large (the incomplete file was kept as GND00001.JPG.incomplete)"},
};

} // namespace

TEST_P(SaveFailure, NamesThePathAndTheReason)
{
    const Cause& c = GetParam();
    ASSERT_TRUE(dest.isValid());
    RunSetup setup{0, table(sigEntry("JPG", 100 << 20, "FFD8FFE0", "1")), {}, QStringLiteral("Test Results")};
    const QString path = c.prepare(dest.path(), setup);
    const bool readOnly = std::string(c.name) == "read_only";
    if (readOnly && ::geteuid() == 0)
        readOnlyMount = dest.path();

    RunState state;
    RecordingHost host(state);
    host.settings.sourcePath = QStringLiteral("memory");
    host.settings.destination = dest.path();
    host.settings.sectorCount = 4096;
    EngineOptions options;
    options.walkerFor = [](const QString&) { return std::unique_ptr<walkers::FormatWalker>(); }; // plain carving mechanics
    options.openSource = [](const QString&, int*) { return bigPhoto(); };
    struct rlimit old;
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old), 0);
    const bool limit = std::string(c.name) == "file_too_large";
    if (limit) {
        struct rlimit small = old;
        small.rlim_cur = 600 * 1024;
        std::signal(SIGXFSZ, SIG_IGN);
        ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    }
    CarveEngine engine(host, state, setup, options, nullptr, nullptr);
    const bool ok = engine.Photo_Recovey_Mode(QStringLiteral("GEN"));
    if (limit)
        setrlimit(RLIMIT_FSIZE, &old);
    ::chmod(QFile::encodeName(dest.path()).constData(), 0700);

    EXPECT_FALSE(ok);
    ASSERT_EQ(host.messages.size(), 1);
    const QString reason = c.reason ? QString::fromLatin1(c.reason)
                                    : QString::fromLatin1(::geteuid() == 0 ? "Read-only file system" : "Permission denied");
    EXPECT_EQ(host.messages[0].toStdString(),
              (unable_saving_Msg + QStringLiteral("\n\n") + path + QStringLiteral(": ") + reason).toStdString());
    EXPECT_TRUE(host.listed.empty());
    if (limit) {
        EXPECT_FALSE(QFileInfo::exists(path)) << "no partial file under a recovered name";
        EXPECT_EQ(QFileInfo(path + QStringLiteral(".incomplete")).size(), 600 * 1024);
    }
}

INSTANTIATE_TEST_SUITE_P(Causes, SaveFailure, ::testing::ValuesIn(kCauses),
                         [](const auto& info) { return std::string(info.param.name); });
