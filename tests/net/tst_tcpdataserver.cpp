#include "ConsoleCapture.h"
#include "FakePorts.h"
#include "common/EventLog.h"
#include "modules/OVModObjectUnit.h"
#include "net/DataLine.h"
#include "net/DataServerCore.h"
#include "net/TcpDataServer.h"

#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>
#include <QThread>

#include <netinet/in.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <memory>
#include <thread>

using namespace orvane;

namespace {

constexpr int kWaitMs = 10000;

// A blocking client on loopback; usable on any thread.
class Client
{
public:
    explicit Client(quint16 port)
    {
        socket.connectToHost(QHostAddress(QHostAddress::LocalHost), port);
        connected = socket.waitForConnected(kWaitMs);
    }
    // The next line with its CR LF, or empty on time-out or close.
    QByteArray readLine(int timeoutMs = kWaitMs)
    {
        QDeadlineTimer deadline(timeoutMs);
        while (!socket.canReadLine()) {
            if (deadline.hasExpired() || !socket.waitForReadyRead(int(deadline.remainingTime())))
                return {};
        }
        return socket.readLine();
    }
    void send(const QByteArray &bytes)
    {
        socket.write(bytes);
        socket.waitForBytesWritten(kWaitMs);
    }
    // True when the server closes the connection within the time.
    bool waitClosed(int timeoutMs = kWaitMs)
    {
        QDeadlineTimer deadline(timeoutMs);
        while (socket.state() == QAbstractSocket::ConnectedState && !deadline.hasExpired())
            socket.waitForReadyRead(int(qMax<qint64>(1, deadline.remainingTime())));
        return socket.state() != QAbstractSocket::ConnectedState;
    }

    QTcpSocket socket;
    bool connected = false;
};

// A blocking client on plain sockets, for what QTcpSocket cannot do: shut
// down its sending side alone, or hold a small receive buffer from the start.
class RawClient
{
public:
    explicit RawClient(quint16 port, int receiveBuffer = 0)
    {
        fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        if (receiveBuffer > 0)
            ::setsockopt(fd, SOL_SOCKET, SO_RCVBUF, &receiveBuffer, sizeof receiveBuffer);
        sockaddr_in address {};
        address.sin_family = AF_INET;
        address.sin_port = htons(port);
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        connected = ::connect(fd, reinterpret_cast<sockaddr *>(&address), sizeof address) == 0;
        timeval timeout { kWaitMs / 1000, 0 };
        ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout);
    }
    ~RawClient() { ::close(fd); }
    bool send(const QByteArray &bytes)
    {
        return ::send(fd, bytes.constData(), size_t(bytes.size()), MSG_NOSIGNAL) == bytes.size();
    }
    // Everything until the server closes (or nothing arrives for kWaitMs),
    // read in small pieces, with a pause after each when slow.
    QByteArray readAll(bool slow = false)
    {
        QByteArray all;
        char buffer[16 * 1024];
        ssize_t n;
        while ((n = ::recv(fd, buffer, slow ? 4096 : sizeof buffer, 0)) > 0) {
            all.append(buffer, n);
            if (slow)
                QThread::usleep(200);
        }
        closedByServer = n == 0;
        return all;
    }

    int fd = -1;
    bool connected = false;
    bool closedByServer = false;
};

void fillModule(TOV_MOD_Object &m, const QByteArray &serial, int signalCount, double value)
{
    m.Present = true;
    m.SerialText = serial;
    m.SignalCount = signalCount;
    for (int i = 1; i <= signalCount; ++i) {
        m.Samples[i].Current = value;
        m.Signals[i].Unit = i % 2 ? "Volt" : "On/Off";
    }
}

} // namespace

class TestTcpDataServer : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase_data();
    void initTestCase();
    void init();
    void cleanup();

    void requestLines_data();
    void requestLines();
    void halfClose_data();
    void halfClose();
    void publishedModules();
    void longLine_data();
    void longLine();
    void clientNotReading();
    void clientsNotReadingShareABound();
    void thousandClients();
    void clientLimit();
    void bindFailure();
    void logLines_data();
    void logLines();
    void consistentUnderConcurrentUpdates();
    void stopClosesClients();

private:
    void startServer();
    bool logHas(const QByteArray &line) const { return m_log.contains(line); }
    // Waits until the server has answered nothing new for 300 ms.
    void waitUntilServingStops();

    std::unique_ptr<TcpDataServer> m_server;
    QList<QByteArray> m_log;
    int m_deliveries = 0;
};

void TestTcpDataServer::initTestCase_data()
{
    QTest::addColumn<TcpDataServer::Backend>("backend");
    QTest::newRow("default") << TcpDataServer::Backend::Auto;
    QTest::newRow("qtnetwork") << TcpDataServer::Backend::QtNetwork;
}

void TestTcpDataServer::initTestCase()
{
    // A thousand clients and their server ends share this process.
    rlimit limit {};
    getrlimit(RLIMIT_NOFILE, &limit);
    limit.rlim_cur = limit.rlim_max == RLIM_INFINITY ? 8192 : qMin<rlim_t>(limit.rlim_max, 8192);
    setrlimit(RLIMIT_NOFILE, &limit);
}

void TestTcpDataServer::init()
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

void TestTcpDataServer::startServer()
{
    QVERIFY2(m_server->start(), m_server->errorText().constData());
    QVERIFY(m_server->port() != 0);
}

void TestTcpDataServer::cleanup()
{
    m_server.reset();
}

void TestTcpDataServer::waitUntilServingStops()
{
    qint64 served = -1;
    QElapsedTimer waited;
    waited.start();
    while (waited.elapsed() < kWaitMs) {
        QTest::qWait(300);
        const qint64 now = m_server->stats().requests;
        if (now == served)
            break;
        served = now;
    }
}

void TestTcpDataServer::requestLines_data()
{
    // Parts are sent one after the other, 100 ms apart; every complete line
    // gets the data line, and the log holds the lines as received.
    QTest::addColumn<QByteArrayList>("parts");
    QTest::addColumn<QByteArrayList>("logged");
    QTest::newRow("LF") << QByteArrayList { "\n" } << QByteArrayList { "" };
    QTest::newRow("CR LF") << QByteArrayList { "\r\n" } << QByteArrayList { "" };
    QTest::newRow("abc CR LF") << QByteArrayList { "abc\r\n" } << QByteArrayList { "abc" };
    QTest::newRow("CR inside kept") << QByteArrayList { "a\rb\n" } << QByteArrayList { "a\rb" };
    QTest::newRow("only the last CR removed")
        << QByteArrayList { "x\r\r\n" } << QByteArrayList { "x\r" };
    QTest::newRow("8-bit bytes") << QByteArrayList { "\xB0\x01\xFF\n" }
                                 << QByteArrayList { "\xB0\x01\xFF" };
    QTest::newRow("several lines in one segment") << QByteArrayList { "one\ntwo\r\n\nthree\n" }
                                                  << QByteArrayList { "one", "two", "", "three" };
    QTest::newRow("bytes without LF wait for the rest")
        << QByteArrayList { "abc\r", "def\n" } << QByteArrayList { "abc\rdef" };
}

void TestTcpDataServer::requestLines()
{
    QFETCH(QByteArrayList, parts);
    QFETCH(QByteArrayList, logged);
    startServer();
    m_server->publishDataLine("Data : #0x000001,,1.000,Volt");
    {
        Client c(m_server->port());
        QCOMPARE(c.readLine(), QByteArray("!Welcome\r\n"));
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

void TestTcpDataServer::halfClose_data()
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

void TestTcpDataServer::halfClose()
{
    QFETCH(int, lines);
    QFETCH(int, lineSize);
    QFETCH(QByteArray, tail);
    QFETCH(bool, slow);
    startServer();
    const QByteArray line = "Data : " + QByteArray(lineSize - 7, 'v');
    m_server->publishDataLine(line);
    RawClient c(m_server->port(), slow ? 16 * 1024 : 0);
    QVERIFY(c.connected);
    QVERIFY(c.send(QByteArray(lines, '\n') + tail));
    QCOMPARE(::shutdown(c.fd, SHUT_WR), 0);
    const QByteArray received = c.readAll(slow);
    QVERIFY(c.closedByServer);
    QCOMPARE(received.size(), 10 + qsizetype(lines) * (lineSize + 2));
    QVERIFY(received == "!Welcome\r\n" + (line + "\r\n").repeated(lines));
    QTRY_VERIFY(logHas("Client disconnected"));
    QCOMPARE(m_log.count("Data received : "), lines);
}

void TestTcpDataServer::publishedModules()
{
    startServer();
    TOV_MOD_Object m1, m2, m3, m4;
    fillModule(m1, "0x000001", 2, 1000000);
    fillModule(m4, "0x000004", 1, -0.5);
    m_server->publishSnapshot(snapshotOf({ &m1, &m2, &m3, &m4 }));
    Client c(m_server->port());
    QCOMPARE(c.readLine(), QByteArray("!Welcome\r\n"));
    c.send("\n");
    QCOMPARE(c.readLine(),
        QByteArray("Data : #0x000001,,1000000.000,Volt,1000000.000,On/Off"
                   "#0x000004,,-0.500,Volt\r\n"));
    // Later changes are not seen until published.
    m4.Present = false;
    c.send("\n");
    QCOMPARE(c.readLine().count('#'), 2);
    m_server->publishSnapshot(snapshotOf({ &m1, &m2, &m3, &m4 }));
    c.send("\n");
    QCOMPARE(c.readLine().count('#'), 1);
}

void TestTcpDataServer::longLine_data()
{
    QTest::addColumn<qsizetype>("length");
    QTest::addColumn<bool>("withLineEnd");
    QTest::addColumn<bool>("closed");
    QTest::newRow("longest line answered") << kMaxLineLength << true << false;
    QTest::newRow("longer line with LF closed") << kMaxLineLength + 1 << true << true;
    QTest::newRow("longer bytes without LF closed") << kMaxLineLength + 1 << false << true;
    QTest::newRow("megabyte without LF closed") << qsizetype(1 << 20) << false << true;
}

void TestTcpDataServer::longLine()
{
    QFETCH(qsizetype, length);
    QFETCH(bool, withLineEnd);
    QFETCH(bool, closed);
    startServer();
    Client c(m_server->port());
    QCOMPARE(c.readLine(), QByteArray("!Welcome\r\n"));
    c.socket.write(QByteArray(length, 'x') + (withLineEnd ? "\n" : ""));
    if (closed) {
        QVERIFY(c.waitClosed());
        QTRY_VERIFY(logHas("Client disconnected"));
    } else {
        QCOMPARE(c.readLine(), QByteArray("Data : \r\n"));
        QTRY_COMPARE(m_log.value(1).size(), qsizetype(16) + length);
    }
}

void TestTcpDataServer::clientNotReading()
{
    startServer();
    const QByteArray line = "Data : " + QByteArray(16 * 1024, 'v');
    m_server->publishDataLine(line);
    constexpr int requests = 2000; // 32 MB of replies, far beyond socket buffers
    Client c(m_server->port());
    // The client stops reading; a small receive window keeps the kernel from
    // holding the replies instead of the server.
    c.socket.setSocketOption(QAbstractSocket::ReceiveBufferSizeSocketOption, 64 * 1024);
    c.socket.setReadBufferSize(4096);
    c.socket.write(QByteArray(requests, '\n'));
    c.socket.waitForBytesWritten(kWaitMs);

    waitUntilServingStops();
    QVERIFY2(m_server->stats().requests < requests, "the server answered everything into memory");
    QVERIFY(m_server->stats().maxPendingOutput <= kMaxPendingOutput + line.size() + 2);
    QCOMPARE(c.socket.state(), QAbstractSocket::ConnectedState);

    // Once the client reads, every request gets its reply.
    c.socket.setReadBufferSize(0);
    QCOMPARE(c.readLine(), QByteArray("!Welcome\r\n"));
    for (int i = 0; i < requests; ++i)
        QCOMPARE(c.readLine(), line + "\r\n");
    QCOMPARE(m_server->stats().requests, qint64(requests));
}

void TestTcpDataServer::clientsNotReadingShareABound()
{
    startServer();
    const QByteArray line = "Data : " + QByteArray(16 * 1024, 'v');
    m_server->publishDataLine(line);
    // Each asks for 6 MiB of replies and reads none: past what the system
    // buffers, each would hold 1 MiB, together more than the bound.
    constexpr int count = 80;
    std::vector<std::unique_ptr<RawClient>> clients;
    for (int i = 0; i < count; ++i) {
        clients.push_back(std::make_unique<RawClient>(m_server->port(), 4096));
        QVERIFY(clients.back()->connected);
        QVERIFY(clients.back()->send(QByteArray(384, '\n')));
    }
    waitUntilServingStops();
    const TcpDataServer::Stats held = m_server->stats();
    QVERIFY2(held.maxTotalPendingOutput >= kMaxTotalPendingOutput, "the bound was never reached");
    QVERIFY(held.maxTotalPendingOutput
        <= kMaxTotalPendingOutput + count * (kPendingOutputShare + line.size() + 2));

    // A client that reads is still served.
    Client reader(m_server->port());
    QCOMPARE(reader.readLine(), QByteArray("!Welcome\r\n"));
    reader.send("\n");
    QCOMPARE(reader.readLine(), line + "\r\n");

    // Once they are gone, nothing waits any more and the memory goes back.
    clients.clear();
    QTRY_COMPARE_WITH_TIMEOUT(m_server->stats().pendingOutput, 0, kWaitMs);
    QTRY_COMPARE(m_server->stats().clients, 1);
#ifdef __GLIBC__
    QTRY_VERIFY(m_server->stats().memoryReleases > 0);
#endif
}

void TestTcpDataServer::thousandClients()
{
    startServer();
    constexpr int count = 1000;
    std::vector<std::unique_ptr<QTcpSocket>> sockets;
    for (int i = 0; i < count; ++i) {
        sockets.push_back(std::make_unique<QTcpSocket>());
        sockets.back()->connectToHost(QHostAddress(QHostAddress::LocalHost), m_server->port());
    }
    auto readLineOf = [](QTcpSocket &s) {
        QDeadlineTimer deadline(kWaitMs);
        while (!s.canReadLine() && !deadline.hasExpired())
            s.waitForReadyRead(int(qMax<qint64>(1, deadline.remainingTime())));
        return s.readLine();
    };
    for (auto &s : sockets) {
        QVERIFY(s->state() == QAbstractSocket::ConnectedState || s->waitForConnected(kWaitMs));
        QCOMPARE(readLineOf(*s), QByteArray("!Welcome\r\n"));
    }
    for (auto &s : sockets)
        s->write("\n");
    for (auto &s : sockets) {
        s->waitForBytesWritten(kWaitMs);
        QCOMPARE(readLineOf(*s), QByteArray("Data : \r\n"));
    }
    QCOMPARE(m_server->stats().clients, count);
    QCOMPARE(m_server->stats().refused, 0);
    sockets.clear();
    QTRY_COMPARE_WITH_TIMEOUT(m_server->stats().clients, 0, kWaitMs);
}

void TestTcpDataServer::clientLimit()
{
    m_server->setMaxClients(8);
    startServer();
    std::vector<std::unique_ptr<Client>> clients;
    for (int i = 0; i < 8; ++i) {
        clients.push_back(std::make_unique<Client>(m_server->port()));
        QCOMPARE(clients.back()->readLine(), QByteArray("!Welcome\r\n"));
    }
    for (int i = 0; i < 3; ++i) {
        Client extra(m_server->port());
        QVERIFY(extra.waitClosed());
        QCOMPARE(extra.socket.readAll(), QByteArray()); // never greeted
    }
    QCOMPARE(m_server->stats().refused, 3);
    QTRY_VERIFY(logHas("Client limit of 8 reached: new connections are closed."));
    QCOMPARE(m_log.count("Client connected from : 127.0.0.1"), 8);

    // The served clients go on, and a freed place is taken again.
    clients[0]->send("\n");
    QCOMPARE(clients[0]->readLine(), QByteArray("Data : \r\n"));
    clients.erase(clients.begin());
    QTRY_COMPARE(m_server->stats().clients, 7);
    Client again(m_server->port());
    QCOMPARE(again.readLine(), QByteArray("!Welcome\r\n"));
}

void TestTcpDataServer::bindFailure()
{
    QFETCH_GLOBAL(TcpDataServer::Backend, backend);
    startServer();
    TcpDataServer second(m_server->port());
    second.setBackend(backend);
    QVERIFY(!second.start());
    QCOMPARE(second.errorText(),
        QByteArray("Could not bind socket. Address and port are already in use."));
    QVERIFY(!second.isListening());

    // A port held by another program.
    QTcpServer other;
    QVERIFY(other.listen(QHostAddress::AnyIPv4, 0));
    TcpDataServer third(other.serverPort());
    third.setBackend(backend);
    QVERIFY(!third.start());
    QCOMPARE(third.errorText(),
        QByteArray("Could not bind socket. Address and port are already in use."));

    // The first server is unaffected.
    Client c(m_server->port());
    QCOMPARE(c.readLine(), QByteArray("!Welcome\r\n"));
}

void TestTcpDataServer::logLines_data()
{
    QTest::addColumn<int>("requests");
    QTest::addColumn<int>("length"); // of each request line
    QTest::addColumn<bool>("dropped");
    // 20,000 lines arrive while the main thread does not take them; all go on.
    QTest::newRow("every line delivered") << 20000 << 0 << false;
    // 16 MB of lines: past the bound, blocks of 30 are dropped and the console
    // is told how many, where they are missing.
    QTest::newRow("dropped when held up") << 256 << int(kMaxLineLength) << true;
}

void TestTcpDataServer::logLines()
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
        QCOMPARE(c.readLine(), QByteArray("!Welcome\r\n"));
        c.send(burst);
        // Read every reply without running the event loop: the lines pile up.
        for (int i = 0; i < requests; ++i)
            QCOMPARE(c.readLine(), QByteArray("Data : \r\n"));
    }
    QTRY_VERIFY(logHas("Client disconnected"));
    QVERIFY(m_deliveries <= elapsed.elapsed() / 20 + 2); // in batches
    const qint64 lost = m_server->stats().droppedLogLines;
    QCOMPARE(lost > 0, dropped);
    QCOMPARE(lost % 30, 0);
    QCOMPARE(m_log, all.mid(lost)); // the oldest are dropped first
    QStringList shown;
    if (lost > 0)
        shown += QString::fromLatin1(eventLogDroppedText(lost));
    for (const QByteArray &line : std::as_const(m_log))
        shown += QString::fromLatin1(line);
    QCOMPARE(console.lines(), shown);
    // The memo ends as if every line had been appended.
    FakeLogMemo expected, memo;
    for (const QByteArray &line : all)
        appendEventLogLine(&expected, line);
    appendEventLogLines(&memo, m_log);
    QCOMPARE(memo.lines, expected.lines);
}

void TestTcpDataServer::consistentUnderConcurrentUpdates()
{
    startServer();
    std::array<TOV_MOD_Object, 4> modules;
    const std::array<const TOV_MOD_Object *, 4> slotPointers { &modules[0], &modules[1],
        &modules[2], &modules[3] };
    fillModule(modules[0], "0x000001", 7, 0);
    fillModule(modules[2], "0x000003", 8, 0);
    m_server->publishSnapshot(snapshotOf(slotPointers));

    constexpr int clientCount = 4;
    constexpr int requestsEach = 300;
    std::atomic<int> finished { 0 };
    std::atomic<int> failures { 0 };
    QList<QByteArray> firstBad; // written by the client that fails first
    std::atomic_flag badTaken = ATOMIC_FLAG_INIT;
    const quint16 port = m_server->port();

    auto clientRun = [&] {
        // A block: "#" serial "," then ",value,unit" per signal.
        const QRegularExpression block(R"(#(0x00000[13]),((?:,-?\d+\.\d{3},(?:Volt|On/Off))*))");
        Client c(port);
        bool ok = c.readLine() == "!Welcome\r\n";
        std::array<double, 4> last { -1, -1, -1, -1 };
        for (int i = 0; ok && i < requestsEach; ++i) {
            c.send("\n");
            const QByteArray reply = c.readLine();
            ok = reply.startsWith("Data : ") && reply.endsWith("\r\n");
            QByteArray rest = reply.mid(7, reply.size() - 9);
            while (ok && !rest.isEmpty()) {
                const QString text = QString::fromLatin1(rest);
                const auto match = block.match(text, 0, QRegularExpression::NormalMatch,
                    QRegularExpression::AnchorAtOffsetMatchOption);
                ok = match.hasMatch();
                if (!ok)
                    break;
                const int slot = match.captured(1).right(1).toInt() - 1;
                const QStringList fields = match.captured(2).split(',', Qt::SkipEmptyParts);
                const int signalCount = slot == 0 ? 7 : 8;
                ok = fields.size() == 2 * signalCount;
                for (int f = 0; ok && f < fields.size(); f += 2)
                    ok = fields[f] == fields[0];
                const double value = ok ? fields.value(0).toDouble() : 0;
                ok = ok && value >= last[slot]; // never older than a line before
                last[slot] = value;
                rest = rest.mid(match.capturedLength());
            }
            if (!ok && !badTaken.test_and_set())
                firstBad = { reply };
        }
        if (!ok)
            ++failures;
        ++finished;
    };
    std::vector<std::thread> threads;
    for (int i = 0; i < clientCount; ++i)
        threads.emplace_back(clientRun);

    // The main thread changes the modules as fast as it can, one signal at a
    // time, and publishes after each complete update.
    QElapsedTimer running;
    running.start();
    int counter = 0;
    while (finished.load() < clientCount && running.elapsed() < 4 * kWaitMs) {
        ++counter;
        for (int i = 1; i <= 8; ++i) {
            modules[0].Samples[i].Current = counter;
            modules[2].Samples[i].Current = counter;
        }
        modules[2].Present = counter % 5 != 0;
        m_server->publishSnapshot(snapshotOf(slotPointers));
        if (counter % 32 == 0)
            QCoreApplication::processEvents();
    }
    for (auto &t : threads)
        t.join();
    QVERIFY2(failures.load() == 0, firstBad.value(0).left(300).constData());
    QCOMPARE(finished.load(), clientCount);
    QVERIFY(counter > 10);
}

void TestTcpDataServer::stopClosesClients()
{
    startServer();
    std::vector<std::unique_ptr<Client>> clients;
    for (int i = 0; i < 20; ++i) {
        clients.push_back(std::make_unique<Client>(m_server->port()));
        QCOMPARE(clients.back()->readLine(), QByteArray("!Welcome\r\n"));
    }
    QElapsedTimer elapsed;
    elapsed.start();
    m_server->stop();
    QVERIFY(elapsed.elapsed() < 1500); // waits at most 500 ms for the server thread
    QVERIFY(!m_server->isListening());
    // stop() hands over the last lines at once.
    QCOMPARE(m_log.count("Client disconnected"), 20);
    for (auto &c : clients)
        QVERIFY(c->waitClosed());
}

QTEST_GUILESS_MAIN(TestTcpDataServer)
#include "tst_tcpdataserver.moc"
