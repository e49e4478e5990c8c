#pragma once
// The edition profile: which of the seven editions runs, chosen once from the
// bundle name (on Linux: the name the program was started as) and fixed for
// the life of the process. A plain value, so the window application, the
// headless front end and the tests build it the same way.

#include <QString>
#include <QStringList>

struct EditionProfile {
    QString App_Name;        // the bundle name as given (blanks kept)
    QString APP_LONG_NAME;   // product title
    QString prefix;          // three-letter prefix of the signature files
    QString photo_dll, photo_dll_adv;
    QString video_dll, video_dll_adv; // empty: the edition has no video mode
    QString raw_dll, raw_dll_adv;
    QString audio_dll, audio_dll_adv;
    bool USE_HARD_DISK = false; // list every local volume, not only removable media
    QString support_id;
    QString Website_1, Website_2, Website_3, Website_4;
    QString Rec_Folder_Name; // App_Name + " Results": made inside each destination

    int edition = 0;         // 1-7 in the order of editionTable(); see fromBundleName
    bool matched = false;    // false when the name selected no edition (fallback used)

    // Tests the bundle name for the edition words in order ("Drive",
    // "Removable", "Camera", "Memory", "Mobile", "Digital Picture",
    // "Professional"; case-sensitive); the first that occurs wins. A name
    // holding none of them gets the Professional edition (the broadest one
    // that is not removable-only), with `matched` false, so the program is
    // always usable; App_Name and Rec_Folder_Name still follow the name given.
    static EditionProfile fromBundleName(const QString& bundleName);

    // Edition chosen by a short key ("drive", "removable", "camera", "memory",
    // "mobile", "pictures", "professional"; any case), by an edition number
    // "1"-"7", or else by bundle name. App_Name becomes the edition's launcher
    // name when a key or number is given.
    static EditionProfile fromNameOrKey(const QString& nameOrKey);

    // True when the edition offers the mode (0 photo .. 3 audio): its general
    // file name is longer than four characters.
    bool offersMode(int mode) const;
};

struct EditionInfo {
    const char* word;         // substring tested in the bundle name
    const char* key;          // short key for the command line
    const char* launcherName; // the bundle name the build gives this edition
    const char* title;
    const char* prefix;
    bool photo, video, raw, audio;
    bool hardDisk;
    const char* supportId;
    const char* website2;
};

// The seven editions in the order their words are tested (the table is
// src/edition/Editions.cmake, which the install rules read as well).
const EditionInfo* editionTable();
constexpr int kEditionCount = 7;
