#pragma once
// One recovered file being written. Created exclusively (an existing file is
// never opened, so nothing already recovered is overwritten or truncated),
// written through its own buffer, and closed exactly once.

#include <QString>

#include <memory>

namespace ostrel {

class OutputFile {
public:
    OutputFile() = default;
    ~OutputFile(); // closes without reporting; callers close() to learn errors
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    // Creates `path` (O_CREAT | O_EXCL, mode 0666 less the umask). Returns
    // false with *error = errno; EEXIST means the name is taken.
    bool create(const QString& path, int* error);

    // Appends one 512-byte sector. False once any write has failed.
    bool append(const unsigned char* sector);

    // Flushes and closes. False when any write, the flush or the close failed.
    // Safe to call more than once.
    bool close();

    bool isOpen() const { return fd_ >= 0; }
    bool failed() const { return failed_; }
    quint64 bytesWritten() const { return written_; }

private:
    bool flush();
    int fd_ = -1;
    bool failed_ = false;
    quint64 written_ = 0;
    std::unique_ptr<unsigned char[]> buffer_;
    size_t used_ = 0;
};

} // namespace ostrel
