// header_hits - how often do the headers of signature tables turn up by chance?
//
// Generates pseudo-random data sector by sector (deterministic for a given
// seed) and runs every given signature file's table over each 512-byte
// sector with the engine's own loader and matcher, exactly as a search
// would. Every sector that some entry recognises is a false header hit: on a
// real medium it would end the file being carved there and start a bogus
// one. Prints, per file, the hits of each entry (the entry that wins the
// sector, as in a search) next to the number expected from the header's
// length, then the file's total.
//
//   header_hits [--gib N] [--seed S] [--nonzero] FILE...
//
//   --gib N     amount of random data in GiB (default 1; fractions allowed)
//   --seed S    seed of the generator (default 1)
//   --nonzero   list only the entries that were hit
//
// Every file sees the same data. The exit code is 0 after a run, 2 for a
// wrong command line.

#include "engine/HeaderMatcher.h"
#include "util/Xoshiro256.h"
#include "signatures/SignatureLoader.h"
#include "signatures/SignatureTable.h"

#include <QFileInfo>
#include <QString>
#include <QStringList>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cinttypes>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

constexpr int kSector = ostrel::kSectorSize;
constexpr double kSectorsPerGiB = 1024.0 * 1024.0 * 1024.0 / kSector;

using ostrel::Xoshiro256;

struct TableRun {
    QString path;
    QStringList table;
    ostrel::HeaderMatcher matcher;
    std::vector<uint64_t> hits;
    uint64_t total = 0;

    TableRun(const QString& p, const QStringList& t)
        : path(p), table(t), matcher(t), hits(static_cast<size_t>(matcher.entryCount()), 0)
    {
    }
};

// Hits expected by chance in `sectors` random sectors for one entry alone.
double expectedHits(const QString& hex, const QString& position, double sectors)
{
    const int n = static_cast<int>(hex.size() / 2);
    if (n <= 0)
        return 0.0;
    const double perPlace = std::pow(256.0, -n);
    if (position == QLatin1String("nn"))
        return sectors * perPlace * std::max(0, kSector - n + 1);
    return sectors * perPlace;
}

void usage()
{
    std::fprintf(stderr,
                 "usage: header_hits [--gib N] [--seed S] [--nonzero] FILE...\n"
                 "Counts the sectors of N GiB of pseudo-random data (default 1) that the\n"
                 "signature tables in FILE... recognise, per entry and per file.\n");
}

bool parseDouble(const char* text, double* out)
{
    char* end = nullptr;
    const double v = std::strtod(text, &end);
    if (end == text || *end != '\0' || !(v > 0.0) || !std::isfinite(v))
        return false;
    *out = v;
    return true;
}

bool parseU64(const char* text, uint64_t* out)
{
    char* end = nullptr;
    errno = 0;
    const unsigned long long v = std::strtoull(text, &end, 0);
    if (end == text || *end != '\0' || errno != 0)
        return false;
    *out = v;
    return true;
}

std::string shortened(const QString& text, int width)
{
    std::string s = text.toStdString();
    if (static_cast<int>(s.size()) > width)
        s = s.substr(0, static_cast<size_t>(width - 3)) + "...";
    return s;
}

} // namespace

int main(int argc, char** argv)
{
    double gib = 1.0;
    uint64_t seed = 1;
    bool nonzeroOnly = false;
    std::vector<QString> files;

    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--gib" && i + 1 < argc) {
            if (!parseDouble(argv[++i], &gib)) {
                std::fprintf(stderr, "header_hits: --gib needs a positive number\n");
                return 2;
            }
        } else if (arg == "--seed" && i + 1 < argc) {
            if (!parseU64(argv[++i], &seed)) {
                std::fprintf(stderr, "header_hits: --seed needs a whole number\n");
                return 2;
            }
        } else if (arg == "--nonzero") {
            nonzeroOnly = true;
        } else if (arg == "-h" || arg == "--help") {
            usage();
            return 0;
        } else if (!arg.empty() && arg[0] == '-') {
            usage();
            return 2;
        } else {
            files.push_back(QString::fromLocal8Bit(argv[i]));
        }
    }
    if (files.empty()) {
        usage();
        return 2;
    }

    std::vector<TableRun> runs;
    runs.reserve(files.size());
    for (const QString& path : files) {
        const QStringList table = loadSignatureFile(path);
        if (table.isEmpty())
            std::fprintf(stderr, "header_hits: %s holds no entries (missing or unreadable?)\n",
                         path.toLocal8Bit().constData());
        runs.emplace_back(path, table);
    }

    const uint64_t sectors = static_cast<uint64_t>(std::llround(gib * kSectorsPerGiB));
    std::printf("Random data: %" PRIu64 " sectors of %d bytes (%.3f GiB), seed %" PRIu64 "\n",
                sectors, kSector, static_cast<double>(sectors) / kSectorsPerGiB, seed);

    const auto started = std::chrono::steady_clock::now();
    Xoshiro256 rng(seed);
    alignas(8) unsigned char sector[kSector];
    for (uint64_t s = 0; s < sectors; ++s) {
        rng.fill(sector, kSector);
        for (TableRun& run : runs) {
            const int k = run.matcher.match(sector);
            if (k >= 0) {
                ++run.hits[static_cast<size_t>(k)];
                ++run.total;
            }
        }
    }
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();

    const double dsectors = static_cast<double>(sectors);
    uint64_t grandTotal = 0;
    for (const TableRun& run : runs) {
        const int count = run.matcher.entryCount();
        std::printf("\n%s  (%d entries)\n", run.path.toLocal8Bit().constData(), count);
        std::printf("  %4s  %-8s  %-4s  %-34s  %10s  %12s\n", "#", "type", "pos", "header", "hits",
                    "expected");
        for (int k = 0; k < count; ++k) {
            const uint64_t h = run.hits[static_cast<size_t>(k)];
            if (nonzeroOnly && h == 0)
                continue;
            const QString& hex = sig::field(run.table, k, sig::HeaderHex);
            const QString& pos = sig::field(run.table, k, sig::HeaderPosition);
            std::printf("  %4d  %-8s  %-4s  %-34s  %10" PRIu64 "  %12.6f\n", k + 1,
                        shortened(sig::field(run.table, k, sig::Extension), 8).c_str(),
                        shortened(pos, 4).c_str(), shortened(hex, 34).c_str(), h,
                        expectedHits(hex, pos, dsectors));
        }
        std::printf("  total: %" PRIu64 " sectors recognised\n", run.total);
        grandTotal += run.total;
    }

    std::printf("\nSummary (%.3f GiB, seed %" PRIu64 ", %.1f s)\n", static_cast<double>(sectors) / kSectorsPerGiB,
                seed, seconds);
    for (const TableRun& run : runs)
        std::printf("  %-24s %10" PRIu64 "\n", QFileInfo(run.path).fileName().toLocal8Bit().constData(),
                    run.total);
    std::printf("  %-24s %10" PRIu64 "\n", "all files", grandTotal);
    return 0;
}
