// ostrel-thumbnailer: decodes one found picture for the window, in a process
// of its own, so that a hostile file can neither stall nor exhaust the
// window: the window kills it after a few seconds, and here it runs with
// bounded memory and processor time and, started as root, as the user
// "nobody".
//
// Usage: ostrel-thumbnailer KIND MAXSIDE < picture > thumbnail
//   KIND     core, plugin, heif, raw or psd (ui/thumbnailer/PictureKind.h)
//   MAXSIDE  largest side of the result in pixels (1-1024)
// Standard input is the picture file itself (an open, seekable file; it is
// mapped, never opened by name). On success the standard output receives
// "OTH1", the width and height (32-bit, this machine's order) and the
// pixels as QImage::Format_ARGB32 rows, and the exit status is 0; 1 means
// the picture could not be decoded, 2 bad arguments or limits.

#include "PictureDecoders.h"
#include "PictureKind.h"

#include <QCoreApplication>

#include <cstdint>
#include <cstdio>
#include <csignal>
#include <cstdlib>

#include <grp.h>
#include <pwd.h>
#include <sys/mman.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {
constexpr rlim_t kAddressSpace = rlim_t(2) << 30; // the libraries, the mapped file and the decode
constexpr rlim_t kProcessorSeconds = 10;
constexpr off_t kLargestFile = off_t(768) << 20;

bool limit(int resource, rlim_t value)
{
    const struct rlimit r {value, value};
    return ::setrlimit(resource, &r) == 0;
}

// Started as root: become "nobody", with no groups and no way back.
bool dropPrivileges()
{
    if (::geteuid() != 0)
        return true;
    uid_t uid = 65534;
    gid_t gid = 65534;
    if (const struct passwd* pw = ::getpwnam("nobody")) {
        uid = pw->pw_uid;
        gid = pw->pw_gid;
    }
    return ::setgroups(0, nullptr) == 0 && ::setresgid(gid, gid, gid) == 0 && ::setresuid(uid, uid, uid) == 0 &&
           ::geteuid() != 0;
}

QImage decode(PictureKind kind, const unsigned char* data, size_t size, int maxSide)
{
    switch (kind) {
    case PictureKind::Heif: return decodeHeif(data, size, maxSide);
    case PictureKind::Photoshop: return decodePhotoshop(data, size, maxSide);
    case PictureKind::CameraRaw: {
        // Some raw files are plain TIFF to libraw's eyes and back.
        const QImage raw = decodeCameraRaw(data, size, maxSide);
        return raw.isNull() ? decodeWithQt(data, size, maxSide) : raw;
    }
    case PictureKind::QtCore:
    case PictureKind::QtPlugin:
    case PictureKind::Unknown: break;
    }
    return decodeWithQt(data, size, maxSide);
}

bool writeAll(const void* bytes, size_t size)
{
    return std::fwrite(bytes, 1, size, stdout) == size;
}
} // namespace

int main(int argc, char** argv)
{
    ::prctl(PR_SET_PDEATHSIG, SIGKILL); // the window went: so does this
    if (!dropPrivileges() || ::prctl(PR_SET_NO_NEW_PRIVS, 1, 0, 0, 0) != 0 || !limit(RLIMIT_CPU, kProcessorSeconds) ||
        !limit(RLIMIT_FSIZE, 0) || !limit(RLIMIT_CORE, 0))
        return 2;
#if !defined(__SANITIZE_THREAD__) && !defined(__SANITIZE_ADDRESS__)
    // (The sanitizers reserve terabytes of address space for themselves.)
    if (!limit(RLIMIT_AS, kAddressSpace))
        return 2;
#endif
    if (argc != 3)
        return 2;
    const PictureKind kind = pictureKindFromName(argv[1]);
    const int maxSide = std::atoi(argv[2]);
    if (maxSide < 1 || maxSide > 1024)
        return 2;

    struct stat st {};
    if (::fstat(STDIN_FILENO, &st) != 0 || !S_ISREG(st.st_mode) || st.st_size <= 0 || st.st_size > kLargestFile)
        return 1;
    const size_t size = static_cast<size_t>(st.st_size);
    void* mapped = ::mmap(nullptr, size, PROT_READ, MAP_PRIVATE, STDIN_FILENO, 0);
    if (mapped == MAP_FAILED)
        return 1;

    int qtArgc = 1;
    QCoreApplication app(qtArgc, argv); // Qt's image plugins are found through it
    QImage image = decode(kind, static_cast<const unsigned char*>(mapped), size, maxSide);
    ::munmap(mapped, size);
    if (image.isNull() || image.width() > maxSide || image.height() > maxSide)
        return 1;
    image = image.convertToFormat(QImage::Format_ARGB32);
    const uint32_t header[2] = {static_cast<uint32_t>(image.width()), static_cast<uint32_t>(image.height())};
    if (!writeAll("OTH1", 4) || !writeAll(header, sizeof header))
        return 1;
    for (int y = 0; y < image.height(); ++y) {
        if (!writeAll(image.constScanLine(y), size_t(image.width()) * 4))
            return 1;
    }
    return std::fflush(stdout) == 0 ? 0 : 1;
}
