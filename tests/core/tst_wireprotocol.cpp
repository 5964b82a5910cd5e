// The frames of the USB link against the golden table.
#include "GoldenFrames.h"

#include <QTest>

using namespace orvane;

namespace {
QList<int> values(const Type1Fields &f)
{
    return { f.input[0], f.input[1], f.input[2], f.input[3], f.input[4], f.output[0], f.output[1] };
}
QList<int> values(const Type2Fields &f)
{
    return { f.input[0], f.input[1], f.input[2], f.battery, f.temperature, f.relay[0], f.relay[1],
        f.hasInput, f.hasBattery, f.hasTemperature };
}
} // namespace

class TestWireProtocol : public QObject
{
    Q_OBJECT
private slots:
    void requests()
    {
        for (const golden::Request &r : golden::requests())
            QVERIFY2(r.build() == r.bytes, r.name);
    }

    void replies()
    {
        for (const golden::Reply &r : golden::replies()) {
            const ReplyCheck check = checkReply(r.received);
            QVERIFY2(check.fault == r.fault, r.name);
            QVERIFY2(check.packet == r.received.first(r.accepted), r.name);
        }
    }

    void readings()
    {
        const auto *p1 = reinterpret_cast<const uchar *>(golden::type1Reply.constData());
        QCOMPARE(values(readType1(p1, kType1Current)), values(golden::type1Current));
        QCOMPARE(values(readType1(p1, kType1Previous)), values(golden::type1Previous));

        const auto *p2 = reinterpret_cast<const uchar *>(golden::type2Reply.constData());
        QCOMPARE(values(readType2Current(p2)), values(golden::type2Current));
        QCOMPARE(values(readType2Previous(p2, 28)), values(golden::type2Previous));
        // Cut short: only what lies before the check byte.
        Type2Fields expected = golden::type2Previous;
        expected.hasTemperature = false;
        expected.temperature = 0;
        QCOMPARE(values(readType2Previous(p2, 27)), values(expected));
        expected.hasBattery = false;
        expected.battery = 0;
        QCOMPARE(values(readType2Previous(p2, 24)), values(expected));
        expected.hasInput = false;
        expected.input = {};
        QCOMPARE(values(readType2Previous(p2, 23)), values(expected));
    }

    void answers()
    {
        for (const golden::Answer &a : golden::scanAnswers()) {
            const ScanAnswer read = parseScanAnswer(a.text);
            QVERIFY2(read.namesModule == a.read.namesModule && read.wellFormed == a.read.wellFormed
                    && read.type == a.read.type && read.serial == a.read.serial,
                a.name);
        }
        QVERIFY(namesInterface("orvane Interface V2.0"));
        QVERIFY(!namesInterface("ORVANE INTERFAC"));
    }
};

QTEST_GUILESS_MAIN(TestWireProtocol)
#include "tst_wireprotocol.moc"
