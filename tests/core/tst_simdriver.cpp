// The simulated network through the driver interface, on a manual clock:
// every wait is exact and takes no real time. The program's own frame unit
// builds the requests and reads the replies, so the simulator's independent
// encoder and the program check each other.
#include "protocol/WireProtocol.h"
#include "sim/SimDriver.h"

#include <QTest>

using namespace orvane;

namespace {

using Raw = std::array<int, 5>;
using Outputs = std::array<int, 2>;

// A whole poll answer that passes the program's reply checks.
bool framed(const QByteArray &reply, int length)
{
    return reply.size() == length && checkReply(reply).fault == ReplyFault::None;
}

QByteArray type2Poll(int band, int mode1 = 0, int threshold1 = 0, int mode2 = 0, int threshold2 = 0)
{
    return type2PollRequest(
        band + 1, { quint8(mode1), quint16(threshold1) }, { quint8(mode2), quint16(threshold2) });
}

const uchar *data(const QByteArray &reply)
{
    return reinterpret_cast<const uchar *>(reply.constData());
}

// Modules as band, type, serial and raw values.
Scenario network(std::initializer_list<std::tuple<int, int, const char *, Raw>> modules)
{
    Scenario s;
    for (const auto &[band, type, serial, raw] : modules) {
        ScenarioModule &m = s.modules.emplace_back();
        m.band = band;
        m.type = type;
        m.serial = serial;
        m.raw = raw;
    }
    return s;
}

Scenario twoModules()
{
    return network({ { 0, 1, "0x1004A2", { 512, 256, 1023, 0, 100 } },
        { 2, 2, "0x2000B7", { 819, 43, 512, 256, 100 } } });
}

// The link's side of the wire: an open, configured interface device.
struct Link
{
    ManualSimClock clock { 5000 };
    SimDriver driver;
    FT_HANDLE handle = nullptr;

    explicit Link(const Scenario &scenario = twoModules())
        : driver(scenario, clock)
    {
        driver.FT_OpenEx(locationArg(0x1221), FT_OPEN_BY_LOCATION, &handle);
        driver.FT_SetTimeouts(handle, 10, 10);
    }
    FT_STATUS write(const QByteArray &frame)
    {
        DWORD written = 0;
        return driver.FT_Write(handle, frame.constData(), DWORD(frame.size()), &written);
    }
    QByteArray read(DWORD count = 256)
    {
        char buffer[256];
        DWORD got = 0;
        if (driver.FT_Read(handle, buffer, std::min<DWORD>(count, 256), &got) != FT_OK)
            return "read failed";
        return QByteArray(buffer, qsizetype(got));
    }
    // Writes a frame, lets the radio answer, reads once as the link does.
    QByteArray exchange(const QByteArray &frame, qint64 waitMs = 200)
    {
        if (write(frame) != FT_OK)
            return "write failed";
        clock.advanceMs(waitMs);
        return read();
    }
};

} // namespace

class TestSimDriver : public QObject
{
    Q_OBJECT
private slots:
    void answers_data()
    {
        QTest::addColumn<QByteArray>("frame");
        QTest::addColumn<QByteArray>("expected");
        const auto row = [](const char *name, const QByteArray &frame, const char *expected = "") {
            QTest::newRow(name) << frame << QByteArray(expected);
        };
        row("identity", identityRequest(), "ORVANE INTERFACE V2.0");
        row("scan band 0, type 1", scanRequest(1), "Orvane Module, 0x1004A2");
        row("scan band 1, own answer", scanRequest(2), "Orvane Module, 0x3000C1 (spare)");
        // Everything below goes unanswered.
        row("scan empty band", scanRequest(4));
        row("scan band digit 4", scanRequest(5));
        QByteArray badCheck = type2Poll(2, 1, 512);
        badCheck[9] = static_cast<char>(badCheck.at(9) + 1);
        row("type-2 poll, wrong check byte", badCheck);
        row("type-1 poll to a type-2 module", type1PollRequest(3, 1, 1));
        row("type-2 poll to a type-1 module", type2Poll(0, 1, 0, 1, 0));
        row("poll to a type-3 module", type1PollRequest(2, 0, 0));
    }
    void answers()
    {
        QFETCH(QByteArray, frame);
        Scenario scenario = network({ { 0, 1, "0x1004A2", {} }, { 1, 3, "0x3000C1", {} },
            { 2, 2, "0x2000B7", { 819, 43, 512, 256, 100 } } });
        scenario.modules[1].answer = "Orvane Module, 0x3000C1 (spare)";
        Link link(scenario);
        QTEST(link.exchange(frame, 1000), "expected");
    }

    // The first reply repeats the current sample as the previous one; then
    // every bit flipped and the other outputs told: the first sample becomes
    // the previous one.
    void type1Reply_data()
    {
        QTest::addColumn<Raw>("raw");
        QTest::addColumn<Outputs>("told");
        QTest::newRow("mid values") << Raw { 512, 256, 1023, 0, 100 } << Outputs { 0, 0 };
        QTest::newRow("high bits differ")
            << Raw { 0x3FF, 0x2AA, 0x155, 0x100, 0x2C3 } << Outputs { 1, 0 };
    }
    void type1Reply()
    {
        QFETCH(Raw, raw);
        QFETCH(Outputs, told);
        Link link(network({ { 1, 1, "0x100001", raw } }));
        const QByteArray first = link.exchange(type1PollRequest(2, told[0], told[1]));
        QVERIFY2(framed(first, 25), first.toHex().constData());
        QCOMPARE(first.mid(1, 9), QByteArray(9, '\0'));
        for (int base : { kType1Current, kType1Previous })
            QVERIFY(readType1(data(first), base) == (Type1Fields { raw, told }));

        Raw next;
        for (int i = 0; i < 5; ++i)
            next[i] = 1023 - raw[i];
        const Outputs other { !told[0], !told[1] };
        QVERIFY(link.driver.setModuleRaw(1, next));
        const QByteArray second = link.exchange(type1PollRequest(2, other[0], other[1]));
        QVERIFY2(framed(second, 25), second.toHex().constData());
        QVERIFY(readType1(data(second), kType1Current) == (Type1Fields { next, other }));
        QVERIFY(readType1(data(second), kType1Previous) == (Type1Fields { raw, told }));
    }

    // A type-2 module runs its relays by the modes and thresholds it is sent.
    void type2Reply_data()
    {
        QTest::addColumn<Raw>("raw");
        QTest::addColumn<QList<int>>("modes"); // mode 1, threshold 1, mode 2, threshold 2
        QTest::addColumn<int>("relays");
        const auto row = [](const char *name, Raw raw, QList<int> modes, int relays) {
            QTest::newRow(name) << raw << modes << relays;
        };
        row("extremes low", { 0, -1024, 0, 0, 0 }, { 0, 0, 0, 0 }, 0);
        row("extremes high", { 65535, 64511, 1023, 1023, 1023 }, { 0, 0, 0, 0 }, 0);
        // Battery 819, temperature 43 (field 1067), signals 4..6: 512, 256, 100.
        const Raw typical { 819, 43, 512, 256, 100 };
        row("both on", typical, { 1, 0, 1, 0 }, 0x0C);
        row("battery at threshold", typical, { 2, 819, 2, 820 }, 0x04);
        row("temperature field", typical, { 3, 1067, 4, 1068 }, 0x04);
        row("signals 4 and 5", typical, { 5, 512, 6, 257 }, 0x04);
        row("signal 6, threshold above any count", typical, { 5, 0xFFFF, 7, 100 }, 0x08);
    }
    void type2Reply()
    {
        QFETCH(Raw, raw);
        QFETCH(QList<int>, modes);
        QFETCH(int, relays);
        const auto sample = [](const Type2Fields &f) {
            return Raw { f.battery, f.temperature, f.input[0], f.input[1], f.input[2] };
        };
        Link link(network({ { 2, 2, "0x200001", raw } }));
        const QByteArray first
            = link.exchange(type2Poll(2, modes[0], modes[1], modes[2], modes[3]));
        QVERIFY2(framed(first, 28), first.toHex().constData());
        QCOMPARE(sample(readType2Current(data(first))), raw);
        QCOMPARE(sample(readType2Previous(data(first), 28)), raw); // nothing measured before
        QCOMPARE(int(first.at(5)), relays);

        // Mode bytes the module does not know leave its relays as they were.
        QVERIFY(link.driver.setModuleRaw(2, { 1, 2, 3, 4, 5 }));
        const QByteArray second = link.exchange(type2Poll(2, 0x20, 0, 0x99, 0xFFFF));
        QVERIFY2(framed(second, 28), second.toHex().constData());
        QCOMPARE(int(second.at(5)), relays);
        QCOMPARE(sample(readType2Current(data(second))), (Raw { 1, 2, 3, 4, 5 }));
        QCOMPARE(sample(readType2Previous(data(second), 28)), raw);
    }
};

QTEST_GUILESS_MAIN(TestSimDriver)
#include "tst_simdriver.moc"
