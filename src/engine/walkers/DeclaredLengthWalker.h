#pragma once
// Formats whose header states the file's length: SQLite (page size x page
// count, when the count is current), 7-Zip (end of the next header, the start
// header checked by its CRC), Microsoft Cabinet (cbCabinet), DOS EPS
// (the furthest of its PostScript, WMF and TIFF sections), Outlook PST
// (ibFileEof, the header checked by its CRC) and WordPerfect 6.1+ documents
// (the file size in the prefix's index header; other WordPerfect files only
// prove their prefix). The header check refuses what
// these fields cannot hold; the file continues to the stated length as soon as it is read
// and ends when that many bytes have been fed.

#include "engine/walkers/StreamWalker.h"

namespace ostrel::walkers {

class DeclaredLengthWalker final : public StreamWalker {
public:
    enum class Format : uint8_t { Sqlite, SevenZip, Cabinet, DosEps, Pst, WordPerfect };
    explicit DeclaredLengthWalker(Format format);

private:
    void onRecord(const uint8_t* r, size_t size) override;
    size_t onScan(const uint8_t* data, size_t size) override;
    // The header states the length: the file continues to it and ends
    // once that many bytes were fed (a cut file never claims an end).
    void finishAt(uint64_t end);
    void sqlite(const uint8_t* r);
    void sevenZip(const uint8_t* r);
    void cabinet(const uint8_t* r);
    void dosEps(const uint8_t* r);
    void pst(const uint8_t* r);
    void wordPerfect(const uint8_t* r);
    void epsSectionMagic(const uint8_t* r);

    Format format_;
    uint64_t end_ = 0;
    int epsSection_ = -1; // DOS EPS: the section whose magic is awaited
    uint64_t epsEnd_ = 0;
};

} // namespace ostrel::walkers
