// Headless front end. For now: lists the editions and their signature tables.
#include "app/EditionProfile.h"
#include "app/ResourceLocator.h"
#include "signatures/SignatureDatabase.h"
#include "signatures/SignatureTable.h"

#include <QCoreApplication>
#include <QTextStream>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QTextStream out(stdout);
    const QString resources = findResourceDir(QCoreApplication::applicationDirPath());
    const char* modeNames[] = {"photo", "video", "raw", "audio"};
    for (int i = 0; i < kEditionCount; ++i) {
        const EditionProfile p = EditionProfile::fromNameOrKey(QString::fromUtf8(editionTable()[i].key));
        SignatureDatabase db;
        db.load(p, resources);
        out << p.APP_LONG_NAME << " (" << p.prefix << ")\n";
        for (int mode = 0; mode < 4; ++mode) {
            if (!p.offersMode(mode))
                continue;
            for (bool thorough : {false, true}) {
                const QStringList& t = db.table(mode, thorough);
                QStringList exts;
                for (qsizetype k = 0; k < sig::entryCount(t); ++k)
                    exts << sig::field(t, k, sig::Extension);
                exts.removeDuplicates();
                out << "  " << modeNames[mode] << (thorough ? " thorough: " : " general:  ")
                    << sig::entryCount(t) << " entries: " << exts.join(u' ') << "\n";
            }
        }
    }
    return 0;
}
