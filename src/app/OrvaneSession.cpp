#include "OrvaneSession.h"

#include "acquisition/ThdTimer.h"
#include "acquisition/d2xx/D2xxDriver.h"
#include "common/EventLog.h"
#include "publish/Notifier.h"
#include "publish/MqttPublisher.h"

#include <QDateTime>

namespace orvane {

OrvaneSession::OrvaneSession(std::unique_ptr<D2xxDriver> driver,
    const AcquisitionControl::Ports &ports, const Options &options, QObject *parent)
    : QObject(parent)
    , m_driver(std::move(driver))
{
    // For queued connections of the announcements to other threads.
    qRegisterMetaType<SnapshotPtr>();
    qRegisterMetaType<PlantEvent>();
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
    // Without the timer running (ticks by hand), the start-up scan must not
    // switch it on when it ends.
    if (options.startTimer)
        m_acq->ThreadedTimer1 = m_timer.get();
    if (options.reconnect) {
        m_reconnect = std::make_unique<InterfaceReconnect>(
            *m_acq, m_driver.get(), options.reconnectClockMs);
        connect(
            m_acq.get(), &AcquisitionControl::tickDone, this, [this] { m_reconnect->afterTick(); });
    }
    connect(m_acq.get(), &AcquisitionControl::tickDone, this, &OrvaneSession::afterTick);

    m_server = std::make_unique<TcpDataServer>(options.dataPort);
    m_server->setBackend(options.serverBackend);
    LogMemo *eventLog = ports.eventLog;
    connect(m_server.get(), &TcpDataServer::eventLogLines, this,
        [eventLog](const QList<QByteArray> &lines) { appendEventLogLines(eventLog, lines); });
    connect(
        m_acq.get(), &AcquisitionControl::cycleCompleted, this, &OrvaneSession::onCycleCompleted);
    connect(
        m_acq.get(), &AcquisitionControl::modulesChanged, this, &OrvaneSession::onModulesChanged);
    if (!m_server->start()) {
        // The program runs on without the data service; the first tick says why.
        m_acq->ServerStatusLine = m_server->errorText();
    } else {
        // The port the service really listens on (5001 unless told otherwise).
        m_acq->ServerStatusLine
            = "TCP Server @ port " + QByteArray::number(m_server->port()) + " started.";
    }
    m_latest = takeSnapshot();
    m_server->publishSnapshot(*m_latest);

    // Notifications by e-mail and web hook: their own thread delivers.
    if (options.notify.enabled()) {
        m_notifier = std::make_unique<Notifier>(options.notify, ports.eventLog);
        connect(this, &OrvaneSession::plantEvent, m_notifier.get(), &Notifier::notify);
    }

    if (options.mqtt.enabled()) {
        m_mqtt = std::make_unique<MqttPublisher>(options.mqtt);
        MqttPublisher *mqtt = m_mqtt.get();
        connect(this, &OrvaneSession::cycleCompleted, mqtt, &MqttPublisher::takeCycle);
        connect(this, &OrvaneSession::modulesChanged, mqtt, &MqttPublisher::takeChange);
        connect(this, &OrvaneSession::plantEvent, mqtt, &MqttPublisher::takeEvent);
        connect(mqtt, &MqttPublisher::eventLogLine, this,
            [eventLog](const QByteArray &line) { appendEventLogLine(eventLog, line); });
        // A command acts as the outputs panel's radio group does, on the
        // present module with exactly that serial number.
        connect(mqtt, &MqttPublisher::outputCommand, this,
            [this](const QByteArray &serial, int output, int mode) {
                for (int slot = 1; slot <= 4; ++slot) {
                    const TOV_MOD_Object &module = *m_acq->ModObject[slot];
                    if (module.Present && module.SerialText == serial) {
                        m_acq->setOutputMode(slot, output, mode);
                        return;
                    }
                }
                m_acq->InfoDialogAdd("MQTT command ignored: module " + serial + " is gone");
            });
        m_mqtt->start();
    }
}

OrvaneSession::~OrvaneSession()
{
    // The tick reaches into everything below: it stops first.
    m_timer.reset();
    m_acq->ThreadedTimer1 = nullptr;
    m_server.reset();
    m_notifier.reset();
    m_mqtt.reset();
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
    // The publishers say goodbye while the cycle winds down. One stuck in a
    // connect is left behind; the broker sends its last will when the
    // process ends.
    if (m_mqtt)
        m_mqtt->requestStop();
    m_acq->FormClose();
    if (m_notifier)
        m_notifier->stop(); // what waits gets a last, short try
    if (m_mqtt)
        m_mqtt->finish(500);
}

SnapshotPtr OrvaneSession::takeSnapshot()
{
    auto snapshot = std::make_shared<ModuleSnapshot>(m_acq->snapshot());
    snapshot->timeMs = QDateTime::currentMSecsSinceEpoch();
    return snapshot;
}

void OrvaneSession::onCycleCompleted()
{
    m_latest = takeSnapshot();
    m_server->publishSnapshot(*m_latest);
    Q_EMIT cycleCompleted(m_latest);
    for (const AcquisitionControl::CycleChange &change : m_acq->cycleChanges())
        Q_EMIT plantEvent(eventFor(change, m_latest->timeMs));
}

void OrvaneSession::onModulesChanged()
{
    m_latest = takeSnapshot();
    m_server->publishSnapshot(*m_latest);
    Q_EMIT modulesChanged(m_latest);
}

PlantEvent OrvaneSession::eventFor(
    const AcquisitionControl::CycleChange &change, qint64 timeMs) const
{
    const TOV_MOD_Object &module = *m_acq->ModObject[change.slot];
    PlantEvent e;
    e.timeMs = timeMs;
    e.interfaceSerial = m_acq->IntObject->SerialNumber;
    e.slot = change.slot;
    e.module = module.SerialText;
    switch (change.kind) {
    case AcquisitionControl::CycleChange::ModuleLost:
        e.kind = PlantEvent::Kind::ModuleLost;
        e.text = "Module " + module.SerialText + " does not answer ("
            + QByteArray::number(LostAfterMissed) + " replies missed in a row)";
        return e;
    case AcquisitionControl::CycleChange::ModuleBack:
        e.kind = PlantEvent::Kind::ModuleBack;
        e.text = "Module " + module.SerialText + " answers again";
        return e;
    case AcquisitionControl::CycleChange::AlarmRaised:
    case AcquisitionControl::CycleChange::AlarmCleared:
        break;
    }
    const bool raised = change.kind == AcquisitionControl::CycleChange::AlarmRaised;
    const TSignalRecord &signal = module.Signals[change.index];
    e.kind = raised ? PlantEvent::Kind::AlarmRaised : PlantEvent::Kind::AlarmCleared;
    e.index = change.index;
    e.name = signal.Name;
    e.unit = signal.Unit;
    e.value = module.Samples[change.index].Current;
    e.alarmHigh = signal.AlarmHigh;
    e.alarmLow = signal.AlarmLow;
    e.digits = signal.Digits;
    const TOV_MOD_Object::AlarmTexts texts = module.alarmTexts(change.index);
    // A raised alarm's text is the alarm memo's line; a cleared one says so
    // in the same shape.
    e.text = raised
        ? texts.line()
        : texts.time + ' ' + texts.module + ' ' + texts.signal + " cleared " + texts.limits;
    return e;
}

void OrvaneSession::afterTick()
{
    // The interface's state between ticks, outside any scan (a scan closes and
    // reopens it on purpose, and its waits run ticks).
    if (m_acq->isScanning() || m_closed)
        return;
    TOV_INT_Object &link = *m_acq->IntObject;
    const bool up = link.IsConnected();
    if (up == m_interfaceUp)
        return;
    const bool wasUp = m_interfaceUp;
    m_interfaceUp = up;
    PlantEvent e;
    e.timeMs = QDateTime::currentMSecsSinceEpoch();
    if (up) {
        // Only a return counts: the first connection is the program's start.
        const bool back = !m_interfaceSerial.isEmpty();
        m_interfaceSerial = link.SerialNumber;
        if (!back)
            return;
        e.kind = PlantEvent::Kind::InterfaceBack;
        e.text = "Interface " + m_interfaceSerial + " is back";
    } else {
        if (!wasUp)
            return;
        e.kind = PlantEvent::Kind::InterfaceLost;
        e.text = "Interface " + m_interfaceSerial + " lost";
    }
    e.interfaceSerial = m_interfaceSerial;
    Q_EMIT plantEvent(e);
}

} // namespace orvane
