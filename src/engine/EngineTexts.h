#pragma once
// Fixed texts the engines show. Kept in one place so the window, the headless
// front end and the tests use the very same words.

#include <QString>

namespace texts {
inline const QString generalPassLabel =
    QStringLiteral("( Currently performing Search based on: Ostrel General Recovery Procedure )");
inline const QString thoroughPassLabel =
    QStringLiteral("( Currently performing Search based on: Ostrel Thorough Scanning Algorithm )");
// %1: skipped sectors still to be read again.
inline const QString retryingLabel =
    QStringLiteral("( Reading again the sectors skipped over in a failing area: %1 left )");
inline const QString stopHelp =
    QStringLiteral("\nTo stop recovery, click on \u2018Stop\u2019 Button or please wait for the process to be completed.");
inline const QString photoClearNotice = QStringLiteral(
    "To maintain the speed of recovery, thumbnail preview window is cleared after every 2000 thumbnails.");
inline const QString fileClearNotice =
    QStringLiteral("To maintain the speed of recovery, file window is cleared after every 2000 files.");
inline const QString noPreviewTitle = QStringLiteral("No file is selected to preview");
} // namespace texts

// "Unable to continue saving recovered data." with its second paragraph.
extern const QString unable_saving_Msg;

// unable_saving_Msg followed by one line naming what could not be saved and
// why ("<path>: <reason>"); just unable_saving_Msg when `detail` is empty.
QString saveFailureMessage(const QString& detail);

// True for unable_saving_Msg with or without its detail line.
bool isSaveFailureMessage(const QString& text);

// "Sectors %llu of %llu   ( Completed %llu%% )"; the percentage is 0 when the
// range is empty.
QString sectorLabelText(quint64 forIndex, quint64 startSector, quint64 endSector, quint64 totalSector);
