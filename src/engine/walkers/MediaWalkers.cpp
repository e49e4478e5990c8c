#include "engine/walkers/Families.h"

#include "engine/walkers/AmrWalker.h"
#include "engine/walkers/ApeWalker.h"
#include "engine/walkers/AsfWalker.h"
#include "engine/walkers/AuWalker.h"
#include "engine/walkers/CafWalker.h"
#include "engine/walkers/DsfWalker.h"
#include "engine/walkers/FlacWalker.h"
#include "engine/walkers/FlvWalker.h"
#include "engine/walkers/IffWalker.h"
#include "engine/walkers/MatroskaWalker.h"
#include "engine/walkers/MidiWalker.h"
#include "engine/walkers/MpegAudioWalker.h"
#include "engine/walkers/MxfWalker.h"
#include "engine/walkers/OggWalker.h"
#include "engine/walkers/ProgramStreamWalker.h"
#include "engine/walkers/R3dWalker.h"
#include "engine/walkers/RealMediaWalker.h"
#include "engine/walkers/RiffWalker.h"
#include "engine/walkers/TransportStreamWalker.h"

namespace ostrel::walkers {

namespace {

using Make = std::unique_ptr<FormatWalker> (*)(std::string_view type);

template <class W> std::unique_ptr<FormatWalker> plain(std::string_view)
{
    return std::make_unique<W>();
}

std::unique_ptr<FormatWalker> mp3(std::string_view)
{
    return std::make_unique<MpegAudioWalker>(false);
}

std::unique_ptr<FormatWalker> aac(std::string_view)
{
    return std::make_unique<MpegAudioWalker>(true);
}

struct MediaType {
    const char* type;
    Make make;
};

// Every type of the family, spelled as the signature files spell the
// extension, with the walker that follows it.
constexpr MediaType kTypes[] = {
    {"WAV", plain<RiffWalker>},
    {"AVI", plain<RiffWalker>},
    {"WEBP", plain<RiffWalker>},
    {"MP3", mp3},
    {"AAC", aac},
    {"TS", plain<TransportStreamWalker>},
    {"MTS", plain<TransportStreamWalker>},
    {"M2TS", plain<TransportStreamWalker>},
    {"MPG", plain<ProgramStreamWalker>},
    {"MPEG", plain<ProgramStreamWalker>},
    {"VOB", plain<ProgramStreamWalker>},
    {"OGG", plain<OggWalker>},
    {"OGV", plain<OggWalker>},
    {"OPUS", plain<OggWalker>},
    {"OGA", plain<OggWalker>},
    {"SPX", plain<OggWalker>},
    {"FLAC", plain<FlacWalker>},
    {"MKV", plain<MatroskaWalker>},
    {"WEBM", plain<MatroskaWalker>},
    {"MKA", plain<MatroskaWalker>},
    {"MK3D", plain<MatroskaWalker>},
    {"ASF", plain<AsfWalker>},
    {"WMV", plain<AsfWalker>},
    {"WMA", plain<AsfWalker>},
    {"FLV", plain<FlvWalker>},
    {"AIFF", plain<IffWalker>},
    {"AIFC", plain<IffWalker>},
    {"DFF", plain<IffWalker>},
    {"CAF", plain<CafWalker>},
    {"MID", plain<MidiWalker>},
    {"AMR", plain<AmrWalker>},
    {"AWB", plain<AmrWalker>},
    {"APE", plain<ApeWalker>},
    {"AU", plain<AuWalker>},
    {"DSF", plain<DsfWalker>},
    {"RM", plain<RealMediaWalker>},
    {"RMVB", plain<RealMediaWalker>},
    {"MXF", plain<MxfWalker>},
    {"R3D", plain<R3dWalker>},
};

} // namespace

std::unique_ptr<FormatWalker> makeMediaWalker(std::string_view type)
{
    for (const MediaType& t : kTypes) {
        if (type == t.type)
            return t.make(type);
    }
    return nullptr;
}

std::vector<std::string> mediaWalkerTypes()
{
    std::vector<std::string> types;
    for (const MediaType& t : kTypes)
        types.emplace_back(t.type);
    return types;
}

} // namespace ostrel::walkers
