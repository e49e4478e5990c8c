// make_bench_image: writes a disk image that looks like a used memory card,
// for timing the carving engine against a plain sequential read.
//
//   make_bench_image [--size-gib N] [--seed S] [--files-per-gib K]
//                    --material DIR OUT
//
// The image is laid out as clusters of real files (taken from DIR, one
// regular file per entry, picked by type weight) written back to back at
// 32 KiB boundaries, as a FAT/exFAT card allocates them, separated by
// stretches of zeros (never written or erased areas) and of pseudo-random
// bytes (the bodies of deleted files no carver recognises). The slack after
// each file up to the next boundary is zero or random.
//
// Everything depends only on the arguments and the material: the same seed,
// size and files give the same image byte for byte. OUT.manifest.tsv lists
// where every embedded file starts.

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <vector>

#include "util/Xoshiro256.h"

#include <fcntl.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

constexpr uint64_t kSector = 512;
constexpr uint64_t kCluster = 32 * 1024;
constexpr uint64_t kMiB = 1024 * 1024;
constexpr uint64_t kGiB = 1024 * kMiB;
constexpr size_t kWriteBlock = 8 * kMiB;

using Rng = ostrel::Xoshiro256;

struct Material {
    std::string name;
    std::string type; // lower-case extension without the dot
    std::vector<unsigned char> bytes;
};

// How often each type turns up on the card. Types with no material are
// skipped; anything else found in the folder gets weight 1.
const std::map<std::string, double> kTypeWeights = {
    {"jpg", 50}, {"png", 7}, {"gif", 3}, {"bmp", 3}, {"tif", 3}, {"mp4", 8}, {"mov", 3},
    {"mp3", 7},  {"wav", 2}, {"pdf", 5}, {"zip", 4}, {"docx", 4},
};

enum class Fill { Zero, Random };

struct Piece {
    enum Kind { Zeros, RandomBytes, File } kind;
    uint64_t bytes = 0;
    const Material* file = nullptr;
};

class Writer {
public:
    Writer(int fd, Rng& rng) : fd_(fd), rng_(rng), buffer_(kWriteBlock) {}

    void zeros(uint64_t n)
    {
        while (n > 0) {
            const size_t take = static_cast<size_t>(std::min<uint64_t>(n, room()));
            std::memset(buffer_.data() + used_, 0, take);
            advance(take);
            n -= take;
        }
    }
    void random(uint64_t n)
    {
        while (n > 0) {
            const size_t take = static_cast<size_t>(std::min<uint64_t>(n, room()));
            rng_.fill(buffer_.data() + used_, take);
            advance(take);
            n -= take;
        }
    }
    void bytes(const unsigned char* data, uint64_t n)
    {
        while (n > 0) {
            const size_t take = static_cast<size_t>(std::min<uint64_t>(n, room()));
            std::memcpy(buffer_.data() + used_, data, take);
            advance(take);
            data += take;
            n -= take;
        }
    }
    void finish() { flush(); }
    uint64_t position() const { return written_ + used_; }

private:
    size_t room() const { return buffer_.size() - used_; }
    void advance(size_t n)
    {
        used_ += n;
        if (used_ == buffer_.size())
            flush();
    }
    void flush()
    {
        size_t done = 0;
        while (done < used_) {
            const ssize_t n = ::write(fd_, buffer_.data() + done, used_ - done);
            if (n < 0) {
                if (errno == EINTR)
                    continue;
                std::perror("make_bench_image: write");
                std::exit(1);
            }
            done += static_cast<size_t>(n);
        }
        written_ += used_;
        used_ = 0;
    }

    int fd_;
    Rng& rng_;
    std::vector<unsigned char> buffer_;
    size_t used_ = 0;
    uint64_t written_ = 0;
};

[[noreturn]] void usage(const char* why)
{
    if (why)
        std::fprintf(stderr, "make_bench_image: %s\n\n", why);
    std::fprintf(stderr,
                 "Usage: make_bench_image [--size-gib N] [--seed S] [--files-per-gib K] --material DIR OUT\n"
                 "  --size-gib N       image size in GiB, fractions allowed (default 4)\n"
                 "  --seed S           layout and random-data seed (default 20240607)\n"
                 "  --files-per-gib K  embedded files per GiB (default 100)\n"
                 "  --material DIR     folder of real files to embed (type from the extension)\n");
    std::exit(2);
}

std::vector<Material> loadMaterial(const fs::path& dir)
{
    std::vector<fs::path> paths;
    for (const auto& entry : fs::directory_iterator(dir)) {
        if (entry.is_regular_file() && entry.path().has_extension())
            paths.push_back(entry.path());
    }
    std::sort(paths.begin(), paths.end()); // directory order is not stable
    std::vector<Material> out;
    for (const auto& p : paths) {
        std::string ext = p.extension().string().substr(1);
        std::transform(ext.begin(), ext.end(), ext.begin(), [](unsigned char c) { return std::tolower(c); });
        if (ext == "jpeg")
            ext = "jpg";
        if (ext == "tiff")
            ext = "tif";
        if (ext == "sh" || ext == "txt" || ext == "tsv")
            continue;
        std::ifstream in(p, std::ios::binary);
        Material m;
        m.name = p.filename().string();
        m.type = ext;
        m.bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
        if (!m.bytes.empty())
            out.push_back(std::move(m));
    }
    return out;
}

uint64_t roundUp(uint64_t v, uint64_t to) { return (v + to - 1) / to * to; }

} // namespace

int main(int argc, char** argv)
{
    double sizeGib = 4.0;
    uint64_t seed = 20240607;
    double filesPerGib = 100.0;
    std::string materialDir;
    std::string outPath;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        auto value = [&]() -> std::string {
            if (i + 1 >= argc)
                usage(("missing value after " + a).c_str());
            return argv[++i];
        };
        if (a == "--size-gib")
            sizeGib = std::atof(value().c_str());
        else if (a == "--seed")
            seed = std::strtoull(value().c_str(), nullptr, 10);
        else if (a == "--files-per-gib")
            filesPerGib = std::atof(value().c_str());
        else if (a == "--material")
            materialDir = value();
        else if (a == "-h" || a == "--help")
            usage(nullptr);
        else if (!a.empty() && a[0] == '-')
            usage(("unknown option " + a).c_str());
        else if (outPath.empty())
            outPath = a;
        else
            usage("more than one output path");
    }
    if (outPath.empty() || materialDir.empty())
        usage("an output path and --material are needed");
    if (!(sizeGib > 0))
        usage("the size must be positive");

    const uint64_t imageBytes = roundUp(static_cast<uint64_t>(sizeGib * static_cast<double>(kGiB)), kMiB);
    const std::vector<Material> material = loadMaterial(materialDir);
    if (material.empty())
        usage("no usable files in the material folder");

    // Pick weights: per type, shared evenly by that type's files.
    std::map<std::string, int> perType;
    for (const auto& m : material)
        ++perType[m.type];
    std::vector<double> cumulative;
    double total = 0;
    for (const auto& m : material) {
        const auto w = kTypeWeights.find(m.type);
        total += (w == kTypeWeights.end() ? 1.0 : w->second) / perType[m.type];
        cumulative.push_back(total);
    }

    Rng rng(seed);
    auto pick = [&]() -> const Material& {
        const double r = rng.unit() * total;
        const size_t i = std::upper_bound(cumulative.begin(), cumulative.end(), r) - cumulative.begin();
        return material[std::min(i, material.size() - 1)];
    };

    // Clusters of 3 to 15 files, each file followed by its slack.
    const uint64_t fileCount = std::max<uint64_t>(1, static_cast<uint64_t>(std::llround(filesPerGib * sizeGib)));
    std::vector<std::vector<Piece>> clusters;
    uint64_t clusterBytes = 0;
    for (uint64_t placed = 0; placed < fileCount;) {
        const uint64_t n = std::min<uint64_t>(fileCount - placed, rng.range(3, 15));
        std::vector<Piece> c;
        for (uint64_t k = 0; k < n; ++k) {
            const Material& m = pick();
            c.push_back({Piece::File, m.bytes.size(), &m});
            const uint64_t slack = roundUp(m.bytes.size(), kCluster) - m.bytes.size();
            if (slack > 0)
                c.push_back({rng.range(0, 1) ? Piece::Zeros : Piece::RandomBytes, slack, nullptr});
            clusterBytes += m.bytes.size() + slack;
        }
        clusters.push_back(std::move(c));
        placed += n;
    }
    if (clusterBytes + clusters.size() * kCluster > imageBytes) {
        std::fprintf(stderr, "make_bench_image: %llu files need %llu bytes, more than the image holds; "
                             "lower --files-per-gib\n",
                     static_cast<unsigned long long>(fileCount), static_cast<unsigned long long>(clusterBytes));
        return 2;
    }

    // The rest is filler, shared out between the gaps around the clusters
    // by random weights, in whole 32 KiB units.
    const uint64_t fillerUnits = (imageBytes - clusterBytes) / kCluster;
    const size_t gaps = clusters.size() + 1;
    std::vector<double> weights(gaps);
    double weightSum = 0;
    for (auto& w : weights) {
        w = 0.2 + 1.6 * rng.unit();
        weightSum += w;
    }
    std::vector<uint64_t> gapUnits(gaps);
    uint64_t assigned = 0;
    for (size_t g = 0; g < gaps; ++g) {
        gapUnits[g] = static_cast<uint64_t>(static_cast<double>(fillerUnits) * weights[g] / weightSum);
        assigned += gapUnits[g];
    }
    gapUnits.back() += fillerUnits - assigned;
    const uint64_t tailBytes = imageBytes - clusterBytes - fillerUnits * kCluster; // < 32 KiB

    // A gap is one to four stretches, each zeros (45%) or random (55%).
    auto gapPieces = [&](uint64_t units) {
        std::vector<Piece> out;
        if (units == 0)
            return out;
        const uint64_t parts = std::min<uint64_t>(units, rng.range(1, 4));
        uint64_t left = units;
        for (uint64_t p = 0; p < parts; ++p) {
            const uint64_t take = p + 1 == parts ? left : rng.range(1, left - (parts - p - 1));
            out.push_back({rng.unit() < 0.45 ? Piece::Zeros : Piece::RandomBytes, take * kCluster, nullptr});
            left -= take;
        }
        return out;
    };

    const int fd = ::open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) {
        std::perror(("make_bench_image: " + outPath).c_str());
        return 1;
    }
    std::FILE* manifest = std::fopen((outPath + ".manifest.tsv").c_str(), "w");
    if (!manifest) {
        std::perror("make_bench_image: manifest");
        return 1;
    }
    std::fprintf(manifest, "offset\tsector\tbytes\ttype\tmaterial\n");

    Writer out(fd, rng);
    std::map<std::string, uint64_t> typeCounts;
    uint64_t zeroBytes = 0, randomBytes = 0, fileBytes = 0;
    auto emit = [&](const Piece& p) {
        switch (p.kind) {
        case Piece::Zeros:
            out.zeros(p.bytes);
            zeroBytes += p.bytes;
            break;
        case Piece::RandomBytes:
            out.random(p.bytes);
            randomBytes += p.bytes;
            break;
        case Piece::File:
            std::fprintf(manifest, "%llu\t%llu\t%llu\t%s\t%s\n", static_cast<unsigned long long>(out.position()),
                         static_cast<unsigned long long>(out.position() / kSector),
                         static_cast<unsigned long long>(p.bytes), p.file->type.c_str(), p.file->name.c_str());
            out.bytes(p.file->bytes.data(), p.bytes);
            fileBytes += p.bytes;
            ++typeCounts[p.file->type];
            break;
        }
    };
    for (size_t g = 0; g < gaps; ++g) {
        for (const Piece& p : gapPieces(gapUnits[g]))
            emit(p);
        if (g < clusters.size()) {
            for (const Piece& p : clusters[g])
                emit(p);
        }
    }
    out.zeros(tailBytes);
    zeroBytes += tailBytes;
    out.finish();
    if (out.position() != imageBytes) {
        std::fprintf(stderr, "make_bench_image: internal error, wrote %llu of %llu bytes\n",
                     static_cast<unsigned long long>(out.position()), static_cast<unsigned long long>(imageBytes));
        return 1;
    }
    if (::fsync(fd) != 0 || ::close(fd) != 0) {
        std::perror("make_bench_image: close");
        return 1;
    }
    std::fclose(manifest);

    std::printf("%s: %llu bytes, %llu files in %zu clusters (%.1f%% file data, %.1f%% zeros, %.1f%% random)\n",
                outPath.c_str(), static_cast<unsigned long long>(imageBytes),
                static_cast<unsigned long long>(fileCount), clusters.size(), 100.0 * fileBytes / imageBytes,
                100.0 * zeroBytes / imageBytes, 100.0 * randomBytes / imageBytes);
    std::printf("  files by type:");
    for (const auto& [type, n] : typeCounts)
        std::printf(" %s=%llu", type.c_str(), static_cast<unsigned long long>(n));
    std::printf("\n");
    return 0;
}
