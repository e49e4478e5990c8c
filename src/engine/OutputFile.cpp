#include "engine/OutputFile.h"

#include "engine/OpenFileRegistry.h"

#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <cerrno>
#include <cstdio>
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

QString OutputFile::path() const
{
    if (name_.isEmpty())
        return folderPath_;
    return folderPath_.endsWith(u'/') ? folderPath_ + name_ : folderPath_ + u'/' + name_;
}

void OutputFile::fail(int error)
{
    if (!failed_)
        error_ = error;
    failed_ = true;
}

bool OutputFile::createAt(int dirFd, const QString& folderPath, const QString& name, int* error)
{
    close();
    failed_ = false;
    error_ = 0;
    written_ = 0;
    runLength_ = 0;
    pendingZeros_ = 0;
    length_ = UINT64_MAX;
    folderPath_ = folderPath;
    name_ = name;
    leftover_.clear();
    const QByteArray native = QFile::encodeName(name);
    int fd;
    do {
        fd = ::openat(dirFd, native.constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) {
        *error = errno;
        if (*error != EEXIST)
            fail(*error);
        return false;
    }
    // The folder is kept so a failed file can be set aside by name in the
    // very folder it was made in.
    dirFd_ = ::fcntl(dirFd, F_DUPFD_CLOEXEC, 0);
    fd_ = fd;
    if (dirFd_ >= 0)
        trackSlot_ = openfiles::track(dirFd_, native.constData());
    *error = 0;
    return true;
}

bool OutputFile::create(const QString& path, int* error)
{
    const QFileInfo info(path);
    const int dirFd = ::open(QFile::encodeName(info.path()).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dirFd < 0) {
        *error = errno;
        close();
        folderPath_ = info.path();
        name_ = info.fileName();
        failed_ = false;
        fail(*error);
        return false;
    }
    const bool made = createAt(dirFd, info.path(), info.fileName(), error);
    ::close(dirFd);
    return made;
}

bool OutputFile::flushRun()
{
    size_t done = 0;
    while (done < runLength_ && !failed_) {
        const ssize_t n = ::write(fd_, runStart_ + done, runLength_ - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            fail(errno); // a full disk, a removed drive, a file-size limit (EFBIG)
        else if (n == 0)
            fail(ENOSPC);
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
        fail(errno);
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

void OutputFile::setAsideFailedFile()
{
    if (dirFd_ < 0)
        return;
    const QByteArray native = QFile::encodeName(name_);
    const QByteArray aside = native + openfiles::kIncompleteSuffix;
    if (::renameat2(dirFd_, native.constData(), dirFd_, aside.constData(), RENAME_NOREPLACE) == 0) {
        leftover_ = QStringLiteral("kept as ") + name_ + QLatin1String(openfiles::kIncompleteSuffix);
    } else if (::unlinkat(dirFd_, native.constData(), 0) == 0) {
        leftover_ = QStringLiteral("removed");
    }
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
        fail(errno);
    pendingZeros_ = 0;
    if (::close(fd_) != 0 && errno != EINTR)
        fail(errno);
    fd_ = -1;
    openfiles::release(trackSlot_);
    trackSlot_ = -1;
    if (failed_)
        setAsideFailedFile();
    if (dirFd_ >= 0)
        ::close(dirFd_);
    dirFd_ = -1;
    return !failed_;
}

} // namespace ostrel
