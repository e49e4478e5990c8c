#pragma once
// Hexadecimal decoders for the header digits of signature entries.

#include <QString>

// Value of the first character of `digit` as a hexadecimal digit: '1'-'9'
// give 1-9, 'A'-'F' and 'a'-'f' give 10-15; '0', any other character and
// the empty text give 0. Never fails.
int hex2dec(const QString& digit);

// Value of a string of hexadecimal digits, most significant first; characters
// that are not hex digits count as 0, the empty text gives 0. Meant for up to
// eight characters (callers pass two, giving 0-255); longer texts wrap
// around in 32 bits instead of overflowing.
int hex2int(const QString& digits);

// Leading decimal number of a text, as signature fields are read: optional
// blanks, an optional sign, then digits; 0 when there are none. Saturates at
// the 64-bit limits instead of overflowing.
qint64 leadingDecimal(const QString& text);
