#pragma once
// Where sectors come from: a device node, a disk image file, a buffer in
// memory, or a wrapper that injects faults for tests. Sectors are 512 bytes
// whatever the device's block size; sector n lies at byte n * 512.

#include <QByteArray>
#include <QString>
#include <QtGlobal>

#include <atomic>
#include <chrono>
#include <memory>
#include <set>

namespace ostrel {

class SectorSource {
public:
    virtual ~SectorSource() = default;

    // Reads up to `count` sectors from sector `first` into `buffer`
    // (count * 512 bytes). Returns the number of whole sectors read before
    // the first failure or the end of the source; *error gets the errno of
    // a failure (0 at the end of the source). Never throws. Thread: any, but
    // one caller at a time.
    virtual quint32 read(quint64 first, quint32 count, unsigned char* buffer, int* error) = 0;

    // False once the medium is known to have gone away (its device node
    // removed or replaced). Asked after a failed read. Same thread rules.
    virtual bool stillPresent() { return true; }
};

// A device node or an image file, opened read-only. Reads with pread, so the
// position never depends on earlier reads; loops on EINTR and short reads.
class FileSectorSource : public SectorSource {
public:
    ~FileSectorSource() override;

    // Opens `path` read-only without waiting (O_NONBLOCK, dropped once the
    // type is known) and checks with fstat that it is a block device, a
    // character device that is no terminal, or a regular file. Returns null
    // and sets *error when it cannot be used: errno of the open (EINTR when
    // a signal ended it), EISDIR for a folder, ENOTBLK for a pipe, socket or
    // terminal, ENODEV for anything else.
    static std::unique_ptr<FileSectorSource> open(const QString& path, int* error);

    quint32 read(quint64 first, quint32 count, unsigned char* buffer, int* error) override;

    // True while `path` still names the node that was opened (same device
    // number for a device, same file for an image).
    bool stillPresent() override;

    // Size in whole sectors (block devices ask the kernel), 0 when unknown.
    quint64 sectorCount() const;

private:
    FileSectorSource(int fd, const QString& path) : fd_(fd), path_(path) {}
    int fd_ = -1;
    QString path_;
};

// Sectors held in memory (tests, samples). A trailing partial sector is not
// readable, as on a real device.
class MemorySectorSource : public SectorSource {
public:
    explicit MemorySectorSource(QByteArray data) : data_(std::move(data)) {}
    quint32 read(quint64 first, quint32 count, unsigned char* buffer, int* error) override;

private:
    QByteArray data_;
};

// Wraps a source and fails chosen sectors with EIO: `always` fail on every
// attempt, `once` fail only the first time they are read. A failed read can
// be made to take time, as on a dying card, and the medium can be made to go
// away: once a read reaches `goneAt`, every read fails.
class FaultInjectingSource : public SectorSource {
public:
    struct Vanish {
        quint64 goneAt = ~quint64(0); // first sector whose read makes the medium go away
        int error = EIO;              // the errno of every read from then on
        bool nodeRemoved = false;     // stillPresent() answers false from then on
    };

    FaultInjectingSource(std::unique_ptr<SectorSource> inner, std::set<quint64> always, std::set<quint64> once = {});
    quint32 read(quint64 first, quint32 count, unsigned char* buffer, int* error) override;
    bool stillPresent() override { return !(gone_ && vanish_.nodeRemoved); }

    // Each failed read sleeps this long before it returns.
    void setFailDelay(std::chrono::microseconds delay) { failDelay_ = delay; }
    void setVanish(Vanish vanish) { vanish_ = vanish; }

    // Attempts to read `sector` (reads that reached it), and failed reads in all.
    int attempts(quint64 sector) const;
    quint64 failedReads() const { return failedReads_.load(); }

private:
    quint32 fail(quint32 got, int errorCode, int* error);

    std::unique_ptr<SectorSource> inner_;
    std::set<quint64> always_;
    std::set<quint64> once_;
    std::multiset<quint64> attempts_;
    std::chrono::microseconds failDelay_{0};
    Vanish vanish_;
    bool gone_ = false;
    std::atomic<quint64> failedReads_{0};
};

} // namespace ostrel
