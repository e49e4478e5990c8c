#include "engine/OutputFile.h"

#include <QFile>

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace ostrel {

namespace {
constexpr size_t kSector = 512;
} // namespace

OutputFile::~OutputFile()
{
    close();
}

bool OutputFile::create(const QString& path, int* error)
{
    close();
    failed_ = false;
    written_ = 0;
    runLength_ = 0;
    pendingZeros_ = 0;
    length_ = UINT64_MAX;
    int fd;
    do {
        fd = ::open(QFile::encodeName(path).constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) {
        *error = errno;
        return false;
    }
    fd_ = fd;
    *error = 0;
    return true;
}

bool OutputFile::flushRun()
{
    size_t done = 0;
    while (done < runLength_ && !failed_) {
        const ssize_t n = ::write(fd_, runStart_ + done, runLength_ - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            failed_ = true; // a full disk, a removed drive, a file-size limit
        else
            done += static_cast<size_t>(n);
    }
    runLength_ = 0;
    return !failed_;
}

bool OutputFile::skipZeros()
{
    if (pendingZeros_ == 0 || failed_)
        return !failed_;
    if (::lseek(fd_, static_cast<off_t>(pendingZeros_), SEEK_CUR) < 0)
        failed_ = true;
    pendingZeros_ = 0;
    return !failed_;
}

bool OutputFile::append(const unsigned char* sector)
{
    if (fd_ < 0 || failed_)
        return false;
    if (runLength_ > 0 && sector == runStart_ + runLength_) {
        runLength_ += kSector;
    } else {
        if (!flushRun() || !skipZeros())
            return false;
        runStart_ = sector;
        runLength_ = kSector;
    }
    written_ += kSector;
    return true;
}

bool OutputFile::appendBlank()
{
    if (fd_ < 0 || failed_)
        return false;
    if (!flushRun())
        return false;
    pendingZeros_ += kSector;
    written_ += kSector;
    return true;
}

bool OutputFile::closeAt(quint64 length)
{
    length_ = length;
    return close();
}

bool OutputFile::close()
{
    if (fd_ < 0)
        return !failed_;
    flushRun();
    // Blank sectors at the end: the file still has its full length. A file
    // with a known end is cut there.
    const quint64 length = std::min(written_, length_);
    length_ = UINT64_MAX;
    if ((pendingZeros_ > 0 || length < written_) && !failed_ && ::ftruncate(fd_, static_cast<off_t>(length)) != 0)
        failed_ = true;
    pendingZeros_ = 0;
    if (::close(fd_) != 0 && errno != EINTR)
        failed_ = true;
    fd_ = -1;
    return !failed_;
}

} // namespace ostrel
