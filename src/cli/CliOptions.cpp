#include "cli/CliOptions.h"

#include "edition/EditionProfile.h"

namespace {
bool takeValue(const QStringList& args, qsizetype& i, const QString& name, QString* value, QString* error)
{
    const QString& arg = args.at(i);
    const qsizetype eq = arg.indexOf(u'=');
    if (arg.startsWith(QStringLiteral("--")) && eq > 0) {
        *value = arg.mid(eq + 1);
        return true;
    }
    if (i + 1 >= args.size()) {
        *error = QStringLiteral("option %1 needs a value").arg(name);
        return false;
    }
    *value = args.at(++i);
    return true;
}

QString editionKeys()
{
    QStringList keys;
    for (int i = 0; i < kEditionCount; ++i)
        keys << QString::fromLatin1(editionTable()[i].key);
    return keys.join(QStringLiteral(", "));
}

bool parseSector(const QString& text, quint64* value)
{
    bool ok = false;
    *value = text.trimmed().toULongLong(&ok, 10);
    return ok;
}
} // namespace

int parseModeName(const QString& name)
{
    const QString n = name.trimmed().toLower();
    if (n == QLatin1String("photo") || n == QLatin1String("photos"))
        return 0;
    if (n == QLatin1String("video") || n == QLatin1String("videos"))
        return 1;
    if (n == QLatin1String("raw") || n == QLatin1String("file") || n == QLatin1String("files"))
        return 2;
    if (n == QLatin1String("audio"))
        return 3;
    return -1;
}

bool parseSectorRange(const QString& text, quint64* start, quint64* end)
{
    qsizetype sep = text.indexOf(u':');
    if (sep < 0)
        sep = text.indexOf(u'-');
    if (sep <= 0)
        return false;
    return parseSector(text.left(sep), start) && parseSector(text.mid(sep + 1), end) && *start < *end;
}

QString cliUsage()
{
    return QStringLiteral(
        "Usage: ostrel-recover [options] SOURCE DESTINATION\n"
        "       ostrel-recover [options] --sample   (carve the built-in sample image)\n"
        "       ostrel-recover --list-media | --list-types | --list-editions\n"
        "\n"
        "Carves lost files out of SOURCE (a device such as /dev/sdb1, or a disk\n"
        "image file) into DESTINATION/<edition name> Results/. SOURCE is only read.\n"
        "\n"
        "Options:\n"
        "  -e, --edition NAME   edition: drive, removable, camera, memory, mobile,\n"
        "                       pictures, professional (default), 1-7, or a launcher name\n"
        "  -m, --mode MODE      photo (default), video, raw, audio\n"
        "  -t, --thorough       also run the thorough pass\n"
        "      --cut-at-next-header\n"
        "                       plain carving: end files at their size limit or\n"
        "                       the next header, without reading their format;\n"
        "                       keep every type a shared header fits; the thorough\n"
        "                       pass carves again what the general pass found\n"
        "  -r, --range S:E      search sectors S up to, not including, E (512 bytes each)\n"
        "      --types LIST     video/raw/audio: extensions to search, comma-separated\n"
        "                       (default: all the edition offers)\n"
        "      --list-types     list the file types of the edition (and mode)\n"
        "      --list-media     list the media that can be searched\n"
        "      --list-editions  list the editions\n"
        "      --sample         search the built-in sample image (all modes of the\n"
        "                       edition) into a new folder under /tmp\n"
        "      --resources DIR  read signature files from DIR\n"
        "  -q, --quiet          print only messages and the summary\n"
        "  -h, --help           show this text\n"
        "\n"
        "Exit status: 0 search completed, 1 bad arguments, 2 source cannot be opened,\n"
        "3 destination cannot be written, 4 medium read error, 5 the search could not\n"
        "run (no thread could be started), 130 stopped (Ctrl-C, SIGTERM or SIGHUP).\n");
}

CliParseResult parseCliArguments(const QStringList& args)
{
    CliParseResult r;
    CliOptions& o = r.options;
    QStringList positional;
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString& a = args.at(i);
        const QString name = a.startsWith(QStringLiteral("--")) ? a.section(u'=', 0, 0) : a;
        QString value;
        if (name == QLatin1String("-h") || name == QLatin1String("--help")) {
            r.showHelp = true;
            r.ok = true;
            return r;
        } else if (name == QLatin1String("-e") || name == QLatin1String("--edition")) {
            if (!takeValue(args, i, name, &o.edition, &r.error))
                return r;
            if (!EditionProfile::fromNameOrKey(o.edition).matched) {
                r.error = QStringLiteral("unknown edition \"%1\" (use %2, a number 1-7 or a launcher name)")
                              .arg(o.edition, editionKeys());
                return r;
            }
        } else if (name == QLatin1String("-m") || name == QLatin1String("--mode")) {
            if (!takeValue(args, i, name, &value, &r.error))
                return r;
            o.mode = parseModeName(value);
            o.modeGiven = true;
            if (o.mode < 0) {
                r.error = QStringLiteral("unknown mode \"%1\" (use photo, video, raw or audio)").arg(value);
                return r;
            }
        } else if (name == QLatin1String("-t") || name == QLatin1String("--thorough")) {
            o.thorough = true;
        } else if (name == QLatin1String("--cut-at-next-header")) {
            o.cutAtNextHeader = true;
        } else if (name == QLatin1String("-r") || name == QLatin1String("--range")) {
            if (!takeValue(args, i, name, &value, &r.error))
                return r;
            if (!parseSectorRange(value, &o.startSector, &o.endSector)) {
                r.error = QStringLiteral("bad sector range \"%1\": use START:END with START below END").arg(value);
                return r;
            }
            o.rangeGiven = true;
        } else if (name == QLatin1String("--types")) {
            if (!takeValue(args, i, name, &value, &r.error))
                return r;
            for (const QString& t : value.split(u',', Qt::SkipEmptyParts)) {
                QString ext = t.trimmed();
                if (ext.startsWith(u'.'))
                    ext = ext.mid(1);
                if (!ext.isEmpty())
                    o.types << ext.toUpper();
            }
            if (o.types.isEmpty()) {
                r.error = QStringLiteral("--types needs at least one extension");
                return r;
            }
        } else if (name == QLatin1String("--resources")) {
            if (!takeValue(args, i, name, &o.resourceDir, &r.error))
                return r;
        } else if (name == QLatin1String("--list-types")) {
            o.listTypes = true;
        } else if (name == QLatin1String("--list-media")) {
            o.listMedia = true;
        } else if (name == QLatin1String("--sample")) {
            o.sample = true;
        } else if (name == QLatin1String("--list-editions")) {
            o.listEditions = true;
        } else if (name == QLatin1String("-q") || name == QLatin1String("--quiet")) {
            o.quiet = true;
        } else if (a.startsWith(u'-') && a.size() > 1) {
            r.error = QStringLiteral("unknown option %1").arg(a);
            return r;
        } else {
            positional << a;
        }
    }
    const bool listing = o.listTypes || o.listMedia || o.listEditions;
    if (args.isEmpty()) {
        r.noArguments = true;
        r.ok = true;
        return r;
    }
    if (o.sample && !positional.isEmpty()) {
        r.error = QStringLiteral("--sample searches the built-in sample image; give no SOURCE or DESTINATION");
        return r;
    }
    if (positional.isEmpty() && !listing && !o.sample) {
        r.error = QStringLiteral("give SOURCE and DESTINATION, or --sample to search the built-in sample image");
        return r;
    }
    if (positional.size() == 1 && !listing) {
        r.error = QStringLiteral("give both SOURCE and DESTINATION");
        return r;
    }
    if (positional.size() > 2) {
        r.error = QStringLiteral("too many arguments");
        return r;
    }
    if (positional.size() == 2) {
        o.source = positional.at(0);
        o.destination = positional.at(1);
    }
    if (o.mode == 0 && !o.types.isEmpty()) {
        r.error = QStringLiteral("--types applies to the video, raw and audio modes; photo mode searches every photo type");
        return r;
    }
    r.ok = true;
    return r;
}
