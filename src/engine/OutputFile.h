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
// A file that fails (a full disk, a file-size limit, a removed drive) is not
// left under its recovered name, which would pass it off as complete: on
// close it is renamed to its name plus ".incomplete", or removed when that
// is not possible. A signal that ends the program while the file is open
// does the same through OpenFileRegistry.
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

    // Creates `name` in the folder open at `dirFd` (openat with O_CREAT |
    // O_EXCL | O_NOFOLLOW, mode 0666 less the umask): an existing entry, a
    // link included, is never opened. `folderPath` names the folder in
    // messages. Returns false with *error = errno; EEXIST means the name is
    // taken, any other error leaves failed() set.
    bool createAt(int dirFd, const QString& folderPath, const QString& name, int* error);

    // The same for `path`, its folder opened by path (tests and tools).
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
    int descriptor() const { return fd_; }
    // errno of the first failure, 0 when none.
    int error() const { return error_; }
    // The path of the last file created (for messages).
    QString path() const;
    // After a failed file was closed: what became of it ("kept as
    // NAME.incomplete" or "removed"); empty otherwise.
    const QString& leftover() const { return leftover_; }

private:
    void fail(int error);
    void setAsideFailedFile();

    int fd_ = -1;
    int dirFd_ = -1; // a copy of the folder's descriptor while the file is open
    int trackSlot_ = -1; // where a fatal signal finds this file (OpenFileRegistry)
    QString folderPath_;
    QString name_;
    QString leftover_;
    int error_ = 0;
    bool failed_ = false;
    quint64 written_ = 0;
    const unsigned char* runStart_ = nullptr;
    size_t runLength_ = 0;
    quint64 pendingZeros_ = 0; // blank bytes not yet skipped over
    bool skipZeros();
    quint64 length_ = UINT64_MAX; // where close() ends the file
};

} // namespace ostrel
