#pragma once
// Lets GoogleTest print Qt texts in failure messages.

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <ostream>

inline std::ostream& operator<<(std::ostream& os, const QString& s)
{
    return os << '"' << s.toStdString() << '"';
}

inline std::ostream& operator<<(std::ostream& os, const QStringList& l)
{
    os << '{';
    for (qsizetype i = 0; i < l.size(); ++i)
        os << (i ? ", " : "") << l.at(i);
    return os << '}';
}

// QString is also a container of QChar; without these GoogleTest would print
// it character by character.
inline void PrintTo(const QString& s, std::ostream* os)
{
    *os << s;
}

inline void PrintTo(const QStringList& l, std::ostream* os)
{
    *os << l;
}

inline void PrintTo(const QByteArray& b, std::ostream* os)
{
    *os << "QByteArray(" << b.size() << " bytes: " << b.left(32).toHex(' ').toStdString()
        << (b.size() > 32 ? " ...)" : ")");
}
