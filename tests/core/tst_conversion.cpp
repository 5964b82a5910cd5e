#include "FakeAlarmOutput.h"
#include "modules/OVModObjectUnit.h"

#include <QTest>

#include <array>
#include <cmath>
#include <memory>

using namespace orvane;

namespace {
QByteArray withEnvelope(QByteArray packet)
{
    packet[0] = char(packet.size() + 0x20);
    quint8 sum = 0;
    for (qsizetype i = 0; i + 1 < packet.size(); ++i)
        sum = quint8(sum + quint8(packet[i]));
    packet[packet.size() - 1] = char(sum);
    return packet;
}

// Type-1 reply: inputs 1..5 and outputs 1, 2 of the current (A) and the
// previous (B) sample.
QByteArray type1Packet(std::array<int, 7> a, std::array<int, 7> b, int length = 25)
{
    QByteArray p(length, '\0');
    auto put = [&](const std::array<int, 7> &s, int low, int high, int fifth) {
        for (int k = 0; k < 4; ++k) {
            p[low + k] = char(s[k] & 0xFF);
            p[high] = char(p[high] | ((s[k] >> 8) & 3) << (6 - 2 * k));
        }
        p[low + 4] = char(s[4] & 0xFF);
        p[fifth] = char(((s[4] >> 8) & 3) | (s[5] << 2) | (s[6] << 3));
    };
    put(a, 10, 15, 16);
    put(b, 17, 22, 23);
    return withEnvelope(p);
}

// Type-2 reply: battery and temperature fields (16 bits), inputs 4..6, and
// the relays (current sample only).
struct Type2Sample
{
    int battery, temperatureField, in4, in5, in6;
};
QByteArray type2Packet(Type2Sample a, Type2Sample b, int relay1, int relay2, int length = 28)
{
    QByteArray p(std::max(length, 28), '\0');
    p[5] = char(relay1 << 2 | relay2 << 3);
    auto put = [&](const Type2Sample &s, int base, int battery, int temperature) {
        p[base] = char((s.in4 >> 8 & 3) << 4);
        p[base + 1] = char(s.in4 & 0xFF);
        p[base + 2] = char((s.in5 >> 8 & 3) << 2);
        p[base + 3] = char(s.in5 & 0xFF);
        p[base + 4] = char(s.in6 >> 8 & 3);
        p[base + 5] = char(s.in6 & 0xFF);
        p[battery] = char(s.battery >> 8);
        p[battery + 1] = char(s.battery & 0xFF);
        p[temperature] = char(s.temperatureField >> 8);
        p[temperature + 1] = char(s.temperatureField & 0xFF);
    };
    put(a, 6, 12, 14);
    put(b, 17, 23, 25);
    p.truncate(length);
    return withEnvelope(p);
}

std::unique_ptr<TOV_MOD_Object> module(int type)
{
    auto m = std::make_unique<TOV_MOD_Object>();
    m->SetModuleType(type);
    m->SerialText = "0x2000B7";
    m->Present = true;
    return m;
}
} // namespace

class TestConversion : public QObject
{
    Q_OBJECT
private slots:
    void type1Conversion();
    void type2Conversion();
    void missedReplies();
    void shortReplyChangesNothing_data();
    void shortReplyChangesNothing();
    void shortType2Packet_data();
    void shortType2Packet();
    void alarmConditions_data();
    void alarmConditions();
    void alarmLatch();
    void alarmText();
};

void TestConversion::type1Conversion()
{
    auto m = module(1);
    m->Signals[2].Gain = 2.0;
    m->Signals[2].Offset = 1.0;
    m->Signals[6].Gain = 3.0;
    m->Signals[6].Offset = 0.5;
    m->Signals[7].Offset = 0.5;
    m->SetReply(type1Packet({ 1023, 512, 0, 1, 768, 1, 0 }, { 256, 0, 1023, 2, 3, 0, 1 }));
    m->DecodeReply();
    const double current[] = { 4.9951171875, 6.0, 0.0, 5.0 / 1024, 3.75, 3.5, 0.5 };
    const double previous[] = { 1.25, 1.0, 4.9951171875, 10.0 / 1024, 15.0 / 1024, 0.5, 1.5 };
    for (int i = 1; i <= 7; ++i) {
        QCOMPARE(m->Samples[i].Current, current[i - 1]);
        QCOMPARE(m->Samples[i].Previous, previous[i - 1]);
    }
}

void TestConversion::type2Conversion()
{
    auto m = module(2);
    m->Samples[7].Previous = 42.0; // relays carry no previous sample
    m->SetReply(type2Packet({ 1024, 1024, 1023, 512, 3 }, { 65535, 0, 0, 1, 1023 }, 1, 0));
    m->DecodeReply();
    QCOMPARE(m->Samples[1].Current, 15.0);
    QCOMPARE(m->Samples[2].Current, 0.0);
    QCOMPARE(m->Samples[3].Current, 32.0);
    QCOMPARE(m->Samples[4].Current, 4.9951171875);
    QCOMPARE(m->Samples[5].Current, 2.5);
    QCOMPARE(m->Samples[6].Current, 15.0 / 1024);
    QCOMPARE(m->Samples[7].Current, 1.0);
    QCOMPARE(m->Samples[8].Current, 0.0);
    QCOMPARE(m->Samples[1].Previous, 65535.0 / 1024 * 5 * 3);
    QCOMPARE(m->Samples[2].Previous, -500.0);
    QCOMPARE(m->Samples[3].Previous, -868.0);
    QCOMPARE(m->Samples[6].Previous, 4.9951171875);
    QCOMPARE(m->Samples[7].Previous, 42.0);
}

void TestConversion::missedReplies()
{
    auto m = module(1);
    const QByteArray good = type1Packet({ 512, 512, 512, 512, 512, 1, 1 }, {});
    m->SetReply(good);
    m->DecodeReply();
    QCOMPARE(m->LinkState, 0);

    struct Step
    {
        bool reply;
        int linkState, lost;
    };
    // Miss, miss, reply, miss while in state 2, reply, reply.
    const Step steps[] = { { false, 1, 0 }, { false, 1, 1 }, { true, 2, 1 }, { false, 2, 2 },
        { true, 0, 2 }, { true, 0, 2 } };
    for (const Step &s : steps) {
        const double before = m->Samples[3].Current;
        m->SetReply(s.reply ? good : QByteArray());
        m->DecodeReply();
        QCOMPARE(m->LinkState, s.linkState);
        QCOMPARE(m->LostReplies, s.lost);
        if (!s.reply) {
            for (int i = 1; i <= 16; ++i)
                QCOMPARE(m->Samples[i].Current, 0.0);
            QCOMPARE(m->Samples[3].Previous, before);
        }
    }
}

void TestConversion::shortReplyChangesNothing_data()
{
    QTest::addColumn<int>("length");
    QTest::newRow("1") << 1;
    QTest::newRow("23") << 23;
}

void TestConversion::shortReplyChangesNothing()
{
    QFETCH(int, length);
    auto m = module(1);
    m->LinkState = 1;
    m->Samples[1] = { 1.5, 2.5 };
    m->SetReply(type1Packet({ 1023, 1023, 1023, 1023, 1023, 1, 1 }, {}).left(length));
    m->DecodeReply();
    QCOMPARE(m->LinkState, 1);
    QCOMPARE(m->Samples[1].Current, 1.5);
    QCOMPARE(m->Samples[1].Previous, 2.5);
}

// A type-2 packet shorter than 28 bytes does not carry the whole previous
// sample: what lies at or beyond its check byte is never taken as a reading,
// and the signal keeps its Previous value.
void TestConversion::shortType2Packet_data()
{
    QTest::addColumn<int>("length");
    QTest::addColumn<bool>("inputs"); // signals 4..6 (positions 17..22)
    QTest::addColumn<bool>("battery"); // signal 1 (23..24)
    QTest::addColumn<bool>("temperature"); // signals 2, 3 (25..26)
    QTest::newRow("24") << 24 << true << false << false;
    QTest::newRow("25") << 25 << true << false << false;
    QTest::newRow("26") << 26 << true << true << false;
    QTest::newRow("27") << 27 << true << true << false;
    QTest::newRow("28") << 28 << true << true << true;
}

void TestConversion::shortType2Packet()
{
    QFETCH(int, length);
    QFETCH(bool, inputs);
    QFETCH(bool, battery);
    QFETCH(bool, temperature);
    auto m = module(2);
    for (int i = 1; i <= 8; ++i)
        m->Samples[i].Previous = -7.0;
    const QByteArray packet
        = type2Packet({ 1024, 1024, 512, 512, 512 }, { 1024, 1024, 1, 1, 1 }, 0, 0, length);
    // An exactly sized buffer: AddressSanitizer reports any read past it.
    std::unique_ptr<char[]> exact(new char[size_t(length)]);
    memcpy(exact.get(), packet.constData(), size_t(length));
    m->SetReply(QByteArray::fromRawData(exact.get(), length));
    m->DecodeReply();
    m->Reply.clear();
    QCOMPARE(m->Samples[2].Current, 0.0);
    QCOMPARE(m->Samples[4].Previous, inputs ? 5.0 / 1024 : -7.0);
    QCOMPARE(m->Samples[1].Previous, battery ? 15.0 : -7.0);
    QCOMPARE(m->Samples[2].Previous, temperature ? 0.0 : -7.0);
    QCOMPARE(m->Samples[3].Previous, temperature ? 32.0 : -7.0);
}

void TestConversion::alarmConditions_data()
{
    QTest::addColumn<double>("high");
    QTest::addColumn<double>("low");
    QTest::addColumn<double>("value");
    QTest::addColumn<bool>("alarm");
    QTest::newRow("inside") << 10.0 << 0.0 << 5.0 << false;
    QTest::newRow("equal high") << 10.0 << 0.0 << 10.0 << true;
    QTest::newRow("equal low") << 10.0 << 0.0 << 0.0 << true;
    QTest::newRow("above") << 10.0 << 0.0 << 11.0 << true;
    QTest::newRow("below") << 10.0 << 0.0 << -1.0 << true;
    QTest::newRow("not a number") << 10.0 << 0.0 << std::nan("") << true;
    QTest::newRow("low above high") << 1.0 << 2.0 << 1.5 << true;
    QTest::newRow("low equals high") << 1.0 << 1.0 << 7.0 << true;
}

void TestConversion::alarmConditions()
{
    QFETCH(double, high);
    QFETCH(double, low);
    QFETCH(double, value);
    QFETCH(bool, alarm);
    auto m = module(1);
    FakeAlarmOutput out;
    const qint32 good = 1;
    m->AttachControls(nullptr, &out, &good);
    for (int i = 1; i <= 7; ++i)
        m->Samples[i].Current = 500.0; // inside the default limits
    m->Signals[4].AlarmHigh = high;
    m->Signals[4].AlarmLow = low;
    m->Samples[4].Current = value;
    m->CheckAlarms();
    QCOMPARE(out.lines.size(), alarm ? 1 : 0);
    QCOMPARE(m->AlarmActive[4], alarm ? 1 : 0);
}

void TestConversion::alarmLatch()
{
    auto m = module(2);
    FakeAlarmOutput out;
    qint32 good = 0;
    m->AttachControls(nullptr, &out, &good);
    m->Samples[1].Current = 15.0; // battery above 14.0
    for (int i = 2; i <= 8; ++i)
        m->Samples[i].Current = 1.0;

    m->CheckAlarms(); // no accepted reply yet
    good = 1;
    m->LinkState = 1;
    m->CheckAlarms();
    m->LinkState = 2;
    m->CheckAlarms();
    QCOMPARE(out.lines.size(), 0);

    m->LinkState = 0;
    m->CheckAlarms();
    m->CheckAlarms(); // still out of limits: reported once
    QCOMPARE(out.lines.size(), 1);
    QCOMPARE(out.warningsShown, 1);

    m->Samples[1].Current = 10.0;
    m->LinkState = 1; // a gap does not clear the latch
    m->CheckAlarms();
    QCOMPARE(m->AlarmActive[1], 1);
    m->LinkState = 0; // one cycle inside re-arms it
    m->CheckAlarms();
    QCOMPARE(m->AlarmActive[1], 0);
    m->Samples[1].Current = 6.9;
    m->CheckAlarms();
    QCOMPARE(out.lines.size(), 2);
}

void TestConversion::alarmText()
{
    auto m = module(2);
    FakeAlarmOutput out;
    const qint32 good = 3;
    m->AttachControls(nullptr, &out, &good);
    m->Clock = [] { return QDateTime(QDate(2026, 12, 5), QTime(9, 3, 7)); };
    for (int i = 1; i <= 8; ++i)
        m->Samples[i].Current = 1.0;
    m->Samples[1].Current = 6.9;
    m->Signals[2].AlarmHigh = 0.5;
    m->CheckAlarms();
    QCOMPARE(out.lines,
        QList<QByteArray>({ "09:03:07 Module = 0x2000B7 Battery Voltage = 6.90 Volt "
                            "(High = 14.00; Low = 7.00)",
            "09:03:07 Module = 0x2000B7 Temperature_C = 1.00 \xB0"
            "C (High = 0.50; Low = -1000.00)" }));
    QCOMPARE(out.labels[0], QByteArray("09:03:07"));
    QCOMPARE(out.labels[1], QByteArray("Module = 0x2000B7"));
    QCOMPARE(out.labels[2],
        QByteArray("Temperature_C = 1.00 \xB0"
                   "C"));
    QCOMPARE(out.labels[3], QByteArray("(High = 0.50; Low = -1000.00)"));
}

QTEST_APPLESS_MAIN(TestConversion)
#include "tst_conversion.moc"
