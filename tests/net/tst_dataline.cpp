// The data line the TCP service answers, built from the four slots.
#include "modules/OVModObjectUnit.h"
#include "net/DataLine.h"

#include <QTest>

using namespace orvane;

namespace {
struct ModuleSetup
{
    int slot;
    QByteArray serial;
    QList<double> values; // with the units below
    QByteArrayList units;
    int signalCount = -1; // -1: values.size()
};

// The line of the slots set up so; slot 2 holds an absent module with data,
// which must not show.
QByteArray lineOf(const QList<ModuleSetup> &setups)
{
    std::array<TOV_MOD_Object, 4> m;
    m[1].SerialText = "0xHIDDEN";
    m[1].SignalCount = 1;
    for (const ModuleSetup &setup : setups) {
        TOV_MOD_Object &module = m[size_t(setup.slot - 1)];
        module.Present = true;
        module.SerialText = setup.serial;
        module.SignalCount = setup.signalCount >= 0 ? setup.signalCount : int(setup.values.size());
        for (int i = 0; i < setup.values.size(); ++i) {
            module.Samples[i + 1].Current = setup.values[i];
            module.Signals[i + 1].Unit = setup.units[i];
        }
    }
    return buildDataLine({ &m[0], &m[1], &m[2], &m[3] });
}
} // namespace

class TestDataLine : public QObject
{
    Q_OBJECT
private slots:
    void dataLine_data()
    {
        QTest::addColumn<QByteArray>("line");
        QTest::addColumn<QByteArray>("expected");
        const auto row
            = [](const char *name, const QList<ModuleSetup> &setups, const QByteArray &expected) {
                  QTest::newRow(name) << lineOf(setups) << expected;
              };
        row("no module", {}, "Data : ");
        row("one module, three signals",
            { { 2, "0x2000B7", { 2.5, -0.125, 1 }, { "Volt", "Volt", "On/Off" } } },
            "Data : #0x2000B7,,2.500,Volt,-0.125,Volt,1.000,On/Off");
        row("large and negative values",
            { { 1, "0x1004A2", { 1000000, 0.0005, -0.0004 }, { "V", "V", "V" } } },
            "Data : #0x1004A2,,1000000.000,V,0.001,V,-0.000,V");
        row("slots 1 and 4, no separator",
            { { 1, "0x000001", { 1 }, { "A" } }, { 4, "0x000004", { 4 }, { "B" } } },
            "Data : #0x000001,,1.000,A#0x000004,,4.000,B");
        // A CR LF from the radio or a settings file must not split the line;
        // other bytes are kept.
        row("control bytes and DEL shown as ?",
            { { 1, QByteArray("0x1\r\n2\x7F\x00\xB0", 9), { 1 }, { "V\tx\n" } } },
            "Data : #0x1??2??\xB0,,1.000,V?x?");
        row("signal count beyond the table is clamped", { { 1, "0x000001", {}, {}, 1000 } },
            "Data : #0x000001," + QByteArray(",0.000,Volt").repeated(16));
    }
    void dataLine()
    {
        QFETCH(QByteArray, line);
        QTEST(line, "expected");
    }
};

QTEST_GUILESS_MAIN(TestDataLine)
#include "tst_dataline.moc"
