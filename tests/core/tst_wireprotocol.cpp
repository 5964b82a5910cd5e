// The frames of the USB link against the golden table.
#include "GoldenFrames.h"

#include <QTest>

using namespace orvane;

namespace {
const uchar *bytes(const QByteArray &frame)
{
    return reinterpret_cast<const uchar *>(frame.constData());
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
        for (const auto &[text, expected] : golden::scanAnswers())
            QVERIFY2(parseScanAnswer(text) == expected, text.constData());
    }

    void readings()
    {
        const uchar *p1 = bytes(golden::type1Reply);
        QVERIFY(readType1(p1, kType1Current) == golden::type1Current);
        QVERIFY(readType1(p1, kType1Previous) == golden::type1Previous);
        const uchar *p2 = bytes(golden::type2Reply);
        QVERIFY(readType2Current(p2) == golden::type2Current);
        // A reply cut short: only the groups that lie before its check byte.
        const Type2Fields &g = golden::type2Previous;
        for (const qsizetype size : { 23, 24, 25, 26, 27, 28 }) {
            const bool input = size >= 24, battery = size >= 26, temperature = size >= 28;
            const Type2Fields expected { input ? g.input : std::array<int, 3> {},
                battery ? g.battery : 0, temperature ? g.temperature : 0, {}, input, battery,
                temperature };
            QVERIFY2(readType2Previous(p2, size) == expected, qPrintable(QString::number(size)));
        }
    }
};

QTEST_GUILESS_MAIN(TestWireProtocol)
#include "tst_wireprotocol.moc"
