#include "Notifier.h"

#include "NotifierWorker.h"
#include "common/EventLog.h"

namespace orvane {

namespace {
// Lines the worker may leave for the event log before the main thread has
// taken them; more within one turn of the event loop are not worth keeping.
constexpr qsizetype kMaxWaitingLines = 100;

// Events of one source share a min-interval: a signal's alarm, a module's
// link, the interface.
QByteArray sourceOf(const PlantEvent &e)
{
    switch (e.kind) {
    case PlantEvent::Kind::AlarmRaised:
    case PlantEvent::Kind::AlarmCleared:
        return "signal " + e.module + '/' + QByteArray::number(e.index);
    case PlantEvent::Kind::ModuleLost:
    case PlantEvent::Kind::ModuleBack:
        return "module " + e.module;
    default:
        return "interface " + e.interfaceSerial;
    }
}
} // namespace

Notifier::Notifier(const NotifySettings &settings, LogMemo *eventLog, QObject *parent)
    : QObject(parent)
    , m_settings(settings)
    , m_eventLog(eventLog)
{
    m_worker = std::make_unique<NotifierWorker>(settings, [this](const QByteArray &line) {
        const QMutexLocker lock(&m_linesMutex);
        if (m_lines.size() >= kMaxWaitingLines)
            return;
        m_lines.append(line);
        if (m_lines.size() == 1)
            QMetaObject::invokeMethod(this, &Notifier::writeLines, Qt::QueuedConnection);
    });
    m_releaseTimer.setInterval(settings.timing.releaseCheckMs);
    connect(&m_releaseTimer, &QTimer::timeout, this, [this] { releaseHeld(false); });
}

Notifier::~Notifier()
{
    stop();
}

bool Notifier::wanted(const PlantEvent &e) const
{
    switch (e.kind) {
    case PlantEvent::Kind::AlarmRaised:
        return m_settings.raised;
    case PlantEvent::Kind::AlarmCleared:
        return m_settings.cleared;
    case PlantEvent::Kind::ModuleLost:
    case PlantEvent::Kind::ModuleBack:
        return m_settings.module;
    case PlantEvent::Kind::InterfaceLost:
    case PlantEvent::Kind::InterfaceBack:
        return m_settings.interface;
    case PlantEvent::Kind::Test:
        break;
    }
    return true;
}

qint64 Notifier::nowMs() const
{
    return m_settings.timing.clockMs ? m_settings.timing.clockMs() : deliveryClockMs();
}

void Notifier::notify(const PlantEvent &event)
{
    if (!m_worker || !wanted(event))
        return;
    const qint64 interval = qint64(m_settings.minIntervalS) * 1000;
    if (interval <= 0 || event.kind == PlantEvent::Kind::Test) {
        send(event, 0);
        return;
    }
    const qint64 now = nowMs();
    const QByteArray source = sourceOf(event);
    const auto found = m_holds.find(source);
    if (found == m_holds.end() || now - found->lastSentMs >= interval) {
        const int held = found == m_holds.end() ? 0 : found->held;
        m_holds.insert(source, Hold { now, event.kind, 0, std::nullopt });
        send(event, held);
        return;
    }
    ++found->held;
    found->latest = event;
    if (!m_releaseTimer.isActive())
        m_releaseTimer.start();
}

void Notifier::send(const PlantEvent &event, int heldBack)
{
    m_worker->post(Notice { event, heldBack });
}

void Notifier::releaseHeld(bool all)
{
    const qint64 now = nowMs();
    const qint64 interval = qint64(m_settings.minIntervalS) * 1000;
    bool waiting = false;
    for (auto it = m_holds.begin(); it != m_holds.end();) {
        Hold &h = *it;
        if (h.latest && (all || now - h.lastSentMs >= interval)) {
            // Only a change of state is worth a message of its own; a
            // source back where it was last told is counted in its next one.
            if (h.latest->kind != h.lastSentKind) {
                send(*h.latest, h.held);
                h = Hold { now, h.latest->kind, 0, std::nullopt };
            }
            h.latest.reset();
        }
        waiting = waiting || h.latest;
        // Sources long quiet are forgotten, so the table stays small.
        if (!h.latest && h.held == 0 && now - h.lastSentMs >= interval)
            it = m_holds.erase(it);
        else
            ++it;
    }
    if (!waiting)
        m_releaseTimer.stop();
}

void Notifier::writeLines()
{
    QByteArrayList lines;
    {
        const QMutexLocker lock(&m_linesMutex);
        lines.swap(m_lines);
    }
    appendEventLogLines(m_eventLog, lines);
}

void Notifier::stop()
{
    if (!m_worker)
        return;
    releaseHeld(true);
    m_releaseTimer.stop();
    const qint64 undelivered = m_worker->stop();
    m_worker.reset();
    writeLines();
    if (undelivered > 0) {
        appendEventLogLine(m_eventLog,
            "Notifications: " + QByteArray::number(undelivered)
                + (undelivered == 1 ? " delivery" : " deliveries")
                + " not made before the end of the run");
    }
}

} // namespace orvane
