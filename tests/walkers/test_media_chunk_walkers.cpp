// The smaller audio walkers: MIDI, AMR, AMR-WB, Monkey's Audio, DSF and
// DSDIFF files built here (no encoder for them is installed) end exactly
// where they end; an AU streamed to a pipe (size unknown) gets no end.
// Needs ffmpeg for the AU case (skips it without).

#include "walkers/WalkerTestSupport.h"

using namespace walkertest;

namespace {

TEST(MediaChunkWalkers, PipedAuHasNoEnd)
{
    if (!haveTool("ffmpeg"))
        GTEST_SKIP() << "ffmpeg is not installed";
    ScratchDir dir;
    const Bytes au = shellMake(dir, "p.au", "ffmpeg -nostdin -loglevel error " + kTone + " -f au - > p.au");
    ASSERT_GT(au.size(), 1024u);
    EXPECT_FALSE(walk("AU", concat(au, randomBytes(4096, 1))).final());
}

Bytes midi()
{
    Bytes b;
    putText(b, "MThd");
    putBe(b, 6, 4);
    putBe(b, 1, 2);  // format 1
    putBe(b, 2, 2);  // two tracks
    putBe(b, 96, 2); // ticks per quarter note
    const Bytes tempo = {0x00, 0xFF, 0x51, 0x03, 0x07, 0xA1, 0x20, 0x00, 0xFF, 0x2F, 0x00};
    const Bytes notes = {0x00, 0x90, 0x3C, 0x40, 0x60, 0x80, 0x3C, 0x40, 0x00, 0xFF, 0x2F, 0x00};
    for (const Bytes* track : {&tempo, &notes}) {
        putText(b, "MTrk");
        putBe(b, track->size(), 4);
        b = concat(b, *track);
        if (track == &tempo) { // an unknown chunk between tracks is skipped
            putText(b, "XFIH");
            putBe(b, 3, 4);
            b = concat(b, Bytes{1, 2, 3});
        }
    }
    return b;
}

Bytes amr(bool wideband)
{
    Bytes b;
    putText(b, wideband ? "#!AMR-WB\n" : "#!AMR\n");
    const uint8_t header = wideband ? 0x44 : 0x3C; // 23.85 / 12.2 kbit/s frames, quality bit set
    for (int f = 0; f < 100; ++f) {
        b.push_back(f % 25 == 12 ? 0x7C : header); // now and then a "no data" frame
        if (f % 25 != 12)
            b = concat(b, randomBytes(wideband ? 60 : 31, f));
    }
    return b;
}

Bytes monkeysAudio()
{
    const size_t seekTable = 8, wavHeader = 44, frames = 3000;
    Bytes b;
    putText(b, "MAC ");
    putLe(b, 3990, 2);
    putLe(b, 0, 2);
    for (uint64_t v : {52u, 24u, 8u, 44u, 3000u, 0u, 0u})
        putLe(b, v, 4);
    b.resize(52, 0x11); // MD5
    putLe(b, 2000, 2);  // header: compression level ...
    b.resize(52 + 24 + seekTable + wavHeader, 0);
    b = concat(b, randomBytes(frames, 5));
    Bytes tag;
    putText(tag, "APETAGEX");
    putLe(tag, 2000, 4);
    putLe(tag, 32, 4); // no items: the footer alone
    putLe(tag, 0, 4);
    putLe(tag, (1u << 31) | (1u << 29), 4);
    putLe(tag, 0, 8);
    Bytes footer(tag);
    footer[20 + 3] = 0x80; // not the header
    b = concat(concat(b, tag), footer);
    putText(b, "TAG");
    b.resize(b.size() + 125, ' ');
    return b;
}

Bytes dsf()
{
    const size_t samples = 4096;
    Bytes b;
    putText(b, "DSD ");
    putLe(b, 28, 8);
    putLe(b, 28 + 52 + 12 + samples, 8);
    putLe(b, 0, 8);
    putText(b, "fmt ");
    putLe(b, 52, 8);
    for (uint64_t v : {1u, 0u, 2u, 2u, 2822400u, 1u})
        putLe(b, v, 4);
    putLe(b, samples * 4, 8); // samples per channel
    putLe(b, 4096, 4);
    putLe(b, 0, 4);
    putText(b, "data");
    putLe(b, 12 + samples, 8);
    return concat(b, randomBytes(samples, 6));
}

Bytes dsdiff()
{
    Bytes body;
    putText(body, "DSD ");
    putText(body, "FVER");
    putBe(body, 4, 8);
    putBe(body, 0x01050000, 4);
    putText(body, "DSD ");
    putBe(body, 3001, 8);
    body = concat(body, randomBytes(3001 + 1, 7)); // odd chunk, padded
    Bytes b;
    putText(b, "FRM8");
    putBe(b, body.size(), 8);
    return concat(b, body);
}

TEST(MediaChunkWalkers, BuiltFilesEndExactly)
{
    expectExactEnd("MID", midi(), "MIDI format 1");
    expectExactEnd("AMR", amr(false), "AMR");
    expectExactEnd("AWB", amr(true), "AMR-WB");
    expectExactEnd("APE", monkeysAudio(), "Monkey's Audio 3.99 with tags");
    expectExactEnd("DSF", dsf(), "DSF");
    expectExactEnd("DFF", dsdiff(), "DSDIFF");
}

} // namespace
