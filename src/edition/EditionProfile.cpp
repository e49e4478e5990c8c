#include "edition/EditionProfile.h"

#include "util/TextHelpers.h"

#include <iterator>

namespace {
const char* const kWebsite1 = "https://www.ostrel-recovery.example";

// From src/edition/Editions.cmake.
const EditionInfo kEditions[] = {
#include "EditionTable.inc"
};
static_assert(std::size(kEditions) == kEditionCount, "Editions.cmake and kEditionCount disagree");
constexpr int kFallbackEdition = 7;

EditionProfile profileFor(int edition, const QString& appName, bool matched)
{
    const EditionInfo& e = kEditions[edition - 1];
    EditionProfile p;
    p.App_Name = appName;
    p.Rec_Folder_Name = appName + QStringLiteral(" Results");
    p.edition = edition;
    p.matched = matched;
    p.APP_LONG_NAME = QString::fromUtf8(e.title);
    p.prefix = QString::fromUtf8(e.prefix);
    auto name = [&](bool offered, const char* suffix) {
        return offered ? p.prefix + QString::fromUtf8(suffix) : QString();
    };
    p.photo_dll = name(e.photo, "Ext2.dll");
    p.photo_dll_adv = name(e.photo, "Ext2Adv.dll");
    p.video_dll = name(e.video, "Video.dll");
    p.video_dll_adv = name(e.video, "VideoAdv.dll");
    p.raw_dll = name(e.raw, "Raw.dll");
    p.raw_dll_adv = name(e.raw, "RawAdv.dll");
    p.audio_dll = name(e.audio, "Audio.dll");
    p.audio_dll_adv = name(e.audio, "AudioAdv.dll");
    p.USE_HARD_DISK = e.hardDisk;
    p.support_id = QString::fromUtf8(e.supportId);
    p.Website_1 = QString::fromUtf8(kWebsite1);
    p.Website_2 = QString::fromUtf8(e.website2);
    p.Website_3 = p.Website_1;
    p.Website_4 = p.Website_1;
    return p;
}
} // namespace

const EditionInfo* editionTable()
{
    return kEditions;
}

EditionProfile EditionProfile::fromBundleName(const QString& bundleName)
{
    for (int i = 0; i < kEditionCount; ++i) {
        if (Find_Str(bundleName, QString::fromUtf8(kEditions[i].word)))
            return profileFor(i + 1, bundleName, true);
    }
    return profileFor(kFallbackEdition, bundleName, false);
}

EditionProfile EditionProfile::fromNameOrKey(const QString& nameOrKey)
{
    const QString wanted = Trim_Str(nameOrKey);
    for (int i = 0; i < kEditionCount; ++i) {
        if (wanted.compare(QString::fromUtf8(kEditions[i].key), Qt::CaseInsensitive) == 0 ||
            wanted == QString::number(i + 1))
            return profileFor(i + 1, QString::fromUtf8(kEditions[i].launcherName), true);
    }
    return fromBundleName(nameOrKey);
}

bool EditionProfile::offersMode(int mode) const
{
    switch (mode) {
    case 0: return photo_dll.size() > 4;
    case 1: return video_dll.size() > 4;
    case 2: return raw_dll.size() > 4;
    case 3: return audio_dll.size() > 4;
    default: return false;
    }
}
