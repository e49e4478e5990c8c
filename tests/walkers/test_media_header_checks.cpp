// Header checks of the audio and video walkers against the shipped tables:
// every audio and video signature entry whose type has a media walker is
// placed at its position in random data (the rest of its sector and the
// fifteen sectors the engine reads ahead), and the walker must refuse it:
// chance hits of loose headers (frame syncs, packet and pack starts, short
// magic numbers) must never become files. Needs the source resources folder.

#include "engine/walkers/Families.h"
#include "walkers/WalkerTestSupport.h"

#include <algorithm>
#include <filesystem>

using namespace walkertest;

namespace {

struct TableEntry {
    std::string file, type;
    Bytes header;
    size_t position = 0;
};

std::string valueOf(const std::string& line)
{
    std::string v = line.substr(line.find(':') + 1);
    v.erase(0, v.find_first_not_of(' '));
    v.erase(v.find_last_not_of(" \r") + 1);
    return v;
}

// The entries of the shipped audio and video tables that a media walker serves.
std::vector<TableEntry> mediaEntries()
{
    const std::vector<std::string> types = ostrel::walkers::mediaWalkerTypes();
    std::vector<TableEntry> out;
    for (const auto& item : std::filesystem::directory_iterator(OSTREL_RESOURCE_DIR)) {
        const std::string name = item.path().filename().string();
        if (name.find("Video") == std::string::npos && name.find("Audio") == std::string::npos)
            continue;
        std::ifstream in(item.path());
        TableEntry e;
        for (std::string line; std::getline(in, line);) {
            if (line.rfind("Extension :", 0) == 0) {
                e = TableEntry{name, valueOf(line).substr(1), {}, 0};
                std::transform(e.type.begin(), e.type.end(), e.type.begin(), ::toupper);
            } else if (line.rfind("Header :", 0) == 0) {
                const std::string hex = valueOf(line);
                for (size_t i = 0; i + 1 < hex.size(); i += 2)
                    e.header.push_back(static_cast<uint8_t>(std::stoi(hex.substr(i, 2), nullptr, 16)));
            } else if (line.rfind("Position :", 0) == 0) {
                e.position = static_cast<size_t>(std::stoi(valueOf(line)) - 1);
            } else if (line.rfind("Description :", 0) == 0 &&
                std::find(types.begin(), types.end(), e.type) != types.end()) {
                out.push_back(e);
            }
        }
    }
    return out;
}

TEST(MediaHeaderChecks, TableHeadersInRandomDataAreRefused)
{
    const std::vector<TableEntry> entries = mediaEntries();
    ASSERT_GT(entries.size(), 30u);
    for (const TableEntry& e : entries) {
        // AAC ADIF has no frame lengths: its walker cannot check more than
        // the four magic bytes (which random data holds once in 2^32 sectors).
        if (e.header == Bytes{'A', 'D', 'I', 'F'})
            continue;
        int passed = 0;
        for (uint32_t seed = 1; seed <= 150; ++seed) {
            Bytes b = randomBytes(ostrel::walkers::kHeaderLookahead, seed * 7919);
            std::copy(e.header.begin(), e.header.end(), b.begin() + static_cast<long>(e.position));
            passed += walk(e.type, b).state != State::NotFormat;
        }
        EXPECT_EQ(passed, 0) << e.file << " " << e.type << " header at byte " << e.position + 1;
    }
}

} // namespace
