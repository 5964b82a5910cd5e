// The frames of the USB link against the golden table.
#include "GoldenFrames.h"

#include <QTest>

using namespace orvane;

namespace {
const uchar *bytes(const QByteArray &frame)
{
    return reinterpret_cast<const uchar *>(frame.constData());
}
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
    void framesInAndOut()
    {
        for (const auto &[built, expected] : golden::requests())
            QCOMPARE(built.toHex(' '), expected.toHex(' '));
        for (const golden::Reply &r : golden::replies()) {
            const ReplyCheck check = checkReply(r.received);
            QVERIFY2(check.fault == r.fault && check.packet == r.received.first(r.accepted),
                r.received.toHex(' ').constData());
        }
        for (const auto &[text, expected] : golden::scanAnswers()) {
            const ScanAnswer read = parseScanAnswer(text);
            QVERIFY2(read.namesModule == expected.namesModule
                    && read.wellFormed == expected.wellFormed && read.type == expected.type
                    && read.serial == expected.serial,
                text.constData());
        }
        QVERIFY(namesInterface("orvane Interface V2.0") && !namesInterface("ORVANE INTERFAC"));
    }

    void readings()
    {
        const uchar *p1 = bytes(golden::type1Reply);
        QCOMPARE(values(readType1(p1, kType1Current)), values(golden::type1Current));
        QCOMPARE(values(readType1(p1, kType1Previous)), values(golden::type1Previous));
        const uchar *p2 = bytes(golden::type2Reply);
        QCOMPARE(values(readType2Current(p2)), values(golden::type2Current));
        // A reply cut short: only the groups that lie before its check byte.
        const Type2Fields &g = golden::type2Previous;
        for (const qsizetype size : { 23, 24, 25, 26, 27, 28 }) {
            const bool input = size >= 24, battery = size >= 26, temperature = size >= 28;
            const Type2Fields expected { input ? g.input : std::array<int, 3> {},
                battery ? g.battery : 0, temperature ? g.temperature : 0, {}, input, battery,
                temperature };
            QCOMPARE(values(readType2Previous(p2, size)), values(expected));
        }
    }
};

QTEST_GUILESS_MAIN(TestWireProtocol)
#include "tst_wireprotocol.moc"
