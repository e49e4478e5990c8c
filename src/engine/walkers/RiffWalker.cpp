#include "engine/walkers/RiffWalker.h"

#include "engine/walkers/ChunkIds.h"

namespace ostrel::walkers {

namespace {

constexpr uint32_t kUnwritten = 0xFFFFFFFF;

// The RIFF forms this walker accepts, with the type each proves.
struct Form {
    const char* code;
    const char* type;
};
constexpr Form kForms[] = {
    {"WAVE", "WAV"},
    {"AVI ", "AVI"},
    {"WEBP", "WEBP"},
    {"RMID", "RMI"},
    {"ACON", "ANI"},
    {"CDXA", ""},
    {"RDIB", ""},
    {"PAL ", ""},
};

const Form* findForm(const uint8_t* p)
{
    for (const Form& f : kForms) {
        if (isFourCC(p, f.code))
            return &f;
    }
    return nullptr;
}

// A size that a writer leaves while recording and never fixed (power loss,
// a stream written to a pipe).
bool unwritten(uint32_t size, const uint8_t* id)
{
    return size == kUnwritten || (size == 0 && (isFourCC(id, "data") || isFourCC(id, "LIST")));
}

} // namespace

RiffWalker::RiffWalker()
{
    need(12);
}

std::string RiffWalker::provenType() const
{
    const Form* f = findForm(reinterpret_cast<const uint8_t*>(form_));
    return f ? f->type : "";
}

void RiffWalker::onData(const uint8_t* r, size_t)
{
    switch (step_) {
    case Step::Header:
        onHeader(r);
        break;
    case Step::Ds64: {
        // ds64: RIFF size, data size, sample count (64 bits each), then a
        // table of 12-byte entries and its length.
        const uint32_t chunkSize = le32(r + 4);
        const uint64_t riffSize = le64(r + 8);
        const uint32_t tableLength = le32(r + 32);
        if (!isFourCC(r, "ds64") || tableLength > 64 || chunkSize != 28 + 12 * tableLength ||
            riffSize < 4 + 8 + uint64_t{chunkSize} || riffSize > UINT64_MAX / 2 || le64(r + 16) > riffSize) {
            notFormat();
            return;
        }
        end_ = 8 + padEven(riffSize);
        sizeKnown_ = true;
        // The chunk behind ds64 is checked like a first chunk.
        step_ = Step::FirstChunk;
        skip(12 + 8 + uint64_t{chunkSize} - position());
        need(8);
        break;
    }
    case Step::FirstChunk:
        onFirstChunk(r);
        break;
    case Step::AviHeaderList:
        if (!isFourCC(r, "hdrl")) {
            notFormat();
            return;
        }
        afterFirstChunk();
        break;
    case Step::NextRiff:
        onNextRiff(r);
        break;
    case Step::Chunk:
        onChunk(r);
        break;
    }
}

void RiffWalker::onHeader(const uint8_t* r)
{
    std::memcpy(form_, r + 8, 4);
    if (!findForm(r + 8)) {
        notFormat();
        return;
    }
    const uint32_t size = le32(r + 4);
    if (isFourCC(r, "RF64") || isFourCC(r, "BW64")) {
        if (size != kUnwritten || !isFourCC(r + 8, "WAVE")) {
            notFormat();
            return;
        }
        step_ = Step::Ds64;
        need(8 + 28);
        return;
    }
    if (!isFourCC(r, "RIFF")) {
        notFormat();
        return;
    }
    sizeKnown_ = size != 0 && size != kUnwritten;
    if (sizeKnown_) {
        if (size < 4 + 8) {
            notFormat();
            return;
        }
        end_ = 8 + padEven(size);
    }
    step_ = Step::FirstChunk;
    need(8);
}

void RiffWalker::onFirstChunk(const uint8_t* r)
{
    const uint32_t size = le32(r + 4);
    if (!isChunkName(r) || (sizeKnown_ && recordStart() + 8 + uint64_t{size} > end_)) {
        notFormat();
        return;
    }
    firstChunkSize_ = size;
    if (isFourCC(reinterpret_cast<const uint8_t*>(form_), "WAVE") && isFourCC(r, "fmt ") &&
        (size < 14 || size > 0xFFFF)) {
        notFormat();
        return;
    }
    if (isFourCC(reinterpret_cast<const uint8_t*>(form_), "WEBP") && !isOneOf(r, {"VP8 ", "VP8L", "VP8X"})) {
        notFormat();
        return;
    }
    if (isFourCC(reinterpret_cast<const uint8_t*>(form_), "AVI ")) {
        if (!isFourCC(r, "LIST") || size < 4) {
            notFormat();
            return;
        }
        step_ = Step::AviHeaderList;
        need(4);
        return;
    }
    afterFirstChunk();
}

void RiffWalker::afterFirstChunk()
{
    if (sizeKnown_) {
        if (!isFourCC(reinterpret_cast<const uint8_t*>(form_), "AVI ")) {
            endsWhenFed(end_);
            return;
        }
        // An OpenDML AVI goes on with RIFF AVIX chunks right behind this one.
        continuesTo(end_);
        step_ = Step::NextRiff;
        skip(end_ - position());
        need(12);
        return;
    }
    const uint64_t next = 12 + 8 + padEven(firstChunkSize_);
    continuesTo(next);
    step_ = Step::Chunk;
    skip(next - position());
    need(8);
}

void RiffWalker::onNextRiff(const uint8_t* r)
{
    const uint32_t size = le32(r + 4);
    if (!isFourCC(r, "RIFF") || !isFourCC(r + 8, "AVIX") || (size < 4 && size != 0)) {
        endsAt(recordStart());
        return;
    }
    if (size == 0 || size == kUnwritten) {
        // An AVIX cut off while recording: follow its chunks.
        sizeKnown_ = false;
        step_ = Step::Chunk;
        continuesTo(position());
        need(8);
        return;
    }
    end_ = recordStart() + 8 + padEven(size);
    continuesTo(end_);
    skip(end_ - position());
    need(12);
}

void RiffWalker::onChunk(const uint8_t* r)
{
    if (!isChunkName(r)) {
        endsAt(recordStart());
        return;
    }
    const uint32_t size = le32(r + 4);
    if (unwritten(size, r)) {
        // No length to follow: nothing more is proven.
        scan();
        return;
    }
    const uint64_t next = recordStart() + 8 + padEven(size);
    continuesTo(next);
    skip(next - position());
    need(8);
}

} // namespace ostrel::walkers
