#pragma once
// Texts from the medium (volume labels, file system names) and from the file
// system (paths) are shown as they are, never as rich text: Qt renders any
// label or tool tip text that looks like HTML as HTML, so a volume named
// "<img src=...>" would otherwise draw a picture, a link or a table.
//
// Main thread only.

#include <QString>

class QWidget;

// Sets every QLabel under `root` (root included) to Qt::PlainText. The
// program's own window texts use no markup, so nothing changes for them.
void makeLabelsPlainText(QWidget* root);

// `text` as a tool tip that always shows literally: escaped and wrapped so
// Qt's rich-text detection has nothing to find; white space is kept.
QString plainToolTip(const QString& text);
