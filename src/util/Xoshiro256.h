#pragma once
// xoshiro256** (Blackman and Vigna), seeded through splitmix64: a fast
// pseudo-random generator that gives the same bytes on every platform, for
// test images, benchmarks and the random-data header count. Not for secrets.

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace ostrel {

class Xoshiro256 {
public:
    explicit Xoshiro256(uint64_t seed)
    {
        for (uint64_t& word : s_) {
            seed += 0x9E3779B97F4A7C15ull;
            uint64_t z = seed;
            z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
            z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
            word = z ^ (z >> 31);
        }
    }

    uint64_t next()
    {
        const uint64_t result = rotl(s_[1] * 5, 7) * 9;
        const uint64_t t = s_[1] << 17;
        s_[2] ^= s_[0];
        s_[3] ^= s_[1];
        s_[1] ^= s_[2];
        s_[0] ^= s_[3];
        s_[2] ^= t;
        s_[3] = rotl(s_[3], 45);
        return result;
    }

    // Uniform in [lo, hi].
    uint64_t range(uint64_t lo, uint64_t hi) { return lo + next() % (hi - lo + 1); }

    // Uniform in [0, 1).
    double unit() { return static_cast<double>(next() >> 11) * (1.0 / 9007199254740992.0); }

    void fill(unsigned char* out, size_t bytes)
    {
        size_t i = 0;
        for (; i + 8 <= bytes; i += 8) {
            const uint64_t v = next();
            std::memcpy(out + i, &v, 8);
        }
        if (i < bytes) {
            const uint64_t v = next();
            std::memcpy(out + i, &v, bytes - i);
        }
    }

private:
    static uint64_t rotl(uint64_t x, int k) { return (x << k) | (x >> (64 - k)); }
    uint64_t s_[4];
};

} // namespace ostrel
