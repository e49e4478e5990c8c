#pragma once
// ZIP and the formats built on it (DOCX, XLSX, PPTX, ODT, ODS, ODP, ODG,
// EPUB, JAR, APK), ZIP64 included. Follows the local entries (skipping data
// whose size the header gives, inflating or searching for the data
// descriptor where it does not), the central directory and the end record,
// which ends the file after its comment.

#include "engine/walkers/DeflateEnd.h"
#include "engine/walkers/StreamWalker.h"

#include <string>

namespace ostrel::walkers {

class ZipWalker final : public StreamWalker {
public:
    ZipWalker();
    std::string provenType() const override;

private:
    enum class Phase : uint8_t {
        Signature,
        LocalFixed,
        LocalName,
        LocalExtra,
        Mimetype,
        Inflate,
        SeekDescriptor,
        DescriptorStart,
        DescriptorRest,
        CentralFixed,
        CentralName,
        Zip64End,
        Zip64Locator,
        EndRecord,
        Comment,
        SignatureBlock,
        ExtraDataRecord,
        GiveUp,
    };

    void onRecord(const uint8_t* record, size_t size) override;
    size_t onScan(const uint8_t* data, size_t size) override;

    void onSignature(uint32_t signature);
    void onLocalFixed(const uint8_t* r);
    void onLocalExtra(const uint8_t* r, size_t size);
    void startData();
    void afterData();
    void expectSignature();
    void noteName(const uint8_t* name, size_t size);
    size_t seekDescriptor(const uint8_t* data, size_t size);
    bool isDescriptor(const uint8_t* p, uint64_t at) const;
    void keepTail(const uint8_t* data, size_t size);
    void giveUp();

    Phase phase_ = Phase::Signature;
    uint32_t entries_ = 0;
    // The local entry being read.
    uint16_t flags_ = 0;
    uint16_t method_ = 0;
    uint16_t extraLen_ = 0;
    uint16_t centralSkip_ = 0;
    uint64_t compressed_ = 0;
    bool sizeKnown_ = false;
    bool zip64_ = false;
    bool readMime_ = false;
    uint64_t dataStart_ = 0;
    uint64_t dataEnd_ = 0;
    uint64_t end_ = 0;
    // The last bytes scanned, for a data descriptor split between pieces.
    uint8_t tail_[32] = {};
    size_t tailLen_ = 0;
    DeflateEnd inflater_;
    // What the entry names showed.
    std::string mimeType_;
    bool contentTypes_ = false;
    std::string officeType_;
    bool androidManifest_ = false;
    bool javaManifest_ = false;
    bool reachedEnd_ = false;
};

} // namespace ostrel::walkers
