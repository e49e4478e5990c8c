#include "engine/FileNaming.h"

#include "signatures/HexDecode.h"
#include "signatures/SignatureTable.h"
#include "util/TextHelpers.h"

namespace ostrel {

QString modeFolderName(int mode)
{
    switch (mode) {
    case 1: return QStringLiteral("Video Search");
    case 2: return QStringLiteral("File Search");
    case 3: return QStringLiteral("Audio File Search");
    default: return QStringLiteral("Photo Search");
    }
}

QString passFolderName(bool thorough)
{
    return thorough ? QStringLiteral("Omitted (recovered by Thorough Scan)") : QStringLiteral("General Recovery Results");
}

QString safePathComponent(const QString& extension)
{
    QString name = extension;
    name.replace(u'/', u'_');
    name.replace(QChar(0), u'_');
    if (name.isEmpty() || name == QLatin1String(".") || name == QLatin1String(".."))
        return QStringLiteral("NOEXT");
    return name;
}

QString nextRollOverFolder(const QString& current)
{
    QString next;
    const qsizetype underscore = current.indexOf(u'_');
    if (underscore >= 0) {
        const QString base = current.left(underscore);
        const qint64 number = leadingDecimal(current.mid(underscore + 1)) + 1;
        if (number < 10)
            next = base + QStringLiteral("_00") + QString::number(number);
        else if (number < 100)
            next = base + QStringLiteral("_0") + QString::number(number);
        else if (number < 1000)
            next = base + QStringLiteral("_") + QString::number(number);
    } else {
        next = current + QStringLiteral("_001");
    }
    return Trim_Str(next);
}

void FolderCounters::rebuild(const QStringList& table)
{
    triples_.clear();
    index_.clear();
    for (qsizetype k = 0; k < sig::entryCount(table); ++k)
        add(sig::field(table, k, sig::Extension));
}

FolderCounters::Triple* FolderCounters::add(const QString& type)
{
    if (Triple* known = find(type))
        return known;
    index_.insert(type, triples_.size());
    triples_.push_back({type, -1, safePathComponent(type)});
    return &triples_.back();
}

FolderCounters::Triple* FolderCounters::find(const QString& type)
{
    const auto it = index_.constFind(type);
    return it == index_.constEnd() ? nullptr : &triples_[*it];
}

const FolderCounters::Triple* FolderCounters::find(const QString& type) const
{
    return const_cast<FolderCounters*>(this)->find(type);
}

QString FolderCounters::place(const QString& type)
{
    Triple* t = add(type);
    ++t->count;
    if (t->count >= limit_) {
        const QString next = nextRollOverFolder(t->folder);
        if (!next.isEmpty()) {
            t->count = 0;
            t->folder = safePathComponent(next);
        }
    }
    return t->folder;
}

int FolderCounters::count(const QString& type) const
{
    const Triple* t = find(type);
    return t ? t->count : -1;
}

QString FolderCounters::folder(const QString& type) const
{
    const Triple* t = find(type);
    return t ? t->folder : QString();
}

void TypeSummary::reset(const QStringList& types)
{
    rows_.clear();
    for (const QString& type : types)
        rows_.insert(type, 0);
}

qint64 TypeSummary::count(const QString& type) const
{
    return rows_.value(type, -1);
}

void TypeSummary::advance(const QString& type)
{
    // A type the search did not ask for (a file whose content proved it)
    // gets its row with its first file.
    ++rows_[type];
}

QString fiveDigitNumber(quint64 number)
{
    return QStringLiteral("%1").arg(number, 5, 10, QLatin1Char('0'));
}

quint64 fileNumber(quint64 number, const QString& prefix, int mode, const TypeSummary* summary)
{
    if (mode != 0 && summary) {
        const qint64 listed = summary->count(prefix);
        if (listed >= 0)
            return static_cast<quint64>(listed) + 1;
    }
    return number;
}

QString fileName(const QString& prefix, quint64 number, const QString& extension)
{
    return prefix + fiveDigitNumber(number) + QLatin1Char('.') + extension;
}

QString Generate_File_UID_Num(quint64 number, bool thorough, const QString& extension)
{
    return fileName(thorough ? QStringLiteral("THD") : QStringLiteral("GND"), number, extension);
}

} // namespace ostrel
