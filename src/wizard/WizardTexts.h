#pragma once
// Texts the window's rules answer with: the alerts of the wizard's checks and
// the final screen's words. They live beside the rules (QtCore only) so the
// rules and their tests use the very strings the window shows; the window's
// other texts are in ui/WindowTexts.h, which includes this file.

#include <QString>

namespace wintexts {

// Validation and other messages (shown through Show_MessageBox).
inline const QString msgSelectMedia = QStringLiteral("Please select a storage media from list.");
inline const QString msgDestination = QStringLiteral("Please select valid destination path.");
inline const QString msgStartSector = QStringLiteral("Please enter valid Start Sector value.");
inline const QString msgEndSector = QStringLiteral("Please enter valid End Sector value.");
inline const QString msgEndNotGreater = QStringLiteral("End Sector should be greater than Start Sector.");
inline const QString msgNoExtension = QStringLiteral("Please select atleast one extension type.");
inline const QString msgNoDestFolder = QStringLiteral("Destination folder does not exist!");
// Refusal of a destination on the medium being searched.
inline const QString msgDestinationOnMedium = QStringLiteral(
    "The destination folder lies on the storage media you are about to search.\n\n"
    "Saving recovered files there would overwrite the very data you want to recover. "
    "Please choose a folder on another drive.");

// The final screen: its title by how the search ended, what it did, and what
// to do next. %-numbers are sectors, counts and paths as noted.
inline const QString endTitleDone = QStringLiteral("The search has ended");
inline const QString endTitleStopped = QStringLiteral("The search was stopped");
inline const QString endTitleGone = QStringLiteral("The storage media went away");
inline const QString endTitleFailed = QStringLiteral("The search failed");
inline const QString endTitleNotSaved = QStringLiteral("The search ended early");
// %1 the folder.
inline const QString endOneFile = QStringLiteral("1 file was recovered into\n%1");
// %1 the number of files, %2 the folder.
inline const QString endFiles = QStringLiteral("%1 files were recovered into\n%2");
inline const QString endNoFiles = QStringLiteral("No files were recovered.");
// %1 the suggestions below, joined with commas.
inline const QString endNoFilesHint = QStringLiteral("To look further, try %1.");
inline const QString hintOtherMode = QStringLiteral("another search type (photo, video, file or audio)");
inline const QString hintThorough = QStringLiteral("the thorough scan");
inline const QString hintWholeDisk = QStringLiteral("\u2018Entire Disk\u2019 instead of a sector range");
// %1 the sector the search stopped at, %2 the end of its range.
inline const QString endStoppedAt = QStringLiteral(
    "The search was stopped at sector %1: sectors %1 to %2 were not searched. You can continue it from there.");
inline const QString endStoppedInRetry = QStringLiteral(
    "The search was stopped while skipped sectors were being read again; the whole range had been searched.");
// %1 the sector to continue from.
inline const QString continueButton = QStringLiteral("Continue from sector %1");
inline const QString helpContinue = QStringLiteral(
    "\nThe sector range is set to continue the stopped search from sector %1 to %2. Press \u2018Next\u2019 to "
    "continue...");
// %1 the last sector read.
inline const QString endGoneAfter = QStringLiteral(
    "The storage media stopped answering after sector %1 (it may have been removed), so the search ended there. "
    "The files recovered up to then are listed.");
inline const QString endGoneAtOnce = QStringLiteral(
    "The storage media stopped answering before a single sector could be read (it may have been removed).");
// %1 what went wrong.
inline const QString endFailed = QStringLiteral("The search could not go on: %1.");
// %1 the number of sectors, %2 their first ranges.
inline const QString endUnreadable = QStringLiteral(
    "%1 sector(s) of the media could not be read (%2). They were taken as empty; files that cover them may be "
    "damaged.");
// %1 the map file.
inline const QString endMapFile =
    QStringLiteral("A map of the sectors read and not read, for data-rescue tools (GNU ddrescue mapfile): %1");
// %1 the number of sectors.
inline const QString endReadOnRetry = QStringLiteral(
    "%1 of the skipped sectors could be read when tried again; the files hold zeros there.");

} // namespace wintexts
