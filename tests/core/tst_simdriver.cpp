// The simulated network through the driver interface, on a manual clock:
// every wait is exact and takes no real time.
#include "sim/SimDriver.h"

#include <QElapsedTimer>
#include <QTest>

using namespace orvane;

namespace {

constexpr DWORD kInterfaceLocation = 0x1221;

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

int sumOf(const QByteArray &data, int from, int to)
{
    unsigned sum = 0;
    for (int i = from; i <= to; ++i)
        sum += static_cast<unsigned char>(data.at(i));
    return int(sum & 0xFF);
}

QByteArray type1Poll(int band, bool out1, bool out2)
{
    return bytes({ 0xFE, '0' + band, '@', 0, out1, 0, out2 });
}

QByteArray type2Poll(int band, int mode1, int threshold1, int mode2, int threshold2)
{
    QByteArray frame = bytes({ 0xFE, '0' + band, '#', mode1, threshold1 >> 8, threshold1 & 0xFF,
        mode2, threshold2 >> 8, threshold2 & 0xFF });
    frame.append(static_cast<char>(sumOf(frame, 2, 8)));
    return frame;
}

ScenarioModule module(int band, int type, const QByteArray &serial, std::array<int, 5> raw)
{
    ScenarioModule m;
    m.band = band;
    m.type = type;
    m.serial = serial;
    m.raw = raw;
    return m;
}

// The link's side of the wire: an open, configured interface device.
struct Link
{
    ManualSimClock clock { 5000 };
    SimDriver driver;
    FT_HANDLE handle = nullptr;

    explicit Link(const Scenario &scenario)
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
        if (status == FT_OK && written != DWORD(frame.size()))
            return FT_OTHER_ERROR;
        return status;
    }

    QByteArray read(DWORD count = 256, FT_STATUS *status = nullptr)
    {
        char buffer[256];
        DWORD got = 0;
        const FT_STATUS s = driver.FT_Read(handle, buffer, std::min<DWORD>(count, 256), &got);
        if (status)
            *status = s;
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

Scenario twoModules()
{
    Scenario s;
    s.modules = { module(0, 1, "0x1004A2", { 512, 256, 1023, 0, 100 }),
        module(2, 2, "0x2000B7", { 819, 43, 512, 256, 100 }) };
    return s;
}

// Raw values of a type-1 reply: signals 1..5 of the sample at `base` (10 or 17).
std::array<int, 5> type1Values(const QByteArray &p, int base)
{
    const int highs = at(p, base + 5);
    return { at(p, base) | ((highs >> 6) & 3) << 8, at(p, base + 1) | ((highs >> 4) & 3) << 8,
        at(p, base + 2) | ((highs >> 2) & 3) << 8, at(p, base + 3) | (highs & 3) << 8,
        at(p, base + 4) | (at(p, base + 6) & 3) << 8 };
}

} // namespace

class TestSimDriver : public QObject
{
    Q_OBJECT

private slots:
    void textAnswers_data();
    void textAnswers();
    void type1Reply_data();
    void type1Reply();
    void type1PreviousSample();
    void type2Reply_data();
    void type2Reply();
    void type2Relays_data();
    void type2Relays();
    void unanswered_data();
    void unanswered();
    void latencyAndReadTimeout();
    void faults_data();
    void faults();
    void moduleRateOverridesTopLevel();
    void sameSeedSameStream();
    void wavesFollowTimeNotCalls_data();
    void wavesFollowTimeNotCalls();
    void unplug();
    void otherDevicesNeverAnswer();
    void boundedBuffers();
    void realClock();
};

void TestSimDriver::textAnswers_data()
{
    QTest::addColumn<QByteArray>("frame");
    QTest::addColumn<QByteArray>("expected");
    QTest::newRow("identity") << bytes({ 0xFF, '?' }) << QByteArray("ORVANE INTERFACE V2.0");
    QTest::newRow("band 0, type 1")
        << bytes({ 0xFE, '0', '?' }) << QByteArray("Orvane Module, 0x1004A2");
    QTest::newRow("band 1, own answer")
        << bytes({ 0xFE, '1', '?' }) << QByteArray("Orvane Module, 0x3000C1 (spare)");
    QTest::newRow("band 2, type 2")
        << bytes({ 0xFE, '2', '?' }) << QByteArray("Orvane Module, 0x2000B7");
    QTest::newRow("band 3, empty") << bytes({ 0xFE, '3', '?' }) << QByteArray();
}

void TestSimDriver::textAnswers()
{
    QFETCH(QByteArray, frame);
    QFETCH(QByteArray, expected);
    Scenario scenario = twoModules();
    ScenarioModule spare = module(1, 3, "0x3000C1", {});
    spare.answer = "Orvane Module, 0x3000C1 (spare)";
    scenario.modules.push_back(spare);
    Link link(scenario);
    QCOMPARE(link.exchange(frame), expected);
}

void TestSimDriver::type1Reply_data()
{
    QTest::addColumn<QList<int>>("raw");
    QTest::addColumn<bool>("out1");
    QTest::addColumn<bool>("out2");
    QTest::newRow("mid values, outputs off")
        << QList<int> { 512, 256, 1023, 0, 100 } << false << false;
    QTest::newRow("high bits differ, output 1")
        << QList<int> { 0x3FF, 0x2AA, 0x155, 0x100, 0x2C3 } << true << false;
    QTest::newRow("all zero, output 2") << QList<int> { 0, 0, 0, 0, 0 } << false << true;
    QTest::newRow("all full, both on")
        << QList<int> { 1023, 1023, 1023, 1023, 1023 } << true << true;
}

void TestSimDriver::type1Reply()
{
    QFETCH(QList<int>, raw);
    QFETCH(bool, out1);
    QFETCH(bool, out2);
    Scenario scenario;
    scenario.modules = { module(1, 1, "0x100001", { raw[0], raw[1], raw[2], raw[3], raw[4] }) };
    Link link(scenario);

    const QByteArray reply = link.exchange(type1Poll(1, out1, out2));
    QCOMPARE(reply.size(), 25);
    QCOMPARE(at(reply, 0), 25 + 0x20);
    QCOMPARE(at(reply, 24), sumOf(reply, 0, 23));
    QCOMPARE(
        type1Values(reply, 10), (std::array<int, 5> { raw[0], raw[1], raw[2], raw[3], raw[4] }));
    QCOMPARE(at(reply, 16) & 0xFC, (out1 ? 0x04 : 0) | (out2 ? 0x08 : 0));
    QCOMPARE(reply.mid(1, 9), QByteArray(9, '\0'));
}

void TestSimDriver::type1PreviousSample()
{
    Scenario scenario;
    scenario.modules = { module(0, 1, "0x100001", { 10, 20, 30, 40, 50 }) };
    Link link(scenario);

    QByteArray first = link.exchange(type1Poll(0, true, false));
    QCOMPARE(type1Values(first, 17), type1Values(first, 10)); // nothing measured before
    QCOMPARE(at(first, 23) & 0x0C, 0x04);

    QVERIFY(link.driver.setModuleRaw(0, { 1000, 900, 800, 700, 600 }));
    QVERIFY(!link.driver.setModuleRaw(0, { 1024, 0, 0, 0, 0 }));
    QVERIFY(!link.driver.setModuleRaw(3, { 0, 0, 0, 0, 0 }));
    const QByteArray second = link.exchange(type1Poll(0, false, true));
    QCOMPARE(type1Values(second, 10), (std::array<int, 5> { 1000, 900, 800, 700, 600 }));
    QCOMPARE(type1Values(second, 17), (std::array<int, 5> { 10, 20, 30, 40, 50 }));
    QCOMPARE(at(second, 16) & 0x0C, 0x08); // told now
    QCOMPARE(at(second, 23) & 0x0C, 0x04); // told at the poll before
}

void TestSimDriver::type2Reply_data()
{
    QTest::addColumn<QList<int>>("raw");
    QTest::newRow("typical") << QList<int> { 819, 43, 512, 256, 100 };
    QTest::newRow("extremes low") << QList<int> { 0, -1024, 0, 0, 0 };
    QTest::newRow("extremes high") << QList<int> { 65535, 64511, 1023, 1023, 1023 };
    QTest::newRow("mixed bits") << QList<int> { 0xABCD, 0x1234 - 1024, 0x2AA, 0x155, 0x301 };
}

void TestSimDriver::type2Reply()
{
    QFETCH(QList<int>, raw);
    Scenario scenario;
    scenario.modules = { module(3, 2, "0x2000B7", { raw[0], raw[1], raw[2], raw[3], raw[4] }) };
    Link link(scenario);

    const QByteArray reply = link.exchange(type2Poll(3, 0, 0, 0, 0));
    QCOMPARE(reply.size(), 28);
    QCOMPARE(at(reply, 0), 28 + 0x20);
    QCOMPARE(at(reply, 27), sumOf(reply, 0, 26));
    for (int base : { 6, 17 }) { // current, then previous (the same at the first poll)
        QCOMPARE(
            at(reply, base) << 8 | at(reply, base + 1), (raw[2] & 0x300) << 4 | (raw[2] & 0xFF));
        QCOMPARE(at(reply, base + 2) << 8 | at(reply, base + 3),
            (raw[3] & 0x300) << 2 | (raw[3] & 0xFF));
        QCOMPARE(at(reply, base + 4) << 8 | at(reply, base + 5), raw[4]);
    }
    for (int base : { 12, 23 }) {
        QCOMPARE(at(reply, base) << 8 | at(reply, base + 1), raw[0]);
        QCOMPARE((at(reply, base + 2) << 8 | at(reply, base + 3)) - 1024, raw[1]);
    }
    QCOMPARE(at(reply, 16), 0);
}

void TestSimDriver::type2Relays_data()
{
    // Module values: battery 819, temperature 43 (field 1067), inputs 512, 256, 100.
    QTest::addColumn<int>("mode1");
    QTest::addColumn<int>("threshold1");
    QTest::addColumn<int>("mode2");
    QTest::addColumn<int>("threshold2");
    QTest::addColumn<int>("bits");
    QTest::newRow("off, off") << 0 << 0 << 0 << 0 << 0x00;
    QTest::newRow("on, off") << 1 << 0 << 0 << 0 << 0x04;
    QTest::newRow("off, on") << 0 << 0 << 1 << 0 << 0x08;
    QTest::newRow("battery at threshold") << 2 << 819 << 2 << 820 << 0x04;
    QTest::newRow("temperature field") << 3 << 1067 << 4 << 1068 << 0x04;
    QTest::newRow("signal 3 is the temperature too") << 4 << 1000 << 3 << 2000 << 0x04;
    QTest::newRow("signals 4 and 5") << 5 << 512 << 6 << 257 << 0x04;
    QTest::newRow("signal 6") << 0 << 0 << 7 << 100 << 0x08;
    QTest::newRow("threshold above any count") << 5 << 0xFFFF << 7 << 0 << 0x08;
}

void TestSimDriver::type2Relays()
{
    QFETCH(int, mode1);
    QFETCH(int, threshold1);
    QFETCH(int, mode2);
    QFETCH(int, threshold2);
    QFETCH(int, bits);
    Link link(twoModules());
    const QByteArray reply = link.exchange(type2Poll(2, mode1, threshold1, mode2, threshold2));
    QCOMPARE(reply.size(), 28);
    QCOMPARE(at(reply, 5), bits);

    // A mode byte the module does not know leaves its relay as it was.
    const QByteArray next = link.exchange(type2Poll(2, 0x20, 0, 0x99, 0xFFFF));
    QCOMPARE(at(next, 5), bits);
}

void TestSimDriver::unanswered_data()
{
    QTest::addColumn<QByteArray>("frame");
    QByteArray badCheck = type2Poll(2, 1, 512, 0, 512);
    badCheck[9] = static_cast<char>(badCheck.at(9) + 1);
    QTest::newRow("type-2 poll, wrong check byte") << badCheck;
    QTest::newRow("type-1 poll to a type-2 module") << type1Poll(2, true, true);
    QTest::newRow("type-2 poll to a type-1 module") << type2Poll(0, 1, 0, 1, 0);
    QTest::newRow("poll to an empty band") << type1Poll(1, false, false);
    QTest::newRow("type-1 poll one byte short") << type1Poll(0, false, false).left(6);
    QTest::newRow("band digit 4") << bytes({ 0xFE, '4', '?' });
    QTest::newRow("identity with junk") << bytes({ 0xFF, '?', 0 });
}

void TestSimDriver::unanswered()
{
    QFETCH(QByteArray, frame);
    Link link(twoModules());
    QCOMPARE(link.exchange(frame, 1000), QByteArray());
}

void TestSimDriver::latencyAndReadTimeout()
{
    Link link(twoModules());
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
    QCOMPARE(link.clock.nowMs(), start + 40 + 40);

    // With nothing on its way the read waits the whole time-out.
    QCOMPARE(link.read(), QByteArray());
    QCOMPARE(link.clock.nowMs(), start + 80 + 500);

    // A read time-out of 0 never waits.
    QCOMPARE(link.driver.FT_SetTimeouts(link.handle, 0, 0), FT_OK);
    QCOMPARE(link.read(), QByteArray());
    QCOMPARE(link.clock.nowMs(), start + 580);
}

void TestSimDriver::faults_data()
{
    QTest::addColumn<QString>("fault");
    QTest::newRow("loss") << "loss";
    QTest::newRow("corrupt") << "corrupt";
    QTest::newRow("truncate") << "truncate";
}

void TestSimDriver::faults()
{
    QFETCH(QString, fault);
    Scenario scenario = twoModules();
    (fault == "loss"             ? scenario.lossRate
            : fault == "corrupt" ? scenario.corruptRate
                                 : scenario.truncateRate)
        = 1.0;
    Link link(scenario);
    // Scan and identity answers are never spoiled.
    QCOMPARE(link.exchange(bytes({ 0xFE, '0', '?' })), QByteArray("Orvane Module, 0x1004A2"));
    for (int i = 0; i < 20; ++i) {
        const QByteArray reply
            = link.exchange(i % 2 ? type1Poll(0, true, false) : type2Poll(2, 0, 0, 0, 0));
        const int length = i % 2 ? 25 : 28;
        if (fault == "loss") {
            QCOMPARE(reply, QByteArray());
        } else if (fault == "corrupt") {
            QCOMPARE(reply.size(), length);
            QCOMPARE(at(reply, 0), length + 0x20);
            QVERIFY(at(reply, length - 1) != sumOf(reply, 0, length - 2));
        } else {
            QVERIFY2(reply.size() >= 1 && reply.size() < length, reply.toHex().constData());
            QCOMPARE(at(reply, 0), length + 0x20);
        }
    }
}

void TestSimDriver::moduleRateOverridesTopLevel()
{
    Scenario scenario = twoModules();
    scenario.lossRate = 1.0;
    scenario.modules[0].lossRate = 0.0;
    Link link(scenario);
    QCOMPARE(link.exchange(type1Poll(0, false, false)).size(), 25);
    QCOMPARE(link.exchange(type2Poll(2, 0, 0, 0, 0)), QByteArray());
}

void TestSimDriver::sameSeedSameStream()
{
    const auto stream = [](quint64 seed) {
        Scenario scenario = twoModules();
        scenario.seed = seed;
        scenario.lossRate = scenario.corruptRate = scenario.truncateRate = 0.3;
        scenario.modules[0].wave = SimWave::Sine;
        scenario.modules[1].wave = SimWave::Walk;
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

void TestSimDriver::wavesFollowTimeNotCalls_data()
{
    QTest::addColumn<int>("wave");
    QTest::newRow("sine") << int(SimWave::Sine);
    QTest::newRow("walk") << int(SimWave::Walk);
}

void TestSimDriver::wavesFollowTimeNotCalls()
{
    QFETCH(int, wave);
    const std::array<int, 5> centre { 512, 20, 1010, 300, 700 };
    Scenario scenario;
    scenario.modules = { module(0, 1, "0x100001", centre) };
    scenario.modules[0].wave = SimWave(wave);
    scenario.modules[0].amplitude = 50;

    // One module polled 100 times, a twin polled once at the same end time.
    Link busy(scenario);
    std::array<int, 5> low { 1023, 1023, 1023, 1023, 1023 }, high {};
    QByteArray last;
    for (int i = 0; i < 100; ++i) {
        last = busy.exchange(type1Poll(0, false, false), 180);
        const std::array<int, 5> v = type1Values(last, 10);
        for (int s = 0; s < 5; ++s) {
            low[s] = std::min(low[s], v[s]);
            high[s] = std::max(high[s], v[s]);
        }
    }
    Link idle(scenario);
    QCOMPARE(idle.write(type1Poll(0, false, false)), FT_OK);
    idle.clock.advanceMs(99 * 180);
    QCOMPARE(idle.read().size(), 25);
    QCOMPARE(idle.exchange(type1Poll(0, false, false), 180).mid(10, 7), last.mid(10, 7));

    // The values move, within the amplitude and the 10-bit range.
    for (int s = 0; s < 5; ++s) {
        QVERIFY(high[s] > low[s]);
        QVERIFY(low[s] >= std::max(0, centre[s] - 50));
        QVERIFY(high[s] <= std::min(1023, centre[s] + 50));
    }
}

void TestSimDriver::unplug()
{
    Scenario scenario = twoModules();
    scenario.unplugAfterMs = 1000;
    scenario.devices = { { "FT8Q2X1A", "USB Serial Converter", 4000, false },
        { "OVI20417", "Orvane Interface", kInterfaceLocation, true } };
    Link link(scenario);
    QCOMPARE(link.exchange(bytes({ 0xFF, '?' }), 990), QByteArray("ORVANE INTERFACE V2.0"));

    link.clock.advanceMs(10); // 1000 ms since the start
    FT_STATUS status = FT_OK;
    QCOMPARE(link.read(256, &status), QByteArray());
    QCOMPARE(status, FT_IO_ERROR);
    QCOMPARE(link.write(bytes({ 0xFF, '?' })), FT_IO_ERROR);
    QCOMPARE(link.driver.FT_ResetDevice(link.handle), FT_IO_ERROR);
    QCOMPARE(link.driver.FT_SetBaudRate(link.handle, 57600), FT_IO_ERROR);
    QCOMPARE(link.driver.FT_SetTimeouts(link.handle, 10, 10), FT_IO_ERROR);

    // The interface is gone from the list; the other device stays.
    DWORD count = 0;
    QCOMPARE(link.driver.FT_CreateDeviceInfoList(&count), FT_OK);
    FT_DEVICE_LIST_INFO_NODE nodes[2];
    QCOMPARE(link.driver.FT_GetDeviceInfoList(nodes, &count), FT_OK);
    QCOMPARE(count, 1u);
    QCOMPARE(QByteArray(nodes[0].SerialNumber), QByteArray("FT8Q2X1A"));
    FT_HANDLE again = nullptr;
    QCOMPARE(link.driver.FT_OpenEx(locationArg(kInterfaceLocation), FT_OPEN_BY_LOCATION, &again),
        FT_DEVICE_NOT_FOUND);
    QCOMPARE(link.driver.FT_Close(link.handle), FT_OK); // the handle is released all the same
    QCOMPARE(link.driver.FT_Close(link.handle), FT_INVALID_HANDLE);
}

void TestSimDriver::otherDevicesNeverAnswer()
{
    Scenario scenario = twoModules();
    scenario.devices = { { "FT8Q2X1A", "USB Serial Converter", 4000, false },
        { "OVI20417", "Orvane Interface", kInterfaceLocation, true } };
    ManualSimClock clock;
    SimDriver driver(scenario, clock);
    FT_HANDLE converter = nullptr;
    QCOMPARE(driver.FT_OpenEx(locationArg(4000), FT_OPEN_BY_LOCATION, &converter), FT_OK);
    DWORD moved = 0;
    QCOMPARE(driver.FT_Write(converter, "\xFF?", 2, &moved), FT_OK);
    QCOMPARE(moved, 2u);
    clock.advanceMs(500);
    char buffer[64];
    QCOMPARE(driver.FT_Read(converter, buffer, sizeof buffer, &moved), FT_OK);
    QCOMPARE(moved, 0u);

    // An open device is marked in the list and cannot be opened twice.
    DWORD count = 0;
    FT_DEVICE_LIST_INFO_NODE nodes[2];
    QCOMPARE(driver.FT_CreateDeviceInfoList(&count), FT_OK);
    QCOMPARE(driver.FT_GetDeviceInfoList(nodes, &count), FT_OK);
    QCOMPARE(nodes[0].Flags & 1, 1u);
    QCOMPARE(nodes[1].Flags & 1, 0u);
    QCOMPARE(QByteArray(nodes[1].Description), QByteArray("Orvane Interface"));
    FT_HANDLE twice = nullptr;
    QCOMPARE(
        driver.FT_OpenEx(locationArg(4000), FT_OPEN_BY_LOCATION, &twice), FT_DEVICE_NOT_OPENED);
    int notAHandle = 0;
    QCOMPARE(driver.FT_Read(&notAHandle, buffer, 8, &moved), FT_INVALID_HANDLE);
}

void TestSimDriver::boundedBuffers()
{
    Link link(twoModules());
    // The info list never holds more nodes than the last count said.
    DWORD count = 0;
    QCOMPARE(link.driver.FT_CreateDeviceInfoList(&count), FT_OK);
    FT_DEVICE_LIST_INFO_NODE nodes[3];
    count = 3;
    QCOMPARE(link.driver.FT_GetDeviceInfoList(nodes, &count), FT_OK);
    QCOMPARE(count, 1u);
    // The frame history keeps the last writes only.
    for (int i = 0; i < SimDriver::kFrameHistory + 10; ++i)
        QCOMPARE(link.write(type1Poll(i % 4, false, false)), FT_OK);
    QCOMPARE(link.driver.writtenFrames().size(), SimDriver::kFrameHistory);
}

void TestSimDriver::realClock()
{
    // Without a clock of its own the driver runs on real time.
    SimDriver driver(builtInScenario());
    FT_HANDLE handle = nullptr;
    QCOMPARE(driver.FT_OpenEx(
                 locationArg(defaultInterfaceDevice().location), FT_OPEN_BY_LOCATION, &handle),
        FT_OK);
    QCOMPARE(driver.FT_SetTimeouts(handle, 2000, 10), FT_OK);
    DWORD moved = 0;
    QCOMPARE(driver.FT_Write(handle,
                 "\xFE"
                 "2?",
                 3, &moved),
        FT_OK);
    QElapsedTimer timer;
    timer.start();
    char buffer[64];
    QCOMPARE(driver.FT_Read(handle, buffer, sizeof buffer, &moved), FT_OK);
    QCOMPARE(QByteArray(buffer, moved), QByteArray("Orvane Module, 0x2000B7"));
    QVERIFY2(timer.elapsed() >= 30 && timer.elapsed() < 1000,
        qPrintable(QString::number(timer.elapsed())));
}

QTEST_GUILESS_MAIN(TestSimDriver)
#include "tst_simdriver.moc"
