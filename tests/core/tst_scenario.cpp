// Scenario files: what a valid file gives, and the one-line message for each
// kind of mistake.
#include "sim/Scenario.h"

#include <QTemporaryDir>
#include <QTest>

using namespace orvane;

class TestScenario : public QObject
{
    Q_OBJECT

private slots:
    void emptyObjectGivesDefaults();
    void fullFile();
    void builtInNetwork();
    void badFiles_data();
    void badFiles();
    void fileProblems();
};

void TestScenario::emptyObjectGivesDefaults()
{
    Scenario scenario;
    QString error;
    QVERIFY2(parseScenario("{}", "empty.json", scenario, &error), qPrintable(error));
    QCOMPARE(scenario.latencyMs, 40);
    QCOMPARE(scenario.identity, QByteArray("ORVANE INTERFACE V2.0"));
    QCOMPARE(scenario.devices.size(), size_t(1));
    QVERIFY(scenario.devices[0].isInterface);
    QVERIFY(scenario.devices[0].serial.contains("OVI"));
    QVERIFY(scenario.devices[0].location > 0);
    QVERIFY(scenario.modules.empty());
    QCOMPARE(scenario.unplugAfterMs, 0);
}

void TestScenario::fullFile()
{
    const QByteArray json = R"({
      "seed": 7, "latencyMs": 25, "identity": "ORVANE INTERFACE V2.1",
      "devices": [
        { "serial": "FT8Q2X1A", "description": "USB Serial Converter", "location": 4641 },
        { "serial": "OVI20417", "description": "Orvane Interface", "location": 4642, "interface": true }
      ],
      "modules": [
        { "band": 0, "type": 1, "serial": "0x1004A2", "raw": [512, 256, 1023, 0, 100] },
        { "band": 2, "type": 2, "serial": "0x2000B7", "raw": [819, -1024, 512, 256, 100],
          "wave": "sine", "amplitude": 30, "periodMs": 5000, "lossRate": 0.05, "corruptRate": 0.01 },
        { "band": 3, "type": 4, "answer": "Orvane Module, 0x4000FF" }
      ],
      "lossRate": 0.5, "truncateRate": 0.25, "unplugAfterMs": 60000
    })";
    Scenario s;
    QString error;
    QVERIFY2(parseScenario(json, "net.json", s, &error), qPrintable(error));
    QCOMPARE(s.latencyMs, 25);
    QCOMPARE(s.devices.size(), size_t(2));
    QVERIFY(!s.devices[0].isInterface);
    QCOMPARE(s.devices[1].location, 4642u);
    QVERIFY(s.devices[1].isInterface);
    QCOMPARE(s.modules.size(), size_t(3));
    QCOMPARE(s.modules[1].raw, (std::array<int, 5> { 819, -1024, 512, 256, 100 }));
    QCOMPARE(s.modules[1].wave, SimWave::Sine);
    QCOMPARE(s.modules[1].lossRate.value_or(-1), 0.05);
    QVERIFY(!s.modules[1].truncateRate.has_value()); // falls back to the top level
    QCOMPARE(s.modules[2].serial, QByteArray("0x400003")); // made up when absent
    QCOMPARE(s.modules[2].answer, QByteArray("Orvane Module, 0x4000FF"));
    QCOMPARE(s.truncateRate, 0.25);
    QCOMPARE(s.unplugAfterMs, 60000);
}

void TestScenario::builtInNetwork()
{
    // One module of each type, values that move, no faults; all valid.
    const Scenario s = builtInScenario();
    QCOMPARE(s.modules.size(), size_t(2));
    QCOMPARE(s.modules[0].type * 10 + s.modules[0].band, 10);
    QCOMPARE(s.modules[1].type * 10 + s.modules[1].band, 22);
    for (const ScenarioModule &m : s.modules) {
        QVERIFY(m.wave != SimWave::Constant && !m.lossRate && !m.corruptRate && !m.truncateRate);
        for (int i = 0; i < 5; ++i)
            QVERIFY(m.raw[i] >= scenarioRawRange(m.type, i).min
                && m.raw[i] <= scenarioRawRange(m.type, i).max);
    }
    QCOMPARE(s.lossRate + s.corruptRate + s.truncateRate, 0.0);
}

void TestScenario::badFiles_data()
{
    QTest::addColumn<QByteArray>("json");
    QTest::addColumn<QString>("message");
    const auto row = [](const char *name, const char *json, const char *message) {
        QTest::newRow(name) << QByteArray(json) << QString::fromUtf8(message);
    };
    row("syntax", R"({"seed": 1,})", "bad.json: JSON syntax error at offset ");
    row("not an object", "[1, 2]", "bad.json: must hold one JSON object");
    row("unknown top key", R"({"sead": 1})", R"(bad.json: has an unknown key "sead")");
    row("latency negative", R"({"latencyMs": -5})",
        "bad.json: latencyMs must be a whole number from 0 to 60000");
    row("rate above 1", R"({"lossRate": 1.5})", "bad.json: lossRate must be a number from 0 to 1");
    row("identity not 1252", R"({"identity": "\u4e2d"})",
        "bad.json: identity must hold only Windows-1252 characters");
    row("devices object", R"({"devices": {}})", "bad.json: devices must be an array");
    row("too many devices",
        qPrintable(QStringLiteral(R"({"devices": [%1]})")
                       .arg(QStringList(17, R"({"serial": "A", "location": 1})").join(','))),
        "bad.json: devices must hold at most 16 entries");
    row("device location zero", R"({"devices": [{"serial": "A", "location": 0}]})",
        "bad.json: devices[0].location must be a whole number from 1 to 2147483647");
    row("device location twice",
        R"({"devices": [{"serial": "A", "location": 9}, {"serial": "B", "location": 9}]})",
        "bad.json: devices[1].location 9 is already used by devices[0]");
    row("two interfaces",
        R"({"devices": [{"serial": "OVI1", "location": 1, "interface": true}, {"serial": "OVI2", "location": 2, "interface": true}]})",
        "bad.json: devices[1].interface is set twice (devices[0] is the interface)");
    row("band missing", R"({"modules": [{"type": 1}]})", "bad.json: modules[0].band is missing");
    row("band 4", R"({"modules": [{"band": 4, "type": 1}]})",
        "bad.json: modules[0].band must be a whole number from 0 to 3");
    row("band twice", R"({"modules": [{"band": 1, "type": 1}, {"band": 1, "type": 2}]})",
        "bad.json: modules[1].band 1 is already used by modules[0]");
    row("raw four",
        R"({"modules": [{"band": 0, "type": 1}, {"band": 1, "type": 1, "raw": [1, 2, 3, 4]}]})",
        "bad.json: modules[1].raw must hold 5 numbers");
    row("raw type 1 over 10 bits",
        R"({"modules": [{"band": 0, "type": 1, "raw": [0, 1024, 0, 0, 0]}]})",
        "bad.json: modules[0].raw[1] must be a whole number from 0 to 1023");
    row("raw type 2 temperature",
        R"({"modules": [{"band": 0, "type": 2, "raw": [0, -1025, 0, 0, 0]}]})",
        "bad.json: modules[0].raw[1] must be a whole number from -1024 to 64511");
    row("wave unknown", R"({"modules": [{"band": 0, "type": 1, "wave": "square"}]})",
        R"(bad.json: modules[0].wave must be "constant", "sine" or "walk")");
    row("module unknown key", R"({"modules": [{"band": 0, "type": 1, "colour": "red"}]})",
        R"(bad.json: modules[0] has an unknown key "colour")");
}

void TestScenario::badFiles()
{
    QFETCH(QByteArray, json);
    QFETCH(QString, message);
    Scenario scenario;
    scenario.seed = 99;
    QString error;
    QVERIFY(!parseScenario(json, "bad.json", scenario, &error));
    QVERIFY2(error.startsWith(message), qPrintable(error));
    QVERIFY(!error.contains('\n'));
    QCOMPARE(scenario.seed, 99u); // untouched
}

void TestScenario::fileProblems()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    Scenario scenario;
    QString error;

    const QString missing = dir.filePath("missing.json");
    QVERIFY(!loadScenario(missing, scenario, &error));
    QVERIFY2(error.startsWith(missing + ": cannot open"), qPrintable(error));

    QVERIFY(!loadScenario(dir.path(), scenario, &error));
    QVERIFY2(error.startsWith(dir.path() + ": "), qPrintable(error));

    const QString big = dir.filePath("big.json");
    QFile file(big);
    QVERIFY(file.open(QIODevice::WriteOnly));
    QByteArray padding(kMaxScenarioFileBytes - 1, ' ');
    file.write("{" + padding + "}");
    file.close();
    QVERIFY(!loadScenario(big, scenario, &error));
    QCOMPARE(error, big + ": larger than 1 MiB");

    const QString good = dir.filePath("good.json");
    file.setFileName(good);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(R"({"latencyMs": 12})");
    file.close();
    QVERIFY2(loadScenario(good, scenario, &error), qPrintable(error));
    QCOMPARE(scenario.latencyMs, 12);
}

QTEST_GUILESS_MAIN(TestScenario)
#include "tst_scenario.moc"
