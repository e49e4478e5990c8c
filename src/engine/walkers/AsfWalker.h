#pragma once
// ASF files (WMV, WMA): top-level objects, each a GUID and a 64-bit size:
// the Header object (whose children are checked and whose stream properties
// tell video from audio), the Data object, then index objects. The file ends
// after the last of them, where the next bytes are no top-level object.

#include "engine/walkers/MediaWalker.h"

#include <string>

namespace ostrel::walkers {

class AsfWalker final : public MediaWalker {
public:
    AsfWalker();
    std::string provenType() const override;

private:
    enum class Step : uint8_t { Header, HeaderCounts, Child, StreamType, TopLevel };
    void onData(const uint8_t* record, size_t size) override;
    // A child object of the Header object; it must fit inside it.
    void onChild(const uint8_t* r);
    // A top-level object behind the header: the Data object, then index objects.
    void onTopLevel(const uint8_t* r);
    void nextChild(uint64_t at);
    void afterHeader();
    // A broken structure at `at`: a refused header inside the look-ahead, Broken behind it.
    void refuse(uint64_t at);

    Step step_ = Step::Header;
    uint64_t headerEnd_ = 0;
    uint64_t childEnd_ = 0;
    bool dataSeen_ = false;
    bool video_ = false, audio_ = false, streams_ = false;
};

} // namespace ostrel::walkers
