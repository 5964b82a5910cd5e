// MQTT publishing against a real Mosquitto: a session on the simulated
// network (or the program itself) in, mosquitto_sub and the event log out.
#include "DataLineRequest.h"
#include "FakePorts.h"
#include "MosquittoBroker.h"
#include "app/OrvaneSession.h"
#include "common/Text1252.h"
#include "modules/NumberText.h"
#include "publish/MqttMessages.h"
#include "sim/SimClock.h"
#include "sim/SimDriver.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <csignal>

using namespace orvane;

namespace {
const QByteArray kPrefix = "orvane/OVI00001/";

struct Rig : FakePortSet
{
    ManualSimClock clock;
    std::unique_ptr<OrvaneSession> session;

    explicit Rig(const MqttSettings &mqtt)
    {
        OrvaneSession::Options options;
        options.dataPort = 0;
        options.startTimer = false;
        options.mqtt = mqtt;
        session = std::make_unique<OrvaneSession>(
            std::make_unique<SimDriver>(builtInScenario(), clock), ports(), options);
        session->acquisition()->IntObject->setWaitFunction([this](int ms) { clock.advanceMs(ms); });
        session->acquisition()->ThreadedTimer1 = nullptr; // ticks only from ticks()
        session->start("2.2.0.0");
    }
    void ticks(int n)
    {
        for (int i = 0; i < n; ++i) {
            clock.advanceMs(180);
            session->acquisition()->MainTimerTimer();
        }
    }
    bool logged(const QByteArray &part) const
    {
        return std::any_of(memo.history.cbegin(), memo.history.cend(),
            [&](const QByteArray &line) { return line.contains(part); });
    }
};

MqttSettings plain(quint16 port)
{
    MqttSettings s;
    s.host = QStringLiteral("127.0.0.1");
    s.port = port;
    return s;
}

QByteArray stateLine(const SnapshotPtr &s, int slot)
{
    const SlotSnapshot &m = s->modules[size_t(slot - 1)];
    return kPrefix + m.serial + "/state " + mqtt::stateJson(m, s->timeMs, s->cycle);
}
} // namespace

class TestMqtt : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // States per cycle equal to the data line; a late subscriber gets them
    // retained; after a 10 s broker outage: status, newest states, the last
    // 1000 alarm events in order and a line for the dropped ones.
    void statesAlarmsAndABrokerRestart()
    {
        MosquittoBroker broker;
        QVERIFY(broker.start());
        Subscriber live(broker.port, { "-R", "-q", "1", "-c", "-i", "tst-live" });
        QVERIFY(live.subscribed(broker.port));
        Rig rig(plain(broker.port));
        rig.ticks(5 * 2); // the scan and two cycles
        QTRY_VERIFY_WITH_TIMEOUT(live.count(kPrefix + "status online") == 1, 20000);
        const SnapshotPtr second = rig.session->latestSnapshot();
        QCOMPARE(second->cycle, quint64(2));
        const QByteArray dataLine = requestDataLine(rig.session->server()->port());
        for (int slot : { 1, 3 }) {
            QTRY_VERIFY_WITH_TIMEOUT(live.lines.contains(stateLine(second, slot)), 20000);
            const QJsonObject state = QJsonDocument::fromJson(
                stateLine(second, slot).mid(stateLine(second, slot).indexOf(' ') + 1))
                                          .object();
            QByteArray block = '#' + state["serial"].toString().toLatin1() + ',';
            for (const QJsonValue &v : state["signals"].toArray())
                block += ',' + formatFixed(v["value"].toDouble(), 3) + ','
                    + toWindows1252(v["unit"].toString());
            QVERIFY2(dataLine.contains(block), block.constData());
        }
        Subscriber late(broker.port);
        QTRY_VERIFY_WITH_TIMEOUT(late.lines.contains(stateLine(second, 1)), 20000);

        broker.stop();
        QElapsedTimer outage;
        outage.start();
        QTRY_VERIFY_WITH_TIMEOUT(rig.logged("MQTT connection to 127.0.0.1:"
                                     + QByteArray::number(broker.port) + " lost: "),
            20000);
        QList<PlantEvent> events;
        connect(rig.session.get(), &OrvaneSession::plantEvent, this,
            [&](const PlantEvent &e) { events.append(e); });
        for (int cycle = 0; events.size() < 1100; ++cycle) {
            for (int slot : { 1, 3 }) {
                for (TSignalRecord &s : rig.session->acquisition()->ModObject[slot]->Signals)
                    s.AlarmHigh = cycle % 2 ? 1e9 : -1e9;
            }
            rig.ticks(5);
        }
        QTest::qWait(int(std::max<qint64>(0, 10000 - outage.elapsed())));
        QVERIFY(broker.start());
        QTRY_VERIFY_WITH_TIMEOUT(live.count(kPrefix + "status online") == 2, 90000);
        const QByteArray newest = stateLine(rig.session->latestSnapshot(), 3);
        QList<QByteArray> expected;
        for (const PlantEvent &e : events.mid(events.size() - 1000))
            expected.append(kPrefix + e.module + "/alarm " + mqtt::alarmJson(e));
        QTRY_VERIFY_WITH_TIMEOUT(live.lines.endsWith(expected.last()), 30000);
        const qsizetype online = live.lines.lastIndexOf(kPrefix + "status online");
        QVERIFY(live.lines.indexOf(newest, online) > online);
        QCOMPARE(live.lines.mid(live.lines.indexOf(expected.first())), expected);
        QVERIFY(rig.logged("MQTT: " + QByteArray::number(events.size() - 1000)
            + " alarm events were dropped while the broker could not be reached"));
    }

    void tls_data()
    {
        QTest::addColumn<QString>("host");
        QTest::addColumn<QString>("ca");
        QTest::addColumn<QByteArray>("line");
        QTest::newRow("right CA") << "localhost"
                                  << "ca.crt" << QByteArray("MQTT connected to");
        QTest::newRow("wrong CA") << "localhost"
                                  << "other.crt"
                                  << QByteArray("lost: TLS: certificate verify failed (");
        QTest::newRow("name mismatch")
            << "127.0.0.1"
            << "ca.crt" << QByteArray("lost: host name verification failed; retrying");
    }
    void tls()
    {
        QFETCH(QString, host);
        QFETCH(QString, ca);
        QFETCH(QByteArray, line);
        MosquittoBroker broker;
        QVERIFY(broker.start());
        MqttSettings s = plain(broker.tlsPort);
        s.tls = true;
        s.host = host;
        s.caFile = broker.path(qPrintable(ca));
        s.certFile = broker.path("client.crt");
        s.keyFile = broker.path("client.key");
        s.clientId = s.topicPrefix = QStringLiteral("tls");
        Rig rig(s);
        QTRY_VERIFY_WITH_TIMEOUT(rig.logged(line), 20000);
    }

    void commands_data()
    {
        QTest::addColumn<bool>("on");
        QTest::addColumn<QByteArray>("topic");
        QTest::addColumn<QByteArray>("payload");
        QTest::addColumn<int>("mode"); // of output 1 afterwards
        QTest::addColumn<QByteArray>("line");
        QTest::newRow("on") << true << QByteArray("0x1004A2/output/1/set") << QByteArray("on") << 1
                            << QByteArray();
        QTest::newRow("rule") << true << QByteArray("0x1004A2/output/1/set") << QByteArray("rule")
                              << 2 << QByteArray();
        QTest::newRow("commands off") << false << QByteArray("0x1004A2/output/1/set")
                                      << QByteArray("on") << 0 << QByteArray();
        QTest::newRow("bad payload")
            << true << QByteArray("0x1004A2/output/1/set") << QByteArray("ON") << 0
            << QByteArray("(not on, off or rule)");
        QTest::newRow("bad output") << true << QByteArray("0x1004A2/output/3/set")
                                    << QByteArray("on") << 0 << QByteArray("(no such output)");
        QTest::newRow("unknown module") << true << QByteArray("0x999999/output/1/set")
                                        << QByteArray("on") << 0 << QByteArray("(no such module)");
    }
    void commands()
    {
        QFETCH(bool, on);
        QFETCH(QByteArray, topic);
        QFETCH(QByteArray, payload);
        QFETCH(int, mode);
        QFETCH(QByteArray, line);
        MosquittoBroker broker;
        QVERIFY(broker.start());
        MqttSettings s = plain(broker.port);
        s.commands = on;
        Rig rig(s);
        Subscriber sub(broker.port);
        rig.ticks(5);
        QTRY_VERIFY_WITH_TIMEOUT(
            sub.lines.contains(stateLine(rig.session->latestSnapshot(), 1)), 20000);
        QProcess::execute(QStringLiteral("mosquitto_pub"),
            { "-p", QString::number(broker.port), "-t", kPrefix + topic, "-m", payload });
        const auto outputMode
            = [&] { return rig.session->latestSnapshot()->modules[0].outputMode1; };
        if (mode != 0) {
            QTRY_COMPARE_WITH_TIMEOUT(outputMode(), mode, 20000);
            QTRY_VERIFY(
                sub.lines.contains(kPrefix + "0x1004A2/output/1 " + mqtt::outputModeText(mode)));
        } else if (!line.isEmpty()) {
            QTRY_VERIFY_WITH_TIMEOUT(rig.logged("MQTT command ignored " + line), 20000);
        } else {
            QTest::qWait(2000); // nothing is subscribed: nothing to wait for
        }
        QCOMPARE(outputMode(), mode);
    }

    // The program itself: "offline" from the last will within 1.5 x keepalive
    // after kill -9; a bad [mqtt] section stops it with one line.
    void program()
    {
#ifdef ORVANE_MONITOR
        MosquittoBroker broker;
        QVERIFY(broker.start());
        QFile conf(broker.path("program.conf"));
        QVERIFY(conf.open(QIODevice::WriteOnly));
        conf.write("[mqtt]\nurl = mqtt://127.0.0.1:" + QByteArray::number(broker.port)
            + "\nkeepalive = 5\n");
        conf.close();
        Subscriber sub(broker.port);
        QProcess program;
        program.start(QStringLiteral(ORVANE_MONITOR),
            { "--headless", "--simulate", "--port", "0", "--config", conf.fileName() });
        QTRY_VERIFY_WITH_TIMEOUT(
            sub.lines.contains(kPrefix
                + "modules [{\"serial\": \"0x1004A2\", \"type\": 1, "
                  "\"slot\": 1}, {\"serial\": \"0x2000B7\", \"type\": 2, \"slot\": 3}]"),
            30000);
        ::kill(pid_t(program.processId()), SIGKILL);
        QTRY_VERIFY_WITH_TIMEOUT(sub.lines.contains(kPrefix + "status offline"), 7500 + 2000);
        program.waitForFinished();

        conf.open(QIODevice::WriteOnly);
        conf.write("[mqtt]\nkeepalive = 1\n");
        conf.close();
        program.start(
            QStringLiteral(ORVANE_MONITOR), { "--headless", "--config", conf.fileName() });
        QVERIFY(program.waitForFinished(20000));
        QCOMPARE(program.exitCode(), 1);
        const QByteArray error = program.readAllStandardError();
        QCOMPARE(error.count('\n'), 1);
        QVERIFY2(error.contains(".conf: [mqtt] keepalive: \"1\" is not a whole number"), error);
#else
        QSKIP("built without the program");
#endif
    }
};

QTEST_GUILESS_MAIN(TestMqtt)
#include "tst_mqtt.moc"
