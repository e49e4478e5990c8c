#pragma once
// Fixed texts of the window. The wizard, the tests and the screenshot tour
// use these very strings, so a wording change happens in one place. The
// alerts of the wizard's checks and the final screen's words are in
// wizard/WizardTexts.h, beside the rules that choose them. Typographic
// quotes are U+2018 / U+2019; several texts begin with a line break on purpose
// (the help area and the alerts show an empty first line).

#include "wizard/WizardTexts.h"

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
