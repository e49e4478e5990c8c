#include "engine/OutputFile.h"

#include <QFile>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace ostrel {

namespace {
constexpr size_t kBufferSize = 256 * 1024;
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
    used_ = 0;
    int fd;
    do {
        fd = ::open(QFile::encodeName(path).constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) {
        *error = errno;
        return false;
    }
    fd_ = fd;
    if (!buffer_)
        buffer_.reset(new unsigned char[kBufferSize]);
    *error = 0;
    return true;
}

bool OutputFile::flush()
{
    size_t done = 0;
    while (done < used_ && !failed_) {
        const ssize_t n = ::write(fd_, buffer_.get() + done, used_ - done);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            failed_ = true;
        } else if (n == 0) {
            failed_ = true;
        } else {
            done += static_cast<size_t>(n);
        }
    }
    used_ = 0;
    return !failed_;
}

bool OutputFile::append(const unsigned char* sector)
{
    if (fd_ < 0 || failed_)
        return false;
    if (used_ + kSector > kBufferSize && !flush())
        return false;
    std::memcpy(buffer_.get() + used_, sector, kSector);
    used_ += kSector;
    written_ += kSector;
    return true;
}

bool OutputFile::close()
{
    if (fd_ < 0)
        return !failed_;
    flush();
    if (::close(fd_) != 0 && errno != EINTR)
        failed_ = true;
    fd_ = -1;
    return !failed_;
}

} // namespace ostrel
