// Responsiveness of the photo browser while a search lists many photos: a
// worker thread hands real JPEGs to the window exactly as the search does
// (EngineHost::listFile, waiting for each), while a 5 ms timer on the main
// thread measures the longest gap between its ticks, i.e. the longest time
// the window's event loop was blocked. It also checks that every photo
// ended up decoded (or as the placeholder) and that no picture was decoded
// on the main thread.
//
// By default it makes 300 photos of 1600 x 1200 itself. To measure a real
// set: OSTREL_LISTING_PHOTOS=folder-of-jpegs (all *.jpg/*.jpeg there, used in
// turn) and OSTREL_LISTING_COUNT=2000. The result line starts with
// "listing-responsiveness:". A measurement, not a test: build it with
// --target listing_responsiveness and run it under QT_QPA_PLATFORM=offscreen
// on a quiet machine.

#include "UiTestSupport.h"

#include "ui/ControlPanelWindow.h"
#include "ui/ResultsModel.h"
#include "ui/ThumbnailCache.h"
#include "ui/WindowEngineHost.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QImage>
#include <QPainter>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <atomic>
#include <thread>

class ListingResponsivenessTest : public QObject {
    Q_OBJECT

private slots:
    void listingManyPhotosKeepsTheWindowResponsive()
    {
        QTemporaryDir scratch;
        QStringList photos;
        const QString given = qEnvironmentVariable("OSTREL_LISTING_PHOTOS");
        if (!given.isEmpty()) {
            for (const QFileInfo& f : QDir(given).entryInfoList({"*.jpg", "*.jpeg", "*.JPG"}, QDir::Files, QDir::Name))
                photos << f.filePath();
            QVERIFY2(!photos.isEmpty(), "OSTREL_LISTING_PHOTOS holds no JPEG");
        } else {
            // Real camera-sized JPEGs with detail, so decoding costs what it costs.
            for (int i = 0; i < 6; ++i) {
                QImage image(1600, 1200, QImage::Format_RGB32);
                QPainter p(&image);
                QLinearGradient g(0, 0, 1600, 1200);
                g.setColorAt(0, QColor::fromHsv(i * 50, 180, 220));
                g.setColorAt(1, QColor::fromHsv(i * 50 + 120, 200, 90));
                p.fillRect(image.rect(), g);
                QRandomGenerator rng(i);
                for (int k = 0; k < 400; ++k) {
                    p.setBrush(QColor::fromRgb(rng.generate()));
                    p.drawEllipse(QPoint(rng.bounded(1600), rng.bounded(1200)), rng.bounded(5, 90), rng.bounded(5, 90));
                }
                p.end();
                const QString path = scratch.filePath(QString("photo%1.jpg").arg(i));
                QVERIFY(image.save(path, "JPG", 88));
                photos << path;
            }
        }
        const int count = qEnvironmentVariableIntValue("OSTREL_LISTING_COUNT") > 0
                              ? qEnvironmentVariableIntValue("OSTREL_LISTING_COUNT")
                              : 300;
        // Distinct paths, as a search writes distinct files.
        QStringList listed;
        for (int i = 0; i < count; ++i) {
            const QString link = scratch.filePath(QString("GND%1.JPG").arg(i + 1, 5, 10, QChar('0')));
            QVERIFY(QFile::link(photos.at(i % photos.size()), link));
            listed << link;
        }

        auto h = makeHarness();
        MyTableController& c = h->c();
        Recovery_MODE = 0;
        c.show_hide_3_screen_Photo(false);
        c.controlPanel()->show();

        QElapsedTimer clock;
        clock.start();
        qint64 last = clock.elapsed();
        qint64 longest = 0;
        QTimer tick;
        tick.setInterval(5);
        connect(&tick, &QTimer::timeout, [&] {
            const qint64 now = clock.elapsed();
            longest = std::max(longest, now - last);
            last = now;
        });
        tick.start();

        std::atomic<bool> workerDone{false};
        QElapsedTimer total;
        total.start();
        std::thread worker([&] {
            for (int i = 0; i < listed.size(); ++i) {
                const QString name = QFileInfo(listed.at(i)).fileName();
                c.engineHost().listFile(0, listed.at(i), name, name, QStringLiteral("JPG"), quint64(i + 1));
            }
            workerDone = true;
        });
        const bool finished = QTest::qWaitFor(
            [&] { return workerDone.load() && c.resultsModel()->pendingCount() == 0; }, 600000);
        const qint64 listedMs = total.elapsed();
        worker.join();
        tick.stop();
        QVERIFY(finished);

        std::printf("listing-responsiveness: %d photos listed and decoded in %lld ms; "
                    "longest event-loop block %lld ms\n",
                    count, static_cast<long long>(listedMs), static_cast<long long>(longest));
        std::fflush(stdout);
        QCOMPARE(c.resultsModel()->size(), qsizetype(std::min<qsizetype>(count, 2000)));
        for (const MyImageObject& item : c.resultsModel()->images())
            QVERIFY(!item.isPlaceholder());
        // A 5 ms timer with 2000 listings and their pictures in between: a
        // decode on the main thread would show as gaps of tens of ms per
        // photo; the bound leaves room for slow (sanitizer) builds.
        QVERIFY2(longest < 250, qPrintable(QString("event loop blocked for %1 ms").arg(longest)));
    }
};

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    ListingResponsivenessTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "listing_responsiveness.moc"
