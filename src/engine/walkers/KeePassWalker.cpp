#include "engine/walkers/KeePassWalker.h"

namespace ostrel::walkers {

namespace {

constexpr uint32_t kSignature1 = 0x9AA2D903;
constexpr uint32_t kKdbSignature2 = 0xB54BFB65;
constexpr uint32_t kKdbxPreReleaseSignature2 = 0xB54BFB66;
constexpr uint32_t kKdbxSignature2 = 0xB54BFB67;
constexpr size_t kKdbHeaderSize = 124;
constexpr uint32_t kMaxFields = 64;
// No header field nor HMAC block of a real database comes near these
// (writers use 1 MiB blocks).
constexpr uint32_t kMaxFieldSize = 1u << 20;
constexpr int64_t kMaxBlockSize = 1ll << 26;

enum Field : uint8_t {
    EndOfHeader = 0,
    CipherId = 2,
    Compression = 3,
    MasterSeed = 4,
    TransformSeed = 5,
    TransformRounds = 6,
    EncryptionIv = 7,
    ProtectedStreamKey = 8,
    StreamStartBytes = 9,
    InnerStreamId = 10,
    KdfParameters = 11,
    PublicCustomData = 12,
};

// Whether a header field of this id may have this size; ids above 12 are
// not KDBX fields.
bool fieldSizeFits(uint8_t id, uint32_t size)
{
    switch (id) {
    case CipherId:
        return size == 16;
    case Compression:
    case InnerStreamId:
        return size == 4;
    case MasterSeed:
    case TransformSeed:
        return size == 32;
    case TransformRounds:
        return size == 8;
    case EncryptionIv:
        return size >= 8 && size <= 32;
    case ProtectedStreamKey:
    case StreamStartBytes:
        return size >= 1 && size <= 64;
    case EndOfHeader:
    case 1: // comment
    case KdfParameters:
    case PublicCustomData:
        return size <= kMaxFieldSize;
    default:
        return false;
    }
}

} // namespace

KeePassWalker::KeePassWalker()
{
    need(12);
}

void KeePassWalker::refuse()
{
    if (position() <= kHeaderLookahead) // the record lies in the look-ahead
        notFormat();
    else
        brokenAt(recordStart());
}

void KeePassWalker::onRecord(const uint8_t* r, size_t)
{
    switch (phase_) {
    case Phase::Signature:
        signature(r);
        break;
    case Phase::Kdb:
        kdbHeader(r);
        break;
    case Phase::FieldHead:
        fieldHead(r);
        break;
    case Phase::Block:
        block(r);
        break;
    case Phase::Payload:
        break;
    }
}

void KeePassWalker::signature(const uint8_t* r)
{
    const uint32_t second = le32(r + 4);
    if (le32(r) != kSignature1) {
        notFormat();
        return;
    }
    if (second == kKdbSignature2) {
        type_ = "KDB";
        kdbFlags_ = le32(r + 8);
        phase_ = Phase::Kdb;
        need(kKdbHeaderSize - 12);
        return;
    }
    major_ = le16(r + 10);
    if ((second != kKdbxSignature2 && second != kKdbxPreReleaseSignature2) || major_ < 2 || major_ > 4) {
        notFormat();
        return;
    }
    type_ = "KDBX";
    phase_ = Phase::FieldHead;
    need(major_ >= 4 ? 5 : 3);
}

void KeePassWalker::kdbHeader(const uint8_t* r)
{
    // r holds the header from byte 12: version, seeds and IV, the group
    // and entry counts at 48 and 52.
    const uint32_t version = le32(r);
    const uint32_t groups = le32(r + 36);
    const uint32_t entries = le32(r + 40);
    const bool versionKnown = (version >> 16) >= 1 && (version >> 16) <= 3 && (version & 0xFF00) == 0;
    // Flags: SHA-2, Rijndael, ArcFour, Twofish; one cipher at least.
    const bool flagsKnown = (kdbFlags_ & ~0xFu) == 0 && (kdbFlags_ & 0xEu) != 0;
    if (!versionKnown || !flagsKnown || groups > (1u << 24) || entries > (1u << 24)) {
        notFormat();
        return;
    }
    // Every group and entry ends with a 6-byte end field, and the block
    // cipher pads the plain text to a whole 16-byte block.
    const uint64_t plain = 6 * (static_cast<uint64_t>(groups) + entries);
    continuesTo(kKdbHeaderSize + (plain / 16 + 1) * 16);
    phase_ = Phase::Payload;
    scan();
}

void KeePassWalker::fieldHead(const uint8_t* r)
{
    const uint8_t id = r[0];
    const uint32_t size = major_ >= 4 ? le32(r + 1) : le16(r + 1);
    if (++fields_ > kMaxFields || !fieldSizeFits(id, size)) {
        refuse();
        return;
    }
    seen_ |= 1u << id; // ids are below 13 here
    const uint64_t end = position() + size;
    continuesTo(end);
    skip(size);
    if (id == EndOfHeader)
        headerEnd(end);
    else
        need(major_ >= 4 ? 5 : 3);
}

void KeePassWalker::headerEnd(uint64_t end)
{
    uint32_t required = 1u << CipherId | 1u << MasterSeed | 1u << EncryptionIv;
    required |= major_ >= 4 ? 1u << KdfParameters : (1u << TransformSeed | 1u << TransformRounds);
    if ((seen_ & required) != required) {
        refuse();
        return;
    }
    if (major_ < 4) {
        // KDBX 3.1: the encrypted payload starts with the 32 stream start
        // bytes, padded by the block cipher; nothing tells where it ends.
        continuesTo(end + 32);
        phase_ = Phase::Payload;
        scan();
        return;
    }
    // KDBX 4: the header's SHA-256 and HMAC, then the first block.
    continuesTo(end + 64 + 36);
    skip(64);
    phase_ = Phase::Block;
    need(36);
}

void KeePassWalker::block(const uint8_t* r)
{
    // A block: its HMAC, its size (signed 32-bit), its data.
    const int32_t size = static_cast<int32_t>(le32(r + 32));
    if (size < 0 || size > kMaxBlockSize) {
        brokenAt(recordStart());
        return;
    }
    if (size == 0) {
        endsAt(position());
        return;
    }
    continuesTo(position() + static_cast<uint64_t>(size) + 36);
    skip(static_cast<uint64_t>(size));
    need(36);
}

} // namespace ostrel::walkers
