#pragma once
// The eight signature tables of an edition, loaded once at start-up and only
// read afterwards (searches work on copies).

#include <QString>
#include <QStringList>

struct EditionProfile;

// Search modes, as the window's mode choice numbers them.
enum RecoveryMode : int { PhotoMode = 0, VideoMode = 1, RawFileMode = 2, AudioMode = 3 };

struct SignatureDatabase {
    QStringList Ext_Array, Adv_Ext_Array;         // photo: general, thorough
    QStringList Video_Array, Adv_Video_Array;     // video
    QStringList RawFile_Array, Adv_RawFile_Array; // raw file (documents, archives)
    QStringList Audio_Array, Adv_Audio_Array;     // audio

    // Loads the files the profile names from `resourceDir`. The photo pair is
    // always attempted; another mode's pair only when its general file name
    // is longer than four characters, so an edition without the mode leaves
    // both of its tables empty. Missing files leave their table empty and
    // are remembered (loadProblem).
    void load(const EditionProfile& profile, const QString& resourceDir);

    // The general or thorough table of a mode (empty list for a bad mode).
    const QStringList& table(int mode, bool thorough) const;

    // Why a search of `mode` cannot run: "The signature file ... is
    // missing." (or cannot be read, is not UTF-8 text, holds no
    // signatures), one sentence per file; empty when both files loaded.
    QString loadProblem(int mode) const;

    // True when no table could be loaded at all.
    bool nothingLoaded() const;

    QString problems[4][2]; // by mode, general / thorough; empty: loaded
};
