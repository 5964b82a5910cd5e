#include "TcpDataServer.h"

#include "common/EventLog.h"

#include "DataLine.h"
#include "DataServerCore.h"
#include "ServerEngine.h"

namespace orvane {

namespace {
constexpr int kDeliveryIntervalMs = 20;
// How long shutdown waits for the server thread.
constexpr int kStopWaitMs = 500;
} // namespace

TcpDataServer::TcpDataServer(quint16 port, QObject *parent)
    : QObject(parent)
    , m_port(port)
    , m_core(std::make_shared<DataServerCore>())
{
    m_deliveryTimer.setSingleShot(true);
    connect(&m_deliveryTimer, &QTimer::timeout, this, &TcpDataServer::deliverLogLines);
    m_core->setLogReceiver(this, "onLogLinesWaiting");
}

TcpDataServer::~TcpDataServer()
{
    // Unregister first: nothing may be queued to this object once it dies.
    m_core->setLogReceiver(nullptr, nullptr);
    stopEngine();
}

void TcpDataServer::setMaxClients(int clients)
{
    m_core->maxClients.store(qMax(1, clients));
}

bool TcpDataServer::start()
{
    if (m_engine)
        return true;
    m_errorText.clear();
    std::unique_ptr<ServerEngine> engine;
#ifdef Q_OS_LINUX
    if (m_backend != Backend::QtNetwork) {
        engine = makeEpollEngine(m_core);
        m_activeBackend = Backend::Epoll;
    }
#endif
    if (!engine) {
        engine = makeQtEngine(m_core);
        m_activeBackend = Backend::QtNetwork;
    }
    if (!engine->start(m_port, &m_errorText, &m_port)) {
        m_activeBackend = Backend::Auto;
        return false;
    }
    m_engine = std::move(engine);
    return true;
}

void TcpDataServer::stop()
{
    stopEngine();
    m_deliveryTimer.stop();
    deliverLogLines();
}

bool TcpDataServer::stopEngine()
{
    if (!m_engine)
        return true;
    if (m_engine->stop(kStopWaitMs)) {
        m_engine.reset();
        return true;
    }
    // Never block the program on a stuck server thread: leave the engine (and
    // the shared state it holds) to that thread.
    qWarning("TcpDataServer: the server thread did not end within %d ms", kStopWaitMs);
    (void)m_engine.release();
    return false;
}

void TcpDataServer::publishSnapshot(const ModuleSnapshot &snapshot)
{
    m_core->publishDataLine(buildDataLine(snapshot));
}

void TcpDataServer::publishDataLine(const QByteArray &line)
{
    m_core->publishDataLine(line);
}

TcpDataServer::Stats TcpDataServer::stats() const
{
    Stats s;
    s.clients = m_core->clients.load();
    s.accepted = m_core->acceptedTotal.load();
    s.refused = m_core->refusedTotal.load();
    s.requests = m_core->requestsTotal.load();
    s.maxPendingOutput = m_core->maxPendingOutputSeen.load();
    s.droppedLogLines = m_core->droppedLogLines();
    s.pendingOutput = m_core->totalPendingOutput.load();
    s.maxTotalPendingOutput = m_core->maxTotalPendingOutputSeen.load();
    s.memoryReleases = m_core->memoryReleases.load();
    return s;
}

void TcpDataServer::onLogLinesWaiting()
{
    // Lines are waiting. Deliver now, or when the interval since the last
    // delivery has passed; more lines meanwhile join the same batch.
    const qint64 elapsed
        = m_sinceDelivery.isValid() ? m_sinceDelivery.elapsed() : kDeliveryIntervalMs;
    if (elapsed >= kDeliveryIntervalMs)
        deliverLogLines();
    else if (!m_deliveryTimer.isActive())
        m_deliveryTimer.start(int(kDeliveryIntervalMs - elapsed));
}

void TcpDataServer::deliverLogLines()
{
    qint64 dropped = 0;
    const QList<QByteArray> lines = m_core->takeLogLines(&dropped);
    if (dropped > 0)
        noteEventLogLinesDropped(dropped);
    if (lines.isEmpty())
        return;
    m_sinceDelivery.start();
    emit eventLogLines(lines);
}

} // namespace orvane
