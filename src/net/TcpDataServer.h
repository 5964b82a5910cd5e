#pragma once

#include <QByteArray>
#include <QElapsedTimer>
#include <QList>
#include <QObject>
#include <QTimer>

#include <array>
#include <memory>

namespace orvane {

class DataServerCore;
class ServerEngine;
struct ModuleSnapshot;

// The TCP data service. Clients connect to the port (every local IPv4
// address), are greeted with "!Welcome" and get one data line for every line
// they send. The sockets run on a server thread of their own; the object
// itself belongs to the main thread, where module data is published and the
// event-log lines arrive.
class TcpDataServer : public QObject
{
    Q_OBJECT
public:
    enum class Backend {
        Auto, // epoll where available, Qt Network elsewhere
        Epoll, // Linux only; falls back to Qt Network elsewhere
        QtNetwork,
    };
    Q_ENUM(Backend)

    struct Stats
    {
        int clients = 0;
        qint64 accepted = 0; // every accepted connection, refused ones included
        qint64 refused = 0; // closed right after accept: over the client limit
        qint64 requests = 0;
        qint64 maxPendingOutput = 0; // largest output held for one client, bytes
        qint64 droppedLogLines = 0; // never reached the main thread (it was held up)
        qint64 pendingOutput = 0; // replies waiting for all clients now, bytes
        qint64 maxTotalPendingOutput = 0; // the largest total seen, bytes
        qint64 memoryReleases = 0; // times freed memory was given back to the system
    };

    explicit TcpDataServer(quint16 port = 5001, QObject *parent = nullptr);
    ~TcpDataServer() override; // stop()s without delivering the last lines

    // Before start(): the socket backend and the client limit.
    void setBackend(Backend backend) { m_backend = backend; }
    void setMaxClients(int clients);

    // Binds and starts serving. False when the port cannot be bound, with the
    // reason in errorText(); the program carries on without the service.
    bool start();
    QByteArray errorText() const { return m_errorText; }
    bool isListening() const { return m_engine != nullptr; }
    // The port given, or after start() with port 0 the one the system chose.
    quint16 port() const { return m_port; }
    // Which backend start() chose.
    Backend activeBackend() const { return m_activeBackend; }

    // Stops accepting, closes every connection and waits at most 500 ms for
    // the server thread; then delivers the remaining event-log lines.
    void stop();

    // Main thread, after every change of module data: the data line for the
    // following requests, built from the snapshot of the four slots.
    void publishSnapshot(const ModuleSnapshot &snapshot);
    void publishDataLine(const QByteArray &line);

    Stats stats() const;

signals:
    // Event-log lines of the connection handlers, in order, on the main
    // thread. Delivered at most every 20 ms, so a flood of requests costs the
    // main thread one batch per interval. If the main thread was held up so
    // long that lines had to be dropped, the console has already been told
    // how many are missing in front of the batch.
    void eventLogLines(const QList<QByteArray> &lines);

private slots:
    void onLogLinesWaiting();

private:
    void deliverLogLines();
    bool stopEngine();

    quint16 m_port;
    Backend m_backend = Backend::Auto;
    Backend m_activeBackend = Backend::Auto;
    QByteArray m_errorText;
    std::shared_ptr<DataServerCore> m_core;
    std::unique_ptr<ServerEngine> m_engine;
    QTimer m_deliveryTimer;
    QElapsedTimer m_sinceDelivery;
};

} // namespace orvane
