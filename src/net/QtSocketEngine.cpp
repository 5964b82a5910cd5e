// The portable way of running the server: Qt Network on a thread of its own,
// every connection driven by its socket's signals.
#include "DataServerCore.h"
#include "ServerEngine.h"

#include <QDeadlineTimer>
#include <QHostAddress>
#include <QSet>
#include <QTcpServer>
#include <QTcpSocket>
#include <QThread>
#include <QTimer>

#include <algorithm>
#include <limits>

namespace orvane::qtengine {

// Hand-over between the thread that starts or stops the server and the server
// thread. The queued calls that wake the server thread carry no data; it goes
// through here, under standard locks that thread checkers can follow.
struct WorkerControl
{
    std::mutex mutex;
    quint16 port = 0;
    bool ok = false;
    QByteArray error;
    OneShotSignal listened; // port, ok and error are set
    OneShotSignal closed; // every connection has been closed
};

// One client; lives on the server thread with its socket as child.
//
// A QTcpSocket closes itself as soon as it reads the end of the stream, and
// drops what it has not sent yet. A client that shuts down its sending side
// after its lines would lose replies. So the bytes of the client's lines stay
// in the socket's read buffer (peeked, not read) until their replies have
// left it, and meanwhile the buffer counts as full: the socket reads nothing
// more from the system, the end of the stream included. (On Windows the
// socket still reads everything once the client's side is closed; there the
// replies are handed to the system at once, so only those beyond what its
// buffer takes can be lost.)
class QtConnection : public QObject
{
public:
    QTcpSocket *socket = nullptr;
    ClientConnection client;
    qint64 taken = 0; // bytes at the front of the socket's read buffer already in client.input
    bool serving = false;
    bool finished = false;
};

class QtWorker : public QObject
{
    Q_OBJECT
public:
    QtWorker(std::shared_ptr<DataServerCore> core, std::shared_ptr<WorkerControl> control)
        : m_core(std::move(core))
        , m_control(std::move(control))
    {
        m_releaseTimer.setParent(this); // moves to the server thread with the worker
        m_releaseTimer.setSingleShot(true);
        connect(&m_releaseTimer, &QTimer::timeout, this, &QtWorker::afterRound);
    }

public slots:
    void listen()
    {
        std::lock_guard lock(m_control->mutex);
        m_server = new QTcpServer(this);
        m_server->setListenBacklogSize(kListenBacklog);
        m_control->ok = m_server->listen(QHostAddress::AnyIPv4, m_control->port);
        if (!m_control->ok) {
            m_control->error = m_server->serverError() == QAbstractSocket::AddressInUseError
                ? QByteArray(kAddressInUseText)
                : m_server->errorString().toLocal8Bit();
        } else {
            m_control->port = m_server->serverPort();
            connect(m_server, &QTcpServer::newConnection, this, &QtWorker::acceptClients);
        }
        m_control->listened.raise();
    }

    void shutdown()
    {
        {
            std::lock_guard lock(m_control->mutex);
        } // ordered after the caller's request
        if (m_server)
            m_server->close();
        const auto open = m_open;
        for (QtConnection *c : open)
            finish(c);
        m_core->flushLog();
        m_control->closed.raise();
        QThread::currentThread()->quit();
    }

private:
    void acceptClients()
    {
        while (QTcpSocket *socket = m_server->nextPendingConnection()) {
            if (!m_core->admitClient()) {
                socket->abort();
                delete socket;
                continue;
            }
            auto *c = new QtConnection;
            c->setParent(this);
            socket->setParent(c);
            c->socket = socket;
            m_open.insert(c);
            socket->setReadBufferSize(kReadChunk);
            socket->setSocketOption(QAbstractSocket::LowDelayOption, 1);
            c->client.peerAddress
                = QHostAddress(socket->peerAddress().toIPv4Address()).toString().toLatin1();
            connect(socket, &QTcpSocket::readyRead, c, [this, c] { serve(c); });
            connect(socket, &QTcpSocket::bytesWritten, c, [this, c] { serve(c); });
            connect(socket, &QTcpSocket::disconnected, c, [this, c] {
                finish(c);
                afterRound();
            });
            m_core->IdTCPServerConnect(c->client);
            sendOutput(c);
        }
        afterRound();
    }

    // Answers what the client sent, as far as its room for replies allows,
    // and decides whether the socket may read more from the system.
    void serve(QtConnection *c)
    {
        if (c->finished || c->serving)
            return; // a signal from inside serve(): the loop below sees its cause
        c->serving = true;
        QTcpSocket *socket = c->socket;
        m_core->setSocketPending(c->client, socket->bytesToWrite());
        while (!c->finished) {
            if (c->taken > 0 && socket->bytesToWrite() == 0 && !c->client.lineWaiting) {
                socket->skip(c->taken); // their lines are answered, the replies have left
                c->taken = 0;
            }
            if (c->client.lineWaiting) {
                const qsizetype before = c->client.input.size();
                if (m_core->serveInput(c->client) == DataServerCore::InputResult::Close) {
                    finish(c);
                    break;
                }
                if (c->client.input.size() == before)
                    break; // no room yet: bytesWritten() comes back here
                sendOutput(c);
                continue;
            }
            const qint64 fresh = socket->bytesAvailable() - c->taken;
            const qint64 n = std::min<qint64>(fresh, m_core->readAllowance(c->client));
            if (n <= 0)
                break;
            m_peeked.resize(c->taken + n);
            if (socket->peek(m_peeked.data(), c->taken + n) != c->taken + n)
                break;
            c->client.input.append(m_peeked.constData() + c->taken, n);
            c->taken += n;
            if (m_core->serveInput(c->client) == DataServerCore::InputResult::Close) {
                finish(c);
                break;
            }
            sendOutput(c);
        }
        if (!c->finished) {
            const bool idle
                = c->taken == 0 && !c->client.lineWaiting && socket->bytesToWrite() == 0;
            socket->setReadBufferSize(
                idle ? kReadChunk : std::max<qint64>(1, socket->bytesAvailable()));
        }
        c->serving = false;
        afterRound();
    }

    void sendOutput(QtConnection *c)
    {
        QTcpSocket *socket = c->socket;
        QByteArrayView pieces[16];
        while (!c->finished && !c->client.output.isEmpty()) {
            const int count = c->client.output.pieces(pieces, 16);
            qsizetype handed = 0;
            for (int i = 0; i < count; ++i) {
                const qint64 n = socket->write(pieces[i].data(), pieces[i].size());
                if (n < 0) {
                    finish(c); // the socket is gone
                    return;
                }
                handed += n;
            }
            m_core->outputTaken(c->client, handed);
        }
        // Hand the replies to the system now rather than on the next pass of
        // the event loop, before the socket can see the end of the stream.
        while (!c->finished && socket->bytesToWrite() > 0 && socket->flush()) { }
        if (!c->finished)
            m_core->setSocketPending(c->client, socket->bytesToWrite());
    }

    void finish(QtConnection *c)
    {
        if (c->finished)
            return;
        c->finished = true;
        m_open.remove(c);
        c->socket->disconnect(c);
        c->socket->abort();
        m_core->IdTCPServerDisconnect(c->client);
        m_core->clientClosed(c->client);
        c->deleteLater();
    }

    // After every burst of work: clients held back by the bound on waiting
    // replies, the log lines, and memory to give back.
    void afterRound()
    {
        if (m_core->takeBoundLifted()) {
            const auto open = m_open;
            for (QtConnection *c : open)
                serve(c);
        }
        m_core->flushLog();
        const int releaseInMs = m_core->releaseMemory();
        if (releaseInMs >= 0 && !m_releaseTimer.isActive())
            m_releaseTimer.start(releaseInMs);
    }

    std::shared_ptr<DataServerCore> m_core;
    std::shared_ptr<WorkerControl> m_control;
    QTcpServer *m_server = nullptr;
    QSet<QtConnection *> m_open;
    QByteArray m_peeked;
    QTimer m_releaseTimer;
};

class QtEngine final : public ServerEngine
{
public:
    explicit QtEngine(std::shared_ptr<DataServerCore> core)
        : m_core(std::move(core))
    {
    }
    ~QtEngine() override = default; // the worker deletes itself when its thread ends

    bool start(quint16 port, QByteArray *errorText, quint16 *boundPort) override
    {
        m_thread = std::make_unique<QThread>();
        m_thread->setObjectName(QStringLiteral("TcpDataServer"));
        auto *worker = new QtWorker(m_core, m_control);
        worker->moveToThread(m_thread.get());
        QObject::connect(m_thread.get(), &QThread::finished, worker, &QObject::deleteLater);
        m_worker = worker;
        m_thread->start();

        // The listening socket must be made on the server thread. The lock is
        // held across the call so the server thread's use of the worker and
        // of the port is ordered after it.
        {
            std::lock_guard lock(m_control->mutex);
            m_control->port = port;
            QMetaObject::invokeMethod(worker, "listen", Qt::QueuedConnection);
        }
        m_control->listened.waitFor(std::numeric_limits<int>::max());
        bool ok = false;
        {
            std::lock_guard lock(m_control->mutex);
            ok = m_control->ok;
            *errorText = m_control->error;
            *boundPort = m_control->port;
        }
        if (!ok)
            stop(std::numeric_limits<int>::max());
        return ok;
    }

    bool stop(int timeoutMs) override
    {
        // Once only: after its thread has ended the worker deletes itself.
        QtWorker *worker = std::exchange(m_worker, nullptr);
        if (!worker)
            return true;
        QDeadlineTimer deadline(timeoutMs);
        {
            std::lock_guard lock(m_control->mutex); // see start()
            QMetaObject::invokeMethod(worker, "shutdown", Qt::QueuedConnection);
        }
        if (!m_control->closed.waitFor(timeoutMs))
            return false;
        return m_thread->wait(deadline);
    }

private:
    std::shared_ptr<DataServerCore> m_core;
    std::unique_ptr<QThread> m_thread;
    std::shared_ptr<WorkerControl> m_control = std::make_shared<WorkerControl>();
    QtWorker *m_worker = nullptr;
};

} // namespace orvane::qtengine

namespace orvane {

std::unique_ptr<ServerEngine> makeQtEngine(std::shared_ptr<DataServerCore> core)
{
    return std::make_unique<qtengine::QtEngine>(std::move(core));
}

} // namespace orvane

#include "QtSocketEngine.moc"
