// The TCP data service on loopback, with each backend: request lines, the
// greeting and the data line, half-closed and hostile clients, bounds on
// memory, the client limit, the event-log lines and a consistent line under
// concurrent updates.
#include "ConsoleCapture.h"
#include "FakePorts.h"
#include "common/EventLog.h"
#include "modules/OVModObjectUnit.h"
#include "net/DataLine.h"
#include "net/DataServerCore.h"
#include "net/TcpDataServer.h"

#include <QElapsedTimer>
#include <QTest>
#include <QThread>

#include <netinet/in.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <memory>
#include <thread>

using namespace orvane;

namespace {

constexpr int kWaitMs = 10000;
const QByteArray kWelcome = "!Welcome\r\n";

// A blocking client on plain sockets, usable on any thread; it can shut down
// its sending side alone and start with a small receive buffer.
class Client
{
public:
    explicit Client(quint16 port, int receiveBuffer = 0)
    {
        fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        if (receiveBuffer > 0)
            ::setsockopt(fd, SOL_SOCKET, SO_RCVBUF, &receiveBuffer, sizeof receiveBuffer);
        sockaddr_in address {};
        address.sin_family = AF_INET;
        address.sin_port = htons(port);
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        ::connect(fd, reinterpret_cast<sockaddr *>(&address), sizeof address);
        timeval timeout { kWaitMs / 1000, 0 };
        ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout);
    }
    ~Client() { ::close(fd); }
    bool send(const QByteArray &bytes)
    {
        return ::send(fd, bytes.constData(), size_t(bytes.size()), MSG_NOSIGNAL) == bytes.size();
    }
    // The next line with its LF; empty on time-out or close.
    QByteArray readLine()
    {
        qsizetype lf;
        while ((lf = m_in.indexOf('\n')) < 0 && receive(sizeof m_chunk) > 0) { }
        const QByteArray line = lf < 0 ? QByteArray() : m_in.left(lf + 1);
        m_in.remove(0, line.size());
        return line;
    }
    // Everything until the server closes (or nothing comes for kWaitMs), read
    // in small pieces, with a pause after each when slow.
    QByteArray readAll(bool slow = false)
    {
        while (receive(slow ? 4096 : sizeof m_chunk) > 0) {
            if (slow)
                QThread::usleep(200);
        }
        return std::exchange(m_in, {});
    }
    int fd = -1;
    bool closedByServer = false;

private:
    ssize_t receive(size_t size)
    {
        const ssize_t n = ::recv(fd, m_chunk, size, 0);
        if (n > 0)
            m_in.append(m_chunk, n);
        closedByServer |= n == 0 || (n < 0 && errno == ECONNRESET);
        return n;
    }
    char m_chunk[16 * 1024];
    QByteArray m_in;
};

// Module 1 with seven signals and module 3 (when present) with eight, all at
// `value`, the units alternating.
ModuleSnapshot snapshotAt(double value, bool third = true)
{
    std::array<TOV_MOD_Object, 4> m;
    for (int slot : { 0, 2 }) {
        m[slot].Present = slot == 0 || third;
        m[slot].SerialText = "0x00000" + QByteArray::number(slot + 1);
        m[slot].SignalCount = 7 + slot / 2;
        for (int i = 1; i <= 8; ++i) {
            m[slot].Samples[i].Current = value;
            m[slot].Signals[i].Unit = i % 2 ? "Volt" : "On/Off";
        }
    }
    return snapshotOf({ &m[0], &m[1], &m[2], &m[3] });
}

} // namespace

class TestTcpDataServer : public QObject
{
    Q_OBJECT
    std::unique_ptr<TcpDataServer> m_server;
    QList<QByteArray> m_log;
    int m_deliveries = 0;

    void startServer()
    {
        QVERIFY2(m_server->start(), m_server->errorText().constData());
        QVERIFY(m_server->port() != 0);
    }
    // Waits until the server has answered nothing new for 300 ms.
    void waitUntilServingStops()
    {
        QElapsedTimer waited;
        waited.start();
        for (qint64 served = -1, now = 0; waited.elapsed() < kWaitMs; served = now) {
            QTest::qWait(300);
            if ((now = m_server->stats().requests) == served)
                break;
        }
    }

private slots:
    void initTestCase_data()
    {
        QTest::addColumn<TcpDataServer::Backend>("backend");
        QTest::newRow("default") << TcpDataServer::Backend::Auto;
        QTest::newRow("qtnetwork") << TcpDataServer::Backend::QtNetwork;
    }
    void initTestCase()
    {
        // Many clients and their server ends share this process.
        rlimit limit {};
        getrlimit(RLIMIT_NOFILE, &limit);
        limit.rlim_cur
            = limit.rlim_max == RLIM_INFINITY ? 8192 : qMin<rlim_t>(limit.rlim_max, 8192);
        setrlimit(RLIMIT_NOFILE, &limit);
    }
    void init()
    {
        m_log.clear();
        m_deliveries = 0;
        m_server = std::make_unique<TcpDataServer>(0);
        QFETCH_GLOBAL(TcpDataServer::Backend, backend);
        m_server->setBackend(backend);
        connect(m_server.get(), &TcpDataServer::eventLogLines, this,
            [this](const QList<QByteArray> &lines) {
                m_log += lines;
                ++m_deliveries;
                appendEventLogLines(nullptr, lines); // the console, when a test captures it
            });
    }
    void cleanup() { m_server.reset(); }

    // Parts are sent one after the other, 100 ms apart; every complete line
    // gets the data line, and the log holds the lines as received.
    void requestLines_data()
    {
        QTest::addColumn<QByteArrayList>("parts");
        QTest::addColumn<QByteArrayList>("logged");
        const auto row = [](const char *name, QByteArrayList parts, QByteArrayList logged) {
            QTest::newRow(name) << parts << logged;
        };
        row("several lines in one segment", { "one\ntwo\r\n\nthree\n" },
            { "one", "two", "", "three" });
        row("CR inside kept", { "a\rb\n" }, { "a\rb" });
        row("only the last CR removed", { "x\r\r\n" }, { "x\r" });
        row("8-bit bytes", { "\xB0\x01\xFF\n" }, { "\xB0\x01\xFF" });
        row("bytes without LF wait for the rest", { "abc\r", "def\n" }, { "abc\rdef" });
    }
    void requestLines()
    {
        QFETCH(QByteArrayList, parts);
        QFETCH(QByteArrayList, logged);
        startServer();
        m_server->publishDataLine("Data : #0x000001,,1.000,Volt");
        {
            Client c(m_server->port());
            QCOMPARE(c.readLine(), kWelcome);
            for (const QByteArray &part : parts) {
                c.send(part);
                QTest::qWait(100);
            }
            for (int i = 0; i < logged.size(); ++i)
                QCOMPARE(c.readLine(), QByteArray("Data : #0x000001,,1.000,Volt\r\n"));
        }
        QList<QByteArray> expected { "Client connected from : 127.0.0.1" };
        for (const QByteArray &line : logged)
            expected += "Data received : " + line;
        expected += "Client disconnected";
        QTRY_COMPARE(m_log, expected);
    }

    // The client shuts down its sending side: every line still gets its reply.
    void halfClose_data()
    {
        QTest::addColumn<int>("lines");
        QTest::addColumn<int>("lineSize"); // of the published data line
        QTest::addColumn<QByteArray>("tail"); // sent after the last LF
        QTest::addColumn<bool>("slow");
        QTest::newRow("one line") << 1 << 7 << QByteArray() << false;
        QTest::newRow("start of a line left over") << 2 << 7 << QByteArray("abc") << false;
        // 15 MB of replies, far beyond the socket buffers, read slowly.
        QTest::newRow("30000 lines, slow reader") << 30000 << 500 << QByteArray() << true;
    }
    void halfClose()
    {
        QFETCH(int, lines);
        QFETCH(int, lineSize);
        QFETCH(QByteArray, tail);
        QFETCH(bool, slow);
        startServer();
        const QByteArray line = "Data : " + QByteArray(lineSize - 7, 'v');
        m_server->publishDataLine(line);
        Client c(m_server->port(), slow ? 16 * 1024 : 0);
        QVERIFY(c.send(QByteArray(lines, '\n') + tail));
        QCOMPARE(::shutdown(c.fd, SHUT_WR), 0);
        const QByteArray received = c.readAll(slow);
        QVERIFY(c.closedByServer);
        QCOMPARE(received.size(), 10 + qsizetype(lines) * (lineSize + 2));
        QVERIFY(received == kWelcome + (line + "\r\n").repeated(lines));
        QTRY_VERIFY(m_log.contains("Client disconnected"));
        QCOMPARE(m_log.count("Data received : "), lines);
    }

    void longLine_data()
    {
        QTest::addColumn<qsizetype>("length");
        QTest::addColumn<bool>("withLineEnd");
        QTest::addColumn<bool>("closed");
        QTest::newRow("longest line answered") << kMaxLineLength << true << false;
        QTest::newRow("longer line with LF closed") << kMaxLineLength + 1 << true << true;
        QTest::newRow("megabyte without LF closed") << qsizetype(1 << 20) << false << true;
    }
    void longLine()
    {
        QFETCH(qsizetype, length);
        QFETCH(bool, withLineEnd);
        QFETCH(bool, closed);
        startServer();
        Client c(m_server->port());
        QCOMPARE(c.readLine(), kWelcome);
        c.send(QByteArray(length, 'x') + (withLineEnd ? "\n" : ""));
        if (closed) {
            c.readAll();
            QVERIFY(c.closedByServer);
            QTRY_VERIFY(m_log.contains("Client disconnected"));
        } else {
            QCOMPARE(c.readLine(), QByteArray("Data : \r\n"));
            QTRY_COMPARE(m_log.value(1).size(), qsizetype(16) + length);
        }
    }

    // Clients ask for replies and read none: the server holds a bounded part
    // for each and for all together, serves a reader meanwhile, and the rest
    // once a client reads; when they are gone the memory goes back.
    void clientsNotReading_data()
    {
        QTest::addColumn<int>("count");
        QTest::addColumn<int>("requests"); // each, of a 16 KiB reply
        QTest::newRow("one client, 32 MB") << 1 << 2000;
        // Past what the system buffers, each would hold 1 MiB, together more
        // than the bound.
        QTest::newRow("80 clients, 6 MiB each") << 80 << 384;
    }
    void clientsNotReading()
    {
        QFETCH(int, count);
        QFETCH(int, requests);
        startServer();
        const QByteArray line = "Data : " + QByteArray(16 * 1024, 'v') + "\r\n";
        m_server->publishDataLine(line.chopped(2));
        std::vector<std::unique_ptr<Client>> clients;
        for (int i = 0; i < count; ++i) {
            clients.push_back(std::make_unique<Client>(m_server->port(), 4096));
            QVERIFY(clients.back()->send(QByteArray(requests, '\n')));
        }
        waitUntilServingStops();
        const TcpDataServer::Stats held = m_server->stats();
        QVERIFY2(held.requests < count * requests, "everything was answered into memory");
        QVERIFY(held.maxPendingOutput <= kMaxPendingOutput + line.size());
        QVERIFY(held.maxTotalPendingOutput
            <= kMaxTotalPendingOutput + count * (kPendingOutputShare + line.size()));
        QVERIFY2(count == 1 || held.maxTotalPendingOutput >= kMaxTotalPendingOutput,
            "the bound was never reached");
        Client reader(m_server->port());
        QVERIFY(reader.readLine() == kWelcome && reader.send("\n"));
        QCOMPARE(reader.readLine(), line);
        QCOMPARE(clients[0]->readLine(), kWelcome);
        for (int i = 0; i < requests; ++i)
            QCOMPARE(clients[0]->readLine(), line);
        clients.clear();
        QTRY_COMPARE_WITH_TIMEOUT(m_server->stats().pendingOutput, 0, kWaitMs);
        QTRY_COMPARE(m_server->stats().clients, 1);
#ifdef __GLIBC__
        QTRY_VERIFY(count == 1 || m_server->stats().memoryReleases > 0);
#endif
    }

    // A child process forked just as a client leaves holds a copy of the
    // connection's socket until it execs or ends; the server forgets the
    // connection all the same and never hears of it again.
    void clientLeavesWhileAChildHoldsItsSocket()
    {
        startServer();
        for (int round = 0; round < 3; ++round) {
            auto leaving = std::make_unique<Client>(m_server->port());
            QCOMPARE(leaving->readLine(), kWelcome);
            const pid_t child = ::fork();
            if (child == 0) {
                ::usleep(300 * 1000);
                ::_exit(0);
            }
            leaving.reset();
            QTRY_COMPARE(m_server->stats().clients, 0);
            Client next(m_server->port());
            QVERIFY(next.send("\n"));
            QCOMPARE(next.readLine(), kWelcome);
            ::waitpid(child, nullptr, 0);
        }
    }

    void clientLimit()
    {
        m_server->setMaxClients(8);
        startServer();
        std::vector<std::unique_ptr<Client>> clients;
        for (int i = 0; i < 8; ++i) {
            clients.push_back(std::make_unique<Client>(m_server->port()));
            QCOMPARE(clients.back()->readLine(), kWelcome);
        }
        for (int i = 0; i < 3; ++i) {
            Client extra(m_server->port());
            QCOMPARE(extra.readAll(), QByteArray()); // never greeted
            QVERIFY(extra.closedByServer);
        }
        QCOMPARE(m_server->stats().refused, 3);
        QTRY_VERIFY(m_log.contains("Client limit of 8 reached: new connections are closed."));
        QCOMPARE(m_log.count("Client connected from : 127.0.0.1"), 8);
        // The served clients go on, and a freed place is taken again.
        clients[0]->send("\n");
        QCOMPARE(clients[0]->readLine(), QByteArray("Data : \r\n"));
        clients.erase(clients.begin());
        QTRY_COMPARE(m_server->stats().clients, 7);
        QCOMPARE(Client(m_server->port()).readLine(), kWelcome);
    }

    void logLines_data()
    {
        QTest::addColumn<int>("requests");
        QTest::addColumn<int>("length"); // of each request line
        QTest::addColumn<bool>("dropped");
        // 20,000 lines arrive while the main thread does not take them; all go on.
        QTest::newRow("every line delivered") << 20000 << 0 << false;
        // 16 MB of lines: past the bound, blocks of 30 are dropped and the
        // console is told how many, where they are missing.
        QTest::newRow("dropped when held up") << 256 << int(kMaxLineLength) << true;
    }
    void logLines()
    {
        QFETCH(int, requests);
        QFETCH(int, length);
        QFETCH(bool, dropped);
        startServer();
        ConsoleCapture console;
        QList<QByteArray> all { "Client connected from : 127.0.0.1" };
        QByteArray burst;
        for (int i = 0; i < requests; ++i) {
            const QByteArray line = QByteArray::number(i).leftJustified(length, 'x');
            all += "Data received : " + line;
            burst += line + '\n';
        }
        all += "Client disconnected";
        QElapsedTimer elapsed;
        elapsed.start();
        {
            Client c(m_server->port());
            QCOMPARE(c.readLine(), kWelcome);
            c.send(burst);
            // Read every reply without running the event loop: the lines pile up.
            for (int i = 0; i < requests; ++i)
                QCOMPARE(c.readLine(), QByteArray("Data : \r\n"));
        }
        QTRY_VERIFY(m_log.contains("Client disconnected"));
        QVERIFY(m_deliveries <= elapsed.elapsed() / 20 + 2); // in batches
        const qint64 lost = m_server->stats().droppedLogLines;
        QVERIFY(lost % 30 == 0 && (lost > 0) == dropped);
        QCOMPARE(m_log, all.mid(lost)); // the oldest are dropped first
        // The console is told how many are missing, where they are missing.
        QCOMPARE(console.lines().value(0).toLatin1(),
            lost ? eventLogDroppedText(lost) : "Client connected from : 127.0.0.1");
        // The memo ends as if every line had been appended.
        FakeLogMemo expected, memo;
        for (const QByteArray &line : all)
            appendEventLogLine(&expected, line);
        appendEventLogLines(&memo, m_log);
        QCOMPARE(memo.lines, expected.lines);
    }

    // Four clients ask while the main thread publishes new values as fast as
    // it can: every reply is one whole snapshot, never older than the last.
    void consistentUnderConcurrentUpdates()
    {
        startServer();
        const auto lineAt = [](int value, bool third) {
            return buildDataLine(snapshotAt(value, third)) + "\r\n";
        };
        std::atomic<int> finished { 0 }, failures { 0 };
        const quint16 port = m_server->port();
        m_server->publishSnapshot(snapshotAt(0));
        const auto ask = [&] {
            Client c(port);
            bool ok = c.readLine() == kWelcome;
            for (int i = 0, last = 0; ok && i < 300; ++i) {
                c.send("\n");
                const QByteArray reply = c.readLine();
                const int value = reply.mid(18, reply.indexOf('.') - 18).toInt();
                ok = value >= last && reply == lineAt(value, reply.contains("#0x000003"));
                last = value;
            }
            failures += !ok;
            ++finished;
        };
        std::vector<std::thread> threads;
        for (int i = 0; i < 4; ++i)
            threads.emplace_back(ask);
        int value = 0;
        QElapsedTimer running;
        running.start();
        while (finished < 4 && running.elapsed() < 4 * kWaitMs) {
            ++value;
            m_server->publishSnapshot(snapshotAt(value, value % 5 != 0));
            if (value % 32 == 0)
                QCoreApplication::processEvents();
        }
        for (auto &t : threads)
            t.join();
        QCOMPARE(failures.load(), 0);
        QVERIFY(value > 10);
    }
};

QTEST_GUILESS_MAIN(TestTcpDataServer)
#include "tst_tcpdataserver.moc"
