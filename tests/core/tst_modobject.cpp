#include "FakeAlarmOutput.h"
#include "FakeConfigView.h"
#include "common/NavigationTree.h"
#include "modules/OVModObjectUnit.h"

#include <QTest>

#include <cmath>
#include <memory>

using namespace orvane;

namespace {
QByteArray packet(int length, std::initializer_list<std::pair<int, int>> bytes)
{
    QByteArray p(length, '\0');
    p[0] = char(length + 0x20);
    for (auto [pos, value] : bytes)
        p[pos] = char(value);
    return p;
}

QList<double> samples(const TOV_MOD_Object &m, double TSignalSample::*which)
{
    QList<double> values;
    for (int i = 1; i <= m.SignalCount; ++i)
        values.append(m.Samples[i].*which);
    return values;
}

// The tree as the scan leaves it: the system and the interface node.
TreeNode *buildRoot(NavigationTree &tree)
{
    return tree.addChild(
        tree.addRoot("Orvane System|||Level 1", 0), "Orvane Interface|Connected||Level 2", 1);
}
} // namespace

class TestModObject : public QObject
{
    Q_OBJECT
private slots:
    void resetAndSignalTables();
    void decode();
    void linkStates();
    void shortType2Packet();
    void alarms();
    void rules();
    void requests();
    void treeNodes();
    void grid();
    void readBack_data();
    void readBack();
};

void TestModObject::resetAndSignalTables()
{
    TOV_MOD_Object m;
    QCOMPARE(m.LogFileName, QByteArray("<no file name>"));
    m.Samples[1].Previous = 4.0;
    m.LinkState = 2;
    m.TraceFlags[3] = 1;
    m.OutputState1 = 1;
    for (auto &s : m.Signals)
        s.AlarmHigh = 50.0;
    m.SetModuleType(2);
    m.SetModuleType(3); // changes nothing
    QCOMPARE(m.SignalCount, 8);
    QCOMPARE(m.Signals[1].AlarmLow, 7.0);
    QCOMPARE(m.Signals[3].Unit, QByteArray("\xB0\x46"));
    QCOMPARE(m.Signals[3].AlarmHigh, 50.0); // limits only where the table gives them
    m.LostReplies = 5;
    m.AlarmActive[1] = 1;
    m.ResetSignals();
    QVERIFY(m.ModuleType == 0 && m.SignalCount == 0 && m.LostReplies == 0);
    QVERIFY(m.AlarmActive[1] == 0 && m.Signals[3].Unit == "Volt");
    QVERIFY(m.Samples[1].Previous == 4.0 && m.LinkState == 2 && m.TraceFlags[3] == 1
        && m.OutputState1 == 1); // left alone
}

void TestModObject::decode()
{
    TOV_MOD_Object m;
    m.SetModuleType(1);
    m.Signals[2].Gain = 2.0;
    m.Signals[2].Offset = 1.0;
    m.Signals[6].Gain = 3.0;
    m.Signals[6].Offset = 0.5;
    // Now: input 1 at 1023, input 2 at 512, output 1 set. Before: input 1 at
    // 256, input 5 at 768, output 2 set.
    m.SetReply(
        packet(25, { { 10, 0xFF }, { 15, 0xE0 }, { 16, 0x04 }, { 22, 0x40 }, { 23, 0x0B } }));
    m.DecodeReply();
    QCOMPARE(
        samples(m, &TSignalSample::Current), QList<double>({ 4.9951171875, 6.0, 0, 0, 0, 3.5, 0 }));
    QCOMPARE(
        samples(m, &TSignalSample::Previous), QList<double>({ 1.25, 1.0, 0, 0, 3.75, 0.5, 1 }));

    m.SetModuleType(2);
    m.Samples[7].Previous = 42.0;
    // Battery and temperature fields 1024, input 4 at 1023, relay 1 set; the
    // previous temperature field 0.
    m.SetReply(packet(28, { { 5, 0x04 }, { 6, 0x30 }, { 7, 0xFF }, { 12, 4 }, { 14, 4 } }));
    m.DecodeReply();
    QCOMPARE(samples(m, &TSignalSample::Current),
        QList<double>({ 15.0, 0.0, 32.0, 4.9951171875, 0, 0, 1, 0 }));
    QCOMPARE(samples(m, &TSignalSample::Previous),
        QList<double>({ 0, -500.0, -868.0, 0, 0, 0, 42.0, 0 })); // relays: none
}

void TestModObject::linkStates()
{
    TOV_MOD_Object m;
    m.SetModuleType(1);
    const QByteArray good = packet(25, { { 12, 0xFF } });
    const struct
    {
        QByteArray reply;
        int linkState, lost;
    } steps[] = { { good, 0, 0 }, { {}, 1, 0 }, { {}, 1, 1 }, { good.left(23), 1, 1 },
        { good, 2, 1 }, { {}, 2, 2 }, { good, 0, 2 }, { good, 0, 2 }, { good.left(1), 0, 2 } };
    for (const auto &s : steps) {
        const TSignalSample before = m.Samples[3];
        m.SetReply(s.reply);
        m.DecodeReply();
        QCOMPARE(m.LinkState, s.linkState);
        QCOMPARE(m.LostReplies, s.lost);
        if (s.reply.isEmpty())
            QCOMPARE(m.Samples[3].Previous, before.Current);
        if (s.reply.size() < 24)
            QCOMPARE(m.Samples[3].Current, s.reply.isEmpty() ? 0.0 : before.Current);
    }
}

// A type-2 packet shorter than 28 bytes does not carry the whole previous
// sample: a signal it does not carry keeps its Previous value. Each packet
// lies in a buffer of its exact size, so a read past it is reported.
void TestModObject::shortType2Packet()
{
    TOV_MOD_Object m;
    m.SetModuleType(2);
    for (auto &s : m.Samples)
        s.Previous = -7.0;
    const QByteArray full = packet(28, { { 22, 1 }, { 23, 4 }, { 25, 4 } });
    for (int length : { 24, 27 }) {
        std::unique_ptr<char[]> exact(new char[size_t(length)]);
        memcpy(exact.get(), full.constData(), size_t(length));
        m.SetReply(QByteArray::fromRawData(exact.get(), length));
        m.DecodeReply();
        m.Reply.clear();
    }
    QCOMPARE(m.Samples[6].Previous, 5.0 / 1024);
    QCOMPARE(m.Samples[1].Previous, 15.0);
    QCOMPARE(m.Samples[3].Previous, -7.0);
}

void TestModObject::alarms()
{
    TOV_MOD_Object m;
    m.SetModuleType(2);
    m.SerialText = "0x2000B7";
    m.Clock = [] { return QDateTime(QDate(2026, 12, 5), QTime(9, 3, 7)); };
    FakeAlarmOutput out;
    qint32 good = 0;
    m.AttachControls(nullptr, &out, &good);
    for (auto &s : m.Samples)
        s.Current = 10.0;
    m.Samples[1].Current = 6.9;
    m.Signals[2].AlarmHigh = 10.0; // equal to the limit

    m.CheckAlarms(); // no accepted reply yet
    good = 1;
    for (int gap : { 1, 2 }) {
        m.LinkState = gap;
        m.CheckAlarms();
    }
    QCOMPARE(out.lines.size(), 0);
    m.LinkState = 0;
    m.CheckAlarms();
    m.CheckAlarms(); // reported once
    QCOMPARE(out.lines,
        QByteArrayList({ "09:03:07 Module = 0x2000B7 Battery Voltage = 6.90 Volt "
                         "(High = 14.00; Low = 7.00)",
            "09:03:07 Module = 0x2000B7 Temperature_C = 10.00 \xB0\x43 "
            "(High = 10.00; Low = -1000.00)" }));
    QCOMPARE(out.labels,
        QByteArrayList({ "09:03:07", "Module = 0x2000B7", "Temperature_C = 10.00 \xB0\x43",
            "(High = 10.00; Low = -1000.00)" }));
    m.Samples[1].Current = 10.0;
    m.LinkState = 1; // a gap does not clear the latch
    m.CheckAlarms();
    QCOMPARE(m.AlarmActive[1], 1);
    m.LinkState = 0; // one cycle inside re-arms it
    m.CheckAlarms();
    m.Samples[1].Current = std::nan(""); // not a number is out of limits
    m.Signals[4].AlarmLow = 11.0; // low above high: always out
    m.CheckAlarms();
    QCOMPARE(out.lines.size(), 4);
    QCOMPARE(out.warningsShown, 4);
}

void TestModObject::rules()
{
    const struct
    {
        int mode, action;
        double value; // of the watched signal; the threshold is 2.5
        int before, state;
    } cases[] = {
        { 0, 0, 9.0, 1, 0 }, { 1, 0, 0.0, 0, 1 }, // "Off", "On"
        { 2, 0, 2.5, 0, 1 }, { 2, 0, 2.4, 1, 0 }, // "ON" at and below the threshold
        { 2, 1, 2.5, 1, 0 }, { 2, 1, 2.4, 0, 1 }, // "OFF"
        { 2, 1, std::nan(""), 0, 1 }, { 2, 7, 3.0, 1, 0 }, // damaged action counts as "OFF"
        { 3, 0, 3.0, 1, 1 }, // unknown mode keeps the state
    };
    for (const auto &c : cases) {
        for (int type : { 1, 2 }) {
            TOV_MOD_Object m;
            m.SetModuleType(type);
            for (qint32 o : { m.Output1Signal(), m.Output2Signal() }) {
                m.Signals[o].OutputMode = c.mode;
                m.Signals[o].RuleAction = c.action;
                m.Signals[o].RuleInput = 3;
            }
            m.Samples[3].Current = c.value;
            m.OutputState1 = m.OutputState2 = c.before;
            m.EvaluateRules();
            QVERIFY(m.OutputState1 == c.state && m.OutputState2 == c.state);
        }
    }
    const struct
    {
        double value, gain, offset;
        bool temperature;
        int count;
    } thresholds[] = {
        { 25.0 / 2048, 1, 0, false, 2 },
        { 35.0 / 2048, 1, 0, false, 4 }, // 2.5, 3.5 to even
        { 3.0, 2, 0.5, false, 256 },
        { -600, 100, 0, true, 0 }, // clamped
        { 400, 1, 0, false, 65535 },
        { 2.5, 0, 0, false, 65535 }, // gain 0
        { -2.5, 0, 0, false, 0 },
        { 1.0, 0, 1.0, true, 65535 },
        { std::nan(""), 1, 0, false, 65535 },
    };
    for (const auto &t : thresholds)
        QCOMPARE(int(type2Threshold(t.value, t.gain, t.offset, t.temperature)), t.count);
}

void TestModObject::requests()
{
    TOV_MOD_Object m;
    QVERIFY(m.BuildRequest(1).isEmpty()); // no type
    m.SetModuleType(1);
    QVERIFY(m.BuildRequest(5).isEmpty());
    m.OutputState1 = 1;
    QCOMPARE(m.BuildRequest(3), QByteArray("\xFE\x32@\x00\x01\x00\x00", 7));
    // After a missed reply a rule that switches ON above 2.5 reads 0.0.
    m.Signals[6].OutputMode = 2;
    m.Samples[1].Current = 3.0;
    m.SetReply({});
    m.DecodeReply();
    m.EvaluateRules();
    QCOMPARE(m.BuildRequest(1), QByteArray("\xFE\x30@\x00\x00\x00\x00", 7));

    m.SetModuleType(2);
    m.Signals[7].RuleInput = m.Signals[8].RuleInput = 4;
    QCOMPARE(m.BuildRequest(1), QByteArray("\xFE\x30#\x00\x02\x00\x00\x02\x00\x27", 10));
    m.Signals[7].OutputMode = m.Signals[8].OutputMode = 2;
    m.Signals[7].RuleInput = m.Signals[8].RuleInput = 2;
    m.Signals[7].RuleValue = 25.0; // degrees Celsius
    m.Signals[8].RuleValue = 0.0; // the signal's offset
    QCOMPARE(m.BuildRequest(4), QByteArray("\xFE\x33#\x03\x04\x33\x03\x04\x00\x64", 10));
    // Damaged fields: "Off" and a threshold that never switches the relay on.
    m.Signals[7].OutputMode = 9;
    m.Signals[8].RuleInput = 7;
    QCOMPARE(m.BuildRequest(4), QByteArray("\xFE\x33#\x00\x04\x33\x00\xFF\xFF\x58", 10));
}

void TestModObject::treeNodes()
{
    NavigationTree tree;
    TOV_MOD_Object a, b, empty;
    a.SerialText = "0x1004A2";
    a.SetModuleType(1);
    a.UpdateTreeNodes(&tree); // no interface node: nothing to add to
    QCOMPARE(tree.count(), 0);
    TreeNode *interfaceNode = buildRoot(tree);
    a.Signals[1].Name = "0x2000B7"; // holds b's serial number
    a.ProcessReply(&tree); // first reply after detection: missed
    QCOMPARE(a.LinkState, 1);
    b.SerialText = "0x2000B7";
    b.SetModuleType(2);
    b.UpdateTreeNodes(&tree);
    empty.SetModuleType(1);
    empty.UpdateTreeNodes(&tree);
    QCOMPARE(interfaceNode->children().size(), size_t(3));
    TreeNode *nodeA = interfaceNode->firstChild();
    QCOMPARE(nodeA->text(), QByteArray("Orvane Module |0x1004A2||Level 3"));
    QCOMPARE(b.FindModuleNode(&tree), interfaceNode->children()[1].get());
    QCOMPARE(interfaceNode->lastChild()->text(), QByteArray("Orvane Module |||Level 3"));
    QCOMPARE(tree.selected(), interfaceNode->lastChild()->lastChild());
    QCOMPARE(nodeA->lastChild()->imageIndex(), 4);

    a.Samples[1].Current = 1.5;
    a.Signals[7].Digits = 2;
    a.Samples[7].Current = -0.25;
    const int count = tree.count();
    a.UpdateTreeNodes(&tree); // texts change in place
    QCOMPARE(tree.count(), count);
    QCOMPARE(nodeA->firstChild()->text(), QByteArray("0x2000B7|1.500|Volt|Level 4"));
    QCOMPARE(nodeA->lastChild()->text(), QByteArray("Digital Output 2|-0.25|On/Off|Level 4"));
}

void TestModObject::grid()
{
    FakeConfigView grid;
    TOV_MOD_Object m;
    m.AttachControls(&grid, nullptr, nullptr);
    m.SerialText = "0x1004A2";
    m.SetModuleType(1);
    m.Signals[3].Gain = 0.001;
    m.Signals[3].Offset = -0.125;
    m.TraceFlags[2] = 1;
    grid.setCell(4, 8, "old");
    m.ShowConfiguration();
    QCOMPARE(grid.caption, QByteArray("Configuration for module: 0x1004A2"));
    QByteArrayList row3;
    for (int column = 1; column <= 8; ++column)
        row3.append(grid.cell(column, 3));
    QCOMPARE(row3,
        QByteArrayList({ "Analog Input 3", "Analog Input 3", "0.00", "-0.13", "Volt", "3",
            "1000.00", "-1000.00" }));
    QCOMPARE(grid.cell(4, 8), QByteArray());
    QVERIFY(grid.boxes[2].visible && grid.boxes[2].checked && !grid.boxes[3].checked);
    QVERIFY(!grid.boxes[8].visible && !grid.boxes[10].visible);
}

namespace {
// Column 2..8 of a signal record as text, doubles with all their digits.
QByteArray fieldText(const TSignalRecord &s, int column)
{
    const auto full = [](double v) { return QByteArray::number(v, 'g', 17); };
    switch (column) {
    case 2:
        return s.Name;
    case 3:
        return full(s.Gain);
    case 4:
        return full(s.Offset);
    case 5:
        return s.Unit;
    case 6:
        return QByteArray::number(s.Digits);
    case 7:
        return full(s.AlarmHigh);
    default:
        return full(s.AlarmLow);
    }
}
} // namespace

void TestModObject::readBack_data()
{
    QTest::addColumn<int>("column");
    QTest::addColumn<QByteArray>("typed"); // null: the cell as the fill left it
    QTest::addColumn<QByteArray>("field");
    QTest::addColumn<QByteArray>("shownAgain");
    const QByteArray untouched;
    QTest::newRow("gain untouched keeps all digits")
        << 3 << untouched << QByteArray("0.001") << QByteArray("0.00");
    QTest::newRow("gain decimal comma")
        << 3 << QByteArray(" 0,5 ") << QByteArray("0.5") << QByteArray("0.50");
    QTest::newRow("gain typo keeps")
        << 3 << QByteArray("0.5x") << QByteArray("0.001") << QByteArray("0.00");
    QTest::newRow("offset nan keeps all digits")
        << 4 << QByteArray("nan") << QByteArray("-0.125") << QByteArray("-0.13");
    QTest::newRow("high typed") << 7 << QByteArray("12.375") << QByteArray("12.375")
                                << QByteArray("12.38");
    QTest::newRow("low emptied keeps")
        << 8 << QByteArray("") << QByteArray("-1000") << QByteArray("-1000.00");
    QTest::newRow("digits 8") << 6 << QByteArray("8") << QByteArray("8") << QByteArray("8");
    QTest::newRow("digits 9 keeps") << 6 << QByteArray("9") << QByteArray("3") << QByteArray("3");
    QTest::newRow("digits 2.5 keeps")
        << 6 << QByteArray("2.5") << QByteArray("3") << QByteArray("3");
    QTest::newRow("name cut to 20")
        << 2 << QByteArray("abcdefghijklmnopqrstuvwxy") << QByteArray("abcdefghijklmnopqrst")
        << QByteArray("abcdefghijklmnopqrst");
    QTest::newRow("name column bar and tab")
        << 2 << QByteArray("a|b\tc,#") << QByteArray("a_b_c,#") << QByteArray("a_b_c,#");
    QTest::newRow("unit data line separators")
        << 5 << QByteArray("m|s,#") << QByteArray("m_s__") << QByteArray("m_s__");
    QTest::newRow("unit cut to 10")
        << 5 << QByteArray("0123456789AB") << QByteArray("0123456789") << QByteArray("0123456789");
}

// Row 3 of the grid is filled, one cell typed into, then read back and
// shown again.
void TestModObject::readBack()
{
    QFETCH(int, column);
    QFETCH(QByteArray, typed);
    FakeConfigView grid;
    TOV_MOD_Object m;
    m.AttachControls(&grid, nullptr, nullptr);
    m.SetModuleType(1);
    m.Signals[3].Gain = 0.001;
    m.Signals[3].Offset = -0.125;
    m.ShowConfiguration();
    if (!typed.isNull())
        grid.setCell(column, 3, typed);
    m.ReadConfiguration();
    QTEST(fieldText(m.Signals[3], column), "field");
    m.ShowConfiguration();
    QTEST(grid.cell(column, 3), "shownAgain");
    QCOMPARE(m.Signals[2].Name, QByteArray("Analog Input 2")); // other rows as they were
}

QTEST_APPLESS_MAIN(TestModObject)
#include "tst_modobject.moc"
