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

#include <limits>
#include <vector>

namespace orvane::qtengine {

constexpr qint64 kReadChunk = 64 * 1024;

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
class QtConnection : public QObject
{
public:
    QTcpSocket *socket = nullptr;
    ClientConnection client;
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
                m_core->flushLog();
            });
            m_core->IdTCPServerConnect(c->client);
            sendOutput(c);
        }
        m_core->flushLog();
    }

    // Reads what the client sent and answers its lines, as far as its
    // pending output allows.
    void serve(QtConnection *c)
    {
        if (c->finished)
            return;
        QTcpSocket *socket = c->socket;
        if (c->client.lineWaiting) {
            if (m_core->serveInput(c->client, socket->bytesToWrite())
                == DataServerCore::InputResult::Close) {
                closeClient(c);
                return;
            }
            sendOutput(c);
        }
        while (DataServerCore::wantsInput(c->client, socket->bytesToWrite())
            && socket->bytesAvailable() > 0) {
            c->client.input.append(socket->read(kReadChunk));
            if (m_core->serveInput(c->client, socket->bytesToWrite())
                == DataServerCore::InputResult::Close) {
                closeClient(c);
                return;
            }
            sendOutput(c);
        }
        m_core->flushLog();
    }

    void sendOutput(QtConnection *c)
    {
        if (c->client.pendingOutput() == 0)
            return;
        c->socket->write(
            c->client.output.constData() + c->client.outputPos, c->client.pendingOutput());
        c->client.consumeOutput(c->client.pendingOutput());
    }

    void closeClient(QtConnection *c)
    {
        finish(c);
        m_core->flushLog();
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
        m_core->clientClosed();
        c->deleteLater();
    }

    std::shared_ptr<DataServerCore> m_core;
    std::shared_ptr<WorkerControl> m_control;
    QTcpServer *m_server = nullptr;
    QSet<QtConnection *> m_open;
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
