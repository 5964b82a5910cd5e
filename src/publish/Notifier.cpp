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

// The start of a trouble (alarm raised, module or interface lost), as
// against its end.
bool isTrouble(PlantEvent::Kind kind)
{
    return kind == PlantEvent::Kind::AlarmRaised || kind == PlantEvent::Kind::ModuleLost
        || kind == PlantEvent::Kind::InterfaceLost;
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
    if (!m_worker)
        return;
    const qint64 interval = qint64(m_settings.minIntervalS) * 1000;
    if (interval <= 0 || event.kind == PlantEvent::Kind::Test) {
        if (wanted(event))
            m_worker->post(Notice { event, 0 });
        return;
    }
    const qint64 now = nowMs();
    Hold &h = m_holds[sourceOf(event)];
    const bool trouble = isTrouble(event.kind);
    // The end of a trouble people were told about is told at once; a new
    // trouble only when the last one told is min-interval ago.
    const bool tellNow = trouble
        ? !h.toldTrouble && (!h.troubleMs || now - *h.troubleMs >= interval)
        : h.toldTrouble;
    if (tellNow) {
        tell(h, event, now);
        return;
    }
    ++h.held;
    // Only a trouble that was not told is still to be told; an end of
    // trouble whose start was held back leaves the source as it was told.
    h.pending = trouble ? std::optional(event) : std::nullopt;
    if (h.pending && !m_releaseTimer.isActive())
        m_releaseTimer.start();
}

void Notifier::tell(Hold &h, const PlantEvent &event, qint64 now)
{
    h.toldTrouble = isTrouble(event.kind);
    if (h.toldTrouble)
        h.troubleMs = now;
    h.pending.reset();
    // An event the settings leave out changes what was told, but its count
    // waits for the next message that goes out.
    if (!wanted(event))
        return;
    m_worker->post(Notice { event, h.held });
    h.held = 0;
}

void Notifier::releaseHeld(bool all)
{
    const qint64 now = nowMs();
    const qint64 interval = qint64(m_settings.minIntervalS) * 1000;
    bool waiting = false;
    for (auto it = m_holds.begin(); it != m_holds.end();) {
        Hold &h = *it;
        // Still in trouble when the interval is over: told now, with the count.
        if (h.pending && (all || now - *h.troubleMs >= interval))
            tell(h, *h.pending, now);
        waiting = waiting || h.pending;
        // Sources quiet and well for a while are forgotten: the table stays small.
        if (!h.pending && !h.toldTrouble && h.held == 0
            && (!h.troubleMs || now - *h.troubleMs >= interval))
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
