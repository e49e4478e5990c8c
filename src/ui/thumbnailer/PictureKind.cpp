#include "PictureKind.h"

#include <QFile>
#include <QFileInfo>

namespace {
struct KindName {
    PictureKind kind;
    const char* name;
};
const KindName kNames[] = {
    {PictureKind::QtCore, "core"},      {PictureKind::QtPlugin, "plugin"}, {PictureKind::Heif, "heif"},
    {PictureKind::CameraRaw, "raw"},    {PictureKind::Photoshop, "psd"},   {PictureKind::Unknown, "unknown"},
};

// Camera raw extensions libraw reads; several are TIFF inside, so the
// extension decides between libraw and the TIFF plugin.
const char* const kRawExtensions[] = {"cr2", "cr3", "crw", "nef", "nrw", "arw", "srf", "sr2", "dng", "orf", "rw2",
                                      "raf", "mrw", "pef", "srw", "kdc", "dcr", "3fr", "erf", "mos", "iiq", "rwl",
                                      "x3f", "raw"};

bool startsWith(const QByteArray& head, qsizetype at, const char* bytes, qsizetype size)
{
    return head.size() >= at + size && head.mid(at, size) == QByteArray(bytes, size);
}

// An ISO base media file ("....ftyp") of one of the HEIF brands.
bool isHeif(const QByteArray& head)
{
    if (!startsWith(head, 4, "ftyp", 4))
        return false;
    const QByteArray brand = head.mid(8, 4);
    for (const char* b : {"heic", "heix", "heim", "heis", "hevc", "hevx", "mif1", "msf1", "avif", "avis"}) {
        if (brand == b)
            return true;
    }
    return false;
}
} // namespace

PictureKind pictureKindOf(const QByteArray& head, const QString& extension)
{
    const QString ext = extension.toLower();
    for (const char* raw : kRawExtensions) {
        if (ext == QLatin1String(raw))
            return PictureKind::CameraRaw;
    }
    if (startsWith(head, 0, "\xFF\xD8\xFF", 3) || startsWith(head, 0, "\x89PNG", 4) || startsWith(head, 0, "GIF8", 4) ||
        startsWith(head, 0, "BM", 2))
        return PictureKind::QtCore;
    if (startsWith(head, 0, "8BPS", 4))
        return PictureKind::Photoshop;
    if (isHeif(head))
        return PictureKind::Heif;
    // Raw files that are not TIFF inside, whatever they are called.
    if (startsWith(head, 6, "HEAPCCDR", 8) || startsWith(head, 0, "FUJIFILMCCD-RAW", 15) ||
        startsWith(head, 0, "\0MRM", 4) || startsWith(head, 0, "FOVb", 4) || startsWith(head, 4, "ftypcrx ", 8) ||
        startsWith(head, 0, "IIRO", 4) || startsWith(head, 0, "IIRS", 4) || startsWith(head, 0, "MMOR", 4) ||
        startsWith(head, 0, "IIU\0", 4))
        return PictureKind::CameraRaw;
    if (startsWith(head, 0, "II*\0", 4) || startsWith(head, 0, "MM\0*", 4) ||
        (startsWith(head, 0, "RIFF", 4) && startsWith(head, 8, "WEBP", 4)))
        return PictureKind::QtPlugin;
    return PictureKind::Unknown;
}

PictureKind pictureKindOfFile(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return PictureKind::Unknown;
    return pictureKindOf(file.read(32), QFileInfo(path).suffix());
}

const char* pictureKindName(PictureKind kind)
{
    for (const KindName& k : kNames) {
        if (k.kind == kind)
            return k.name;
    }
    return "unknown";
}

PictureKind pictureKindFromName(const QByteArray& name)
{
    for (const KindName& k : kNames) {
        if (name == k.name)
            return k.kind;
    }
    return PictureKind::Unknown;
}
