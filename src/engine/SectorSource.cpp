#include "engine/SectorSource.h"

#include <QFile>

#include <cerrno>
#include <cstring>
#include <thread>
#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace ostrel {

namespace {
constexpr quint64 kSector = 512;
}

FileSectorSource::~FileSectorSource()
{
    if (fd_ >= 0)
        ::close(fd_);
}

std::unique_ptr<FileSectorSource> FileSectorSource::open(const QString& path, int* error)
{
    *error = 0;
    // Non-blocking, so a pipe without a writer or a terminal waiting for a
    // carrier cannot hold the open for ever; an open interrupted by a signal
    // ends here instead of being retried, so Ctrl-C is not swallowed.
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (fd < 0) {
        *error = errno;
        return nullptr;
    }
    struct stat st;
    int refusal = 0;
    if (::fstat(fd, &st) != 0)
        refusal = errno;
    else if (S_ISFIFO(st.st_mode) || S_ISSOCK(st.st_mode) || (S_ISCHR(st.st_mode) && ::isatty(fd)))
        refusal = ENOTBLK; // a stream: no sector has a place in it
    else if (S_ISDIR(st.st_mode))
        refusal = EISDIR;
    else if (!S_ISBLK(st.st_mode) && !S_ISCHR(st.st_mode) && !S_ISREG(st.st_mode))
        refusal = ENODEV;
    else if (const int flags = ::fcntl(fd, F_GETFL); flags < 0 || ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) != 0)
        refusal = errno;
    if (refusal != 0) {
        *error = refusal;
        ::close(fd);
        return nullptr;
    }
    ::posix_fadvise(fd, 0, 0, POSIX_FADV_SEQUENTIAL);
    return std::unique_ptr<FileSectorSource>(new FileSectorSource(fd, path));
}

bool FileSectorSource::stillPresent()
{
    struct stat opened;
    struct stat named;
    if (::fstat(fd_, &opened) != 0)
        return false;
    if (::stat(QFile::encodeName(path_).constData(), &named) != 0)
        return errno != ENOENT && errno != ENOTDIR; // gone from its folder; other errors prove nothing
    if (S_ISBLK(opened.st_mode) || S_ISCHR(opened.st_mode))
        return named.st_rdev == opened.st_rdev;
    return named.st_dev == opened.st_dev && named.st_ino == opened.st_ino;
}

quint32 FileSectorSource::read(quint64 first, quint32 count, unsigned char* buffer, int* error)
{
    *error = 0;
    const size_t wanted = static_cast<size_t>(count) * kSector;
    size_t got = 0;
    while (got < wanted) {
        const ssize_t n = ::pread(fd_, buffer + got, wanted - got, static_cast<off_t>(first * kSector + got));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            *error = errno;
            break;
        }
        if (n == 0)
            break; // end of the source
        got += static_cast<size_t>(n);
    }
    return static_cast<quint32>(got / kSector);
}

quint64 FileSectorSource::sectorCount() const
{
    struct stat st;
    if (::fstat(fd_, &st) != 0)
        return 0;
    if (S_ISBLK(st.st_mode)) {
        quint64 bytes = 0;
        if (::ioctl(fd_, BLKGETSIZE64, &bytes) == 0)
            return bytes / kSector;
        return 0;
    }
    return static_cast<quint64>(st.st_size) / kSector;
}

quint32 MemorySectorSource::read(quint64 first, quint32 count, unsigned char* buffer, int* error)
{
    *error = 0;
    const quint64 total = static_cast<quint64>(data_.size()) / kSector;
    if (first >= total)
        return 0;
    const quint32 n = static_cast<quint32>(std::min<quint64>(count, total - first));
    std::memcpy(buffer, data_.constData() + first * kSector, n * kSector);
    return n;
}

FaultInjectingSource::FaultInjectingSource(std::unique_ptr<SectorSource> inner, std::set<quint64> always,
                                           std::set<quint64> once)
    : inner_(std::move(inner)), always_(std::move(always)), once_(std::move(once))
{
}

quint32 FaultInjectingSource::fail(quint32 got, int errorCode, int* error)
{
    ++failedReads_;
    if (failDelay_.count() > 0)
        std::this_thread::sleep_for(failDelay_);
    *error = errorCode;
    return got;
}

quint32 FaultInjectingSource::read(quint64 first, quint32 count, unsigned char* buffer, int* error)
{
    *error = 0;
    if (gone_)
        return fail(0, vanish_.error, error);
    for (quint32 i = 0; i < count; ++i) {
        const quint64 s = first + i;
        if (s >= vanish_.goneAt) {
            gone_ = true;
            return fail(0, vanish_.error, error); // a removed medium delivers nothing of the read
        }
        const bool failsNow = always_.count(s) || (once_.count(s) && attempts_.count(s) == 0);
        if (always_.count(s) || once_.count(s))
            attempts_.insert(s);
        if (failsNow) {
            int innerError = 0;
            const quint32 got = i == 0 ? 0 : inner_->read(first, i, buffer, &innerError);
            return fail(got, innerError ? innerError : EIO, error);
        }
    }
    return inner_->read(first, count, buffer, error);
}

int FaultInjectingSource::attempts(quint64 sector) const
{
    return static_cast<int>(attempts_.count(sector));
}

} // namespace ostrel
