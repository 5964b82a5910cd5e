// Scenario files: what a valid file gives, and the one-line message for each
// kind of mistake, from the file that cannot be read to the one bad value.
#include "sim/Scenario.h"

#include <QTemporaryDir>
#include <QTest>

using namespace orvane;

class TestScenario : public QObject
{
    Q_OBJECT
private slots:
    void fullFile()
    {
        const QByteArray json = R"({"seed": 7, "latencyMs": 25, "identity": "ORVANE INTERFACE V2.1",
          "devices": [{"serial": "FT8Q2X1A", "description": "USB Serial Converter", "location": 4641},
            {"serial": "OVI20417", "description": "Orvane", "location": 4642, "interface": true}],
          "modules": [{"band": 2, "type": 2, "serial": "0x2000B7", "raw": [819, -1024, 512, 256, 100],
              "wave": "sine", "amplitude": 30, "periodMs": 5000, "lossRate": 0.05, "corruptRate": 0.01},
            {"band": 3, "type": 4, "answer": "Orvane Module, 0x4000FF"}],
          "lossRate": 0.5, "truncateRate": 0.25, "unplugAfterMs": 60000, "replugAfterMs": 65000,
          "replugSerial": "OVI99999", "replugLocation": 4643})";
        Scenario s;
        QString error;
        QVERIFY2(parseScenario(json, "net.json", s, &error), qPrintable(error));
        QVERIFY(s.devices.size() == 2 && s.modules.size() == 2);
        QVERIFY(!s.devices[0].isInterface && s.devices[1].isInterface);
        const ScenarioModule &m = s.modules[0];
        QVERIFY(m.raw == (std::array<int, 5> { 819, -1024, 512, 256, 100 }));
        QVERIFY(m.wave == SimWave::Sine && m.lossRate.value_or(-1) == 0.05);
        QVERIFY(!m.truncateRate.has_value()); // the top-level rate applies
        QCOMPARE(s.modules[1].serial, QByteArray("0x400003")); // made up when absent
        QCOMPARE(s.modules[1].answer, QByteArray("Orvane Module, 0x4000FF"));
        QVERIFY(s.latencyMs == 25 && s.truncateRate == 0.25 && s.replugAfterMs == 65000);
        QVERIFY(s.replugSerial == "OVI99999" && s.replugLocation == 4643u);
    }

    void badFiles_data()
    {
        QTest::addColumn<QByteArray>("json"); // no file when null
        QTest::addColumn<QString>("message"); // after "<path>: "
        const auto row = [](const char *name, const QByteArray &json, const char *message) {
            QTest::newRow(name) << json << QString::fromUtf8(message);
        };
        const auto devices
            = [](const QByteArray &list) { return R"({"devices": [)" + list + "]}"; };
        const auto modules
            = [](const QByteArray &list) { return R"({"modules": [)" + list + "]}"; };
        row("missing", QByteArray(), "cannot open");
        row("too big", "{" + QByteArray(kMaxScenarioFileBytes - 1, ' ') + "}", "larger than 1 MiB");
        row("syntax", R"({"seed": 1,})", "JSON syntax error at offset ");
        row("unknown top key", R"({"sead": 1})", R"(has an unknown key "sead")");
        row("rate", R"({"lossRate": 1.5})", "lossRate must be a number from 0 to 1");
        row("identity", R"({"identity": "\u4e2d"})",
            "identity must hold only Windows-1252 characters");
        row("location twice",
            devices(R"({"serial": "A", "location": 9}, {"serial": "B", "location": 9})"),
            "devices[1].location 9 is already used by devices[0]");
        row("band 4", modules(R"({"band": 4, "type": 1})"),
            "modules[0].band must be a whole number from 0 to 3");
        row("band twice", modules(R"({"band": 1, "type": 1}, {"band": 1, "type": 2})"),
            "modules[1].band 1 is already used by modules[0]");
        row("raw four",
            modules(R"({"band": 0, "type": 1}, {"band": 1, "type": 1, "raw": [1, 2, 3, 4]})"),
            "modules[1].raw must hold 5 numbers");
        row("raw type 2", modules(R"({"band": 0, "type": 2, "raw": [0, -1025, 0, 0, 0]})"),
            "modules[0].raw[1] must be a whole number from -1024 to 64511");
        row("wave", modules(R"({"band": 0, "type": 1, "wave": "square"})"),
            R"(modules[0].wave must be "constant", "sine" or "walk")");
        row("replug before unplug", R"({"unplugAfterMs": 500, "replugAfterMs": 500})",
            "replugAfterMs must be later than unplugAfterMs");
        row("replug on a taken location",
            R"({"devices": [{"serial": "A", "location": 9}, {"serial": "OVI1", "location": 8,
               "interface": true}], "unplugAfterMs": 1, "replugAfterMs": 2, "replugLocation": 9})",
            "replugLocation 9 is already used by devices[0]");
    }

    void badFiles()
    {
        QFETCH(QByteArray, json);
        QFETCH(QString, message);
        QTemporaryDir dir;
        QFile file(dir.filePath("bad.json"));
        QVERIFY(
            json.isNull() || (file.open(QIODevice::WriteOnly) && file.write(json) == json.size()));
        file.close();
        Scenario scenario;
        scenario.seed = 99;
        QString error;
        QVERIFY(!loadScenario(file.fileName(), scenario, &error));
        QVERIFY2(error.startsWith(file.fileName() + ": " + message) && !error.contains('\n'),
            qPrintable(error));
        QCOMPARE(scenario.seed, 99u); // untouched
    }
};

QTEST_GUILESS_MAIN(TestScenario)
#include "tst_scenario.moc"
