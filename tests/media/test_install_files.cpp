// The desktop entries and the polkit policy made from the templates in
// resources/ at configure time: one entry per edition whose Name is the
// edition's title and whose Exec starts exactly the edition's launcher under
// the install prefix, quoted as one argument (the names hold blanks); the policy is well-formed XML whose action runs the window
// application from the prefix with the window allowed. Needs the files that
// cmake/Install.cmake generates into the build tree; skips when that file is
// not part of the build.
#include "common/QtPrinters.h"
#include "edition/EditionProfile.h"
#include "media/DeviceAccess.h"

#include <QDir>
#include <QFile>
#include <QHash>
#include <QXmlStreamReader>

#include <gtest/gtest.h>

namespace {
const QString kShare = QStringLiteral(OSTREL_GENERATED_SHARE_DIR);
const QString kBinDir = QStringLiteral(OSTREL_INSTALL_FULL_BINDIR);

// Key=value lines of the [Desktop Entry] group, values with the string-level
// escapes (\s \n \t \r \\) undone.
QHash<QString, QString> readDesktopEntry(const QString& path)
{
    QHash<QString, QString> values;
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly | QIODevice::Text))
        return values;
    bool inGroup = false;
    for (const QString& line : QString::fromUtf8(f.readAll()).split(QLatin1Char('\n'))) {
        if (line.startsWith(QLatin1Char('['))) {
            inGroup = line == QLatin1String("[Desktop Entry]");
            continue;
        }
        const qsizetype eq = line.indexOf(QLatin1Char('='));
        if (!inGroup || eq <= 0 || line.startsWith(QLatin1Char('#')))
            continue;
        QString raw = line.mid(eq + 1), value;
        for (qsizetype i = 0; i < raw.size(); ++i) {
            if (raw[i] == QLatin1Char('\\') && i + 1 < raw.size()) {
                const QChar n = raw[++i];
                value += n == QLatin1Char('s') ? QChar(' ') : n == QLatin1Char('n') ? QChar('\n')
                       : n == QLatin1Char('t') ? QChar('\t') : n == QLatin1Char('r') ? QChar('\r') : n;
            } else {
                value += raw[i];
            }
        }
        values.insert(line.left(eq).trimmed(), value);
    }
    return values;
}

TEST(DesktopEntries, OnePerEditionStartingItsLauncher)
{
    if (!QDir(kShare + QStringLiteral("/applications")).exists())
        GTEST_SKIP() << "cmake/Install.cmake is not included by the build, so no desktop entries were made";
    for (int i = 0; i < kEditionCount; ++i) {
        const EditionInfo& e = editionTable()[i];
        const EditionProfile p = EditionProfile::fromNameOrKey(QString::fromLatin1(e.key));
        const QString file = kShare + QStringLiteral("/applications/") + applicationBundleIdentifier(p) +
                             QStringLiteral(".desktop");
        const QHash<QString, QString> entry = readDesktopEntry(file);
        ASSERT_FALSE(entry.isEmpty()) << "missing or empty: " << file.toStdString();
        EXPECT_EQ(entry.value(QStringLiteral("Type")), QStringLiteral("Application"));
        EXPECT_EQ(entry.value(QStringLiteral("Name")), QString::fromUtf8(e.title));
        const QString launcher = kBinDir + QLatin1Char('/') + QString::fromUtf8(e.launcherName);
        // The launcher name holds blanks: the whole path is one quoted
        // argument, and there are no others (the launcher relaunches itself).
        EXPECT_EQ(entry.value(QStringLiteral("Exec")).toStdString(), '"' + launcher.toStdString() + '"');
        EXPECT_EQ(entry.value(QStringLiteral("TryExec")).toStdString(), launcher.toStdString());
        // The program started by that name chooses this edition.
        EXPECT_EQ(EditionProfile::fromBundleName(QString::fromUtf8(e.launcherName)).edition, i + 1);
    }
}

TEST(PolkitPolicy, RunsTheWindowApplicationFromThePrefix)
{
    QFile f(kShare + QStringLiteral("/polkit-1/actions/org.ostrel-recovery.policy"));
    if (!f.exists())
        GTEST_SKIP() << "cmake/Install.cmake is not included by the build, so no policy was made";
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    QXmlStreamReader xml(&f);
    QString actionId, execPath, allowGui;
    QHash<QString, QString> defaults;
    QString element;
    while (!xml.atEnd()) {
        xml.readNext();
        if (xml.isStartElement()) {
            element = xml.name().toString();
            if (element == QLatin1String("action"))
                actionId = xml.attributes().value(QLatin1String("id")).toString();
            if (element == QLatin1String("annotate")) {
                const QString key = xml.attributes().value(QLatin1String("key")).toString();
                const QString text = xml.readElementText();
                if (key == QLatin1String("org.freedesktop.policykit.exec.path"))
                    execPath = text;
                if (key == QLatin1String("org.freedesktop.policykit.exec.allow_gui"))
                    allowGui = text;
            } else if (element.startsWith(QLatin1String("allow_"))) {
                defaults.insert(element, xml.readElementText());
            }
        }
    }
    ASSERT_FALSE(xml.hasError()) << xml.errorString().toStdString();
    EXPECT_EQ(actionId, QStringLiteral("org.ostrel-recovery.pkexec.run"));
    EXPECT_EQ(execPath, kBinDir + QStringLiteral("/ostrel-recovery"));
    EXPECT_EQ(allowGui, QStringLiteral("true"));
    for (const char* key : {"allow_any", "allow_inactive", "allow_active"})
        EXPECT_EQ(defaults.value(QString::fromLatin1(key)), QStringLiteral("auth_admin")) << key;
}

} // namespace
