// Reconnecting after the interface is lost, from the session's outside: the
// simulated interface is unplugged and comes back (or another one does); the
// event log, the polling counters and the measurement log files show what the
// program did. Everything runs on a simulated clock.
#include "SimSession.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>

using namespace orvane;

namespace {
OrvaneSession::Options reconnecting()
{
    OrvaneSession::Options o = SimRig::options();
    o.reconnect = true;
    return o;
}
} // namespace

class TestReconnect : public QObject
{
    Q_OBJECT
    QTemporaryDir m_dir;

private Q_SLOTS:
    void initTestCase() { QVERIFY(QDir::setCurrent(m_dir.path())); }

    void lostInterfaceComesBack_data()
    {
        QTest::addColumn<QByteArray>("replugSerial"); // empty: the same
        QTest::addColumn<int>("replugLocation"); // 0: the same
        QTest::addColumn<bool>("otherListed"); // another "OVI" device, listed first
        QTest::addColumn<bool>("back");
        QTest::newRow("same interface, same port") << QByteArray() << 0 << false << true;
        QTest::newRow("same interface, other port") << QByteArray() << 4700 << false << true;
        QTest::newRow("same interface, another listed") << QByteArray() << 0 << true << true;
        QTest::newRow("another interface") << QByteArray("OVI55555") << 0 << false << false;
    }
    void lostInterfaceComesBack()
    {
        QFETCH(QByteArray, replugSerial);
        QFETCH(int, replugLocation);
        QFETCH(bool, otherListed);
        QFETCH(bool, back);
        Scenario s = builtInScenario(); // interface OVI00001, modules 0x1004A2 and 0x2000B7
        s.unplugAfterMs = 5000;
        s.replugAfterMs = 12000;
        s.replugSerial = replugSerial;
        s.replugLocation = DWORD(replugLocation);
        if (otherListed)
            s.devices.push_back({ "OVI77777", "Orvane Interface", 0x1300, false });
        SimSession rig(s, reconnecting());
        QStringList events; // the session's announcements of the loss and the return
        QObject::connect(rig.session, &OrvaneSession::plantEvent,
            [&](const PlantEvent &e) { events.append(QString::fromLatin1(e.text)); });
        rig.tick(); // start-up scan
        QCOMPARE(rig.session->reconnect()->state(), InterfaceReconnect::State::Watching);
        TOV_MOD_Object &logged = rig.module(1);
        logged.SetLogging(true);
        const QByteArray firstLog = logged.LogFileName;

        // Unplugged: the failing call's message, then the story in the event log.
        const qsizetype beforeLoss = rig.memo.history.size();
        rig.ticksUntil(5600);
        QVERIFY(rig.messages.errors.size() == 1 && !rig.acq().CyclicUpdate);
        QCOMPARE(rig.memo.history.mid(beforeLoss),
            QByteArrayList({ "Interface OVI00001 lost",
                "Waiting for interface OVI00001 (device list checked every 2 s)" }));
        const int logLinesAtLoss = fileLineCount(firstLog);

        // Waiting is quiet: no line, no message, one look-up every 2 s.
        const qsizetype waitingFrom = rig.memo.history.size();
        const int lookUpsAtLoss = rig.driver->lookUps;
        const qint64 lossMs = rig.clock.nowMs();
        rig.ticksUntil(11950);
        QVERIFY(rig.memo.history.size() == waitingFrom && rig.messages.errors.size() == 1);
        const int lookUps = rig.driver->lookUps - lookUpsAtLoss;
        const int expected = int((rig.clock.nowMs() - lossMs) / 2000);
        QVERIFY2(
            lookUps >= expected - 1 && lookUps <= expected, qPrintable(QString::number(lookUps)));

        rig.ticksUntil(30000);
        const QByteArrayList after = rig.memo.history.mid(waitingFrom);
        QCOMPARE(rig.messages.errors.size(), 1);
        if (!back) {
            // The other interface is listed but never opened: nothing happens.
            QVERIFY2(after.isEmpty(), after.join('\n').constData());
            QCOMPARE(rig.session->reconnect()->state(), InterfaceReconnect::State::Waiting);
            QVERIFY(!rig.acq().CyclicUpdate && fileLineCount(firstLog) == logLinesAtLoss);
            QCOMPARE(events, QStringList { "Interface OVI00001 lost" });
            return;
        }
        QCOMPARE(events, QStringList({ "Interface OVI00001 lost", "Interface OVI00001 is back" }));
        // Found at the first look-up after its return, scanned, polled again.
        QCOMPARE(after.value(0), QByteArray("Interface OVI00001 found again"));
        QVERIFY(rig.acq().CyclicUpdate && rig.acq().RxCount > 20 && rig.acq().BadRxCount == 0);

        // The log goes on in a new file; the old one keeps what it had.
        QVERIFY(logged.Logging && logged.LogFileName != firstLog);
        QVERIFY(after.contains("Logging of 0x1004A2 continues in " + logged.LogFileName));
        QCOMPARE(fileLineCount(firstLog), logLinesAtLoss);
        QVERIFY(fileLineCount(logged.LogFileName) > 10);
    }

    void noInterfaceAtStart_data()
    {
        QTest::addColumn<QByteArray>("identity");
        QTest::addColumn<int>("scans"); // after the start-up scan, by 31 s
        QTest::addColumn<bool>("polling");
        // Plugged in at 4 s: found at the next look-up.
        QTest::newRow("plugged in later") << QByteArray("ORVANE INTERFACE V2.0") << 1 << true;
        // Listed but never identified: tried at 6, 10, 18 and 34 s... not every 2 s.
        QTest::newRow("never answers") << QByteArray("SOMETHING ELSE") << 3 << false;
    }
    void noInterfaceAtStart()
    {
        QFETCH(QByteArray, identity);
        QFETCH(int, scans);
        QFETCH(bool, polling);
        Scenario s = builtInScenario();
        s.identity = identity;
        s.unplugAfterMs = 1;
        s.replugAfterMs = 4000;
        SimSession rig(s, reconnecting());
        rig.tick();
        QVERIFY(
            rig.memo.history.contains("Waiting for an interface (device list checked every 2 s)"));
        rig.ticksUntil(31000);
        QCOMPARE(rig.memo.history.count("Scanning for FTDI devices...") - 1, scans);
        QCOMPARE(rig.acq().CyclicUpdate, polling);
        QVERIFY(rig.memo.history.contains(polling
                ? QByteArray("Interface OVI00001 found")
                : QByteArray("Interface OVI00001 did not come back: next try in 8 s")));
    }
};

QTEST_GUILESS_MAIN(TestReconnect)
#include "tst_reconnect.moc"
