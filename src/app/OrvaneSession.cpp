#include "OrvaneSession.h"

#include "acquisition/ThdTimer.h"
#include "acquisition/d2xx/D2xxDriver.h"
#include "common/EventLog.h"

namespace orvane {

OrvaneSession::OrvaneSession(std::unique_ptr<D2xxDriver> driver,
    const AcquisitionControl::Ports &ports, const Options &options, QObject *parent)
    : QObject(parent)
    , m_driver(std::move(driver))
{
    // The polling timer runs at the lowest priority. It is enabled first so
    // the interval runs while the rest is set up; its tick reaches the
    // acquisition only through the event loop, after this constructor.
    m_timer = std::make_unique<TThreadedTimer>();
    m_timer->setInterval(options.intervalMs);
    m_timer->setThreadPriority(QThread::LowestPriority);
    m_timer->OnTimer = [this](TThreadedTimer *) { m_acq->MainTimerTimer(); };
    if (options.startTimer)
        m_timer->setEnabled(true);

    m_acq = std::make_unique<AcquisitionControl>(m_driver.get(), ports);
    m_acq->FormCreate();
    m_acq->ThreadedTimer1 = m_timer.get();
    if (options.reconnect) {
        m_reconnect = std::make_unique<InterfaceReconnect>(
            *m_acq, m_driver.get(), options.reconnectClockMs);
        connect(
            m_acq.get(), &AcquisitionControl::tickDone, this, [this] { m_reconnect->afterTick(); });
    }

    m_server = std::make_unique<TcpDataServer>(options.dataPort);
    m_server->setBackend(options.serverBackend);
    LogMemo *eventLog = ports.eventLog;
    connect(m_server.get(), &TcpDataServer::eventLogLines, this,
        [eventLog](const QList<QByteArray> &lines) { appendEventLogLines(eventLog, lines); });
    connect(m_acq.get(), &AcquisitionControl::modulesChanged, this, &OrvaneSession::publishModules);
    if (!m_server->start()) {
        // The program runs on without the data service; the first tick says why.
        m_acq->ServerStatusLine = m_server->errorText();
    }
    publishModules();
}

OrvaneSession::~OrvaneSession()
{
    // The tick reaches into everything below: it stops first.
    m_timer.reset();
    m_acq->ThreadedTimer1 = nullptr;
    m_server.reset();
}

void OrvaneSession::start(const QByteArray &fileVersion)
{
    m_acq->FormShow(fileVersion);
}

void OrvaneSession::close()
{
    if (m_closed)
        return;
    m_closed = true;
    m_acq->FormClose();
}

void OrvaneSession::publishModules()
{
    const auto modules = m_acq->modules();
    m_server->publishModules({ modules[0], modules[1], modules[2], modules[3] });
}

} // namespace orvane
