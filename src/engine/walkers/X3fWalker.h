#pragma once
// Sigma raw (X3F): a little-endian "FOVb" header, the sections, then a
// directory ("SECd", version, entry count, entries of offset, length and
// type) and, as the file's last four bytes, the offset of that directory.
// Nothing at the start says where the directory is, so the walker looks for
// "SECd" and accepts a directory whose entries lie before it and which is
// followed by its own offset: the file ends there. Until then nothing is
// proven beyond the header (a damaged directory must not swallow the files
// that follow).

#include "engine/walkers/StreamWalker.h"

namespace ostrel::walkers {

class X3fWalker final : public StreamWalker {
public:
    X3fWalker();
    std::string provenType() const override { return "X3F"; }

private:
    enum class Step : uint8_t { Header, Search, DirectoryHead, Entries };

    void onRecord(const uint8_t* record, size_t size) override;
    size_t onScan(const uint8_t* data, size_t size) override;
    void onEntries(const uint8_t* p, size_t size);

    Step step_ = Step::Header;
    uint64_t directory_ = 0; // offset of the "SECd" being checked
    uint32_t entries_ = 0;
    uint8_t matched_ = 0;    // characters of "SECd" matched at the end of the last piece
};

} // namespace ostrel::walkers
