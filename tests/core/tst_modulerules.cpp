#include "modules/OVModObjectUnit.h"

#include <QTest>

#include <cmath>

using namespace orvane;

class TestModuleRules : public QObject
{
    Q_OBJECT
private slots:
    void ruleStates_data();
    void ruleStates();
    void ruleAfterMissedReply();
    void type1Request();
    void type2Request_data();
    void type2Request();
    void threshold_data();
    void threshold();
    void damagedOutputFields_data();
    void damagedOutputFields();
    void noRequestForOtherTypesOrSlots();
};

void TestModuleRules::ruleStates_data()
{
    QTest::addColumn<int>("mode");
    QTest::addColumn<int>("action");
    QTest::addColumn<double>("value"); // of the watched signal 3, threshold 2.5
    QTest::addColumn<int>("before");
    QTest::addColumn<int>("state");
    QTest::newRow("off") << 0 << 0 << 9.0 << 1 << 0;
    QTest::newRow("on") << 1 << 0 << 0.0 << 0 << 1;
    QTest::newRow("ON at threshold") << 2 << 0 << 2.5 << 0 << 1;
    QTest::newRow("ON below") << 2 << 0 << 2.4 << 1 << 0;
    QTest::newRow("OFF at threshold") << 2 << 1 << 2.5 << 1 << 0;
    QTest::newRow("OFF below") << 2 << 1 << 2.4 << 0 << 1;
    QTest::newRow("ON not a number") << 2 << 0 << std::nan("") << 1 << 0;
    QTest::newRow("OFF not a number") << 2 << 1 << std::nan("") << 0 << 1;
    QTest::newRow("damaged action above") << 2 << 7 << 3.0 << 1 << 0;
    QTest::newRow("damaged action below") << 2 << -1 << 1.0 << 0 << 1;
    QTest::newRow("unknown mode keeps 1") << 3 << 0 << 3.0 << 1 << 1;
    QTest::newRow("unknown mode keeps 0") << -1 << 0 << 3.0 << 0 << 0;
}

void TestModuleRules::ruleStates()
{
    QFETCH(int, mode);
    QFETCH(int, action);
    QFETCH(double, value);
    QFETCH(int, before);
    QFETCH(int, state);
    for (int type : { 1, 2 }) {
        TOV_MOD_Object m;
        m.SetModuleType(type);
        for (TSignalRecord *out :
            { &m.Signals[m.Output1Signal()], &m.Signals[m.Output2Signal()] }) {
            out->OutputMode = mode;
            out->RuleAction = action;
            out->RuleInput = 3;
            out->RuleValue = 2.5;
        }
        m.Samples[3].Current = value;
        m.OutputState1 = m.OutputState2 = before;
        m.EvaluateRules();
        QCOMPARE(m.OutputState1, state);
        QCOMPARE(m.OutputState2, state);
    }
}

void TestModuleRules::ruleAfterMissedReply()
{
    TOV_MOD_Object m;
    m.SetModuleType(1);
    m.Signals[6].OutputMode = 2;
    m.Signals[6].RuleInput = 1;
    m.Samples[1].Current = 3.0;
    m.EvaluateRules();
    QCOMPARE(m.OutputState1, 1);
    m.SetReply({});
    m.DecodeReply();
    m.EvaluateRules();
    QCOMPARE(m.BuildRequest(1),
        QByteArray("\xFE"
                   "0@\x00\x00\x00\x00",
            7));
}

void TestModuleRules::type1Request()
{
    TOV_MOD_Object m;
    m.SetModuleType(1);
    m.OutputState1 = 1;
    m.OutputState2 = 0;
    QCOMPARE(m.BuildRequest(3),
        QByteArray("\xFE"
                   "2@\x00\x01\x00\x00",
            7));
    m.OutputState2 = 1;
    QCOMPARE(m.BuildRequest(4),
        QByteArray("\xFE"
                   "3@\x00\x01\x00\x01",
            7));
}

void TestModuleRules::type2Request_data()
{
    QTest::addColumn<int>("mode");
    QTest::addColumn<int>("ruleInput");
    QTest::addColumn<double>("ruleValue");
    QTest::addColumn<QByteArray>("output1"); // mode byte and threshold
    // Output 2 stays "Off" with a rule on signal 4 at 2.5 V (threshold 512).
    QTest::newRow("both off") << 0 << 4 << 2.5 << QByteArray("\x00\x02\x00", 3);
    QTest::newRow("on keeps threshold") << 1 << 4 << 2.5 << QByteArray("\x01\x02\x00", 3);
    QTest::newRow("rule on signal 1") << 2 << 1 << 15.0 << QByteArray("\x02\x04\x00", 3);
    QTest::newRow("rule on 25 C") << 2 << 2 << 25.0 << QByteArray("\x03\x04\x33", 3);
    QTest::newRow("rule at the offset") << 2 << 2 << 0.0 << QByteArray("\x03\x04\x00", 3);
    QTest::newRow("rule on 77 F") << 2 << 3 << 77.0 << QByteArray("\x04\x04\x33", 3);
    QTest::newRow("rule on signal 6") << 2 << 6 << 5.0 << QByteArray("\x07\x04\x00", 3);
}

void TestModuleRules::type2Request()
{
    QFETCH(int, mode);
    QFETCH(int, ruleInput);
    QFETCH(double, ruleValue);
    QFETCH(QByteArray, output1);
    TOV_MOD_Object m;
    m.SetModuleType(2);
    m.Signals[7].OutputMode = mode;
    m.Signals[7].RuleInput = ruleInput;
    m.Signals[7].RuleValue = ruleValue;
    m.Signals[8].RuleInput = 4;
    QByteArray expected = QByteArray("\xFE"
                                     "0#")
        + output1 + QByteArray("\x00\x02\x00", 3);
    quint8 sum = 0;
    for (int i = 2; i <= 8; ++i)
        sum = quint8(sum + quint8(expected[i]));
    expected.append(char(sum));
    QCOMPARE(m.BuildRequest(1), expected);
    if (mode == 0)
        QCOMPARE(quint8(expected[9]), quint8(0x27));
}

void TestModuleRules::threshold_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<double>("gain");
    QTest::addColumn<double>("offset");
    QTest::addColumn<bool>("temperature");
    QTest::addColumn<int>("count");
    QTest::newRow("2.5 V") << 2.5 << 1.0 << 0.0 << false << 512;
    QTest::newRow("half to even down") << 25.0 / 2048 << 1.0 << 0.0 << false << 2; // 2.5
    QTest::newRow("half to even up") << 35.0 / 2048 << 1.0 << 0.0 << false << 4; // 3.5
    QTest::newRow("25 C") << 25.0 << 100.0 << 0.0 << true << 1075;
    QTest::newRow("with offset") << 3.0 << 2.0 << 0.5 << false << 256;
    QTest::newRow("below 0") << -1.0 << 1.0 << 0.0 << false << 0;
    QTest::newRow("cold below 0") << -600.0 << 100.0 << 0.0 << true << 0;
    QTest::newRow("above 65535") << 400.0 << 1.0 << 0.0 << false << 65535;
    QTest::newRow("65535") << 65535.0 * 5 / 1024 << 1.0 << 0.0 << false << 65535;
    QTest::newRow("gain 0 above offset") << 2.5 << 0.0 << 0.0 << false << 65535;
    QTest::newRow("gain 0 below offset") << -2.5 << 0.0 << 0.0 << false << 0;
    QTest::newRow("gain 0 at offset") << 1.0 << 0.0 << 1.0 << true << 65535;
    QTest::newRow("not a number") << std::nan("") << 1.0 << 0.0 << false << 65535;
    QTest::newRow("infinite gain") << 1.0 << HUGE_VAL << 0.0 << true << 1024;
}

void TestModuleRules::threshold()
{
    QFETCH(double, value);
    QFETCH(double, gain);
    QFETCH(double, offset);
    QFETCH(bool, temperature);
    QFETCH(int, count);
    QCOMPARE(int(type2Threshold(value, gain, offset, temperature)), count);
}

// Fields only a damaged settings file can hold: the frame keeps its 10 bytes,
// sends "Off" and a threshold that never switches the relay on.
void TestModuleRules::damagedOutputFields_data()
{
    QTest::addColumn<int>("mode");
    QTest::addColumn<int>("ruleInput");
    QTest::newRow("mode 3") << 3 << 4;
    QTest::newRow("mode -1") << -1 << 4;
    QTest::newRow("mode max") << std::numeric_limits<int>::max() << 4;
    QTest::newRow("rule on 0") << 2 << 0;
    QTest::newRow("rule on relay") << 2 << 7;
    QTest::newRow("rule on 17") << 2 << 17;
    QTest::newRow("rule on min") << 2 << std::numeric_limits<int>::min();
}

void TestModuleRules::damagedOutputFields()
{
    QFETCH(int, mode);
    QFETCH(int, ruleInput);
    TOV_MOD_Object m;
    m.SetModuleType(2);
    m.Signals[8].OutputMode = mode;
    m.Signals[8].RuleInput = ruleInput;
    m.Samples.fill({ 9.0, 9.0 });
    m.OutputState2 = 1;
    m.EvaluateRules();
    QVERIFY(m.OutputState2 == 0 || m.OutputState2 == 1);
    const QByteArray frame = m.BuildRequest(2);
    QCOMPARE(frame.size(), 10);
    const bool validInput = ruleInput >= 1 && ruleInput <= 6;
    QCOMPARE(frame.mid(6, 3),
        validInput ? QByteArray("\x00\x02\x00", 3) : QByteArray("\x00\xFF\xFF", 3));
}

void TestModuleRules::noRequestForOtherTypesOrSlots()
{
    TOV_MOD_Object m;
    QVERIFY(m.BuildRequest(1).isEmpty());
    m.SetModuleType(1);
    QVERIFY(m.BuildRequest(0).isEmpty());
    QVERIFY(m.BuildRequest(5).isEmpty());
}

QTEST_APPLESS_MAIN(TestModuleRules)
#include "tst_modulerules.moc"
