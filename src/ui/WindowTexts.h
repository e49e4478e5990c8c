#pragma once
// Fixed texts of the window. The wizard, the tests and the screenshot tour
// use these very strings, so a wording change happens in one place. Typographic
// quotes are U+2018 / U+2019; several texts begin with a line break on purpose
// (the help area and the alerts show an empty first line).

#include <QString>

namespace wintexts {

// Help area (`_help_info`).
inline const QString helpMedium = QStringLiteral(
    "\nSelect the storage media from List from which you want to recover Data. Press \u2018Next\u2019 button to "
    "continue... ");
inline const QString helpEntireDisk = QStringLiteral(
    "If \u2018Entire Disk\u2019 option is selected, Ostrel Recovery searches lost data in the entire storage of "
    "selected disk. If you want to perform within a specific sector range or in specific partition, please select "
    "other searching criteria. Else press \u2018Next\u2019 button to start searching data in Entire disk.");
inline const QString helpSectorRange = QStringLiteral(
    "\u2018Sector Range\u2019 option provides facility to specify the range of start and end sector of storage "
    "media within which you want to perform searching for lost data. Please drag knob of Slider to enter sector "
    "range or you can also enter these values in Start Sector and End Sector fields manually.");
inline const QString helpFileTypes = QStringLiteral(
    "\nPlease select the required extension type for recovery process. Press \u2018Next\u2019 button to "
    "continue... ");
inline const QString helpSearchEnded =
    QStringLiteral("\nTo select another disk for recovery, click on \u2018Back\u2019 Button.");

// Disk information captions, identical in both control sets.
inline const QString captionDisk = QStringLiteral("Disk\t\t\t\t:");
inline const QString captionVolName = QStringLiteral("Volume Name\t\t:");
inline const QString captionFileSystem = QStringLiteral("File System\t\t:");
inline const QString captionSize = QStringLiteral("Capacity (size)\t:");
inline const QString captionStartSector = QStringLiteral("Start Sector\t\t:");
inline const QString captionEndSector = QStringLiteral("End Sector\t\t:");

inline const QString sectorsZero = QStringLiteral("Sectors 0 of 0");
// Shown in the empty media table.
inline const QString noMediaHint = QStringLiteral(
    "No storage media were found.\nInsert the card or drive, then Refresh list.");
inline const QString none = QStringLiteral("<None>");

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

// Questions.
inline const QString askExit = QStringLiteral("\nDo you really want to exit from Ostrel Recovery Software?");
inline const QString askStop = QStringLiteral("\nDo you want to stop searching?");
inline const QString yes = QStringLiteral("Yes");
inline const QString no = QStringLiteral("No");
inline const QString ok = QStringLiteral("OK");

// Device alerts.
inline const QString permissionTitle = QStringLiteral("Permission Required");
// %1 is the running program's name. On Linux reading a device directly is
// granted by administrator (root) rights, nothing else.
inline const QString permissionInfo = QStringLiteral(
    "%1 needs administrator rights to read storage devices (memory cards, USB drives, disks) directly, and it is "
    "running without them.\n\nClick \u2018Restart with Administrator Rights\u2019 and enter your password when "
    "asked.\n\n");
inline const QString permissionButton = QStringLiteral("Restart with Administrator Rights");
inline const QString permissionCancel = QStringLiteral("Cancel");
inline const QString deviceErrorTitle = QStringLiteral("Device Access Error");
// %1 is the system's text for the error number.
inline const QString deviceErrorInfo =
    QStringLiteral("An unexpected error occurred while trying to access the device:\n\n%1");

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

inline const QString helpFileMissing = QStringLiteral("\nHelp file does not exist!");

// Search-type captions (`_Search_Type`) by mode 0..3.
inline QString searchTypeCaption(int mode)
{
    switch (mode) {
    case 1: return QStringLiteral("Search Type : Recover Video");
    case 2: return QStringLiteral("Search Type : Recover Raw File");
    case 3: return QStringLiteral("Search Type : Audio File");
    default: return QStringLiteral("Search Type : Recover Photo");
    }
}

} // namespace wintexts
