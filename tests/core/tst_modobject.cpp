// The module object: decoding replies, link states, alarms, output rules and
// their requests, tree nodes, and the configuration grid's fill and read-back.
#include "FakeAlarmOutput.h"
#include "FakeConfigView.h"
#include "common/NavigationTree.h"
#include "modules/OVModObjectUnit.h"
#include "protocol/WireProtocol.h"

#include <QTest>

#include <cmath>
#include <memory>

using namespace orvane;

namespace {
// A reply of `length` bytes with its length byte, zeros and the given bytes.
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

// Column 2..8 of a signal record as text, doubles with all their digits.
QByteArray fieldText(const TSignalRecord &s, int column)
{
    const auto full = [](double v) { return QByteArray::number(v, 'g', 17); };
    const QByteArray texts[] = { s.Name, full(s.Gain), full(s.Offset), s.Unit,
        QByteArray::number(s.Digits), full(s.AlarmHigh), full(s.AlarmLow) };
    return texts[column - 2];
}
} // namespace

class TestModObject : public QObject
{
    Q_OBJECT
private slots:
    void resetSignals()
    {
        TOV_MOD_Object m;
        m.SetModuleType(2);
        m.LinkState = 2;
        m.TraceFlags[3] = m.AlarmActive[1] = 1;
        m.LostReplies = 5;
        m.SetModuleType(3); // changes nothing
        QCOMPARE(m.SignalCount, 8);
        m.ResetSignals();
        QVERIFY(m.ModuleType == 0 && m.SignalCount == 0 && m.LostReplies == 0);
        QVERIFY(m.AlarmActive[1] == 0 && m.Signals[3].Unit == "Volt");
        QVERIFY(m.LinkState == 2 && m.TraceFlags[3] == 1); // left alone
    }

    void decode()
    {
        TOV_MOD_Object m;
        m.SetModuleType(1);
        m.Signals[2].Gain = m.Signals[2].Offset = 2.0;
        m.Signals[6].Gain = m.Signals[6].Offset = 3.0;
        // Now: input 1 at 1023, input 2 at 512, output 1 set. Before: input 1
        // at 256, input 5 at 768, output 2 set.
        m.SetReply(
            packet(25, { { 10, 0xFF }, { 15, 0xE0 }, { 16, 0x04 }, { 22, 0x40 }, { 23, 0x0B } }));
        m.DecodeReply();
        QCOMPARE(samples(m, &TSignalSample::Current),
            QList<double>({ 4.9951171875, 7.0, 0, 0, 0, 6.0, 0 }));
        QCOMPARE(
            samples(m, &TSignalSample::Previous), QList<double>({ 1.25, 2.0, 0, 0, 3.75, 3.0, 1 }));

        m.SetModuleType(2);
        m.Samples[7].Previous = 42.0;
        // Battery and temperature fields 1024, input 4 at 1023, relay 1 set;
        // the previous temperature field 0.
        m.SetReply(packet(28, { { 5, 0x04 }, { 6, 0x30 }, { 7, 0xFF }, { 12, 4 }, { 14, 4 } }));
        m.DecodeReply();
        QCOMPARE(samples(m, &TSignalSample::Current),
            QList<double>({ 15.0, 0.0, 32.0, 4.9951171875, 0, 0, 1, 0 }));
        QCOMPARE(samples(m, &TSignalSample::Previous),
            QList<double>({ 0, -500.0, -868.0, 0, 0, 0, 42.0, 0 })); // relays: none
    }

    void linkStates()
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
            QVERIFY(m.LinkState == s.linkState && m.LostReplies == s.lost);
            if (s.reply.isEmpty())
                QCOMPARE(m.Samples[3].Previous, before.Current);
            if (s.reply.size() < 24)
                QCOMPARE(m.Samples[3].Current, s.reply.isEmpty() ? 0.0 : before.Current);
        }
    }

    // A type-2 packet shorter than 28 bytes does not carry the whole previous
    // sample: a signal it does not carry keeps its Previous value. Each packet
    // lies in a buffer of its exact size, so a read past it is reported.
    void shortType2Packet()
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
        QCOMPARE(samples(m, &TSignalSample::Previous).mid(0, 6),
            QList<double>({ 15.0, -7.0, -7.0, 0, 0, 5.0 / 1024 }));
    }

    void alarms()
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

        for (int link : { 0, 1, 2 }) { // no accepted reply yet, then gaps: nothing
            m.LinkState = link;
            m.CheckAlarms();
            good = 1;
        }
        QCOMPARE(out.lines.size(), 0);
        m.LinkState = 0;
        for (int i = 0; i < 2; ++i)
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
        QVERIFY(out.lines.size() == 2 && m.AlarmActive[1] == 1);
        m.LinkState = 0; // one cycle inside re-arms it
        m.CheckAlarms();
        m.Samples[1].Current = std::nan(""); // not a number is out of limits
        m.Signals[4].AlarmLow = 11.0; // low above high: always out
        m.CheckAlarms();
        QVERIFY(out.lines.size() == 4 && out.warningsShown == 4);
    }

    void rules()
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

    void requests()
    {
        TOV_MOD_Object m;
        QVERIFY(m.BuildRequest(1).isEmpty()); // no type
        m.SetModuleType(1);
        QVERIFY(m.BuildRequest(5).isEmpty());
        m.OutputState1 = 1;
        QCOMPARE(m.BuildRequest(3), type1PollRequest(3, 1, 0));
        // After a missed reply a rule that switches ON above 2.5 reads 0.0.
        m.Signals[6].OutputMode = 2;
        m.Samples[1].Current = 3.0;
        m.SetReply({});
        m.DecodeReply();
        m.EvaluateRules();
        QCOMPARE(m.BuildRequest(1), type1PollRequest(1, 0, 0));

        m.SetModuleType(2);
        m.Signals[7].RuleInput = m.Signals[8].RuleInput = 4;
        QCOMPARE(m.BuildRequest(1), type2PollRequest(1, { 0, 512 }, { 0, 512 }));
        m.Signals[7].OutputMode = m.Signals[8].OutputMode = m.Signals[7].RuleInput
            = m.Signals[8].RuleInput = 2;
        m.Signals[7].RuleValue = 25.0; // degrees Celsius
        m.Signals[8].RuleValue = 0.0; // the signal's offset
        QCOMPARE(m.BuildRequest(4), type2PollRequest(4, { 3, 0x433 }, { 3, 0x400 }));
        // Damaged fields: "Off" and a threshold that never switches the relay on.
        m.Signals[7].OutputMode = 9;
        m.Signals[8].RuleInput = 7;
        QCOMPARE(m.BuildRequest(4), type2PollRequest(4, { 0, 0x433 }, { 0, 0xFFFF }));
    }

    void treeNodes()
    {
        NavigationTree tree;
        TOV_MOD_Object a, b, empty;
        a.SerialText = "0x1004A2";
        a.SetModuleType(1);
        a.UpdateTreeNodes(&tree); // no interface node: nothing to add to
        QCOMPARE(tree.count(), 0);
        TreeNode *interfaceNode = tree.addChild(
            tree.addRoot("Orvane System|||Level 1", 0), "Orvane Interface|Connected||Level 2", 1);
        a.Signals[1].Name = "0x2000B7"; // holds b's serial number
        a.ProcessReply(&tree); // first reply after detection: missed
        QCOMPARE(a.LinkState, 1);
        b.SerialText = "0x2000B7";
        b.SetModuleType(2);
        empty.SetModuleType(1);
        for (TOV_MOD_Object *m : { &b, &empty })
            m->UpdateTreeNodes(&tree);
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

    // Row 3 of the grid is filled, one cell typed into, then read back and
    // shown again.
    void readBack_data()
    {
        QTest::addColumn<int>("column");
        QTest::addColumn<QByteArray>("typed"); // null: the cell as the fill left it
        QTest::addColumn<QByteArray>("field");
        QTest::addColumn<QByteArray>("shownAgain");
        const auto row = [](const char *name, int column, const char *typed, const char *field,
                             const char *shown) {
            QTest::newRow(name) << column << QByteArray(typed) << QByteArray(field)
                                << QByteArray(shown);
        };
        row("gain untouched keeps all digits", 3, nullptr, "0.001", "0.00");
        row("gain decimal comma", 3, " 0,5 ", "0.5", "0.50");
        row("gain typo keeps", 3, "0.5x", "0.001", "0.00");
        row("offset nan keeps all digits", 4, "nan", "-0.125", "-0.13");
        row("high typed", 7, "12.375", "12.375", "12.38");
        row("low emptied keeps", 8, "", "-1000", "-1000.00");
        row("digits 8", 6, "8", "8", "8");
        row("digits 9 keeps", 6, "9", "3", "3");
        row("digits 2.5 keeps", 6, "2.5", "3", "3");
        row("name cut to 20", 2, "abcdefghijklmnopqrstuvwxy", "abcdefghijklmnopqrst",
            "abcdefghijklmnopqrst");
        row("name column bar and tab", 2, "a|b\tc,#", "a_b_c,#", "a_b_c,#");
        row("unit data line separators", 5, "m|s,#", "m_s__", "m_s__");
        row("unit cut to 10", 5, "0123456789AB", "0123456789", "0123456789");
    }
    void readBack()
    {
        QFETCH(int, column);
        QFETCH(QByteArray, typed);
        FakeConfigView grid;
        TOV_MOD_Object m;
        m.AttachControls(&grid, nullptr, nullptr);
        m.SetModuleType(1);
        m.Signals[3].Gain = 0.001;
        m.Signals[3].Offset = -0.125;
        grid.setCell(4, 8, "stale");
        m.ShowConfiguration();
        QVERIFY(grid.cell(4, 8).isEmpty()); // rows beyond the module's signals are emptied
        if (!typed.isNull())
            grid.setCell(column, 3, typed);
        m.ReadConfiguration();
        QTEST(fieldText(m.Signals[3], column), "field");
        m.ShowConfiguration();
        QTEST(grid.cell(column, 3), "shownAgain");
        QCOMPARE(m.Signals[2].Name, QByteArray("Analog Input 2")); // other rows as they were
    }
};

QTEST_APPLESS_MAIN(TestModObject)
#include "tst_modobject.moc"
