#include "FakeAlarmOutput.h"
#include "FakeConfigView.h"
#include "common/NavigationTree.h"
#include "modules/OVModObjectUnit.h"

#include <QTest>

using namespace orvane;

namespace {
// The tree as the scan leaves it: the system and the interface node.
void buildRoot(NavigationTree &tree)
{
    tree.clear();
    TreeNode *root = tree.addRoot("Orvane System|||Level 1", 0);
    tree.addChild(root, "Orvane Interface|Connected||Level 2", 1);
}

void detect(TOV_MOD_Object &m, int type, const QByteArray &serial)
{
    m.ResetSignals();
    m.SerialText = serial;
    m.Present = true;
    m.SetModuleType(type);
}
} // namespace

class TestModObject : public QObject
{
    Q_OBJECT
private slots:
    void createAndReset();
    void signalTables_data();
    void signalTables();
    void otherTypeChangesNothing();
    void treeNodes();
    void treeFindsWholeModuleText();
    void treeWithoutInterfaceNode();
    void gridFill();
    void gridReadBack_data();
    void gridReadBack();
    void firstProcessAfterDetection();
};

void TestModObject::createAndReset()
{
    TOV_MOD_Object m;
    QCOMPARE(m.LogFileName, QByteArray("<no file name>"));
    QCOMPARE(m.ModuleType, 0);
    QCOMPARE(m.Signals[16].Unit, QByteArray("Volt"));
    QCOMPARE(m.Signals[16].RuleValue, 2.5);

    detect(m, 2, "0x2000B7");
    m.ScanText = "Orvane Module 2, 0x2000B7";
    m.Samples[1] = { 3.0, 4.0 };
    m.LinkState = 2;
    m.LostReplies = 5;
    m.Logging = true;
    m.LogFileName = "Data_x.txt";
    m.TraceFlags[3] = 1;
    m.OutputState1 = 1;
    m.AlarmActive[1] = 1;
    m.Signals[1].Reserved[0] = 9.0;
    m.ResetSignals();
    QCOMPARE(m.ModuleType, 0);
    QCOMPARE(m.SignalCount, 0);
    QVERIFY(m.SerialText.isEmpty() && m.ScanText.isEmpty() && !m.Present);
    QCOMPARE(m.LostReplies, 0);
    QCOMPARE(m.AlarmActive[1], 0);
    QCOMPARE(m.Signals[1].IOName, QByteArray());
    QCOMPARE(m.Signals[1].AlarmHigh, 1000.0);
    QCOMPARE(m.Signals[1].Reserved[0], 0.0);
    // Left alone:
    QCOMPARE(m.Samples[1].Previous, 4.0);
    QCOMPARE(m.LinkState, 2);
    QVERIFY(m.Logging);
    QCOMPARE(m.LogFileName, QByteArray("Data_x.txt"));
    QCOMPARE(m.TraceFlags[3], 1);
    QCOMPARE(m.OutputState1, 1);
}

void TestModObject::signalTables_data()
{
    QTest::addColumn<int>("type");
    QTest::addColumn<int>("signal");
    QTest::addColumn<QByteArray>("ioName");
    QTest::addColumn<int>("signalType");
    QTest::addColumn<QByteArray>("unit");
    QTest::addColumn<double>("gain");
    QTest::addColumn<double>("offset");
    QTest::addColumn<int>("image");
    QTest::addColumn<int>("digits");
    QTest::addColumn<double>("high");
    QTest::newRow("1/1") << 1 << 1 << QByteArray("Analog Input 1") << 1 << QByteArray("Volt") << 1.0
                         << 0.0 << 3 << 3 << 50.0;
    QTest::newRow("1/5") << 1 << 5 << QByteArray("Analog Input 5") << 1 << QByteArray("Volt") << 1.0
                         << 0.0 << 3 << 3 << 50.0;
    QTest::newRow("1/7") << 1 << 7 << QByteArray("Digital Output 2") << 3 << QByteArray("On/Off")
                         << 1.0 << 0.0 << 4 << 0 << 50.0;
    QTest::newRow("2/1") << 2 << 1 << QByteArray("Battery Voltage") << 1 << QByteArray("Volt")
                         << 3.0 << 0.0 << 3 << 2 << 14.0;
    QTest::newRow("2/2") << 2 << 2 << QByteArray("Temperature_C") << 1 << QByteArray("\xB0\x43")
                         << 100.0 << 0.0 << 3 << 2 << 50.0;
    QTest::newRow("2/3") << 2 << 3 << QByteArray("Temperature_F") << 1 << QByteArray("\xB0\x46")
                         << 180.0 << 32.0 << 3 << 2 << 50.0;
    QTest::newRow("2/6") << 2 << 6 << QByteArray("Analog Input 3") << 1 << QByteArray("Volt") << 1.0
                         << 0.0 << 3 << 3 << 50.0;
    QTest::newRow("2/8") << 2 << 8 << QByteArray("Relay Output 2") << 3 << QByteArray("On/Off")
                         << 1.0 << 0.0 << 4 << 0 << 50.0;
}

void TestModObject::signalTables()
{
    QFETCH(int, type);
    QFETCH(int, signal);
    TOV_MOD_Object m;
    for (auto &s : m.Signals) {
        s.AlarmHigh = 50.0; // kept unless the table gives limits
        s.Digits = 9;
        s.OutputMode = 2;
    }
    m.SetModuleType(type);
    const TSignalRecord &s = m.Signals[signal];
    QCOMPARE(m.ModuleType, type);
    QCOMPARE(m.SignalCount, type == 1 ? 7 : 8);
    QTEST(s.IOName, "ioName");
    QTEST(s.Name, "ioName");
    QTEST(int(s.SignalType), "signalType");
    QTEST(s.Unit, "unit");
    QTEST(s.Gain, "gain");
    QTEST(s.Offset, "offset");
    QTEST(int(s.ImageIndex), "image");
    QTEST(int(s.Digits), "digits");
    QTEST(s.AlarmHigh, "high");
    QCOMPARE(s.OutputMode, 2);
    QCOMPARE(m.Signals[9].Digits, 9);
}

void TestModObject::otherTypeChangesNothing()
{
    TOV_MOD_Object m;
    m.SetModuleType(1);
    m.SetModuleType(3);
    m.SetModuleType(0);
    QCOMPARE(m.ModuleType, 1);
    QCOMPARE(m.SignalCount, 7);
    QCOMPARE(m.Output1Signal(), 6);
    m.SetModuleType(2);
    QCOMPARE(m.Output1Signal(), 7);
    QCOMPARE(m.Output2Signal(), 8);
}

void TestModObject::treeNodes()
{
    NavigationTree tree;
    buildRoot(tree);
    TOV_MOD_Object a, b;
    detect(a, 1, "0x1004A2");
    detect(b, 2, "0x2000B7");
    a.UpdateTreeNodes(&tree);
    b.UpdateTreeNodes(&tree);
    TreeNode *interfaceNode = tree.firstNode()->firstChild();
    QCOMPARE(interfaceNode->children().size(), size_t(2));
    TreeNode *nodeA = interfaceNode->firstChild();
    QCOMPARE(nodeA->text(), QByteArray("Orvane Module |0x1004A2||Level 3"));
    QCOMPARE(nodeA->imageIndex(), 2);
    QCOMPARE(nodeA->children().size(), size_t(7));
    QCOMPARE(nodeA->firstChild()->text(), QByteArray("Analog Input 1|0.000|Volt|Level 4"));
    QCOMPARE(nodeA->lastChild()->imageIndex(), 4);
    QCOMPARE(tree.selected(), interfaceNode->lastChild()->lastChild());

    a.Samples[1].Current = 1.5;
    a.Signals[7].Digits = 2;
    a.Samples[7].Current = -0.25;
    a.Signals[2].Name = "Pressure";
    a.Signals[2].Unit = "bar";
    a.Samples[2].Current = 123456789.0;
    const int count = tree.count();
    TreeNode *first = nodeA->firstChild();
    a.UpdateTreeNodes(&tree);
    QCOMPARE(tree.count(), count);
    QCOMPARE(nodeA->firstChild(), first);
    QCOMPARE(first->text(), QByteArray("Analog Input 1|1.500|Volt|Level 4"));
    QCOMPARE(nodeA->children()[1]->text(), QByteArray("Pressure|1.2345679E8|bar|Level 4"));
    QCOMPARE(nodeA->lastChild()->text(), QByteArray("Digital Output 2|-0.25|On/Off|Level 4"));
    QCOMPARE(b.FindModuleNode(&tree), interfaceNode->lastChild());
}

// Signal names and short serial numbers can hold another module's serial
// number; only the module node's whole text identifies it.
void TestModObject::treeFindsWholeModuleText()
{
    NavigationTree tree;
    buildRoot(tree);
    TOV_MOD_Object a, b, empty;
    detect(a, 1, "0x1004A2");
    a.Signals[1].Name = "0x2000B7";
    a.UpdateTreeNodes(&tree);
    detect(b, 1, "0x2000B7");
    QCOMPARE(b.FindModuleNode(&tree), nullptr);
    detect(empty, 1, "");
    QCOMPARE(empty.FindModuleNode(&tree), nullptr);
    empty.UpdateTreeNodes(&tree);
    QCOMPARE(tree.firstNode()->text(), QByteArray("Orvane System|||Level 1"));
    QCOMPARE(tree.firstNode()->firstChild()->lastChild()->text(),
        QByteArray("Orvane Module |||Level 3"));
    QCOMPARE(a.Signals[1].Name + "|0.000|Volt|Level 4",
        tree.firstNode()->firstChild()->firstChild()->firstChild()->text());
}

void TestModObject::treeWithoutInterfaceNode()
{
    NavigationTree tree;
    TOV_MOD_Object m;
    detect(m, 1, "0x1004A2");
    m.UpdateTreeNodes(&tree);
    tree.addRoot("Orvane System|||Level 1", 0);
    m.UpdateTreeNodes(&tree);
    QCOMPARE(tree.count(), 1);
    m.ProcessReply(nullptr); // no tree at all
}

void TestModObject::gridFill()
{
    FakeConfigView grid;
    TOV_MOD_Object m;
    m.AttachControls(&grid, nullptr, nullptr);
    detect(m, 1, "0x1004A2");
    m.Signals[3].Gain = 0.001;
    m.Signals[3].Offset = -0.125;
    m.TraceFlags[2] = 1;
    for (int column = 1; column <= 8; ++column)
        grid.setCell(column, 8, "old");
    m.ShowConfiguration();
    QCOMPARE(grid.caption, QByteArray("Configuration for module: 0x1004A2"));
    const QByteArray row3[] = { "Analog Input 3", "Analog Input 3", "0.00", "-0.13", "Volt", "3",
        "1000.00", "-1000.00" };
    for (int column = 1; column <= 8; ++column) {
        QCOMPARE(grid.cell(column, 3), row3[column - 1]);
        QCOMPARE(grid.cell(column, 8), QByteArray());
    }
    QVERIFY(grid.boxes[2].visible && grid.boxes[2].checked);
    QVERIFY(grid.boxes[7].visible && !grid.boxes[7].checked);
    for (int i = 8; i <= 10; ++i)
        QVERIFY(!grid.boxes[i].visible && !grid.boxes[i].checked);
    QCOMPARE(grid.repaints, 1);

    m.ReadConfiguration(); // the two-decimal texts come back
    QCOMPARE(m.Signals[3].Gain, 0.0);
    QCOMPARE(m.Signals[3].Offset, -0.13);
}

void TestModObject::gridReadBack_data()
{
    QTest::addColumn<QByteArray>("name");
    QTest::addColumn<QByteArray>("gain");
    QTest::addColumn<QByteArray>("unit");
    QTest::addColumn<QByteArray>("digits");
    QTest::addColumn<QByteArray>("expectedName");
    QTest::addColumn<double>("expectedGain");
    QTest::addColumn<QByteArray>("expectedUnit");
    QTest::addColumn<int>("expectedDigits");
    QTest::newRow("comma") << QByteArray("Flow") << QByteArray("1,5") << QByteArray("l/min")
                           << QByteArray("1") << QByteArray("Flow") << 1.5 << QByteArray("l/min")
                           << 1;
    QTest::newRow("cut") << QByteArray("abcdefghijklmnopqrstuvwxy") << QByteArray("2")
                         << QByteArray("0123456789AB") << QByteArray("2")
                         << QByteArray("abcdefghijklmnopqrst") << 2.0 << QByteArray("0123456789")
                         << 2;
    QTest::newRow("not numbers") << QByteArray("") << QByteArray("x") << QByteArray("")
                                 << QByteArray("2.5") << QByteArray("") << 0.0 << QByteArray("")
                                 << 0;
}

void TestModObject::gridReadBack()
{
    QFETCH(QByteArray, name);
    QFETCH(QByteArray, gain);
    QFETCH(QByteArray, unit);
    QFETCH(QByteArray, digits);
    QFETCH(QByteArray, expectedName);
    FakeConfigView grid;
    TOV_MOD_Object m;
    m.AttachControls(&grid, nullptr, nullptr);
    detect(m, 2, "0x2000B7");
    m.ShowConfiguration();
    grid.setCell(1, 4, "ignored");
    grid.setCell(2, 4, name);
    grid.setCell(3, 4, gain);
    grid.setCell(4, 4, " 0,5 ");
    grid.setCell(5, 4, unit);
    grid.setCell(6, 4, digits);
    grid.setCell(7, 4, "1,25");
    grid.setCell(8, 4, "-3");
    grid.setCell(9, 4, "7");
    m.ReadConfiguration();
    const TSignalRecord &s = m.Signals[4];
    QCOMPARE(s.IOName, QByteArray("Analog Input 1"));
    QCOMPARE(s.Name, expectedName);
    QTEST(s.Gain, "expectedGain");
    QCOMPARE(s.Offset, 0.5);
    QTEST(s.Unit, "expectedUnit");
    QTEST(int(s.Digits), "expectedDigits");
    QCOMPARE(s.AlarmHigh, 1.25);
    QCOMPARE(s.AlarmLow, -3.0);
    m.ShowConfiguration();
    QCOMPARE(grid.cell(2, 4), expectedName);
}

// Detection leaves Reply empty: the first ProcessReply takes the missed-reply
// path and creates the tree nodes; alarms start with the second reply.
void TestModObject::firstProcessAfterDetection()
{
    NavigationTree tree;
    buildRoot(tree);
    FakeAlarmOutput out;
    const qint32 good = 1;
    TOV_MOD_Object m;
    m.AttachControls(nullptr, &out, &good);
    detect(m, 2, "0x2000B7");
    m.ProcessReply(&tree);
    QCOMPARE(m.LinkState, 1);
    QVERIFY(m.FindModuleNode(&tree));

    QByteArray reply(28, '\0'); // battery 0 V: below its low limit
    reply[0] = char(28 + 0x20);
    m.SetReply(reply);
    m.ProcessReply(&tree);
    QCOMPARE(m.LinkState, 2);
    QCOMPARE(out.lines.size(), 0);
    m.ProcessReply(&tree);
    QCOMPARE(m.LinkState, 0);
    QCOMPARE(out.lines.size(), 1);
    QVERIFY(out.lines[0].endsWith("Battery Voltage = 0.00 Volt (High = 14.00; Low = 7.00)"));
    QCOMPARE(m.FindModuleNode(&tree)->children()[1]->text(),
        QByteArray("Temperature_C|-500.00|\xB0\x43|Level 4"));

    TOV_MOD_Object none; // type 0: nothing is processed
    none.ProcessReply(&tree);
    QCOMPARE(none.LinkState, 0);
}

QTEST_APPLESS_MAIN(TestModObject)
#include "tst_modobject.moc"
