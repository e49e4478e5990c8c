#pragma once
// One recovered file being written. Created exclusively (an existing file is
// never opened, so nothing already recovered is overwritten or truncated)
// and closed exactly once.
//
// Sectors are not copied: append() remembers a run of sectors that lie next
// to each other in the reader's chunk and writes the run with one write()
// when it breaks, when flushRun() is called, or on close(). The caller must
// call flushRun() (or close()) before the memory of appended sectors is
// reused, i.e. before the sector reader moves to its next chunk.
//
// Blank (all-zero) sectors are not written at all: the file skips over them
// and they read back as zeros (a hole where the file system supports one, a
// run of zeros where it does not), so long empty stretches cost no copying.

#include <QString>

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

    // Appends one 512-byte sector (see above for how long it must stay
    // valid). False once any write has failed.
    bool append(const unsigned char* sector);

    // Appends one sector of zeros.
    bool appendBlank();

    // Writes out the sectors appended since the last write.
    bool flushRun();

    // Writes what is pending and closes. False when any write or the close
    // failed. Safe to call more than once.
    bool close();

    // The same, but the file ends at `length` bytes when that is less than
    // what was appended (a file whose format shows where it ends; whole
    // sectors are appended, the tail of the last one is cut off).
    bool closeAt(quint64 length);

    bool isOpen() const { return fd_ >= 0; }
    bool failed() const { return failed_; }
    quint64 bytesWritten() const { return written_; }

private:
    int fd_ = -1;
    bool failed_ = false;
    quint64 written_ = 0;
    const unsigned char* runStart_ = nullptr;
    size_t runLength_ = 0;
    quint64 pendingZeros_ = 0; // blank bytes not yet skipped over
    bool skipZeros();
    quint64 length_ = UINT64_MAX; // where close() ends the file
};

} // namespace ostrel
