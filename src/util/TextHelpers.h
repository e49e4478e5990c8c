#pragma once
// Text helpers shared by every part of the program. Texts are QString, so
// lengths and positions count UTF-16 code units. All functions are reentrant
// and may be called from any thread.

#include <QString>

// Removes white space from both ends (QString::trimmed(): blank, tab, line
// ends and every Unicode space, line and paragraph separator); inner text is
// kept.
QString Trim_Str(const QString& text);

// Replaces every occurrence of `pattern` (any length, literal, case-sensitive),
// left to right without overlaps. An empty pattern leaves the text unchanged.
QString Replace_char_in_string(const QString& text, const QString& pattern, const QString& replacement);

// True when `part` occurs in `text` (literal, case-sensitive). False for an
// empty part and for a null (absent) text.
bool Find_Str(const QString& text, const QString& part);

// Diagnostic hook: callers pass exception reasons and short notes. It
// deliberately records nothing.
void Show_NSLog_Message(const QString& text);

// The text with every control character made visible, for printing texts
// that came from a medium (volume labels, names) on a terminal: line feed,
// carriage return and tab become "\n", "\r", "\t"; other C0 and C1 controls
// and DEL become "\xHH"; the bidirectional embedding, override and isolate
// marks become "\u{HHHH}". Everything else is kept.
QString escapeControlCharacters(const QString& text);
