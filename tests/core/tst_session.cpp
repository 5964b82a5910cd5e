// The session from its outside: the simulated network in, the TCP data line,
// the event log and a measurement log file out.
#include "SimSession.h"
#include "net/DataLine.h"

#include <QDir>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QTest>

using namespace orvane;

class TestSession : public QObject
{
    Q_OBJECT
    QTemporaryDir m_dir;

private Q_SLOTS:
    void initTestCase() { QVERIFY(QDir::setCurrent(m_dir.path())); }

    void dataLineAndLogFileFollowThePolling()
    {
        SimSession rig;
        QCOMPARE(rig.memo.history.value(0), QByteArray("Orvane System 2.2.0.0"));
        // Before the start-up scan no module is present: an empty data line.
        QCOMPARE(rig.dataLine(), QByteArray("Data : "));
        rig.tick(); // start-up: status line, scan, first step
        const QByteArray port = QByteArray::number(rig.session->server()->port());
        QVERIFY(rig.memo.history.contains("TCP Server @ port " + port + " started."));
        const QByteArray afterScan = rig.dataLine();
        QVERIFY2(afterScan.startsWith("Data : #0x1004A2,,"), afterScan.constData());
        QVERIFY(afterScan.contains("#0x2000B7,,"));

        // Logging on for slot 1: one line per completed cycle.
        TOV_MOD_Object &module = rig.module(1);
        module.SetLogging(true);
        const int headerLines = fileLineCount(module.LogFileName);
        rig.cycles(3);
        QCOMPARE(fileLineCount(module.LogFileName), headerLines + 3);
        module.SetLogging(false);

        // The data line carries what the last cycle converted.
        const QByteArray expected
            = ',' + QByteArray::number(module.Samples[1].Current, 'f', 3) + ",Volt";
        QVERIFY2(rig.dataLine().contains(expected), expected.constData());
        // The connection handlers' lines reach the event log on this thread.
        QTRY_VERIFY(rig.memo.history.contains("Client connected from : 127.0.0.1"));
        QTRY_VERIFY(rig.memo.history.contains("Data received : x"));
    }

    void portInUseIsReportedOnTheFirstTick()
    {
        QTcpServer blocker;
        QVERIFY(blocker.listen(QHostAddress::Any, 0));
        OrvaneSession::Options options = SimRig::options();
        options.dataPort = blocker.serverPort();
        SimSession rig(builtInScenario(), options);
        rig.tick();
        QVERIFY(rig.memo.history.contains(
            "Could not bind socket. Address and port are already in use."));
        QVERIFY(rig.acq().CyclicUpdate); // polling goes on without the data service
    }

    // Every request is answered, lost or damaged, and every answer read is
    // counted exactly once as good or bad; bad replies are logged with their
    // module.
    void faultCountersAddUp()
    {
        Scenario s = builtInScenario();
        s.seed = 11;
        s.lossRate = 0.15;
        s.corruptRate = s.truncateRate = 0.1;
        SimSession rig(s);
        rig.tick();
        rig.cycles(200);
        const AcquisitionControl &a = rig.acq();
        QCOMPARE(a.TxCount, 2 * 200 + 1); // and slot 1's request of the cycle now open
        QCOMPARE(a.RxCount + a.BadRxCount, 2 * 200);
        QVERIFY(a.BadRxCount > 40 && a.BadRxCount < 160);
        const int lost = a.ModObject[1]->LostReplies + a.ModObject[3]->LostReplies;
        QVERIFY(lost > 0 && lost < a.BadRxCount); // the first miss of each run is not counted
        const auto bad = std::count_if(rig.memo.history.cbegin(), rig.memo.history.cend(),
            [](const QByteArray &l) { return l.startsWith("> 0x"); });
        QCOMPARE(bad, qsizetype(a.BadRxCount));
    }

    // Consumers of values see one snapshot per completed cycle, equal to the
    // data line of that cycle, and alarm latches as events.
    void oneSnapshotPerCycleAndAlarmEvents()
    {
        SimSession rig;
        QList<SnapshotPtr> cycles, changes;
        QList<PlantEvent> events;
        QObject::connect(rig.session, &OrvaneSession::cycleCompleted,
            [&](const SnapshotPtr &s) { cycles.append(s); });
        QObject::connect(rig.session, &OrvaneSession::modulesChanged,
            [&](const SnapshotPtr &s) { changes.append(s); });
        QObject::connect(rig.session, &OrvaneSession::plantEvent,
            [&](const PlantEvent &e) { events.append(e); });

        rig.tick(); // the start-up scan: changes, no cycle
        QVERIFY(!changes.isEmpty() && cycles.isEmpty());
        rig.ticks(5 * 2 - 1);
        QCOMPARE(cycles.size(), 2);
        QCOMPARE(cycles.last()->cycle, quint64(2));
        const SlotSnapshot &first = cycles.last()->modules[0];
        QCOMPARE(first.serial, QByteArray("0x1004A2"));
        QCOMPARE(first.signalList.size(), size_t(7));
        QCOMPARE(rig.dataLine(), buildDataLine(*cycles.last()));

        // An edit is a change, not a cycle; the data line follows it at once.
        TOV_MOD_Object &module = rig.module(1);
        module.Signals[1].AlarmHigh = -1e9; // every value is above the limit now
        rig.acq().moduleEdited(1);
        QCOMPARE(cycles.size(), 2);
        QCOMPARE(changes.last()->modules[0].signalList[0].alarmHigh, -1e9);
        rig.cycles(1);
        QCOMPARE(cycles.size(), 3);
        QVERIFY(cycles.last()->modules[0].signalList[0].alarm);
        rig.cycles(3); // a latch already set is not announced again
        module.Signals[1].AlarmHigh = 1e9;
        rig.cycles(1);
        QCOMPARE(events.size(), 2);
        QCOMPARE(events[0].kind, PlantEvent::Kind::AlarmRaised);
        QCOMPARE(events[1].kind, PlantEvent::Kind::AlarmCleared);
        for (const PlantEvent &e : events)
            QVERIFY(e.module == "0x1004A2" && e.index == 1 && e.name == module.Signals[1].Name);
        QCOMPARE(events[0].alarmHigh, -1e9);
        QVERIFY(events[0].text.contains(" Module = 0x1004A2 Analog Input 1 = "));
        QVERIFY(rig.alarms.lines.contains(events[0].text));
    }
};

QTEST_GUILESS_MAIN(TestSession)
#include "tst_session.moc"
