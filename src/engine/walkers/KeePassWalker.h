#pragma once
// KeePass password databases. KDBX 4 ends exactly: after its header (typed
// fields up to the end field, then its SHA-256 and HMAC) comes a stream of
// HMAC blocks, each with its size, and a block of size 0 ends the file.
// KDBX 3.1 and KDB 1.x store no length: their encrypted payload cannot be
// told from the bytes after it, so the walker checks the header, proves the
// least the payload must hold, and says nothing more.

#include "engine/walkers/StreamWalker.h"

namespace ostrel::walkers {

class KeePassWalker final : public StreamWalker {
public:
    KeePassWalker();
    std::string provenType() const override { return type_; }

private:
    enum class Phase : uint8_t { Signature, Kdb, FieldHead, Block, Payload };

    void onRecord(const uint8_t* r, size_t size) override;
    void signature(const uint8_t* r);
    void kdbHeader(const uint8_t* r);
    void fieldHead(const uint8_t* r);
    void headerEnd(uint64_t end);
    void block(const uint8_t* r);
    // A header that breaks a rule: refused while the header check runs,
    // broken after it.
    void refuse();

    Phase phase_ = Phase::Signature;
    uint16_t major_ = 0;
    uint32_t kdbFlags_ = 0;
    uint32_t fields_ = 0;
    uint32_t seen_ = 0; // bit per field id read
    std::string type_;
};

} // namespace ostrel::walkers
