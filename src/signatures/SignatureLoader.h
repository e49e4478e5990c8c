#pragma once
// Reads signature definition files into flat tables (see SignatureTable.h).
//
// File format: UTF-8 text split at LF. A line without ':' is ignored. Every
// other line is a value line: its value is the text after the first ':'. Six
// consecutive value lines make one entry, in the field order extension,
// maxSize, header, position, spare, description. The line whose text up to
// and including the first ':' is exactly "Header :" also yields the entry's
// first-byte text. Each value is trimmed; a value holding a '.' keeps only
// what follows the first '.', upper-cased (".jpg" -> "JPG").

#include <QByteArray>
#include <QString>
#include <QStringList>

// The value stored for one value line (trimmed; dot rule applied).
QString normaliseSignatureValue(const QString& rawValue);

// Parses a whole file's text. A trailing group of fewer than six value lines
// is dropped, so the result always holds whole entries. A header value
// shorter than two digits gives the first byte "0"; an entry with no header
// line gets an empty first byte.
QStringList parseSignatureText(const QString& text);

// Decodes `bytes` as UTF-8 and parses them; bytes that are not valid UTF-8
// give an empty table.
QStringList parseSignatureBytes(const QByteArray& bytes);

// Loads one file; a missing or unreadable file gives an empty table. When
// `problem` is given it gets a sentence saying why a file gave no entries
// ("The signature file X is missing."), or is emptied.
QStringList loadSignatureFile(const QString& path, QString* problem = nullptr);
