// Command-line parsing of the headless front end: modes, ranges, types,
// listing options, the sample run, and the errors a user gets for bad input
// (an unknown edition is refused with the list).
#include "cli/CliOptions.h"
#include "common/QtPrinters.h"

#include <gtest/gtest.h>

namespace {
CliParseResult parse(std::initializer_list<const char*> args)
{
    QStringList list;
    for (const char* a : args)
        list << QString::fromUtf8(a);
    return parseCliArguments(list);
}
} // namespace

TEST(CliOptions, SourceDestinationAndOptions)
{
    const CliParseResult r = parse({"-e", "camera", "--mode=video", "-t", "--range", "100:2000", "-q", "/dev/sdb1", "/tmp/out"});
    ASSERT_TRUE(r.ok) << r.error;
    EXPECT_EQ(r.options.source, QStringLiteral("/dev/sdb1"));
    EXPECT_EQ(r.options.destination, QStringLiteral("/tmp/out"));
    EXPECT_EQ(r.options.edition, QStringLiteral("camera"));
    EXPECT_EQ(r.options.mode, 1);
    EXPECT_TRUE(r.options.thorough);
    EXPECT_TRUE(r.options.rangeGiven);
    EXPECT_EQ(r.options.startSector, 100u);
    EXPECT_EQ(r.options.endSector, 2000u);
    EXPECT_TRUE(r.options.quiet);
}

TEST(CliOptions, ModeNames)
{
    EXPECT_EQ(parseModeName("photo"), 0);
    EXPECT_EQ(parseModeName("Video"), 1);
    EXPECT_EQ(parseModeName("raw"), 2);
    EXPECT_EQ(parseModeName("file"), 2);
    EXPECT_EQ(parseModeName("audio"), 3);
    EXPECT_EQ(parseModeName("music"), -1);
    EXPECT_FALSE(parse({"-m", "music", "a", "b"}).ok);
}

TEST(CliOptions, SectorRanges)
{
    quint64 s = 0, e = 0;
    EXPECT_TRUE(parseSectorRange("0:1", &s, &e));
    EXPECT_EQ(e, 1u);
    EXPECT_TRUE(parseSectorRange("2048-4096", &s, &e));
    EXPECT_EQ(s, 2048u);
    EXPECT_TRUE(parseSectorRange("0:18446744073709551615", &s, &e)) << "64-bit sector numbers";
    EXPECT_FALSE(parseSectorRange("10:10", &s, &e)) << "empty range";
    EXPECT_FALSE(parseSectorRange("10:5", &s, &e));
    EXPECT_FALSE(parseSectorRange("-5:10", &s, &e));
    EXPECT_FALSE(parseSectorRange("x:10", &s, &e));
    EXPECT_FALSE(parseSectorRange("10", &s, &e));
    EXPECT_FALSE(parseSectorRange("0:18446744073709551616", &s, &e)) << "beyond 64 bits";
    const CliParseResult bad = parse({"-r", "9:3", "a", "b"});
    EXPECT_FALSE(bad.ok);
    EXPECT_TRUE(bad.error.contains("9:3"));
}

TEST(CliOptions, TypesAreNormalisedAndOnlyForNonPhotoModes)
{
    const CliParseResult r = parse({"-m", "raw", "--types", ".pdf, docx,,ZIP", "a", "b"});
    ASSERT_TRUE(r.ok) << r.error;
    EXPECT_EQ(r.options.types, (QStringList{"PDF", "DOCX", "ZIP"}));
    EXPECT_FALSE(parse({"--types", "jpg", "a", "b"}).ok) << "photo mode searches every photo type";
    EXPECT_FALSE(parse({"-m", "raw", "--types", ",", "a", "b"}).ok);
}

TEST(CliOptions, PositionalArguments)
{
    EXPECT_TRUE(parse({}).noArguments) << "nothing asked: the usage";
    EXPECT_TRUE(parse({"--sample"}).options.sample);
    EXPECT_FALSE(parse({"--sample", "a", "b"}).ok) << "the sample has its own source";
    EXPECT_FALSE(parse({"-t"}).ok) << "options alone search nothing";
    EXPECT_FALSE(parse({"/dev/sdb"}).ok) << "a source needs a destination";
    EXPECT_FALSE(parse({"a", "b", "c"}).ok);
    EXPECT_TRUE(parse({"--list-types"}).ok);
    EXPECT_TRUE(parse({"--list-media", "-e", "pictures"}).ok);
    EXPECT_FALSE(parse({"--bogus", "a", "b"}).ok);
    EXPECT_FALSE(parse({"a", "b", "-e"}).ok) << "an option without its value";
    EXPECT_TRUE(parse({"-h"}).showHelp);
}

TEST(CliOptions, EditionsComeFromTheEditionTable)
{
    for (const char* known : {"camera", "Professional", "3", "Ostrel Memory Card Recovery"})
        EXPECT_TRUE(parse({"-e", known, "a", "b"}).ok) << known;
    for (const char* unknown : {"camra", "8", "", "pro"}) {
        const CliParseResult r = parse({"--edition", unknown, "a", "b"});
        EXPECT_FALSE(r.ok) << unknown;
        EXPECT_TRUE(r.error.contains(QStringLiteral("unknown edition"))) << r.error;
        EXPECT_TRUE(r.error.contains(QStringLiteral("drive, removable, camera, memory, mobile, pictures, professional")))
            << r.error;
    }
}
