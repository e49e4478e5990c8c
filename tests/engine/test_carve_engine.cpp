// The carving passes on in-memory media: file lengths against size limits,
// headers cutting files, blank sectors, carve groups, list clearing, folder
// roll-over, stop, device and destination failures, unreadable sectors and
// unique names; and how passes and runs end (the outcome, one final screen,
// the mapfile, failures, a medium gone). Needs a temporary folder; the
// destination-full case uses RLIMIT_FSIZE.
#include "EngineTestSupport.h"
#include "engine/EngineTexts.h"
#include "engine/FileNaming.h"
#include "engine/SearchRun.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <csignal>
#include <sys/resource.h>

TEST_F(CarveTest, PhotoFileRunsToItsSizeLimitInWholeSectors)
{
    Image img(20);
    img.put(2, hex("FFD8FFE0") + QByteArray(100, 'x'));
    img.fill(3, 20);
    useImage(img);
    EXPECT_TRUE(pass(0, table(sigEntry("JPG", 1000, "FFD8FFE0", "1"))));
    ASSERT_EQ(host.listed.size(), 1u);
    EXPECT_EQ(host.listed[0].name, QStringLiteral("GND00001.JPG"));
    EXPECT_EQ(host.listed[0].uid, QStringLiteral("GND00001.JPG"));
    EXPECT_EQ(host.listed[0].path, passRoot(0) + QStringLiteral("/JPG/GND00001.JPG"));
    EXPECT_EQ(readAll(host.listed[0].path), img.sectorsFrom(2, 2)) << "1000 bytes round up to 1024";
    EXPECT_TRUE(host.messages.isEmpty());
    EXPECT_EQ(state.for_index.load(), 20u);

    // A size limit of one sector gives one sector; 0 or text closes after
    // the header sector too.
    host.listed.clear();
    EXPECT_TRUE(pass(0, table(sigEntry("JPG", 512, "FFD8FFE0", "1"))));
    ASSERT_EQ(host.listed.size(), 1u);
    EXPECT_EQ(readAll(host.listed[0].path).size(), 512);
    host.listed.clear();
    EXPECT_TRUE(pass(0, table(QStringLiteral("E : .jpg\nS : none\nHeader : FFD8FFE0\nP : 1\nR : 0\nD : d\n"))));
    ASSERT_EQ(host.listed.size(), 1u);
    EXPECT_EQ(readAll(host.listed[0].path).size(), 512);
}

TEST_F(CarveTest, NextHeaderCutsTheFileAndBothShareItsSector)
{
    Image img(12);
    img.put(1, hex("FFD8FFE0"));
    img.fill(2);
    // sector 3 is blank: still part of the file
    img.put(4, hex("89504E470D0A1A0A"));
    img.fill(5);
    useImage(img);
    EXPECT_TRUE(pass(0, table(sigEntry("JPG", 1 << 20, "FFD8FFE0", "1") + sigEntry("PNG", 1 << 20, "89504E470D0A1A0A", "1"))));
    ASSERT_EQ(host.listed.size(), 2u);
    EXPECT_EQ(readAll(host.listed[0].path), img.sectorsFrom(1, 4)) << "ends with the sector holding the next header";
    EXPECT_EQ(host.listed[1].name, QStringLiteral("GND00002.PNG"));
    EXPECT_EQ(readAll(host.listed[1].path), img.sectorsFrom(4, 8)) << "runs to the end of the range";
}

TEST_F(CarveTest, BlankSectorsAreNotSearchedButCountAgainstTheLimit)
{
    Image img(10);
    img.put(0, hex("FFD8FFE0"));
    useImage(img);
    // An entry whose header is all zeros would match every blank sector if
    // blank sectors were searched.
    EXPECT_TRUE(pass(0, table(sigEntry("JPG", 2048, "FFD8FFE0", "1") + sigEntry("NUL", 512, "00000000", "1"))));
    ASSERT_EQ(host.listed.size(), 1u);
    EXPECT_EQ(readAll(host.listed[0].path), img.sectorsFrom(0, 4));
}

TEST_F(CarveTest, RangeIsHonouredAndTheLastSectorWrittenOnce)
{
    Image img(30);
    img.put(5, hex("FFD8FFE0"));
    img.put(12, hex("FFD8FFE0"));
    img.fill(13, 30);
    useImage(img);
    host.settings.entireDisk = false;
    host.settings.sectorRange = true;
    host.settings.startSector = 10;
    host.settings.endSector = 20;
    EXPECT_TRUE(pass(0, table(sigEntry("JPG", 1 << 20, "FFD8FFE0", "1"))));
    ASSERT_EQ(host.listed.size(), 1u) << "the header at sector 5 lies before the range";
    EXPECT_EQ(readAll(host.listed[0].path), img.sectorsFrom(12, 8));
    EXPECT_EQ(state.start_sector.load(), 10u);
    EXPECT_EQ(state.total_sector.load(), 10u);

    // Neither radio set: an empty range reads nothing.
    host.listed.clear();
    host.settings.sectorRange = false;
    EXPECT_FALSE(pass(0, table(sigEntry("JPG", 1 << 20, "FFD8FFE0", "1"))));
    EXPECT_TRUE(host.listed.empty());
}

TEST_F(CarveTest, UnreadableSectorsAreZerosInPlaceAndTheLastOneIsReported)
{
    Image img(16);
    img.put(1, hex("FFD8FFE0"));
    img.fill(2, 16);
    useImage(img, {4});
    EXPECT_TRUE(pass(0, table(sigEntry("JPG", 1 << 20, "FFD8FFE0", "1"))));
    ASSERT_EQ(host.listed.size(), 1u);
    QByteArray expected = img.sectorsFrom(1, 15);
    expected.replace(3 * 512, 512, QByteArray(512, '\0'));
    EXPECT_EQ(readAll(host.listed[0].path), expected) << "later sectors keep their offsets";
    EXPECT_TRUE(host.messages.isEmpty());

    // The last sector unreadable: files are kept; the run's outcome tells.
    host.listed.clear();
    useImage(img, {15});
    EXPECT_FALSE(pass(0, table(sigEntry("JPG", 1 << 20, "FFD8FFE0", "1"))));
    ASSERT_EQ(host.listed.size(), 1u);
    EXPECT_EQ(readAll(host.listed[0].path).size(), 15 * 512);
    EXPECT_TRUE(host.messages.isEmpty()) << "the medium is not blamed in a message box";
}

TEST_F(CarveTest, EmptyPhotoTableIsAFailureButAnEmptySelectionIsNot)
{
    Image img(4);
    img.fill(0);
    useImage(img);
    const RunOutcome photo = run(0, QStringList());
    EXPECT_EQ(photo.pass.end, PassEnd::Failed);
    EXPECT_TRUE(photo.pass.message.contains("signatures")) << photo.pass.message;
    EXPECT_EQ(state.for_index.load(), 0u) << "nothing is read";
    EXPECT_TRUE(pass(2, QStringList()));
    EXPECT_TRUE(host.messages.isEmpty());
}

TEST_F(CarveTest, StopClosesAndListsTheOpenFileBeforeTheNextSector)
{
    Image img(200);
    img.fill(0, 200);
    img.put(0, hex("FFD8FFE0"));
    img.put(3, hex("FFD8FFE0"));
    useImage(img);
    host.onList = [this](const ListedFile& f) {
        if (f.name == QLatin1String("GND00001.JPG"))
            state.stop_now = 1; // Stop pressed while the second file is open
    };
    EXPECT_FALSE(pass(0, table(sigEntry("JPG", 1 << 20, "FFD8FFE0", "1"))));
    ASSERT_EQ(host.listed.size(), 2u);
    EXPECT_EQ(readAll(host.listed[1].path), img.sectorsFrom(3, 1)) << "the file open at the stop keeps what it had";
    EXPECT_EQ(state.for_index.load(), 4u) << "no sector is read after the stop request";
    EXPECT_EQ(state.stop_now.load(), 0);
    EXPECT_EQ(host.finalScreens, 0) << "a pass never ends the run itself";
    EXPECT_TRUE(host.messages.isEmpty());
}

TEST_F(CarveTest, DeviceThatCannotBeOpenedStepsBackWithTheRightAlert)
{
    for (int err : {EACCES, EPERM, ENOENT, EIO}) {
        host.events.clear();
        state.stop_screen_already_show = 0;
        state.Listed_File_Count = 7;
        options.openSource = [err](const QString&, int* e) -> std::unique_ptr<SectorSource> {
            *e = err;
            return nullptr;
        };
        EXPECT_FALSE(pass(0, table(sigEntry("JPG", 1, "FFD8", "1"))));
        const bool permission = err == EACCES || err == EPERM;
        EXPECT_TRUE(host.events.contains(QStringLiteral("stepBack")));
        EXPECT_TRUE(host.events.contains(QString(permission ? "permissionAlert:%1" : "genericAlert:%1").arg(err)));
        EXPECT_FALSE(host.events.contains(QStringLiteral("final")));
        EXPECT_EQ(state.stop_screen_already_show.load(), 1) << "no final screen for this run";
        EXPECT_EQ(state.Listed_File_Count.load(), 0u);
    }
    EXPECT_TRUE(filesUnder(dest.path()).isEmpty()) << "nothing is written";
}

TEST_F(CarveTest, DestinationThatCannotBeCreatedEndsThePassBeforeReading)
{
    QFile blocker(dest.filePath(kResults));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly)); // a file where the results folder should go
    blocker.close();
    Image img(8);
    img.put(0, hex("FFD8FFE0"));
    useImage(img);
    EXPECT_EQ(run(2, table(sigEntry("ZIP", 1 << 20, "504B0304", "1"))).pass.end, PassEnd::DestinationFailed);
    ASSERT_EQ(host.messages.size(), 1);
    EXPECT_TRUE(isSaveFailureMessage(host.messages[0])) << host.messages[0];
    EXPECT_EQ(host.finalScreens, 1);
    EXPECT_EQ(state.for_index.load(), 0u);
}

TEST_F(CarveTest, DestinationFullMidPassIsASaveFailureNotASuccess)
{
    Image img(4096); // 2 MiB
    img.put(0, hex("FFD8FFE0"));
    img.fill(1, 4096);
    useImage(img);
    struct rlimit old;
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old), 0);
    struct rlimit small = old;
    small.rlim_cur = 600 * 1024;
    std::signal(SIGXFSZ, SIG_IGN);
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    const bool ok = pass(0, table(sigEntry("JPG", 100 << 20, "FFD8FFE0", "1")));
    setrlimit(RLIMIT_FSIZE, &old);
    EXPECT_FALSE(ok);
    ASSERT_EQ(host.messages.size(), 1);
    EXPECT_TRUE(isSaveFailureMessage(host.messages[0])) << host.messages[0];
    EXPECT_TRUE(host.listed.empty()) << "a file that could not be written whole is not listed";
    EXPECT_LT(state.for_index.load(), 4096u);
}

TEST_F(CarveTest, ListIsClearedAfterTheLimitBeforeTheNextFileIsListed)
{
    // Photo mode clears before the file the new header ends; the other modes
    // after the old group is listed.
    const struct {
        int mode, limit, files;
        unsigned listedAfter;
        const char* ext;
        const char* header;
        QStringList expected;
    } cases[] = {
        {0, 2, 4, 2, "JPG", "FFD8FFE0", {"list:GND00001.JPG", "list:GND00002.JPG", "notice:" + texts::photoClearNotice, "clear",
                                   "list:GND00003.JPG", "list:GND00004.JPG"}},
        {2, 1, 2, 1, "ZIP", "504B0304", {"list:ZIP00001.ZIP", "notice:" + texts::fileClearNotice, "clear", "list:ZIP00002.ZIP"}},
    };
    for (const auto& c : cases) {
        host.events.clear();
        state.Listed_File_Count = 0;
        options.fileListClearLimit = c.limit;
        Image img(10);
        for (int s = 0; s < 2 * c.files; s += 2)
            img.put(s, hex(c.header));
        useImage(img);
        EXPECT_TRUE(pass(c.mode, table(sigEntry(c.ext, 1 << 20, c.header, "1"))));
        EXPECT_EQ(host.listingEvents(), c.expected);
        EXPECT_EQ(state.Listed_File_Count.load(), c.listedAfter);
    }
}

TEST_F(CarveTest, TypeFolderRollsOverAfterItsLimit)
{
    options.filesPerFolder = 2;
    Image img(6);
    for (int s = 0; s < 5; ++s)
        img.put(s, hex("FFD8FFE0"));
    useImage(img);
    EXPECT_TRUE(pass(0, table(sigEntry("JPG", 512, "FFD8FFE0", "1"))));
    EXPECT_EQ(filesUnder(passRoot(0)), (QStringList{"JPG/GND00001.JPG", "JPG/GND00002.JPG", "JPG_001/GND00003.JPG",
                                                     "JPG_001/GND00004.JPG", "JPG_002/GND00005.JPG"}));
}

TEST_F(CarveTest, CarveGroupSavesASharedHeaderOncePerType)
{
    Image img(12);
    img.put(0, hex("504B030414000600"));
    img.fill(1, 12);
    useImage(img);
    const QStringList t = table(sigEntry("ZIP", 4096, "504B0304", "1") + sigEntry("DOCX", 1024, "504B0304", "1") +
                                sigEntry("XLSX", 2048, "504B030414000600", "1") + // longer, same position: joins
                                sigEntry("B", 2048, "504B030414000600", "2") +    // longer, other position: no
                                sigEntry("C", 2048, "4B03", "9"));                 // contained: joins anywhere
    EXPECT_TRUE(pass(2, t));
    QMap<QString, qint64> sizes;
    for (const ListedFile& f : host.listed)
        sizes[f.name] = readAll(f.path).size();
    EXPECT_EQ(sizes, (QMap<QString, qint64>{{"ZIP00001.ZIP", 4096}, {"DOCX00001.DOCX", 1024},
                                            {"XLSX00001.XLSX", 2048}, {"C00001.C", 2048}}));
    for (const ListedFile& f : host.listed)
        EXPECT_EQ(readAll(f.path), img.sectorsFrom(0, static_cast<int>(sizes[f.name] / 512))) << f.name;
    EXPECT_EQ(host.listed[0].uid, host.listed[0].name);
}

TEST_F(CarveTest, NewGroupEndsEveryFileOfTheOldOne)
{
    Image img(10);
    img.put(0, hex("504B0304"));
    img.fill(1);
    img.fill(2);
    img.put(3, hex("504B0304"));
    useImage(img);
    EXPECT_TRUE(pass(2, table(sigEntry("ZIP", 1 << 20, "504B0304", "1") + sigEntry("DOCX", 1 << 20, "504B0304", "1"))));
    ASSERT_EQ(host.listed.size(), 4u);
    QStringList order;
    for (const ListedFile& f : host.listed)
        order << f.name;
    EXPECT_EQ(order, (QStringList{"ZIP00001.ZIP", "DOCX00001.DOCX", "ZIP00002.ZIP", "DOCX00002.DOCX"}))
        << "a group's files are listed in table order";
    for (int i = 0; i < 2; ++i)
        EXPECT_EQ(readAll(host.listed[i].path), img.sectorsFrom(0, 4)) << "4 sectors, the last with the new header";
    for (int i = 2; i < 4; ++i)
        EXPECT_EQ(readAll(host.listed[i].path), img.sectorsFrom(3, 7));
}

TEST_F(CarveTest, GroupHoldsAtMostThirtyFiles)
{
    QString text;
    for (int i = 0; i < 32; ++i)
        text += sigEntry(QStringLiteral("T%1").arg(i), 512, "CAFEBABE", "1");
    Image img(2);
    img.put(0, hex("CAFEBABE"));
    useImage(img);
    EXPECT_TRUE(pass(2, table(text)));
    EXPECT_EQ(host.listed.size(), 30u);
    EXPECT_EQ(host.listed.back().name, QStringLiteral("T2900030.T29")) << "files opened counts 1..30, no row for T29";
}

TEST_F(CarveTest, SameTypeTwiceInAGroupNeverOverwrites)
{
    Image img(3);
    img.put(0, hex("000000186674797069736F6D"));
    img.fill(1);
    useImage(img);
    // Two MP4 entries share the header: both files get their own name.
    EXPECT_TRUE(pass(1, table(sigEntry("MP4", 512, "0000001866747970", "1") + sigEntry("MP4", 1024, "66747970", "5"))));
    ASSERT_EQ(host.listed.size(), 2u);
    EXPECT_NE(host.listed[0].path, host.listed[1].path);
    EXPECT_EQ(filesUnder(passRoot(1)), (QStringList{"MP4/MP400001.MP4", "MP4/MP400002.MP4"}));
    EXPECT_EQ(readAll(passRoot(1) + "/MP4/MP400001.MP4").size() + readAll(passRoot(1) + "/MP4/MP400002.MP4").size(), 1536);
}

TEST_F(CarveTest, LaterRunsIntoTheSameDestinationKeepEarlierFiles)
{
    Image img(4);
    img.put(0, hex("FFD8FFE0") + QByteArray("first"));
    useImage(img);
    const QStringList t = table(sigEntry("JPG", 512, "FFD8FFE0", "1"));
    EXPECT_TRUE(pass(0, t));
    Image second(4);
    second.put(0, hex("FFD8FFE0") + QByteArray("second"));
    useImage(second);
    EXPECT_TRUE(pass(0, t));
    ASSERT_EQ(host.listed.size(), 2u);
    EXPECT_EQ(host.listed[0].name, QStringLiteral("GND00001.JPG"));
    EXPECT_EQ(host.listed[1].name, QStringLiteral("GND00002.JPG")) << "the listed name is the name on disk";
    EXPECT_EQ(host.listed[1].uid, QStringLiteral("GND00002.JPG")) << "identifiers run on for the process";
    EXPECT_EQ(readAll(host.listed[0].path), img.sectorsFrom(0, 1));
    EXPECT_EQ(readAll(host.listed[1].path), second.sectorsFrom(0, 1));
}

TEST_F(CarveTest, UnsafeExtensionStaysInsideThePassFolder)
{
    Image img(2);
    img.put(0, hex("ABCDEF01"));
    useImage(img);
    EXPECT_TRUE(pass(2, table(QStringLiteral("E : a./../../x\nS : 512\nHeader : ABCDEF01\nP : 1\nR : 0\nD : d\n"))));
    ASSERT_EQ(host.listed.size(), 1u);
    EXPECT_TRUE(host.listed[0].path.startsWith(passRoot(2) + u'/'));
    EXPECT_EQ(filesUnder(dest.path()).size(), 1);
    EXPECT_FALSE(host.listed[0].name.contains(u'/'));
}

TEST_F(CarveTest, SearchRunRunsBothPassesAndEndsOnce)
{
    Image img(6);
    img.put(0, hex("FFD8FFE0"));
    img.put(2, hex("89504E47"));
    useImage(img);
    host.settings.thorough = true;
    RunSetup setup{0, table(sigEntry("JPG", 1 << 20, "FFD8FFE0", "1")),
                   table(sigEntry("JPG", 1 << 20, "FFD8FFE0", "1") + sigEntry("PNG", 1 << 20, "89504E47", "1")), kResults};
    SearchRun run(host, state, setup, options);
    run.start();
    run.join();
    EXPECT_TRUE(run.generalPassSucceeded());
    EXPECT_TRUE(run.thoroughPassRan());
    EXPECT_EQ(host.finalScreens, 1);
    // The thorough pass carves only what the general pass missed.
    EXPECT_EQ(filesUnder(dest.filePath(kResults + "/Photo Search")),
              (QStringList{"General Recovery Results/JPG/GND00001.JPG",
                           "Omitted (recovered by Thorough Scan)/PNG/THD00001.PNG"}));
    EXPECT_EQ(state.GND_Image_number.load(), 1u);
    EXPECT_EQ(state.THD_Image_number.load(), 1u);
}

TEST_F(CarveTest, RawNumberingContinuesIntoTheThoroughPass)
{
    Image img(4);
    img.put(0, hex("504B0304"));
    img.put(2, hex("504B0304"));
    useImage(img);
    host.settings.thorough = true;
    host.settings.cutAtNextHeader = true; // the thorough pass carves them again
    const QStringList zip = table(sigEntry("ZIP", 1 << 20, "504B0304", "1"));
    SearchRun run(host, state, RunSetup{2, zip, zip, kResults}, options);
    run.runWorker();
    QStringList names;
    for (const ListedFile& f : host.listed)
        names << f.name + u' ' + f.type + u' ' + QString::number(f.typeCount);
    // The host is told the engine's own count, the one the names come from.
    EXPECT_EQ(names, (QStringList{"ZIP00001.ZIP ZIP 1", "ZIP00002.ZIP ZIP 2", "ZIP00003.ZIP ZIP 3", "ZIP00004.ZIP ZIP 4"}));
    EXPECT_EQ(run.summary().count("ZIP"), 4);
}

TEST_F(CarveTest, LongFilesKeepEverySectorAcrossReusedReadBuffers)
{
    // 8-sector chunks in a ring of 3: a 200-sector file outlives every
    // buffer many times over, and so do the files of a carve group.
    Image img(200);
    img.fill(0, 200);
    img.put(0, hex("504B0304"));
    img.put(5, QByteArray(512, '\0')); // blank and unreadable sectors inside the file
    useImage(img, {77});
    EXPECT_TRUE(pass(2, table(sigEntry("ZIP", 1 << 20, "504B0304", "1") + sigEntry("DOCX", 150 * 512, "504B0304", "1"))));
    ASSERT_EQ(host.listed.size(), 2u);
    QByteArray expected = img.bytes;
    expected.replace(77 * 512, 512, QByteArray(512, '\0'));
    EXPECT_EQ(readAll(host.listed[0].path), expected.left(150 * 512)) << host.listed[0].name;
    EXPECT_EQ(readAll(host.listed[1].path), expected) << host.listed[1].name;
}

// ---- How passes and runs end.

TEST_F(CarveTest, StoppedRunNamesTheSectorToContinueFrom)
{
    Image img(300);
    for (int s = 0; s < 300; s += 3)
        img.put(s, hex("FFD8FFE0"));
    useImage(img);
    host.settings.thorough = true;
    host.onList = [this](const ListedFile& f) {
        if (f.name == QLatin1String("GND00002.JPG"))
            state.stop_now = 1;
    };
    const RunOutcome o = run(0, table(sigEntry("JPG", 1 << 20, "FFD8FFE0", "1")), table(sigEntry("JPG", 1 << 20, "FFD8FFE0", "1")));
    EXPECT_EQ(o.pass.end, PassEnd::Stopped);
    EXPECT_EQ(o.pass.sector, 7u) << "the header at 6 ended GND00002; sector 7 was not searched";
    EXPECT_EQ(o.pass.rangeEnd, 300u);
    EXPECT_TRUE(o.pass.canContinue());
    EXPECT_FALSE(o.thoroughRan);
    EXPECT_FALSE(QDir(passRoot(0, true)).exists()) << "a stop skips the thorough pass";
    EXPECT_EQ(host.finalScreens, 1);
    EXPECT_EQ(host.lastOutcome.pass.sector, 7u);
}

TEST_F(CarveTest, ExceptionAnywhereInAPassEndsTheRunAsAFailure)
{
    Image img(40);
    img.put(0, hex("FFD8FFE0"));
    img.put(10, hex("FFD8FFE0"));
    useImage(img);
    host.settings.thorough = true;
    const QStringList jpg = table(sigEntry("JPG", 1 << 20, "FFD8FFE0", "1"));
    // Inside the sector loop.
    host.onList = [](const ListedFile&) { throw std::runtime_error("listing broke"); };
    RunOutcome o = run(0, jpg, jpg);
    EXPECT_EQ(o.pass.end, PassEnd::Failed);
    EXPECT_EQ(o.pass.message, QStringLiteral("listing broke"));
    EXPECT_FALSE(o.thoroughRan) << "no thorough pass after a failure";
    EXPECT_EQ(host.finalScreens, 1);
    // Before the loop.
    host.onList = nullptr;
    options.openSource = [](const QString&, int*) -> std::unique_ptr<SectorSource> {
        throw std::runtime_error("no memory for the device");
    };
    o = run(0, jpg, jpg);
    EXPECT_EQ(o.pass.end, PassEnd::Failed);
    EXPECT_EQ(o.pass.message, QStringLiteral("no memory for the device"));
    EXPECT_EQ(host.finalScreens, 2);
}

TEST_F(CarveTest, UnreadableSectorsGiveAnExactMapfileBesideTheResults)
{
    Image img(200);
    img.fill(0, 200);
    img.put(10, hex("FFD8FFE0"));
    useImage(img, {5, 40, 41, 42, 43, 44, 190});
    host.settings.thorough = true;
    const QStringList jpg = table(sigEntry("JPG", 1 << 20, "FFD8FFE0", "1"));
    const RunOutcome o = run(0, jpg, jpg);
    EXPECT_EQ(o.pass.end, PassEnd::Completed);
    EXPECT_TRUE(o.thoroughRan) << "unreadable sectors do not cancel the thorough pass";
    EXPECT_EQ(o.unreadable.count, 7u);
    EXPECT_EQ(o.unreadable.firstRanges, (std::vector<SectorRange>{{5, 1}, {40, 5}, {190, 1}}));
    EXPECT_EQ(describeRanges(o.unreadable.firstRanges, 0), QStringLiteral("5, 40-44, 190"));
    ASSERT_FALSE(o.unreadable.mapFile.isEmpty()) << o.unreadable.mapError;
    EXPECT_TRUE(o.unreadable.mapFile.startsWith(dest.filePath(kResults + "/Photo Search/")));
    const QStringList lines = QString::fromUtf8(readAll(o.unreadable.mapFile)).split(u'\n', Qt::SkipEmptyParts);
    QStringList blocks;
    for (const QString& l : lines) {
        if (!l.startsWith(u'#'))
            blocks << l.simplified();
    }
    EXPECT_EQ(blocks, (QStringList{"0x00019000 + 1", "0x00000000 0x00000A00 +", "0x00000A00 0x00000200 -",
                                   "0x00000C00 0x00004400 +", "0x00005000 0x00000A00 -", "0x00005A00 0x00012200 +",
                                   "0x00017C00 0x00000200 -", "0x00017E00 0x00001200 +"}));
    // The file over sector 40-44 keeps its length, zeros only there.
    QByteArray expected = img.sectorsFrom(10, 190);
    for (int s : {40, 41, 42, 43, 44, 190})
        expected.replace((s - 10) * 512, 512, QByteArray(512, '\0'));
    ASSERT_FALSE(host.listed.empty());
    EXPECT_EQ(readAll(host.listed[0].path), expected);
}

TEST_F(CarveTest, MediumGoneEndsTheRunAtOnceAndKeepsWhatWasFound)
{
    Image img(20000);
    img.put(3, hex("FFD8FFE0"));
    img.fill(4, 100);
    const QByteArray bytes = img.bytes;
    host.settings.sectorCount = 20000;
    host.settings.thorough = true;
    options.openSource = [&](const QString&, int*) -> std::unique_ptr<SectorSource> {
        auto source = std::make_unique<FaultInjectingSource>(std::make_unique<MemorySectorSource>(bytes), std::set<quint64>{});
        source->setVanish({100, EIO, false});
        return source;
    };
    const QStringList jpg = table(sigEntry("JPG", 1 << 20, "FFD8FFE0", "1"));
    const RunOutcome o = run(0, jpg, jpg);
    EXPECT_EQ(o.pass.end, PassEnd::MediumGone);
    EXPECT_TRUE(o.pass.anySectorRead);
    EXPECT_EQ(o.pass.sector, 95u) << "chunks of 8: the one holding sector 100 starts at 96";
    EXPECT_FALSE(o.thoroughRan);
    ASSERT_EQ(host.listed.size(), 1u) << "the open file is closed and listed";
    EXPECT_EQ(readAll(host.listed[0].path), img.sectorsFrom(3, 93));
    EXPECT_EQ(o.unreadable.count, 0u) << "what was never reached is not unreadable";
    ASSERT_FALSE(o.unreadable.mapFile.isEmpty());
    EXPECT_TRUE(readAll(o.unreadable.mapFile).contains("0x0000C000  0x009B8000  ?")) << "the rest not tried";
}
