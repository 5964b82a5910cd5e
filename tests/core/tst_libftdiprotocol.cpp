// The hardware-free parts of the libftdi1 backend: location ids and the read
// loop that turns single USB reads into an FT_Read with a time-out.
#include "acquisition/d2xx/libftdi/LibftdiProtocol.h"

#include <QElapsedTimer>
#include <QSet>
#include <QTest>

using namespace orvane;

class TestLibftdiProtocol : public QObject
{
    Q_OBJECT

private slots:
    void locationId_data();
    void locationId();
    void locationIdsAreUniqueAndPositive();
    void readGathersUntilCount();
    void readStopsAtTimeout();
    void readFailureKeepsWhatCame();
};

void TestLibftdiProtocol::locationId_data()
{
    QTest::addColumn<int>("bus");
    QTest::addColumn<QList<int>>("ports");
    QTest::addColumn<int>("address");
    QTest::addColumn<uint>("expected");
    QTest::newRow("bus 1, 2.2.1") << 1 << QList<int> { 2, 2, 1 } << 9 << 0x1221u;
    QTest::newRow("bus 3, root port 4") << 3 << QList<int> { 4 } << 2 << 0x34u;
    QTest::newRow("deepest nibble form")
        << 15 << QList<int> { 15, 15, 15, 15, 15, 15 } << 7 << 0xFFFFFFFu;
    QTest::newRow("bus 16") << 16 << QList<int> { 1 } << 5 << 0x10001005u;
    QTest::newRow("bus 0") << 0 << QList<int> { 1 } << 5 << 0x10000005u;
    QTest::newRow("port 16") << 2 << QList<int> { 16 } << 3 << 0x10000203u;
    QTest::newRow("seven ports") << 1 << QList<int> { 1, 1, 1, 1, 1, 1, 1 } << 127 << 0x1000017Fu;
    QTest::newRow("no port path") << 1 << QList<int> {} << 1 << 0x10000101u;
}

void TestLibftdiProtocol::locationId()
{
    QFETCH(int, bus);
    QFETCH(QList<int>, ports);
    QFETCH(int, address);
    QFETCH(uint, expected);
    QCOMPARE(usbLocationId(bus, ports.constData(), int(ports.size()), address), expected);
}

void TestLibftdiProtocol::locationIdsAreUniqueAndPositive()
{
    // Devices behind root ports 1, 2, 15 and 16, directly or one hub further
    // (ports 1..16), on buses 1, 15 and 16; USB gives each on a bus its own
    // address.
    QSet<DWORD> seen;
    int devices = 0;
    for (int bus : { 1, 15, 16 }) {
        int address = 0;
        for (int p1 : { 1, 2, 15, 16 }) {
            for (int p2 = 0; p2 <= 16; ++p2) {
                const int ports[2] = { p1, p2 };
                const DWORD id = usbLocationId(bus, ports, p2 ? 2 : 1, ++address);
                QVERIFY(qint32(id) > 0);
                seen.insert(id);
                ++devices;
            }
        }
    }
    QCOMPARE(seen.size(), devices);
}

void TestLibftdiProtocol::readGathersUntilCount()
{
    QList<QByteArray> script { "ab", "", "cde", "fgh" };
    int calls = 0;
    const ReadChunk chunk = [&](unsigned char *buffer, int size) {
        ++calls;
        const QByteArray next = script.isEmpty() ? QByteArray() : script.takeFirst();
        const int n = std::min<int>(size, int(next.size()));
        memcpy(buffer, next.constData(), size_t(n));
        if (n < next.size())
            script.prepend(next.mid(n));
        return n;
    };
    int pauses = 0;
    unsigned char buffer[8] = {};
    DWORD received = 99;
    QCOMPARE(readWithTimeout(buffer, 6, 1000, &received, chunk, [&] { ++pauses; }), FT_OK);
    QCOMPARE(received, 6u);
    QCOMPARE(QByteArray(reinterpret_cast<char *>(buffer), 6), QByteArray("abcdef"));
    QCOMPARE(calls, 4);
    QCOMPARE(pauses, 1); // only after the empty attempt
    QCOMPARE(script.first(), QByteArray("gh")); // the rest stays for the next read

    calls = 0;
    QCOMPARE(readWithTimeout(buffer, 0, 1000, &received, chunk, {}), FT_OK);
    QCOMPARE(received, 0u);
    QCOMPARE(calls, 0);
}

void TestLibftdiProtocol::readStopsAtTimeout()
{
    int calls = 0;
    const ReadChunk chunk = [&](unsigned char *buffer, int) {
        buffer[0] = 'x';
        return calls++ == 0 ? 1 : 0;
    };
    unsigned char buffer[16];
    DWORD received = 0;
    QElapsedTimer timer;
    timer.start();
    QCOMPARE(readWithTimeout(buffer, 16, 30, &received, chunk, [] { QTest::qSleep(1); }), FT_OK);
    const qint64 elapsed = timer.elapsed();
    QCOMPARE(received, 1u);
    QVERIFY2(elapsed >= 29 && elapsed < 1000, qPrintable(QString::number(elapsed)));
    QVERIFY(calls > 2);

    // A time-out of 0 makes one attempt.
    calls = 1;
    QCOMPARE(readWithTimeout(buffer, 16, 0, &received, chunk, {}), FT_OK);
    QCOMPARE(received, 0u);
    QCOMPARE(calls, 2);
}

void TestLibftdiProtocol::readFailureKeepsWhatCame()
{
    int calls = 0;
    const ReadChunk chunk = [&](unsigned char *buffer, int) {
        if (calls++ > 0)
            return kReadChunkFailed;
        buffer[0] = 'a';
        buffer[1] = 'b';
        return 2;
    };
    unsigned char buffer[8];
    DWORD received = 0;
    QCOMPARE(readWithTimeout(buffer, 8, 1000, &received, chunk, {}), FT_IO_ERROR);
    QCOMPARE(received, 2u);
}

QTEST_GUILESS_MAIN(TestLibftdiProtocol)
#include "tst_libftdiprotocol.moc"
