// KeePass walker: a KDBX 4 database from pykeepass (Debian's python3), which
// ends exactly at its zero-size block; a KDBX 3.1 database from keepassxc-cli
// and a KDB 1.x database from perl's File::KeePass, which store no length
// and are only proven to a bound inside the file. Checks the header check on
// random data behind each signature. Skips what has no tool installed.

#include "walkers/WalkerTestSupport.h"

using namespace walkertest;

namespace {

struct KeePassCase {
    const char* type;
    const char* check;   // exits 0 when the writer is installed
    const char* command; // run in a scratch folder; writes out
    bool exact;          // the format stores its end
};

class KeePassWalkerReal : public ::testing::TestWithParam<KeePassCase> {};

TEST_P(KeePassWalkerReal, EndsOrProvesABoundInsideTheFile)
{
    const KeePassCase& c = GetParam();
    if (!run(c.check))
        GTEST_SKIP() << "no writer: " << c.check;
    ScratchDir dir;
    ASSERT_TRUE(run("cd " + dir.path().string() + " && " + c.command)) << c.command;
    const Bytes file = readFile(dir.file("out"));
    ASSERT_GT(file.size(), 124u);
    EXPECT_EQ(provenType(c.type, file), c.type);
    if (c.exact) {
        expectExactEnd(c.type, file, c.command);
        return;
    }
    for (const Bytes& after : {randomBytes(8192, 3), Bytes(8192, 0)}) {
        const Verdict v = walk(c.type, concat(file, after));
        EXPECT_EQ(v.state, State::Continues);
        EXPECT_GT(v.offset, 124u);
        EXPECT_LE(v.offset, file.size());
    }
}

INSTANTIATE_TEST_SUITE_P(
    Writers, KeePassWalkerReal,
    ::testing::Values(
        KeePassCase{"KDBX", "/usr/bin/python3 -c 'import pykeepass'",
                    "/usr/bin/python3 -c \"from pykeepass import create_database as c; k = c('out', password='pw'); "
                    "g = k.add_group(k.root_group, 'g'); [k.add_entry(g, 't%d' % n, 'u', 'p' * 300) for n in "
                    "range(40)]; k.save()\"",
                    true},
        KeePassCase{"KDBX", "command -v keepassxc-cli",
                    "printf 'pw\\npw\\n' | keepassxc-cli db-create -q -t 100 -p out && printf 'pw\\n' | keepassxc-cli "
                    "add -q -u user out entry",
                    false},
        KeePassCase{"KDB", "perl -MFile::KeePass -e 1",
                    "perl -MFile::KeePass -e '$k = File::KeePass->new; $g = $k->add_group({title => \"g\"}); "
                    "$k->add_entry({title => \"e$_\", password => \"p\", group => $g}) for 1..30; "
                    "$k->save_db(\"out.kdb\", \"pw\")' && mv out.kdb out",
                    false}));

TEST(KeePassWalker, RefusesRandomDataBehindTheSignature)
{
    const struct {
        const char* type;
        Bytes signature;
    } cases[] = {
        {"KDB", {0x03, 0xD9, 0xA2, 0x9A, 0x65, 0xFB, 0x4B, 0xB5}},
        {"KDBX", {0x03, 0xD9, 0xA2, 0x9A, 0x67, 0xFB, 0x4B, 0xB5}},
        {"KDBX", {0x03, 0xD9, 0xA2, 0x9A, 0x67, 0xFB, 0x4B, 0xB5, 0x01, 0x00, 0x03, 0x00}},
        {"KDBX", {0x03, 0xD9, 0xA2, 0x9A, 0x67, 0xFB, 0x4B, 0xB5, 0x00, 0x00, 0x04, 0x00}},
    };
    for (const auto& c : cases) {
        for (uint32_t seed = 1; seed <= 40; ++seed) {
            Bytes data = randomBytes(8192, seed);
            std::copy(c.signature.begin(), c.signature.end(), data.begin());
            EXPECT_EQ(walk(c.type, data).state, State::NotFormat) << c.type << " seed " << seed;
        }
    }
}

} // namespace
