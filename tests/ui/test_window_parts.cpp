// Parts of the window that stand on their own: the main-thread mailbox that
// carries the search's requests (order, "waits" means "until done" even when
// an earlier request is inside a modal loop, no running after close), the
// 64-bit sector slider (one position per sector while the range fits an
// int, a 64 GB card's 125 million sectors included). Offscreen platform;
// threads are real.

#include "ui/MainThreadMailbox.h"
#include "ui/SectorSlider.h"

#include <QEventLoop>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#include <atomic>
#include <climits>
#include <mutex>
#include <thread>
#include <vector>

class WindowPartsTest : public QObject {
    Q_OBJECT
private slots:
    void mailboxKeepsTheOrderOfEachThread();
    void waitingRequestWaitsForItsOwnWork();
    void mainThreadRequestsRunAtOnce();
    void closedMailboxDropsWorkAndReleasesWaiters();
    void sliderMapsRangesThatFitAnIntOneToOne_data();
    void sliderMapsRangesThatFitAnIntOneToOne();
    void sliderMapsHugeRangesWithExactEnds();
    void sliderReportsOnlyUserMoves();
};

void WindowPartsTest::mailboxKeepsTheOrderOfEachThread()
{
    MainThreadMailbox mailbox;
    std::vector<int> seen; // main thread only
    std::atomic<int> done{0};
    auto producer = [&](int base) {
        for (int i = 0; i < 200; ++i)
            mailbox.post([&seen, base, i] { seen.push_back(base + i); }, i % 10 == 0);
        ++done;
    };
    std::thread a(producer, 0);
    std::thread b(producer, 1000);
    QTRY_COMPARE_WITH_TIMEOUT(done.load(), 2, 20000);
    QTRY_COMPARE(seen.size(), size_t(400));
    a.join();
    b.join();
    int lastA = -1;
    int lastB = 999;
    for (int v : seen) {
        if (v < 1000) {
            QVERIFY(v > lastA);
            lastA = v;
        } else {
            QVERIFY(v > lastB);
            lastB = v;
        }
    }
}

void WindowPartsTest::waitingRequestWaitsForItsOwnWork()
{
    // A request that does not wait is queued first; a waiting one right after
    // it. Both are run by the first wake-up; the waiting one runs a nested
    // loop (as a modal alert does), inside which its own wake-up arrives and
    // finds nothing left. The waiting thread must still not go on before its
    // work has finished.
    MainThreadMailbox mailbox;
    std::atomic<bool> workFinished{false};
    std::atomic<bool> finishedWhenReturned{false};
    std::atomic<bool> returned{false};
    std::thread first([&] { mailbox.post([] {}, false); });
    first.join();
    std::thread waiter([&] {
        mailbox.post(
            [&] {
                // Whether a nested loop delivers wake-ups posted before it
                // depends on the event dispatcher; deliver them explicitly.
                QCoreApplication::sendPostedEvents(&mailbox, QEvent::MetaCall);
                QEventLoop loop;
                QTimer::singleShot(300, &loop, &QEventLoop::quit);
                loop.exec();
                workFinished = true;
            },
            true);
        finishedWhenReturned = workFinished.load();
        returned = true;
    });
    // Let the waiter queue its request before the main thread looks.
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    QTRY_VERIFY_WITH_TIMEOUT(returned.load(), 10000);
    waiter.join();
    QVERIFY(finishedWhenReturned.load());
}

void WindowPartsTest::mainThreadRequestsRunAtOnce()
{
    MainThreadMailbox mailbox;
    int ran = 0;
    mailbox.post([&] { ++ran; }, true);
    mailbox.post([&] { ++ran; }, false);
    QCOMPARE(ran, 2);
}

void WindowPartsTest::closedMailboxDropsWorkAndReleasesWaiters()
{
    MainThreadMailbox mailbox;
    std::atomic<int> ran{0};
    std::atomic<bool> returned{false};
    std::thread waiter([&] {
        mailbox.post([&] { ++ran; }, true);
        returned = true;
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    mailbox.close();
    // The waiter is released as soon as its wake-up is delivered; its work
    // never runs, and nothing posted later does.
    QTRY_VERIFY_WITH_TIMEOUT(returned.load(), 10000);
    waiter.join();
    QCOMPARE(ran.load(), 0);
    std::thread late([&] { mailbox.post([&] { ++ran; }, true); });
    late.join();
    QTest::qWait(50);
    QCOMPARE(ran.load(), 0);
    QVERIFY(mailbox.closed());
}

void WindowPartsTest::sliderMapsRangesThatFitAnIntOneToOne_data()
{
    QTest::addColumn<qint64>("sectors");
    QTest::newRow("2 MB") << qint64(4096);
    QTest::newRow("64 GB card") << qint64(125042688);
    QTest::newRow("largest int") << qint64(INT_MAX);
}

void WindowPartsTest::sliderMapsRangesThatFitAnIntOneToOne()
{
    QFETCH(qint64, sectors);
    SectorSlider slider;
    slider.setRange64(0, sectors);
    QCOMPARE(qint64(slider.maximum()), sectors);
    for (qint64 v : {qint64(1), sectors / 3, sectors - 1}) {
        slider.setValue64(v);
        QCOMPARE(qint64(slider.value()), v);
        QCOMPARE(slider.value64(), v);
    }
    slider.setSliderPosition(static_cast<int>(sectors / 7)); // as a drag would
    QCOMPARE(slider.value64(), sectors / 7);
    slider.setValue64(sectors + 5); // clamped
    QCOMPARE(slider.value64(), sectors);
    slider.setValue64(-3);
    QCOMPARE(slider.value64(), 0);
}

void WindowPartsTest::sliderMapsHugeRangesWithExactEnds()
{
    const qint64 huge = 7813971632LL; // a 4 TB disk
    SectorSlider slider;
    slider.setRange64(0, huge);
    QVERIFY(slider.maximum() > 0);
    QSignalSpy moved(&slider, &SectorSlider::moved64);
    slider.triggerAction(QAbstractSlider::SliderToMaximum);
    QCOMPARE(slider.value64(), huge);
    QCOMPARE(moved.last().at(0).toLongLong(), huge);
    slider.triggerAction(QAbstractSlider::SliderToMinimum);
    QCOMPARE(slider.value64(), 0);
    slider.setSliderPosition(slider.maximum() / 4);
    const qint64 quarter = slider.value64();
    QVERIFY2(qAbs(quarter - huge / 4) <= huge / slider.maximum() + 1, qPrintable(QString::number(quarter)));
    // A programmatic value survives the int mapping exactly.
    slider.setValue64(huge - 1);
    QCOMPARE(slider.value64(), huge - 1);
    QVERIFY(slider.value() <= slider.maximum());
}

void WindowPartsTest::sliderReportsOnlyUserMoves()
{
    SectorSlider slider;
    QSignalSpy moved(&slider, &SectorSlider::moved64);
    slider.setRange64(0, 100);
    slider.setValue64(50);
    QCOMPARE(moved.count(), 0);
    slider.triggerAction(QAbstractSlider::SliderSingleStepAdd);
    QCOMPARE(moved.count(), 1);
    QCOMPARE(moved.last().at(0).toLongLong(), 51);
}

QTEST_MAIN(WindowPartsTest)
#include "test_window_parts.moc"
