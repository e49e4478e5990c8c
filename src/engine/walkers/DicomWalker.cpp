#include "engine/walkers/DicomWalker.h"

#include <cstring>
#include <string_view>

namespace ostrel::walkers {

namespace {

constexpr size_t kPreamble = 128;
constexpr uint32_t kUndefined = 0xFFFFFFFF;
constexpr uint32_t kItem = 0xFFFEE000;
constexpr uint32_t kItemEnd = 0xFFFEE00D;
constexpr uint32_t kSequenceEnd = 0xFFFEE0DD;
constexpr uint32_t kGroupLength = 0x00020000;
constexpr uint32_t kTransferSyntax = 0x00020010;
// Values larger than this are taken for garbage: a DICOM element that big
// does not occur, and random bytes give one in two.
constexpr uint64_t kMaxValue = 0x7FFFFFFF;
constexpr uint64_t kMaxMetaValue = 64 * 1024;

constexpr uint16_t vr(char a, char b)
{
    return static_cast<uint16_t>(static_cast<uint8_t>(a) << 8 | static_cast<uint8_t>(b));
}

// Value representations with a 2-byte reserved field and a 4-byte length.
constexpr uint16_t kLongVrs[] = {vr('O', 'B'), vr('O', 'D'), vr('O', 'F'), vr('O', 'L'), vr('O', 'V'),
                                 vr('O', 'W'), vr('S', 'Q'), vr('S', 'V'), vr('U', 'C'), vr('U', 'N'),
                                 vr('U', 'R'), vr('U', 'T'), vr('U', 'V')};
constexpr uint16_t kShortVrs[] = {vr('A', 'E'), vr('A', 'S'), vr('A', 'T'), vr('C', 'S'), vr('D', 'A'),
                                  vr('D', 'S'), vr('D', 'T'), vr('F', 'L'), vr('F', 'D'), vr('I', 'S'),
                                  vr('L', 'O'), vr('L', 'T'), vr('P', 'N'), vr('S', 'H'), vr('S', 'L'),
                                  vr('S', 'S'), vr('S', 'T'), vr('T', 'M'), vr('U', 'I'), vr('U', 'L'),
                                  vr('U', 'S')};

template <size_t N>
bool listed(const uint16_t (&list)[N], uint16_t code)
{
    for (uint16_t c : list) {
        if (c == code)
            return true;
    }
    return false;
}

bool longVr(uint16_t code)
{
    return listed(kLongVrs, code);
}

bool validVr(uint16_t code)
{
    return longVr(code) || listed(kShortVrs, code);
}

// Groups a data set may hold: not the command (0000) or meta (0002) group,
// none of the odd groups the standard reserves, and above the pixel data
// only the digital signatures (FFFA) and trailing padding (FFFC).
bool dataSetGroup(uint16_t group)
{
    if (group < 0x0008)
        return group == 0x0004; // directory records of a DICOMDIR
    if (group > 0x7FFF)
        return group == 0xFFFA || group == 0xFFFC;
    return true;
}

} // namespace

DicomWalker::DicomWalker()
{
    need(kPreamble + 4);
}

void DicomWalker::onRecord(const uint8_t* p, size_t size)
{
    switch (step_) {
    case Step::Preamble:
        if (std::memcmp(p + kPreamble, "DICM", 4) != 0) {
            notFormat();
            return;
        }
        step_ = Step::MetaHeader;
        need(8);
        break;
    case Step::MetaHeader:
        onMetaHeader(p);
        break;
    case Step::MetaLength:
        onMetaElement(metaTag_, le32(p));
        break;
    case Step::MetaValue:
        if (metaTag_ == kGroupLength) {
            const uint32_t length = le32(p);
            if (metaEnd_ != 0 || length < 8 || length > kMaxMetaValue) {
                notFormat();
                return;
            }
            metaEnd_ = position() + length;
        } else {
            std::string_view uid(reinterpret_cast<const char*>(p), size);
            while (!uid.empty() && (uid.back() == '\0' || uid.back() == ' '))
                uid.remove_suffix(1);
            if (uid.find_first_not_of("0123456789.") != std::string_view::npos) {
                notFormat();
                return;
            }
            if (uid == "1.2.840.10008.1.2")
                syntax_ = Syntax::ImplicitLittle;
            else if (uid == "1.2.840.10008.1.2.2")
                syntax_ = Syntax::ExplicitBig;
            else if (uid == "1.2.840.10008.1.2.1.99")
                syntax_ = Syntax::Deflated;
            else
                syntax_ = Syntax::ExplicitLittle; // every compressed syntax too
        }
        afterMetaElement(position());
        break;
    case Step::Header:
        onHeader(p);
        break;
    case Step::LongLength:
        onElement(headerTag_, headerVr_, bigHere() ? be32(p) : le32(p));
        break;
    case Step::Deflated:
    case Step::Lost:
        break;
    }
}

void DicomWalker::onMetaHeader(const uint8_t* p)
{
    const uint32_t tag = static_cast<uint32_t>(le16(p)) << 16 | le16(p + 2);
    if (le16(p) != 0x0002) {
        // The meta group ends at the first element of another group, the
        // data set's first, whatever its group length said (some writers
        // get it wrong).
        if (metaTag_ == 0) {
            notFormat();
            return;
        }
        startDataSet();
        if (step_ == Step::Header) {
            onHeader(p);
        } else {
            // A deflated data set began with these 8 bytes.
            size_t used = 0;
            if (deflate_->feed(p, 8, used) != DeflateEnd::Result::NeedMore)
                brokenAt(recordStart() + used);
        }
        return;
    }
    const uint16_t code = vr(static_cast<char>(p[4]), static_cast<char>(p[5]));
    if (tag <= metaTag_ || (metaTag_ == 0 && tag != kGroupLength && tag != 0x00020001)) {
        notFormat();
        return;
    }
    metaTag_ = tag;
    if (!validVr(code)) {
        // Some old writers put the meta group in implicit VR: a 4-byte
        // length, which onMetaElement bounds.
        onMetaElement(tag, le32(p + 4));
        return;
    }
    if (longVr(code)) {
        if (p[6] != 0 || p[7] != 0) {
            notFormat();
            return;
        }
        step_ = Step::MetaLength;
        need(4);
        return;
    }
    onMetaElement(tag, le16(p + 6));
}

void DicomWalker::onMetaElement(uint32_t tag, uint64_t length)
{
    const uint64_t end = position() + length;
    if (length > kMaxMetaValue) {
        notFormat();
        return;
    }
    continuesTo(end);
    if ((tag == kGroupLength && length == 4) || (tag == kTransferSyntax && length >= 1 && length <= 64)) {
        step_ = Step::MetaValue;
        need(static_cast<size_t>(length));
        return;
    }
    if (tag == kGroupLength || tag == kTransferSyntax) {
        notFormat();
        return;
    }
    skip(length);
    afterMetaElement(end);
}

void DicomWalker::afterMetaElement(uint64_t end)
{
    // A deflated data set cannot be told from meta elements: there the
    // group length decides.
    if (syntax_ == Syntax::Deflated && metaEnd_ != 0 && end == metaEnd_) {
        startDataSet();
        return;
    }
    step_ = Step::MetaHeader;
    need(8);
}

void DicomWalker::startDataSet()
{
    if (syntax_ == Syntax::Deflated) {
        step_ = Step::Deflated;
        deflate_ = std::make_unique<DeflateEnd>(-15);
        scan();
        return;
    }
    step_ = Step::Header;
    need(8);
}

size_t DicomWalker::onScan(const uint8_t* data, size_t size)
{
    if (step_ != Step::Deflated || !deflate_)
        return size;
    size_t used = 0;
    switch (deflate_->feed(data, size, used)) {
    case DeflateEnd::Result::End:
        endsAt(position() + used);
        break;
    case DeflateEnd::Result::Error:
        brokenAt(position() + used);
        break;
    case DeflateEnd::Result::NeedMore:
        continuesTo(position() + size);
        break;
    }
    return used;
}

bool DicomWalker::implicitHere() const
{
    return depth_ > 0 ? open_[depth_ - 1].implicit : syntax_ == Syntax::ImplicitLittle;
}

bool DicomWalker::bigHere() const
{
    return syntax_ == Syntax::ExplicitBig && !implicitHere();
}

void DicomWalker::onHeader(const uint8_t* p)
{
    headerStart_ = recordStart();
    // A writer that names an explicit syntax but writes implicit VR: the
    // first element tells.
    if (depth_ == 0 && topElements_ == 0 && syntax_ == Syntax::ExplicitLittle &&
        !validVr(vr(static_cast<char>(p[4]), static_cast<char>(p[5]))))
        syntax_ = Syntax::ImplicitLittle;
    const bool big = bigHere();
    const uint16_t group = big ? be16(p) : le16(p);
    const uint16_t element = big ? be16(p + 2) : le16(p + 2);
    const uint32_t tag = static_cast<uint32_t>(group) << 16 | element;
    if (group == 0xFFFE || implicitHere()) {
        // Items and delimiters carry no VR in any syntax.
        onElement(tag, 0, big ? be32(p + 4) : le32(p + 4));
        return;
    }
    const uint16_t code = vr(static_cast<char>(p[4]), static_cast<char>(p[5]));
    if (!validVr(code)) {
        notAnElement(headerStart_);
        return;
    }
    if (longVr(code)) {
        if (p[6] != 0 || p[7] != 0) {
            notAnElement(headerStart_);
            return;
        }
        headerTag_ = tag;
        headerVr_ = code;
        step_ = Step::LongLength;
        need(4);
        return;
    }
    onElement(tag, code, big ? be16(p + 6) : le16(p + 6));
}

void DicomWalker::onElement(uint32_t tag, uint16_t code, uint64_t length)
{
    const bool top = depth_ == 0;
    const Frame* frame = top ? nullptr : &open_[depth_ - 1].frame;
    const bool implicit = implicitHere();
    const bool undefined = length == kUndefined;
    if (!undefined && length > kMaxValue) {
        notAnElement(headerStart_);
        return;
    }
    if ((tag >> 16) == 0xFFFE) {
        const bool itemHere = frame && (*frame == Frame::Sequence || *frame == Frame::Fragments);
        if (tag == kItem && itemHere && !(undefined && *frame == Frame::Fragments)) {
            if (undefined) {
                if (depth_ == kMaxDepth) {
                    lose();
                    return;
                }
                open_[depth_++] = Open{Frame::Item, implicit};
            } else {
                skip(length);
            }
        } else if (tag == kItemEnd && frame && *frame == Frame::Item && length == 0) {
            --depth_;
        } else if (tag == kSequenceEnd && itemHere && length == 0) {
            --depth_;
        } else {
            notAnElement(headerStart_);
            return;
        }
        continuesTo(position() + (undefined ? 0 : length));
        nextHeader();
        return;
    }
    // A data element: at the top level or inside an item only, in a group a
    // data set holds, above the previous top-level one.
    const bool inItem = frame && *frame == Frame::Item;
    if ((frame && !inItem) || !dataSetGroup(static_cast<uint16_t>(tag >> 16)) || (top && tag <= lastTopTag_) || (implicit && !undefined && (length & 1) != 0)) {
        notAnElement(headerStart_);
        return;
    }
    if (undefined) {
        Frame inner = Frame::Sequence;
        bool innerImplicit = implicit;
        if (!implicit) {
            if (code == vr('O', 'B') || code == vr('O', 'W'))
                inner = Frame::Fragments;
            else if (code == vr('U', 'N'))
                innerImplicit = true;
            else if (code != vr('S', 'Q')) {
                notAnElement(headerStart_);
                return;
            }
        }
        if (depth_ == kMaxDepth) {
            lose();
            return;
        }
        open_[depth_++] = Open{inner, innerImplicit};
    } else {
        skip(length);
    }
    if (top) {
        lastTopTag_ = tag;
        ++topElements_;
    }
    continuesTo(position() + (undefined ? 0 : length));
    nextHeader();
}

void DicomWalker::nextHeader()
{
    step_ = Step::Header;
    need(8);
}

void DicomWalker::lose()
{
    step_ = Step::Lost;
    scan();
}

void DicomWalker::notAnElement(uint64_t at)
{
    if (depth_ == 0)
        endsAt(at);
    else
        brokenAt(at);
}

} // namespace ostrel::walkers
