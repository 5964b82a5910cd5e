// The session from its outside: the simulated network in, the TCP data line,
// the event log and a measurement log file out.
#include "DataLineRequest.h"
#include "SessionRig.h"
#include "net/DataLine.h"

#include <QDir>
#include <QFile>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>

using namespace orvane;

using Rig = SessionRig;

class TestSession : public QObject
{
    Q_OBJECT
    QTemporaryDir m_dir;

private Q_SLOTS:
    void initTestCase() { QVERIFY(QDir::setCurrent(m_dir.path())); }

    void dataLineAndLogFileFollowThePolling()
    {
        Rig rig;
        const quint16 port = rig.session->server()->port();
        QCOMPARE(rig.memo.history.value(0), QByteArray("Orvane System 2.2.0.0"));

        // Before the start-up scan no module is present: an empty data line.
        QCOMPARE(requestDataLine(port), QByteArray("Data : "));

        rig.ticks(1); // start-up: status line, scan, first step
        QVERIFY(rig.memo.history.contains(
            "TCP Server @ port " + QByteArray::number(port) + " started."));
        const QByteArray afterScan = requestDataLine(port);
        QVERIFY2(afterScan.startsWith("Data : #0x1004A2,,"), afterScan.constData());
        QVERIFY(afterScan.contains("#0x2000B7,,"));

        // Logging on for slot 1: one line per completed cycle.
        TOV_MOD_Object &module = *rig.session->acquisition()->ModObject[1];
        module.SetLogging(true);
        const QString logName = QString::fromLatin1(module.LogFileName);
        QVERIFY(logName.startsWith("Data_0x1004A2_"));
        QFile log(logName);
        QVERIFY(log.open(QIODevice::ReadOnly));
        const int headerLines = int(log.readAll().count('\n'));
        log.close();

        rig.ticks(5 * 3);
        QVERIFY(log.open(QIODevice::ReadOnly));
        QCOMPARE(int(log.readAll().count('\n')), headerLines + 3);
        log.close();

        // The data line carries what the last cycle converted.
        const QByteArray line = requestDataLine(port);
        QVERIFY(line.startsWith("Data : #0x1004A2,,"));
        const QByteArray expected
            = ',' + QByteArray::number(module.Samples[1].Current, 'f', 3) + ",Volt";
        QVERIFY2(line.contains(expected), line.constData());

        // The connection handlers' lines reach the event log on this thread.
        QTRY_VERIFY(std::any_of(rig.memo.history.cbegin(), rig.memo.history.cend(),
            [](const QByteArray &l) { return l.startsWith("Client connected from : "); }));
        QTRY_VERIFY(rig.memo.history.contains("Data received : x"));
        module.SetLogging(false);
    }

    void portInUseIsReportedOnTheFirstTick()
    {
        QTcpServer blocker;
        QVERIFY(blocker.listen(QHostAddress::Any, 0));
        Rig rig(blocker.serverPort());
        QVERIFY(!rig.session->server()->isListening());
        rig.ticks(1);
        QVERIFY(rig.memo.history.contains(
            "Could not bind socket. Address and port are already in use."));
        QVERIFY(!rig.memo.history.join('\n').contains("TCP Server @ port"));
        // Polling goes on without the data service.
        QVERIFY(rig.session->acquisition()->CyclicUpdate);
    }

    // Consumers of values see one snapshot per completed cycle, equal to the
    // data line of that cycle, and alarm latches as events.
    void oneSnapshotPerCycleAndAlarmEvents()
    {
        Rig rig;
        QList<SnapshotPtr> cycles, changes;
        QList<PlantEvent> events;
        QObject::connect(rig.session.get(), &OrvaneSession::cycleCompleted,
            [&](const SnapshotPtr &s) { cycles.append(s); });
        QObject::connect(rig.session.get(), &OrvaneSession::modulesChanged,
            [&](const SnapshotPtr &s) { changes.append(s); });
        QObject::connect(rig.session.get(), &OrvaneSession::plantEvent,
            [&](const PlantEvent &e) { events.append(e); });

        rig.ticks(1); // the start-up scan: changes, no cycle
        QVERIFY(!changes.isEmpty());
        QVERIFY(cycles.isEmpty());
        rig.ticks(5 * 2 - 1);
        QCOMPARE(cycles.size(), 2);
        QCOMPARE(cycles.last()->cycle, quint64(2));
        const SlotSnapshot &first = cycles.last()->modules[0];
        QCOMPARE(first.serial, QByteArray("0x1004A2"));
        QCOMPARE(first.signalList.size(), size_t(7));
        QCOMPARE(requestDataLine(rig.session->server()->port()), buildDataLine(*cycles.last()));

        // An edit is a change, not a cycle; the data line follows it at once.
        AcquisitionControl &acq = *rig.session->acquisition();
        TOV_MOD_Object &module = *acq.ModObject[1];
        module.Clock = [] { return QDateTime(QDate(2026, 12, 6), QTime(13, 31, 2)); };
        module.Signals[1].AlarmHigh = -1e9; // every value is above the limit now
        acq.moduleEdited(1);
        QCOMPARE(cycles.size(), 2);
        QCOMPARE(changes.last()->modules[0].signalList[0].alarmHigh, -1e9);
        rig.ticks(5);
        QCOMPARE(cycles.size(), 3);
        QVERIFY(cycles.last()->modules[0].signalList[0].alarm);
        rig.ticks(5 * 3); // a latch already set is not announced again
        module.Signals[1].AlarmHigh = 1e9;
        rig.ticks(5);
        QCOMPARE(events.size(), 2);
        QCOMPARE(events[0].kind, PlantEvent::Kind::AlarmRaised);
        QCOMPARE(events[1].kind, PlantEvent::Kind::AlarmCleared);
        for (const PlantEvent &e : events) {
            QCOMPARE(e.module, QByteArray("0x1004A2"));
            QCOMPARE(e.index, 1);
            QCOMPARE(e.name, module.Signals[1].Name);
        }
        QCOMPARE(events[0].alarmHigh, -1e9);
        QVERIFY(events[0].text.contains(" Module = 0x1004A2 Analog Input 1 = "));
        QVERIFY(rig.alarms.lines.contains(events[0].text));
    }

    void closeEndsPollingAndReleasesTheDevice()
    {
        Rig rig;
        rig.ticks(6);
        QVERIFY(rig.session->acquisition()->IntObject->device().IsOpen());
        rig.session->close();
        rig.session->close(); // a second close does nothing more
        QVERIFY(rig.session->isClosed());
        QVERIFY(!rig.session->acquisition()->CyclicUpdate);
        QVERIFY(!rig.session->acquisition()->IntObject->device().IsOpen());
    }
};

QTEST_GUILESS_MAIN(TestSession)
#include "tst_session.moc"
