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
        // A short reply: only the groups that lie before its check byte.
        const struct
        {
            qsizetype size;
            bool input, battery, temperature;
        } cuts[] = { { 23, 0, 0, 0 }, { 24, 1, 0, 0 }, { 25, 1, 0, 0 }, { 26, 1, 1, 0 },
            { 27, 1, 1, 0 }, { 28, 1, 1, 1 } };
        for (const auto &cut : cuts) {
            const Type2Fields &g = golden::type2Previous;
            const Type2Fields expected { cut.input ? g.input : std::array<int, 3> {},
                cut.battery ? g.battery : 0, cut.temperature ? g.temperature : 0, {}, cut.input,
                cut.battery, cut.temperature };
            QCOMPARE(values(readType2Previous(p2, cut.size)), values(expected));
        }
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
