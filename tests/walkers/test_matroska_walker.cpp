// Matroska/WebM walker on sizes left unknown: a file streamed to a pipe
// (Segment of unknown size) and the same file with every Cluster's size made
// unknown (as browser recorders write) end exactly after their last element.
// Needs ffmpeg (skips without it).

#include "walkers/WalkerTestSupport.h"

using namespace walkertest;

namespace {

// Rewrites the size of every top-level Cluster of a Segment of unknown size
// to "unknown", keeping its length.
Bytes unknownClusterSizes(Bytes file)
{
    size_t at = 0;
    auto vlen = [&](uint8_t b) {
        unsigned n = 1;
        while (n <= 8 && !(b & (0x80 >> (n - 1))))
            ++n;
        return n;
    };
    // EBML header, then the Segment's ID and size.
    at = 4;
    const unsigned hsize = vlen(file[at]);
    uint64_t v = file[at] & (0xFF >> hsize);
    for (unsigned i = 1; i < hsize; ++i)
        v = v << 8 | file[at + i];
    at += hsize + v + 4;
    at += vlen(file[at]);
    int clusters = 0;
    while (at + 12 < file.size()) {
        const unsigned idLen = file[at] >= 0x80 ? 1 : file[at] >= 0x40 ? 2 : file[at] >= 0x20 ? 3 : 4;
        const bool cluster =
            idLen == 4 && file[at] == 0x1F && file[at + 1] == 0x43 && file[at + 2] == 0xB6 && file[at + 3] == 0x75;
        const size_t s = at + idLen;
        const unsigned n = vlen(file[s]);
        uint64_t size = file[s] & (0xFF >> n);
        for (unsigned i = 1; i < n; ++i)
            size = size << 8 | file[s + i];
        if (cluster) {
            file[s] |= static_cast<uint8_t>(0xFF >> n);
            for (unsigned i = 1; i < n; ++i)
                file[s + i] = 0xFF;
            ++clusters;
        }
        at = s + n + size;
    }
    EXPECT_GT(clusters, 1);
    return file;
}

TEST(MatroskaWalker, UnknownSizesAreWalkedToTheLastElement)
{
    if (!haveTool("ffmpeg"))
        GTEST_SKIP() << "ffmpeg is not installed";
    ScratchDir dir;
    const Bytes live = shellMake(dir, "live.mkv",
        "ffmpeg -nostdin -loglevel error -f lavfi -i testsrc=duration=3:size=64x48:rate=10 " + kTone +
            " -c:v mpeg4 -c:a libvorbis -cluster_time_limit 200 -f matroska - > live.mkv");
    ASSERT_GT(live.size(), 4096u);
    expectExactEnd("MKV", live, "Segment of unknown size");
    expectExactEnd("WEBM", unknownClusterSizes(live), "Clusters of unknown size");
}

} // namespace
