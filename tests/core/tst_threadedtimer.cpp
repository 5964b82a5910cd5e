// The threaded timer: ticks on the owner's thread, never overlapping, the
// interval counted from the end of a tick, and destruction in every state.
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
        QVERIFY(!overlapped && !wrongThread);
        // The next interval starts only after the handler returned.
        for (int i = 1; i < starts.size(); ++i)
            QVERIFY2(starts[i] - ends[i - 1] >= 19, qPrintable(QString::number(i)));
    }

    void enablingAndInterval()
    {
        TThreadedTimer timer;
        timer.setInterval(5);
        int ticks = 0;
        timer.OnTimer = [&](TThreadedTimer *) { ++ticks; };
        QTest::qWait(60);
        QCOMPARE(ticks, 0); // not enabled yet
        timer.setEnabled(true);
        timer.setInterval(5); // keeps it enabled
        QTRY_VERIFY(ticks > 0);
        timer.setEnabled(false);
        QTest::qWait(20);
        const int after = ticks;
        QTest::qWait(60);
        QCOMPARE(ticks, after);
    }

    // Destroying the timer must return in every state of a tick.
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
        int ticks = 0;
        const auto deleteInLoop = [](int deleteMs, TThreadedTimer *t) {
            QEventLoop loop;
            QTimer::singleShot(deleteMs, &loop, [t] { delete t; });
            QTimer::singleShot(deleteMs + 40, &loop, &QEventLoop::quit);
            loop.exec();
        };
        timer->OnTimer = [&](TThreadedTimer *sender) {
            ++ticks;
            if (state == "inside")
                delete sender;
            else if (state == "nested")
                deleteInLoop(5, sender);
        };
        timer->setEnabled(true);
        if (state == "queued") {
            QThread::msleep(30); // blocks this thread: the worker's tick stays queued
            delete timer;
            QCoreApplication::processEvents(); // the queued tick goes with the timer
            QCOMPARE(ticks, 0);
        } else if (state == "outside") {
            deleteInLoop(20, timer);
        }
        QTRY_VERIFY(timer.isNull());
    }
};

QTEST_GUILESS_MAIN(TestThreadedTimer)
#include "tst_threadedtimer.moc"
