#include "modules/OVModObjectUnit.h"
#include "net/DataLine.h"

#include <QTest>

#include <memory>

using namespace orvane;

namespace {

struct ModuleSetup
{
    int slot;
    QByteArray serial;
    QList<double> values;
    QList<QByteArray> units;
    int signalCount = -1; // -1: values.size()
};

} // namespace

Q_DECLARE_METATYPE(QList<ModuleSetup>)

class TestDataLine : public QObject
{
    Q_OBJECT
private slots:
    void dataLine_data();
    void dataLine();
};

void TestDataLine::dataLine_data()
{
    QTest::addColumn<QList<ModuleSetup>>("modules");
    QTest::addColumn<QByteArray>("expected");

    QTest::newRow("no module") << QList<ModuleSetup> {} << QByteArray("Data : ");
    QTest::newRow("one module, three signals") << QList<ModuleSetup> {
        { 2, "0x2000B7", { 2.5, -0.125, 1 }, { "Volt", "Volt", "On/Off" } }
    } << QByteArray("Data : #0x2000B7,,2.500,Volt,-0.125,Volt,1.000,On/Off");
    QTest::newRow("large and negative values") << QList<ModuleSetup> {
        { 1, "0x1004A2", { 1000000, -0.5, 0.0005, -0.0004 }, { "V", "V", "V", "V" } }
    } << QByteArray("Data : #0x1004A2,,1000000.000,V,-0.500,V,0.001,V,-0.000,V");
    QTest::newRow("slots 1 and 4, no separator") << QList<ModuleSetup> {
        { 1, "0x000001", { 1 }, { "A" } }, { 4, "0x000004", { 4 }, { "B" } }
    } << QByteArray("Data : #0x000001,,1.000,A#0x000004,,4.000,B");
    QTest::newRow("present without signals")
        << QList<ModuleSetup> { { 3, "0x000003", {}, {} } } << QByteArray("Data : #0x000003,");
    QTest::newRow("degree unit bytes kept") << QList<ModuleSetup> { { 1, "0x000001", { 21.25 },
        { QByteArray("\xB0"
                     "C") } } }
                                            << QByteArray("Data : #0x000001,,21.250,\xB0"
                                                          "C");
    // A CR LF from the radio or a settings file must not split the line.
    QTest::newRow("control bytes and DEL shown as ?") << QList<ModuleSetup> {
        { 1, QByteArray("0x1\r\n2\x7F\x00\xB0", 9), { 1 }, { QByteArray("V\tx\n") } }
    } << QByteArray("Data : #0x1??2??\xB0,,1.000,V?x?");
    QTest::newRow("signal count beyond the table is clamped")
        << QList<ModuleSetup> { { 1, "0x000001", {}, {}, 1000 } }
        << QByteArray("Data : #0x000001,") + QByteArray(",0.000,Volt").repeated(16);
    QTest::newRow("negative signal count")
        << QList<ModuleSetup> { { 1, "0x000001", {}, {}, -3 } } << QByteArray("Data : #0x000001,");
}

void TestDataLine::dataLine()
{
    QFETCH(QList<ModuleSetup>, modules);
    QFETCH(QByteArray, expected);

    std::array<std::unique_ptr<TOV_MOD_Object>, 4> objects;
    std::array<const TOV_MOD_Object *, 4> slotPointers {};
    for (int i = 0; i < 4; ++i) {
        objects[i] = std::make_unique<TOV_MOD_Object>();
        slotPointers[i] = objects[i].get();
    }
    // An absent module with data must not show.
    objects[1]->SerialText = "0xHIDDEN";
    objects[1]->SignalCount = 1;
    for (const ModuleSetup &setup : modules) {
        TOV_MOD_Object &m = *objects[setup.slot - 1];
        m.Present = true;
        m.SerialText = setup.serial;
        m.SignalCount = setup.signalCount >= 0 ? setup.signalCount : int(setup.values.size());
        for (int i = 0; i < setup.values.size(); ++i) {
            m.Samples[i + 1].Current = setup.values[i];
            m.Signals[i + 1].Unit = setup.units[i];
        }
    }
    QCOMPARE(buildDataLine(slotPointers), expected);
}

QTEST_GUILESS_MAIN(TestDataLine)
#include "tst_dataline.moc"
