// MQTT publishing against a real Mosquitto: a session on the simulated
// network (or the program itself) in, mosquitto_sub and the event log out.
#include "DataLineRequest.h"
#include "MosquittoBroker.h"
#include "SimSession.h"
#include "net/DataLine.h"
#include "publish/MqttMessages.h"

#include <csignal>

using namespace orvane;

namespace {
const QByteArray kPrefix = "orvane/OVI00001/";
// A session on the simulated network that publishes to `mqtt`.
struct Rig : SimSession
{
    explicit Rig(const MqttSettings &mqtt)
        : SimSession(builtInScenario(), withMqtt(mqtt))
    {
    }
    static OrvaneSession::Options withMqtt(const MqttSettings &mqtt)
    {
        OrvaneSession::Options o = options();
        o.mqtt = mqtt;
        return o;
    }
};

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
    // States per cycle equal to the data line, the module list and a module
    // an earlier run listed cleared; a late subscriber gets the states
    // retained; after a 10 s broker outage: status, newest states, the last
    // 1000 alarm events in order and a line for the dropped ones.
    void statesAlarmsAndABrokerRestart()
    {
        MosquittoBroker broker;
        QVERIFY(broker.start());
        QProcess::execute("mosquitto_pub",
            { "-p", QString::number(broker.port), "-r", "-t", kPrefix + "modules", "-m",
                R"([{"serial": "0x777777", "type": 1, "slot": 2}])" });
        Subscriber live(broker.port, { "-R", "-q", "1", "-c", "-i", "tst-live" });
        QTRY_VERIFY_WITH_TIMEOUT(
            ( // a probe comes back: the subscription stands
                QProcess::execute("mosquitto_pub",
                    { "-p", QString::number(broker.port), "-t", "orvane/probe", "-m", "x" }),
                live.lines.contains("orvane/probe x")),
            20000);
        MqttSettings mqtt;
        mqtt.host = "127.0.0.1", mqtt.port = broker.port;
        Rig rig(mqtt);
        rig.ticks(5 * 2); // the scan and two cycles
        QTRY_VERIFY_WITH_TIMEOUT(live.lines.contains(kPrefix + "0x777777/state (null)"), 20000);
        const SnapshotPtr second = rig.session->latestSnapshot();
        QCOMPARE(requestDataLine(rig.session->server()->port()), buildDataLine(*second));
        for (int slot : { 1, 3 })
            QTRY_VERIFY_WITH_TIMEOUT(live.lines.contains(stateLine(second, slot)), 20000);
        const double value = second->modules[0].signalList[0].value; // every bit of it
        QVERIFY(stateLine(second, 1).contains(
            "\"value\": " + QByteArray::number(value, 'g', QLocale::FloatingPointShortest) + ", "));
        Subscriber late(broker.port);
        QTRY_VERIFY_WITH_TIMEOUT(late.lines.contains(stateLine(second, 1)), 20000);
        QVERIFY(late.lines.contains(kPrefix + "modules " + mqtt::modulesJson(*second)));

        broker.stop();
        const qint64 stopped = QDateTime::currentMSecsSinceEpoch();
        QTRY_VERIFY_WITH_TIMEOUT(rig.logged("MQTT connection to 127.0.0.1:"
                                     + QByteArray::number(broker.port) + " lost: "),
            20000);
        QList<PlantEvent> events;
        connect(rig.session, &OrvaneSession::plantEvent, this,
            [&](const PlantEvent &e) { events.append(e); });
        for (int cycle = 0; events.size() < 1100 && cycle < 5000; ++cycle) {
            for (int slot : { 1, 3 }) {
                for (TSignalRecord &s : rig.session->acquisition()->ModObject[slot]->Signals)
                    s.AlarmHigh = cycle % 2 ? 1e9 : -1e9;
            }
            rig.ticks(5);
        }
        QTest::qWait(
            int(std::max<qint64>(0, stopped + 10000 - QDateTime::currentMSecsSinceEpoch())));
        QVERIFY(broker.start());
        QTRY_VERIFY_WITH_TIMEOUT(live.lines.count(kPrefix + "status online") == 2, 90000);
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

    // The right CA connects (with a client certificate); a wrong one, or a
    // name the certificate is not for, does not, and the line says why.
    void tls()
    {
        MosquittoBroker broker;
        QVERIFY(broker.start());
        MqttSettings s;
        s.tls = true, s.port = broker.tlsPort, s.clientId = s.topicPrefix = "tls";
        s.certFile = broker.path("client.crt"), s.keyFile = broker.path("client.key");
        for (const auto &[host, ca, line] : { std::tuple { "localhost", "ca.crt", "connected to" },
                 { "localhost", "other.crt", "lost: TLS: certificate verify failed (" },
                 { "127.0.0.1", "ca.crt", "lost: host name verification failed; retrying" } }) {
            s.host = host;
            s.caFile = broker.path(ca);
            Rig rig(s);
            QTRY_VERIFY2_WITH_TIMEOUT(rig.logged(line), line, 20000);
        }
    }

    void commands_data()
    {
        QTest::addColumn<bool>("on");
        QTest::addColumn<QByteArray>("topic");
        QTest::addColumn<QByteArray>("payload");
        QTest::addColumn<int>("mode"); // of output 1 afterwards
        QTest::addColumn<QByteArray>("line");
        const auto row = [](const char *name, bool on, const char *topic, const char *payload,
                             int mode, const char *line = "") {
            QTest::newRow(name) << on << QByteArray(topic) << QByteArray(payload) << mode
                                << QByteArray(line);
        };
        row("on", true, "0x1004A2/output/1/set", "on", 1);
        row("commands off", false, "0x1004A2/output/1/set", "on", 0);
        row("bad payload", true, "0x1004A2/output/1/set", "ON", 0, "(not on, off or rule)");
        row("bad output", true, "0x1004A2/output/3/set", "on", 0, "(no such output)");
        row("unknown module", true, "0x999999/output/1/set", "on", 0, "(no such module)");
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
        MqttSettings mqtt;
        mqtt.host = "127.0.0.1", mqtt.port = broker.port, mqtt.commands = on;
        Rig rig(mqtt);
        Subscriber sub(broker.port);
        rig.ticks(5);
        QTRY_VERIFY_WITH_TIMEOUT(
            sub.lines.contains(stateLine(rig.session->latestSnapshot(), 1)), 20000);
        QProcess::execute("mosquitto_pub",
            { "-p", QString::number(broker.port), "-t", kPrefix + topic, "-m", payload });
        if (mode != 0)
            QTRY_VERIFY_WITH_TIMEOUT(
                sub.lines.contains(kPrefix + "0x1004A2/output/1 " + mqtt::outputModeText(mode)),
                20000);
        else if (!line.isEmpty())
            QTRY_VERIFY_WITH_TIMEOUT(rig.logged("MQTT command ignored " + line), 20000);
        else
            QTest::qWait(2000); // nothing is subscribed: nothing to wait for
        QCOMPARE(rig.session->latestSnapshot()->modules[0].outputMode1, mode);
    }

    // The program itself: "offline" from the last will within 1.5 x keepalive
    // after kill -9; a bad [mqtt] section stops it with one line.
    void program()
    {
        if (!QFile::exists(ORVANE_MONITOR))
            QSKIP("built without the program");
        MosquittoBroker broker;
        QVERIFY(broker.start());
        const QString conf = broker.write("program.conf",
            "[mqtt]\nurl = mqtt://127.0.0.1:" + QByteArray::number(broker.port)
                + "\nkeepalive = 5\n");
        Subscriber sub(broker.port);
        QProcess program;
        program.start(
            ORVANE_MONITOR, { "--headless", "--simulate", "--port", "0", "--config", conf });
        QTRY_VERIFY_WITH_TIMEOUT(sub.lines.contains(kPrefix + "status online"), 30000);
        ::kill(pid_t(program.processId()), SIGKILL);
        QTRY_VERIFY_WITH_TIMEOUT(sub.lines.contains(kPrefix + "status offline"), 7500 + 2000);
        program.waitForFinished();

        program.start(ORVANE_MONITOR,
            { "--headless", "--config", broker.write("bad.conf", "[mqtt]\nkeepalive = 1\n") });
        QVERIFY(program.waitForFinished(20000));
        QCOMPARE(program.exitCode(), 1);
        QVERIFY(program.readAllStandardError().endsWith(
            "bad.conf: [mqtt] keepalive: \"1\" is not a whole number from 5 to 65535\n"));
    }
};

QTEST_GUILESS_MAIN(TestMqtt)
#include "tst_mqtt.moc"
