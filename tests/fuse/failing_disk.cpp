// failing_disk: a FUSE file system holding one file, disk.img, that reads
// like a dying memory card. It serves the bytes of an image file, but reads
// that reach chosen sectors fail with EIO after a delay, and the whole
// medium can be made to go away once a read reaches a given sector (every
// read failing from then on, with disk.img optionally vanishing from the
// folder, as a removed card's device node does). The file "stats" holds the
// number of reads and failed reads. Reads bypass the page cache, so every
// read of the program under test reaches the simulated medium.
//
//   failing_disk IMAGE MOUNTPOINT [--bad=A-B,C,...] [--delay-ms=N]
//                [--gone-at=SECTOR] [--gone-errno=N] [--vanish]
//
// Needs /dev/fuse and the right to mount (root). A test tool only.

#define FUSE_USE_VERSION 31
#include <fuse3/fuse.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <set>
#include <string>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace {

constexpr off_t kSector = 512;

struct Settings {
    char* bad = nullptr;
    int delayMs = 0;
    long long goneAt = -1;
    int goneErrno = EIO;
    int vanish = 0;
} settings;

const fuse_opt kOptions[] = {
    {"--bad=%s", offsetof(Settings, bad), 0},
    {"--delay-ms=%d", offsetof(Settings, delayMs), 0},
    {"--gone-at=%lld", offsetof(Settings, goneAt), 0},
    {"--gone-errno=%d", offsetof(Settings, goneErrno), 0},
    {"--vanish", offsetof(Settings, vanish), 1},
    FUSE_OPT_END,
};

int imageFd = -1;
off_t imageSize = 0;
std::set<long long> badSectors;
std::atomic<bool> gone{false};
std::atomic<long long> reads{0};
std::atomic<long long> failedReads{0};

const char* const kDisk = "/disk.img";
const char* const kStats = "/stats";

std::string statsText()
{
    return "reads " + std::to_string(reads.load()) + "\nfailed " + std::to_string(failedReads.load()) + "\ngone " +
           (gone ? "1" : "0") + "\n";
}

bool parseBad(const char* text)
{
    std::string s = text ? text : "";
    size_t at = 0;
    while (at < s.size()) {
        size_t comma = s.find(',', at);
        if (comma == std::string::npos)
            comma = s.size();
        const std::string item = s.substr(at, comma - at);
        const size_t dash = item.find('-');
        char* end = nullptr;
        const long long first = std::strtoll(item.c_str(), &end, 10);
        const long long last = dash == std::string::npos ? first : std::strtoll(item.c_str() + dash + 1, &end, 10);
        if (first < 0 || last < first || last - first > (1LL << 24))
            return false;
        for (long long n = first; n <= last; ++n)
            badSectors.insert(n);
        at = comma + 1;
    }
    return true;
}

int failRead(int error)
{
    ++failedReads;
    if (settings.delayMs > 0)
        std::this_thread::sleep_for(std::chrono::milliseconds(settings.delayMs));
    return -error;
}

int getattrOp(const char* path, struct stat* st, fuse_file_info*)
{
    std::memset(st, 0, sizeof *st);
    if (std::strcmp(path, "/") == 0) {
        st->st_mode = S_IFDIR | 0755;
        st->st_nlink = 2;
        return 0;
    }
    if (std::strcmp(path, kDisk) == 0 && !(gone && settings.vanish)) {
        st->st_mode = S_IFREG | 0444;
        st->st_nlink = 1;
        st->st_size = imageSize;
        return 0;
    }
    if (std::strcmp(path, kStats) == 0) {
        st->st_mode = S_IFREG | 0444;
        st->st_nlink = 1;
        st->st_size = 4096; // read with direct I/O: the real length is what read() gives
        return 0;
    }
    return -ENOENT;
}

int readdirOp(const char* path, void* buffer, fuse_fill_dir_t fill, off_t, fuse_file_info*, fuse_readdir_flags)
{
    if (std::strcmp(path, "/") != 0)
        return -ENOENT;
    fill(buffer, ".", nullptr, 0, static_cast<fuse_fill_dir_flags>(0));
    fill(buffer, "..", nullptr, 0, static_cast<fuse_fill_dir_flags>(0));
    if (!(gone && settings.vanish))
        fill(buffer, kDisk + 1, nullptr, 0, static_cast<fuse_fill_dir_flags>(0));
    fill(buffer, kStats + 1, nullptr, 0, static_cast<fuse_fill_dir_flags>(0));
    return 0;
}

int openOp(const char* path, fuse_file_info* fi)
{
    if ((fi->flags & O_ACCMODE) != O_RDONLY)
        return -EROFS;
    if (std::strcmp(path, kStats) != 0 && (std::strcmp(path, kDisk) != 0 || (gone && settings.vanish)))
        return -ENOENT;
    fi->direct_io = 1; // no page cache: every read reaches us
    fi->keep_cache = 0;
    return 0;
}

int readOp(const char* path, char* buffer, size_t size, off_t offset, fuse_file_info*)
{
    if (std::strcmp(path, kStats) == 0) {
        const std::string text = statsText();
        if (offset >= static_cast<off_t>(text.size()))
            return 0;
        const size_t n = std::min(size, text.size() - static_cast<size_t>(offset));
        std::memcpy(buffer, text.data() + offset, n);
        return static_cast<int>(n);
    }
    ++reads;
    if (gone)
        return failRead(settings.goneErrno);
    if (offset >= imageSize)
        return 0;
    size = static_cast<size_t>(std::min<off_t>(static_cast<off_t>(size), imageSize - offset));
    const long long first = offset / kSector;
    const long long last = (offset + static_cast<off_t>(size) - 1) / kSector;
    if (settings.goneAt >= 0 && last >= settings.goneAt) {
        gone = true;
        return failRead(settings.goneErrno);
    }
    // The part before the first bad sector is delivered; a read that
    // starts on a bad sector fails.
    const auto bad = badSectors.lower_bound(first);
    if (bad != badSectors.end() && *bad <= last) {
        if (*bad == first)
            return failRead(EIO);
        size = static_cast<size_t>(*bad * kSector - offset);
    }
    size_t done = 0;
    while (done < size) {
        const ssize_t n = ::pread(imageFd, buffer + done, size - done, offset + static_cast<off_t>(done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return n < 0 ? -errno : static_cast<int>(done);
        done += static_cast<size_t>(n);
    }
    return static_cast<int>(done);
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 3) {
        std::fprintf(stderr, "usage: %s IMAGE MOUNTPOINT [--bad=A-B,C] [--delay-ms=N] [--gone-at=SECTOR] "
                             "[--gone-errno=N] [--vanish]\n", argv[0]);
        return 2;
    }
    imageFd = ::open(argv[1], O_RDONLY | O_CLOEXEC);
    struct stat st;
    if (imageFd < 0 || ::fstat(imageFd, &st) != 0) {
        std::perror(argv[1]);
        return 2;
    }
    imageSize = st.st_size;
    // The image is ours; FUSE parses the rest (mount point and options).
    fuse_args args = FUSE_ARGS_INIT(argc - 1, argv + 1);
    args.argv[0] = argv[0];
    if (fuse_opt_parse(&args, &settings, kOptions, nullptr) != 0 || !parseBad(settings.bad)) {
        std::fprintf(stderr, "%s: bad options\n", argv[0]);
        return 2;
    }
    fuse_operations ops{};
    ops.getattr = getattrOp;
    ops.readdir = readdirOp;
    ops.open = openOp;
    ops.read = readOp;
    const int code = fuse_main(args.argc, args.argv, &ops, nullptr);
    fuse_opt_free_args(&args);
    return code;
}
