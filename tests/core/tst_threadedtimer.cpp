#include "acquisition/ThdTimer.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QPointer>
#include <QTest>
#include <QThread>
#include <QTimer>

using namespace orvane;

class TestThreadedTimer : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void ticksRunOnOwnerThreadWithoutOverlap()
    {
        TThreadedTimer timer;
        timer.setInterval(20);
        QList<qint64> starts, ends;
        QElapsedTimer clock;
        clock.start();
        bool inside = false, overlapped = false, wrongThread = false;
        timer.OnTimer = [&](TThreadedTimer *) {
            overlapped |= inside;
            wrongThread |= QThread::currentThread() != thread();
            inside = true;
            starts.append(clock.elapsed());
            QThread::msleep(30); // longer than the interval
            QCoreApplication::processEvents();
            ends.append(clock.elapsed());
            inside = false;
        };
        timer.setEnabled(true);
        QTRY_VERIFY_WITH_TIMEOUT(starts.size() >= 4, 5000);
        timer.setEnabled(false);
        QVERIFY(!overlapped);
        QVERIFY(!wrongThread);
        // The next interval starts only after the handler returned.
        for (int i = 1; i < starts.size(); ++i)
            QVERIFY2(starts[i] - ends[i - 1] >= 19, qPrintable(QString::number(starts[i] - ends[i - 1])));
    }

    void disabledTimerDoesNotTick()
    {
        TThreadedTimer timer;
        timer.setInterval(5);
        int ticks = 0;
        timer.OnTimer = [&](TThreadedTimer *) { ++ticks; };
        QTest::qWait(60);
        QCOMPARE(ticks, 0);
        timer.setEnabled(true);
        QTRY_VERIFY(ticks > 0);
        timer.setEnabled(false);
        QTest::qWait(20);
        const int after = ticks;
        QTest::qWait(60);
        QCOMPARE(ticks, after);
    }

    void enablingRestartsTheInterval()
    {
        TThreadedTimer timer;
        timer.setInterval(150);
        QElapsedTimer clock;
        qint64 firstTick = -1;
        timer.OnTimer = [&](TThreadedTimer *) {
            if (firstTick < 0)
                firstTick = clock.elapsed();
        };
        timer.setEnabled(true);
        QTest::qWait(100);
        // Off and on again: the interval starts over from here.
        timer.setEnabled(false);
        timer.setEnabled(true);
        clock.start();
        QTRY_VERIFY_WITH_TIMEOUT(firstTick >= 0, 2000);
        QVERIFY2(firstTick >= 140, qPrintable(QString::number(firstTick)));
    }

    void intervalChangeKeepsEnabledState()
    {
        TThreadedTimer timer;
        timer.setEnabled(true);
        timer.setInterval(180);
        QVERIFY(timer.Enabled());
        QCOMPARE(timer.Interval(), 180u);
        timer.setEnabled(false);
        timer.setInterval(50);
        QVERIFY(!timer.Enabled());
    }

    // Destroying the timer must return promptly in every state of a tick.
    void destructionNeverDeadlocks_data()
    {
        QTest::addColumn<QString>("state");
        QTest::newRow("tick queued") << "queued";
        QTest::newRow("inside tick") << "inside";
        QTest::newRow("nested loop inside tick") << "nested";
        QTest::newRow("nested loop outside tick") << "outside";
    }
    void destructionNeverDeadlocks()
    {
        QFETCH(QString, state);
        QPointer<TThreadedTimer> timer = new TThreadedTimer;
        timer->setInterval(1);
        QElapsedTimer clock;
        int ticks = 0;
        timer->OnTimer = [&](TThreadedTimer *sender) {
            ++ticks;
            if (state == "inside") {
                delete sender;
            } else if (state == "nested") {
                QEventLoop loop;
                QTimer::singleShot(5, &loop, [&] { delete sender; });
                QTimer::singleShot(50, &loop, &QEventLoop::quit);
                loop.exec();
            }
        };
        timer->setEnabled(true);
        clock.start();
        if (state == "queued") {
            // Block this thread so the worker's tick stays queued.
            QThread::msleep(30);
            delete timer;
            QCoreApplication::processEvents(); // the queued tick goes with the timer
            QCOMPARE(ticks, 0);
        } else if (state == "outside") {
            QEventLoop loop;
            QTimer::singleShot(20, &loop, [&] { delete timer; });
            QTimer::singleShot(60, &loop, &QEventLoop::quit);
            loop.exec();
        } else {
            QTRY_VERIFY(timer.isNull());
        }
        QVERIFY(timer.isNull());
        QVERIFY2(clock.elapsed() < 2000, "destruction took too long");
    }
};

QTEST_GUILESS_MAIN(TestThreadedTimer)
#include "tst_threadedtimer.moc"
