#include "signatures/SignatureDatabase.h"

#include "edition/EditionProfile.h"
#include "signatures/SignatureLoader.h"

#include <QDir>

namespace {
void loadPair(QStringList& general, QStringList& thorough, QString* problems, const QString& dir,
              const QString& generalName, const QString& thoroughName, bool always)
{
    if (!always && generalName.size() <= 4)
        return;
    const QDir base(dir);
    general = loadSignatureFile(base.filePath(generalName), &problems[0]);
    thorough = loadSignatureFile(base.filePath(thoroughName), &problems[1]);
}
} // namespace

void SignatureDatabase::load(const EditionProfile& p, const QString& resourceDir)
{
    *this = SignatureDatabase{};
    loadPair(Ext_Array, Adv_Ext_Array, problems[PhotoMode], resourceDir, p.photo_dll, p.photo_dll_adv, true);
    loadPair(Video_Array, Adv_Video_Array, problems[VideoMode], resourceDir, p.video_dll, p.video_dll_adv, false);
    loadPair(RawFile_Array, Adv_RawFile_Array, problems[RawFileMode], resourceDir, p.raw_dll, p.raw_dll_adv, false);
    loadPair(Audio_Array, Adv_Audio_Array, problems[AudioMode], resourceDir, p.audio_dll, p.audio_dll_adv, false);
}

QString SignatureDatabase::loadProblem(int mode) const
{
    if (mode < 0 || mode > 3)
        return QString();
    QStringList sentences;
    for (const QString& p : problems[mode]) {
        if (!p.isEmpty())
            sentences << p;
    }
    return sentences.join(u' ');
}

bool SignatureDatabase::nothingLoaded() const
{
    for (int mode = 0; mode < 4; ++mode) {
        if (!table(mode, false).isEmpty() || !table(mode, true).isEmpty())
            return false;
    }
    return true;
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
