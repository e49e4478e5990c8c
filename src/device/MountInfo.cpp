#include "device/MountInfo.h"

#include <QHash>

QString unescapeMountField(const QByteArray& field)
{
    QByteArray out;
    out.reserve(field.size());
    auto isOctal = [](char c) { return c >= '0' && c <= '7'; };
    for (qsizetype i = 0; i < field.size(); ++i) {
        const char c = field.at(i);
        if (c == '\\' && i + 3 < field.size() && isOctal(field.at(i + 1)) && isOctal(field.at(i + 2)) &&
            isOctal(field.at(i + 3))) {
            const int value = (field.at(i + 1) - '0') * 64 + (field.at(i + 2) - '0') * 8 + (field.at(i + 3) - '0');
            out.append(static_cast<char>(value & 0xff));
            i += 3;
        } else {
            out.append(c);
        }
    }
    return QString::fromUtf8(out);
}

QList<MountEntry> parseMountInfo(const QByteArray& text)
{
    // Line format (proc(5)):
    //   id parent major:minor root mount-point options [optional...] - fstype source super-options
    QList<MountEntry> entries;
    const QList<QByteArray> lines = text.split('\n');
    for (const QByteArray& line : lines) {
        const QList<QByteArray> fields = line.simplified().split(' ');
        if (fields.size() < 10)
            continue;
        const qsizetype dash = fields.indexOf(QByteArrayLiteral("-"), 6);
        if (dash < 0 || dash + 2 >= fields.size())
            continue;
        MountEntry e;
        bool okId = false, okParent = false, okMajor = false, okMinor = false;
        e.mountId = fields.at(0).toInt(&okId);
        e.parentId = fields.at(1).toInt(&okParent);
        const QList<QByteArray> dev = fields.at(2).split(':');
        if (dev.size() != 2)
            continue;
        e.major = dev.at(0).toInt(&okMajor);
        e.minor = dev.at(1).toInt(&okMinor);
        if (!okId || !okParent || !okMajor || !okMinor)
            continue;
        e.root = unescapeMountField(fields.at(3));
        e.mountPoint = unescapeMountField(fields.at(4));
        e.fsType = unescapeMountField(fields.at(dash + 1));
        e.source = unescapeMountField(fields.at(dash + 2));
        entries.append(e);
    }
    return entries;
}

QList<MountEntry> volumeMounts(const QList<MountEntry>& entries)
{
    // A device is known by major:minor; file systems such as btrfs report an
    // anonymous major 0 for every subvolume mount, so there the source names
    // the device.
    auto deviceKey = [](const MountEntry& e) {
        return e.major != 0 ? QStringLiteral("%1:%2").arg(e.major).arg(e.minor) : e.source;
    };
    QList<QString> order;
    QHash<QString, MountEntry> chosen;
    for (const MountEntry& e : entries) {
        if (!e.source.startsWith(QLatin1String("/dev/")))
            continue;
        const QString key = deviceKey(e);
        auto it = chosen.find(key);
        if (it == chosen.end()) {
            order.append(key);
            chosen.insert(key, e);
        } else if (it->root != QLatin1String("/") && e.root == QLatin1String("/")) {
            *it = e;
        }
    }
    QList<MountEntry> result;
    result.reserve(order.size());
    for (const QString& key : order)
        result.append(chosen.value(key));
    return result;
}
