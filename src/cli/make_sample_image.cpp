// Build tool: lays the project's own test material out as a small disk image,
// the built-in sample medium of the headless front end. Each file starts on a
// sector boundary between stretches of zeros and of pseudo-random bytes (a
// used card is like that: empty space, deleted noise, whole files).
//
// Usage: ostrel-make-sample OUTPUT FILE...

#include "util/Xoshiro256.h"

#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <vector>

namespace {
constexpr size_t kSector = 512;

void zeros(std::vector<char>& image, size_t bytes)
{
    image.insert(image.end(), bytes, '\0');
}

void noise(std::vector<char>& image, ostrel::Xoshiro256& rng, size_t bytes)
{
    const size_t at = image.size();
    image.resize(at + bytes);
    rng.fill(reinterpret_cast<unsigned char*>(image.data() + at), bytes);
}
} // namespace

int main(int argc, char** argv)
{
    if (argc < 3) {
        std::fprintf(stderr, "usage: %s OUTPUT FILE...\n", argv[0]);
        return 2;
    }
    ostrel::Xoshiro256 rng(20261207);
    std::vector<char> image;
    zeros(image, 256 * 1024);
    for (int i = 2; i < argc; ++i) {
        std::ifstream in(argv[i], std::ios::binary);
        if (!in) {
            std::fprintf(stderr, "cannot read %s\n", argv[i]);
            return 1;
        }
        std::vector<char> data((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        noise(image, rng, 64 * 1024);
        zeros(image, 16 * 1024);
        image.insert(image.end(), data.begin(), data.end());
        zeros(image, (kSector - image.size() % kSector) % kSector);
        zeros(image, 32 * 1024);
    }
    noise(image, rng, 64 * 1024);
    zeros(image, 256 * 1024);
    std::ofstream out(argv[1], std::ios::binary | std::ios::trunc);
    out.write(image.data(), static_cast<std::streamsize>(image.size()));
    return out ? 0 : 1;
}
