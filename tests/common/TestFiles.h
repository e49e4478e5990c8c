#pragma once
// Files and images for tests that carve: an in-memory image of sectors, hex
// bytes, a whole file's bytes and the files under a folder. QtCore only.

#include <QByteArray>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QStringList>

// An image of `sectors` zero sectors; put() writes bytes at a sector and offset.
struct Image {
    explicit Image(int sectors) : bytes(sectors * 512, '\0') {}
    void put(int sector, const QByteArray& data, int offset = 0)
    {
        bytes.replace(sector * 512 + offset, data.size(), data);
    }
    // Fills a sector with a non-zero pattern that holds no header (0x11 bytes
    // plus the sector number).
    void fill(int sector)
    {
        QByteArray s(512, '\x11');
        s[1] = static_cast<char>(sector & 0xff);
        s[2] = static_cast<char>((sector >> 8) & 0xff);
        put(sector, s);
    }
    void fill(int from, int to)
    {
        for (int s = from; s < to; ++s)
            fill(s);
    }
    QByteArray sectorsFrom(int first, int count) const { return bytes.mid(first * 512, count * 512); }
    QByteArray bytes;
};

inline QByteArray hex(const char* h)
{
    return QByteArray::fromHex(h);
}

inline QByteArray readAll(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return QByteArray();
    return f.readAll();
}

// Every file under `root`, relative paths, sorted.
inline QStringList filesUnder(const QString& root)
{
    QStringList out;
    QDirIterator it(root, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext())
        out << QDir(root).relativeFilePath(it.next());
    out.sort();
    return out;
}

