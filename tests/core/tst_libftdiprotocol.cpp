// The hardware-free parts of the libftdi1 backend: location ids, the device
// list taken from a made-up bus, and the read loop that turns single USB
// reads into an FT_Read with a time-out.
#include "acquisition/d2xx/libftdi/LibftdiProtocol.h"

#include <QRegularExpression>
#include <QTest>

using namespace orvane;

// A made-up bus of three chips: one listed fully, one whose strings cannot
// be read and that this driver holds open, one of an unknown product with
// over-long strings.
class TestLibftdiProtocol : public QObject
{
    Q_OBJECT
private slots:
    void deviceSnapshot()
    {
        const std::vector<FoundChip> chips { { 0x6001, 0x1221 }, { 0x6015, 0x1222 },
            { 0x1234, 0x10000105 } };
        bool secondReadable = false;
        const auto strings = [&](size_t i) -> ChipStrings {
            if (i == 1 && !secondReadable)
                return { false, {}, {}, "access denied" };
            return { true, i == 2 ? QByteArray(20, 'S') : "OVI" + QByteArray::number(int(i)),
                QByteArray(i == 2 ? 70 : 3, 'D'), {} };
        };
        int handle = 0;
        const auto openAt = [&](DWORD location) { return location == 0x1222 ? &handle : nullptr; };
        DeviceSnapshot snapshot;
        const auto listed = [&] {
            QByteArrayList out;
            for (const FT_DEVICE_LIST_INFO_NODE &n : snapshot.nodes())
                out << QByteArray::number(n.Type) + ' ' + QByteArray::number(n.ID, 16) + ' '
                        + QByteArray::number(n.LocId, 16) + ' ' + QByteArray::number(n.Flags)
                        + (n.ftHandle == &handle ? "h " : " ") + n.SerialNumber + '|'
                        + n.Description;
            return out;
        };
        const QRegularExpression said("location 4642 : access denied$");

        QTest::ignoreMessage(QtWarningMsg, said);
        snapshot.take(chips, strings, openAt);
        QCOMPARE(listed(),
            QByteArrayList({ "5 4036001 1221 0 OVI0|DDD", "9 4036015 1222 1h |",
                "3 4031234 10000105 0 " + QByteArray(15, 'S') + '|' + QByteArray(63, 'D') }));
        // Said once while it stays unreadable, again after it was read once.
        QTest::failOnWarning(said);
        snapshot.take(chips, strings, openAt);
        secondReadable = true;
        snapshot.take(chips, strings, openAt);
        QCOMPARE(listed().at(1), "9 4036015 1222 1h OVI1|DDD");
        secondReadable = false;
        QTest::ignoreMessage(QtWarningMsg, said);
        snapshot.take(
            { chips[1] }, [&](size_t) { return strings(1); }, openAt);
        QCOMPARE(listed(), QByteArrayList { "9 4036015 1222 1h |" });
    }

    void locationId_data()
    {
        QTest::addColumn<int>("bus");
        QTest::addColumn<QList<int>>("ports");
        QTest::addColumn<int>("address");
        QTest::addColumn<uint>("expected");
        QTest::newRow("bus 1, 2.2.1") << 1 << QList<int> { 2, 2, 1 } << 9 << 0x1221u;
        QTest::newRow("bus 16") << 16 << QList<int> { 1 } << 5 << 0x10001005u;
        QTest::newRow("root port 16") << 2 << QList<int> { 16 } << 3 << 0x10000203u;
        QTest::newRow("no port path") << 1 << QList<int> {} << 1 << 0x10000101u;
    }

    void locationId()
    {
        QFETCH(int, bus);
        QFETCH(QList<int>, ports);
        QFETCH(int, address);
        QFETCH(uint, expected);
        QCOMPARE(usbLocationId(bus, ports.constData(), int(ports.size()), address), expected);
    }

    void readLoop_data()
    {
        // What the device hands out, one chunk an attempt ("!" fails), then nothing.
        QTest::addColumn<QByteArrayList>("chunks");
        QTest::addColumn<int>("count");
        QTest::addColumn<int>("timeoutMs");
        QTest::addColumn<int>("status");
        QTest::addColumn<QByteArray>("expected");
        QTest::addColumn<int>("attempts"); // -1: keeps trying until the time-out
        const auto row = [](const char *name, QByteArrayList chunks, int count, int timeoutMs,
                             FT_STATUS status, const char *expected, int attempts) {
            QTest::newRow(name) << chunks << count << timeoutMs << int(status)
                                << QByteArray(expected) << attempts;
        };
        row("gathers until count", { "ab", "", "cde", "fgh" }, 6, 1000, FT_OK, "abcdef", 4);
        row("time-out 0: one attempt", { "", "ab" }, 16, 0, FT_OK, "", 1);
        row("stops at the time-out", { "x" }, 16, 30, FT_OK, "x", -1);
        row("failure keeps what came", { "ab", "!" }, 8, 1000, FT_IO_ERROR, "ab", 2);
    }

    void readLoop()
    {
        QFETCH(QByteArrayList, chunks);
        QFETCH(int, count);
        QFETCH(int, timeoutMs);
        QFETCH(int, attempts);
        int calls = 0;
        int lastGot = 0;
        bool pausedAfterData = false;
        const ReadChunk chunk = [&](unsigned char *buffer, int size) {
            ++calls;
            const QByteArray next = chunks.isEmpty() ? QByteArray() : chunks.takeFirst();
            if (next == "!")
                return kReadChunkFailed;
            lastGot = std::min<int>(size, int(next.size()));
            memcpy(buffer, next.constData(), size_t(lastGot));
            return lastGot;
        };
        const ReadPause pause = [&] {
            pausedAfterData |= lastGot != 0;
            QTest::qSleep(1);
        };
        unsigned char buffer[16] = {};
        DWORD received = 99;
        QTEST(int(readWithTimeout(buffer, DWORD(count), DWORD(timeoutMs), &received, chunk, pause)),
            "status");
        QTEST(QByteArray(reinterpret_cast<char *>(buffer), qsizetype(received)), "expected");
        QVERIFY(!pausedAfterData); // a pause follows only an attempt that brought nothing
        QVERIFY2(attempts < 0 ? calls > 2 : calls == attempts, qPrintable(QString::number(calls)));
    }
};

QTEST_GUILESS_MAIN(TestLibftdiProtocol)
#include "tst_libftdiprotocol.moc"
