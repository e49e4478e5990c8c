#include "signatures/SignatureDatabase.h"

#include "app/EditionProfile.h"
#include "signatures/SignatureLoader.h"

#include <QDir>

namespace {
void loadPair(QStringList& general, QStringList& thorough, const QString& dir, const QString& generalName,
              const QString& thoroughName, bool always)
{
    if (!always && generalName.size() <= 4)
        return;
    const QDir base(dir);
    general = loadSignatureFile(base.filePath(generalName));
    thorough = loadSignatureFile(base.filePath(thoroughName));
}
} // namespace

void SignatureDatabase::load(const EditionProfile& p, const QString& resourceDir)
{
    *this = SignatureDatabase{};
    loadPair(Ext_Array, Adv_Ext_Array, resourceDir, p.photo_dll, p.photo_dll_adv, true);
    loadPair(Video_Array, Adv_Video_Array, resourceDir, p.video_dll, p.video_dll_adv, false);
    loadPair(RawFile_Array, Adv_RawFile_Array, resourceDir, p.raw_dll, p.raw_dll_adv, false);
    loadPair(Audio_Array, Adv_Audio_Array, resourceDir, p.audio_dll, p.audio_dll_adv, false);
}

const QStringList& SignatureDatabase::table(int mode, bool thorough) const
{
    static const QStringList empty;
    switch (mode) {
    case PhotoMode: return thorough ? Adv_Ext_Array : Ext_Array;
    case VideoMode: return thorough ? Adv_Video_Array : Video_Array;
    case RawFileMode: return thorough ? Adv_RawFile_Array : RawFile_Array;
    case AudioMode: return thorough ? Adv_Audio_Array : Audio_Array;
    default: return empty;
    }
}
