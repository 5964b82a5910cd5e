// Reconnecting after the interface is lost, from the session's outside: the
// simulated interface is unplugged and comes back (or another one does); the
// event log, the polling counters and the measurement log files show what the
// program did. Everything runs on a simulated clock.
#include "FakePorts.h"
#include "app/OrvaneSession.h"
#include "common/NavigationTree.h"
#include "sim/Scenario.h"
#include "sim/SimClock.h"
#include "sim/SimDriver.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace orvane;

namespace {
// Counts the device-list look-ups.
class CountingDriver : public SimDriver
{
public:
    using SimDriver::SimDriver;
    FT_STATUS FT_CreateDeviceInfoList(DWORD *count) override
    {
        ++lookUps;
        return SimDriver::FT_CreateDeviceInfoList(count);
    }
    int lookUps = 0;
};

struct Rig
{
    ManualSimClock clock;
    FakeLogMemo memo;
    FakeOperatorMessages messages;
    NavigationTree tree;
    CountingDriver *driver = nullptr;
    std::unique_ptr<OrvaneSession> session;

    explicit Rig(const Scenario &scenario)
    {
        AcquisitionControl::Ports ports;
        ports.eventLog = &memo;
        ports.messages = &messages;
        ports.tree = &tree;
        OrvaneSession::Options options;
        options.dataPort = 0;
        options.startTimer = false;
        options.reconnect = true;
        options.reconnectClockMs = [this] { return clock.nowMs(); };
        auto owned = std::make_unique<CountingDriver>(scenario, clock);
        driver = owned.get();
        session = std::make_unique<OrvaneSession>(std::move(owned), ports, options);
        acq().IntObject->setWaitFunction([this](int ms) { clock.advanceMs(ms); });
        // Log file names carry the time to the second: it follows the simulated clock.
        for (TOV_MOD_Object *module : acq().modules())
            module->Clock = [this] {
                return QDateTime(QDate(2024, 5, 1), QTime(8, 0)).addMSecs(clock.nowMs());
            };
        session->start("2.2.0.0");
    }
    AcquisitionControl &acq() { return *session->acquisition(); }
    InterfaceReconnect &reconnect() { return *session->reconnect(); }
    void tick()
    {
        clock.advanceMs(180);
        acq().MainTimerTimer();
    }
    void ticksUntil(qint64 ms)
    {
        while (clock.nowMs() < ms)
            tick();
    }
};

int fileLines(const QByteArray &name)
{
    QFile file(QString::fromLatin1(name));
    return file.open(QIODevice::ReadOnly) ? int(file.readAll().count('\n')) : -1;
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
        QTest::addColumn<bool>(
            "otherListed"); // another "OVI" device, listed first after the replug
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
        Rig rig(s);
        QStringList events; // the session's announcements of the loss and the return
        QObject::connect(rig.session.get(), &OrvaneSession::plantEvent,
            [&](const PlantEvent &e) { events.append(QString::fromLatin1(e.text)); });
        rig.tick(); // start-up scan
        QCOMPARE(rig.reconnect().state(), InterfaceReconnect::State::Watching);
        TOV_MOD_Object &logged = *rig.acq().ModObject[1];
        logged.SetLogging(true);
        const QByteArray firstLog = logged.LogFileName;

        // Unplugged: the failing call's message, then the story in the event log.
        const qsizetype beforeLoss = rig.memo.history.size();
        rig.ticksUntil(5600);
        QCOMPARE(rig.messages.errors.size(), 1);
        QVERIFY(!rig.acq().CyclicUpdate);
        QCOMPARE(rig.memo.history.mid(beforeLoss),
            QByteArrayList({ "Interface OVI00001 lost",
                "Waiting for interface OVI00001 (device list checked every 2 s)" }));
        const int logLinesAtLoss = fileLines(firstLog);

        // Waiting is quiet: no line, no message, one look-up every 2 s.
        const qsizetype waitingFrom = rig.memo.history.size();
        const int lookUpsAtLoss = rig.driver->lookUps;
        const qint64 lossMs = rig.clock.nowMs();
        rig.ticksUntil(11950);
        QCOMPARE(rig.memo.history.size(), waitingFrom);
        QCOMPARE(rig.messages.errors.size(), 1);
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
            QCOMPARE(rig.reconnect().state(), InterfaceReconnect::State::Waiting);
            QVERIFY(!rig.acq().CyclicUpdate);
            QCOMPARE(fileLines(firstLog), logLinesAtLoss);
            QCOMPARE(events, QStringList { "Interface OVI00001 lost" });
            return;
        }
        QCOMPARE(events, QStringList({ "Interface OVI00001 lost", "Interface OVI00001 is back" }));
        // Found at the first look-up after its return, scanned, polled again.
        QCOMPARE(after.value(0), QByteArray("Interface OVI00001 found again"));
        QVERIFY(after.contains("Interface OVI00001 is back"));
        QVERIFY(rig.acq().CyclicUpdate);
        QVERIFY(rig.acq().RxCount > 20);
        QCOMPARE(rig.acq().BadRxCount, 0);

        // The log goes on in a new file; the old one keeps what it had.
        QVERIFY(logged.Logging);
        QVERIFY(logged.LogFileName != firstLog);
        QVERIFY(after.contains("Logging of 0x1004A2 continues in " + logged.LogFileName));
        QCOMPARE(fileLines(firstLog), logLinesAtLoss);
        QVERIFY(fileLines(logged.LogFileName) > 10);
        logged.SetLogging(false);
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
        Rig rig(s);
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
