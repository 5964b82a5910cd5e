// The simulated network through the driver interface, on a manual clock:
// every wait is exact and takes no real time. The program's own frame unit
// builds the requests and reads the replies, so the simulator's independent
// encoder and the program check each other.
#include "protocol/WireProtocol.h"
#include "sim/SimDriver.h"

#include <QTest>

using namespace orvane;

namespace {

constexpr DWORD kInterfaceLocation = 0x1221;
using Raw = std::array<int, 5>;

QByteArray bytes(std::initializer_list<int> values)
{
    QByteArray out;
    for (int v : values)
        out.append(static_cast<char>(v));
    return out;
}

int at(const QByteArray &packet, int index)
{
    return static_cast<unsigned char>(packet.at(index));
}

// A whole poll answer that passes the program's reply checks.
bool framed(const QByteArray &reply, int length)
{
    return reply.size() == length && checkReply(reply).fault == ReplyFault::None;
}

QByteArray type1Poll(int band, bool out1 = false, bool out2 = false)
{
    return type1PollRequest(band + 1, out1, out2);
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

using Outputs = std::array<int, 2>;

// The link's side of the wire: an open, configured interface device.
struct Link
{
    ManualSimClock clock { 5000 };
    SimDriver driver;
    FT_HANDLE handle = nullptr;

    explicit Link(const Scenario &scenario = twoModules())
        : driver(scenario, clock)
    {
        QCOMPARE(
            driver.FT_OpenEx(locationArg(kInterfaceLocation), FT_OPEN_BY_LOCATION, &handle), FT_OK);
        QCOMPARE(driver.FT_SetTimeouts(handle, 10, 10), FT_OK);
    }

    FT_STATUS write(const QByteArray &frame)
    {
        DWORD written = 0;
        const FT_STATUS status
            = driver.FT_Write(handle, frame.constData(), DWORD(frame.size()), &written);
        return status == FT_OK && written != DWORD(frame.size()) ? FT_OTHER_ERROR : status;
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
    void answers_data();
    void answers();
    void type1Reply_data();
    void type1Reply();
    void type2Reply_data();
    void type2Reply();
    void latencyAndReadTimeout();
    void faults_data();
    void faults();
    void sameSeedSameStream_data();
    void sameSeedSameStream();
    void devicesAndUnplug();
    void replug_data();
    void replug();
};

void TestSimDriver::answers_data()
{
    QTest::addColumn<QByteArray>("frame");
    QTest::addColumn<QByteArray>("expected");
    const auto row = [](const char *name, const QByteArray &frame, const char *expected = "") {
        QTest::newRow(name) << frame << QByteArray(expected);
    };
    row("identity", bytes({ 0xFF, '?' }), "ORVANE INTERFACE V2.0");
    row("scan band 0, type 1", bytes({ 0xFE, '0', '?' }), "Orvane Module, 0x1004A2");
    row("scan band 1, own answer", bytes({ 0xFE, '1', '?' }), "Orvane Module, 0x3000C1 (spare)");
    row("scan band 2, type 2", bytes({ 0xFE, '2', '?' }), "Orvane Module, 0x2000B7");
    // Everything below goes unanswered.
    row("scan empty band", bytes({ 0xFE, '3', '?' }));
    row("scan band digit 4", bytes({ 0xFE, '4', '?' }));
    row("identity with junk", bytes({ 0xFF, '?', 0 }));
    QByteArray badCheck = type2Poll(2, 1, 512);
    badCheck[9] = static_cast<char>(badCheck.at(9) + 1);
    row("type-2 poll, wrong check byte", badCheck);
    row("type-1 poll to a type-2 module", type1Poll(2, true, true));
    row("type-2 poll to a type-1 module", type2Poll(0, 1, 0, 1, 0));
    row("poll to a type-3 module", type1Poll(1));
    row("poll to an empty band", type1Poll(3));
    row("type-1 poll one byte short", type1Poll(0).left(6));
}

void TestSimDriver::answers()
{
    QFETCH(QByteArray, frame);
    QFETCH(QByteArray, expected);
    Scenario scenario = network({ { 0, 1, "0x1004A2", {} }, { 1, 3, "0x3000C1", {} },
        { 2, 2, "0x2000B7", { 819, 43, 512, 256, 100 } } });
    scenario.modules[1].answer = "Orvane Module, 0x3000C1 (spare)";
    Link link(scenario);
    QCOMPARE(link.exchange(frame, 1000), expected);
}

void TestSimDriver::type1Reply_data()
{
    QTest::addColumn<Raw>("raw");
    QTest::addColumn<bool>("out1");
    QTest::addColumn<bool>("out2");
    QTest::newRow("mid values, outputs off") << Raw { 512, 256, 1023, 0, 100 } << false << false;
    QTest::newRow("high bits differ, output 1")
        << Raw { 0x3FF, 0x2AA, 0x155, 0x100, 0x2C3 } << true << false;
    QTest::newRow("all zero, output 2") << Raw { 0, 0, 0, 0, 0 } << false << true;
}

void TestSimDriver::type1Reply()
{
    QFETCH(Raw, raw);
    QFETCH(bool, out1);
    QFETCH(bool, out2);
    Link link(network({ { 1, 1, "0x100001", raw } }));
    const Outputs told { out1, out2 };

    const QByteArray first = link.exchange(type1Poll(1, out1, out2));
    QVERIFY2(framed(first, 25), first.toHex().constData());
    QCOMPARE(first.mid(1, 9), QByteArray(9, '\0'));
    // Nothing was measured before: the previous sample repeats the current one.
    for (int base : { kType1Current, kType1Previous }) {
        QCOMPARE(readType1(data(first), base).input, raw);
        QCOMPARE(readType1(data(first), base).output, told);
    }

    // Every bit flipped, the other outputs told: the first sample becomes the previous one.
    Raw next;
    for (int i = 0; i < 5; ++i)
        next[i] = 1023 - raw[i];
    QVERIFY(link.driver.setModuleRaw(1, next));
    const QByteArray second = link.exchange(type1Poll(1, !out1, !out2));
    QVERIFY2(framed(second, 25), second.toHex().constData());
    QCOMPARE(readType1(data(second), kType1Current).input, next);
    QCOMPARE(readType1(data(second), kType1Current).output, (Outputs { !out1, !out2 }));
    QCOMPARE(readType1(data(second), kType1Previous).input, raw);
    QCOMPARE(readType1(data(second), kType1Previous).output, told);
}

void TestSimDriver::type2Reply_data()
{
    QTest::addColumn<Raw>("raw");
    QTest::addColumn<QList<int>>("modes"); // mode 1, threshold 1, mode 2, threshold 2
    QTest::addColumn<int>("relays");
    const auto row = [](const char *name, Raw raw, QList<int> modes, int relays) {
        QTest::newRow(name) << raw << modes << relays;
    };
    const QList<int> off { 0, 0, 0, 0 };
    row("extremes low", { 0, -1024, 0, 0, 0 }, off, 0);
    row("extremes high", { 65535, 64511, 1023, 1023, 1023 }, off, 0);
    row("mixed bits", { 0xABCD, 0x1234 - 1024, 0x2AA, 0x155, 0x301 }, off, 0);
    // Battery 819, temperature 43 (field 1067), signals 4..6: 512, 256, 100.
    const Raw typical { 819, 43, 512, 256, 100 };
    row("both on", typical, { 1, 0, 1, 0 }, 0x0C);
    row("battery at threshold", typical, { 2, 819, 2, 820 }, 0x04);
    row("temperature field", typical, { 3, 1067, 4, 1068 }, 0x04);
    row("signal 3 is the temperature too", typical, { 4, 1000, 3, 2000 }, 0x04);
    row("signals 4 and 5", typical, { 5, 512, 6, 257 }, 0x04);
    row("signal 6", typical, { 0, 0, 7, 100 }, 0x08);
    row("threshold above any count", typical, { 5, 0xFFFF, 7, 0 }, 0x08);
}

void TestSimDriver::type2Reply()
{
    QFETCH(Raw, raw);
    QFETCH(QList<int>, modes);
    QFETCH(int, relays);
    const auto expectSample = [](const Type2Fields &f, const Raw &values) {
        QCOMPARE((Raw { f.battery, f.temperature, f.input[0], f.input[1], f.input[2] }), values);
    };
    Link link(network({ { 2, 2, "0x200001", raw } }));
    const QByteArray first = link.exchange(type2Poll(2, modes[0], modes[1], modes[2], modes[3]));
    QVERIFY2(framed(first, 28), first.toHex().constData());
    expectSample(readType2Current(data(first)), raw);
    expectSample(readType2Previous(data(first), 28), raw); // nothing measured before
    QCOMPARE(at(first, 5), relays);

    // Mode bytes the module does not know leave its relays as they were; the
    // first sample becomes the previous one.
    const Raw next { 1, 2, 3, 4, 5 };
    QVERIFY(link.driver.setModuleRaw(2, next));
    const QByteArray second = link.exchange(type2Poll(2, 0x20, 0, 0x99, 0xFFFF));
    QVERIFY2(framed(second, 28), second.toHex().constData());
    QCOMPARE(at(second, 5), relays);
    expectSample(readType2Current(data(second)), next);
    expectSample(readType2Previous(data(second), 28), raw);
}

void TestSimDriver::latencyAndReadTimeout()
{
    Link link;
    const qint64 start = link.clock.nowMs();

    QCOMPARE(link.write(bytes({ 0xFE, '0', '?' })), FT_OK); // accepted at once
    QCOMPARE(link.clock.nowMs(), start);
    // Nothing before the 40 ms latency: each read waits exactly its 10 ms time-out.
    for (int i = 1; i <= 3; ++i) {
        QCOMPARE(link.read(), QByteArray());
        QCOMPARE(link.clock.nowMs(), start + 10 * i);
    }
    // The fourth read finds the answer when its wait ends at 40 ms; a read
    // takes no more than it was asked for.
    QCOMPARE(link.read(6), QByteArray("Orvane"));
    QCOMPARE(link.clock.nowMs(), start + 40);
    QCOMPARE(link.read(), QByteArray(" Module, 0x1004A2"));

    // A long time-out ends as soon as the answer is there.
    QCOMPARE(link.driver.FT_SetTimeouts(link.handle, 500, 10), FT_OK);
    QCOMPARE(link.write(bytes({ 0xFF, '?' })), FT_OK);
    link.clock.advanceMs(15);
    QCOMPARE(link.read(), QByteArray("ORVANE INTERFACE V2.0"));
    QCOMPARE(link.clock.nowMs(), start + 80);

    // With nothing on its way the read waits the whole time-out; a time-out of 0 never waits.
    QCOMPARE(link.read(), QByteArray());
    QCOMPARE(link.clock.nowMs(), start + 580);
    QCOMPARE(link.driver.FT_SetTimeouts(link.handle, 0, 0), FT_OK);
    QCOMPARE(link.read(), QByteArray());
    QCOMPARE(link.clock.nowMs(), start + 580);
}

void TestSimDriver::faults_data()
{
    QTest::addColumn<QString>("fault");
    for (const char *fault : { "loss", "corrupt", "truncate" })
        QTest::newRow(fault) << QString::fromLatin1(fault);
}

void TestSimDriver::faults()
{
    QFETCH(QString, fault);
    Scenario scenario = twoModules();
    (fault == "loss"             ? scenario.lossRate
            : fault == "corrupt" ? scenario.corruptRate
                                 : scenario.truncateRate)
        = 1.0;
    // The type-1 module's own rates win over the top-level ones.
    ScenarioModule &spared = scenario.modules[0];
    spared.lossRate = spared.corruptRate = spared.truncateRate = 0.0;
    Link link(scenario);
    // Scan answers are never spoiled.
    QCOMPARE(link.exchange(bytes({ 0xFE, '2', '?' })), QByteArray("Orvane Module, 0x2000B7"));
    for (int i = 0; i < 10; ++i) {
        QVERIFY(framed(link.exchange(type1Poll(0)), 25));
        const QByteArray reply = link.exchange(type2Poll(2));
        const bool spoiled = fault == "loss" ? reply.isEmpty()
            : fault == "corrupt"             ? reply.size() == 28 && !framed(reply, 28)
                                             : !reply.isEmpty() && reply.size() < 28;
        QVERIFY2(
            spoiled && (reply.isEmpty() || at(reply, 0) == 28 + 0x20), reply.toHex().constData());
    }
}

void TestSimDriver::sameSeedSameStream_data()
{
    QTest::addColumn<double>("faultRate");
    QTest::addColumn<SimWave>("wave");
    QTest::newRow("faults") << 0.3 << SimWave::Constant;
    QTest::newRow("random walk") << 0.0 << SimWave::Walk;
}

void TestSimDriver::sameSeedSameStream()
{
    QFETCH(double, faultRate);
    QFETCH(SimWave, wave);
    const auto stream = [&](quint64 seed) {
        Scenario scenario = twoModules();
        scenario.seed = seed;
        scenario.lossRate = scenario.corruptRate = scenario.truncateRate = faultRate;
        scenario.modules[0].wave = scenario.modules[1].wave = wave;
        Link link(scenario);
        QByteArray all;
        for (int i = 0; i < 60; ++i)
            all += link.exchange(i % 2 ? type1Poll(0, i % 3, 0) : type2Poll(2, 5, 500, 1, 0), 180);
        return all;
    };
    const QByteArray first = stream(7);
    QVERIFY(first.size() > 200);
    QCOMPARE(stream(7), first);
    QVERIFY(stream(8) != first);
}

void TestSimDriver::devicesAndUnplug()
{
    Scenario scenario = twoModules();
    scenario.unplugAfterMs = 1000;
    scenario.devices = { { "FT8Q2X1A", "USB Serial Converter", 4000, false },
        { "OVI20417", "Orvane Interface", kInterfaceLocation, true } };
    Link link(scenario);
    SimDriver &driver = link.driver;

    // Made-up handles are refused; the frame history keeps the last writes only.
    DWORD count = 0;
    char buffer[64];
    QCOMPARE(driver.FT_Read(&count, buffer, 8, &count), FT_INVALID_HANDLE);
    FT_HANDLE other = nullptr;
    QCOMPARE(driver.FT_OpenEx(locationArg(4000), FT_OPEN_BY_LOCATION, &other), FT_OK);
    for (int i = 0; i < SimDriver::kFrameHistory + 10; ++i)
        QCOMPARE(driver.FT_Write(other, "\xFF?", 2, &count), FT_OK);
    QCOMPARE(driver.writtenFrames().size(), SimDriver::kFrameHistory);

    // The interface answers until 1000 ms after the start; from then on every call fails
    // and it leaves the list, but its handle can still be released.
    QCOMPARE(link.exchange(bytes({ 0xFF, '?' }), 990), QByteArray("ORVANE INTERFACE V2.0"));
    link.clock.advanceMs(10);
    QCOMPARE(driver.FT_Read(link.handle, buffer, sizeof buffer, &count), FT_IO_ERROR);
    QCOMPARE(link.write(bytes({ 0xFF, '?' })), FT_IO_ERROR);
    QCOMPARE(driver.FT_SetTimeouts(link.handle, 10, 10), FT_IO_ERROR);
    FT_DEVICE_LIST_INFO_NODE nodes[2];
    QCOMPARE(driver.FT_CreateDeviceInfoList(&count), FT_OK);
    count = 2; // more room than counted: only the counted nodes come back
    QCOMPARE(driver.FT_GetDeviceInfoList(nodes, &count), FT_OK);
    QCOMPARE(count, 1u);
    QCOMPARE(QByteArray(nodes[0].SerialNumber), QByteArray("FT8Q2X1A"));
    QCOMPARE(driver.FT_OpenEx(locationArg(kInterfaceLocation), FT_OPEN_BY_LOCATION, &other),
        FT_DEVICE_NOT_FOUND);
    QCOMPARE(driver.FT_Close(link.handle), FT_OK);
    QCOMPARE(driver.FT_Close(link.handle), FT_INVALID_HANDLE);
}

void TestSimDriver::replug_data()
{
    QTest::addColumn<QByteArray>("serial"); // empty: the same
    QTest::addColumn<int>("location"); // 0: the same
    QTest::newRow("same box, same port") << QByteArray() << 0;
    QTest::newRow("other box, other port") << QByteArray("OVI77777") << 0x2000;
}

void TestSimDriver::replug()
{
    QFETCH(QByteArray, serial);
    QFETCH(int, location);
    Scenario scenario = twoModules();
    scenario.unplugAfterMs = 1000;
    scenario.replugAfterMs = 3000;
    scenario.replugSerial = serial;
    scenario.replugLocation = DWORD(location);
    Link link(scenario);
    const auto listed = [&link] {
        DWORD count = 0;
        FT_DEVICE_LIST_INFO_NODE node;
        link.driver.FT_CreateDeviceInfoList(&count);
        if (count != 1 || link.driver.FT_GetDeviceInfoList(&node, &count) != FT_OK)
            return QByteArray::number(count);
        return QByteArray(node.SerialNumber) + '@' + QByteArray::number(node.LocId);
    };
    const DWORD back = location ? DWORD(location) : kInterfaceLocation;

    link.clock.advanceMs(2000);
    QCOMPARE(listed(), QByteArray("0"));
    link.clock.advanceMs(1000);
    QCOMPARE(listed(), (serial.isEmpty() ? "OVI00001" : serial) + '@' + QByteArray::number(back));
    // A new attachment: the old handle stays dead and does not hold it.
    QCOMPARE(link.write(bytes({ 0xFF, '?' })), FT_IO_ERROR);
    QCOMPARE(link.driver.FT_OpenEx(locationArg(back), FT_OPEN_BY_LOCATION, &link.handle), FT_OK);
    QCOMPARE(link.driver.FT_SetTimeouts(link.handle, 10, 10), FT_OK);
    QCOMPARE(link.exchange(bytes({ 0xFF, '?' })), QByteArray("ORVANE INTERFACE V2.0"));
}

QTEST_GUILESS_MAIN(TestSimDriver)
#include "tst_simdriver.moc"
