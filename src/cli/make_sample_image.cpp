// Build tool: lays the project's own test material out as a small disk image,
// the built-in sample medium of the headless front end. Each file starts on a
// sector boundary between stretches of zeros and of pseudo-random bytes (a
// used card is like that: empty space, deleted noise, whole files).
//
// Usage: ostrel-make-sample OUTPUT FILE...

#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <vector>

namespace {
constexpr size_t kSector = 512;

struct SplitMix64 {
    uint64_t state;
    uint64_t next()
    {
        uint64_t z = (state += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
};

void zeros(std::vector<char>& image, size_t bytes)
{
    image.insert(image.end(), bytes, '\0');
}

void noise(std::vector<char>& image, SplitMix64& rng, size_t bytes)
{
    for (size_t i = 0; i < bytes; i += 8) {
        const uint64_t v = rng.next();
        for (size_t b = 0; b < 8 && i + b < bytes; ++b)
            image.push_back(static_cast<char>(v >> (8 * b)));
    }
}
} // namespace

int main(int argc, char** argv)
{
    if (argc < 3) {
        std::fprintf(stderr, "usage: %s OUTPUT FILE...\n", argv[0]);
        return 2;
    }
    SplitMix64 rng{20261207};
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
