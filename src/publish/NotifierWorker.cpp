#include "NotifierWorker.h"

#include <QSysInfo>

#include <limits>
#include <utility>

namespace orvane {

namespace {
constexpr qint64 kNever = std::numeric_limits<qint64>::max();

QByteArray events(qint64 count)
{
    return QByteArray::number(count) + (count == 1 ? " event" : " events");
}
} // namespace

NotifierWorker::NotifierWorker(const NotifySettings &settings, LineSink lines)
    : m_settings(settings)
    , m_lines(std::move(lines))
{
    if (!settings.webhookUrl.isEmpty()) {
        m_channels.emplace_back();
        m_channels.back().name = "Web hook " + urlOrigin(settings.webhookUrl);
    }
    if (!settings.smtpUrl.isEmpty()) {
        m_channels.emplace_back();
        m_channels.back().name = "E-mail " + urlOrigin(settings.smtpUrl);
        m_channels.back().mail = true;
    }
    m_thread = std::thread([this] { run(); });
}

NotifierWorker::~NotifierWorker()
{
    stop();
}

void NotifierWorker::post(const Notice &notice)
{
    const qint64 now = deliveryClockMs();
    {
        const std::lock_guard lock(m_mutex);
        if (m_stopping)
            return;
        for (Channel &c : m_channels) {
            c.queue.push_back({ notice, now });
            c.lastArrivalMs = now;
            // What is being sent stays; the oldest of the rest makes room.
            if (c.queue.size() - c.inFlight > size_t(kNotifyQueueLimit)) {
                c.queue.erase(c.queue.begin() + qsizetype(c.inFlight));
                ++c.overflowToLog;
                ++c.overflowToTell;
            }
        }
    }
    m_wake.notify_one();
}

qint64 NotifierWorker::stop()
{
    if (!m_thread.joinable())
        return 0;
    {
        const std::lock_guard lock(m_mutex);
        m_stopping = true;
        m_closeDeadlineMs = deliveryClockMs() + m_settings.timing.closeGraceMs;
    }
    m_curl.cutOffAt(m_closeDeadlineMs);
    m_wake.notify_one();
    m_thread.join();
    return m_undelivered;
}

qint64 NotifierWorker::readyAt(const Channel &c) const
{
    if (c.queue.empty() || c.inFlight > 0)
        return kNever;
    if (m_stopping)
        return c.closeTried ? kNever : 0;
    if (!c.mail)
        return c.retryAtMs;
    // A message goes when no event came for batchMs, or when its oldest
    // event has waited batchMaxMs, so a storm of events is a few messages.
    const NotifyTiming &t = m_settings.timing;
    const qint64 batchDue
        = std::min(c.lastArrivalMs + t.batchMs, c.queue.front().queuedMs + qint64(t.batchMaxMs));
    return std::max(c.retryAtMs, batchDue);
}

void NotifierWorker::run()
{
    std::unique_lock lock(m_mutex);
    for (;;) {
        const qint64 now = deliveryClockMs();
        Channel *next = nullptr;
        qint64 soonest = kNever;
        for (Channel &c : m_channels) {
            if (const qint64 at = readyAt(c); at < soonest) {
                soonest = at;
                next = &c;
            }
        }
        if (m_stopping && (soonest == kNever || now >= m_closeDeadlineMs))
            break;
        if (soonest > now) {
            if (soonest == kNever)
                m_wake.wait(lock);
            else
                m_wake.wait_for(lock, std::chrono::milliseconds(soonest - now));
            continue;
        }

        const size_t count = next->mail ? next->queue.size() : 1;
        std::vector<Notice> notices;
        notices.reserve(count);
        for (size_t i = 0; i < count; ++i)
            notices.push_back(next->queue[i].notice);
        next->inFlight = count;
        next->closeTried = m_stopping;
        const qint64 dropped = std::exchange(next->overflowToTell, 0);
        lock.unlock();
        const DeliveryOutcome outcome = deliver(*next, notices, dropped);
        lock.lock();
        if (outcome.result != DeliveryOutcome::Result::Delivered)
            next->overflowToTell += dropped;
        settle(*next, count, outcome);
    }
    for (const Channel &c : m_channels)
        m_undelivered += qint64(c.queue.size());
}

DeliveryOutcome NotifierWorker::deliver(
    const Channel &channel, const std::vector<Notice> &notices, qint64 dropped)
{
    if (!channel.mail)
        return m_curl.postJson(
            m_settings.webhookUrl, webhookJson(notices.front()), m_settings.timing);
    MailEnvelope envelope;
    envelope.from = m_settings.mailFrom;
    envelope.to = m_settings.mailTo;
    envelope.hostName = QSysInfo::machineHostName();
    envelope.now = QDateTime::currentDateTime();
    envelope.dropped = dropped;
    return m_curl.sendMail(m_settings, mailMessage(envelope, notices), m_settings.timing);
}

void NotifierWorker::settle(Channel &c, size_t count, const DeliveryOutcome &outcome)
{
    c.inFlight = 0;
    const NotifyTiming &t = m_settings.timing;
    switch (outcome.result) {
    case DeliveryOutcome::Result::Delivered:
        c.queue.erase(c.queue.begin(), c.queue.begin() + qsizetype(count));
        if (!c.reported.empty())
            line(c, "delivered again");
        c.reported.clear();
        c.retryAtMs = c.backoffMs = 0;
        break;
    case DeliveryOutcome::Result::Failed:
        c.queue.erase(c.queue.begin(), c.queue.begin() + qsizetype(count));
        if (c.reported.insert(outcome.reason).second)
            line(c, outcome.reason + ", not sent (" + events(qint64(count)) + ")");
        break;
    case DeliveryOutcome::Result::Retry: {
        if (c.reported.insert(outcome.reason).second)
            line(c, outcome.reason + ", trying again");
        const qint64 now = deliveryClockMs();
        c.backoffMs
            = c.backoffMs ? std::min<qint64>(2 * c.backoffMs, t.retryMaxMs) : t.retryFirstMs;
        c.retryAtMs = now + c.backoffMs;
        // The queue is in arrival order: what waited too long is in front.
        qint64 expired = 0;
        while (!c.queue.empty() && now - c.queue.front().queuedMs >= t.retryForMs) {
            c.queue.pop_front();
            ++expired;
        }
        if (expired > 0) {
            line(c,
                events(expired) + " dropped, not delivered within "
                    + QByteArray::number(t.retryForMs / 1000) + " s (" + outcome.reason + ")");
        }
        break;
    }
    }
    if (c.overflowToLog > 0) {
        line(c,
            events(c.overflowToLog) + " dropped, more than " + QByteArray::number(kNotifyQueueLimit)
                + " were waiting");
        c.overflowToLog = 0;
    }
}

void NotifierWorker::line(const Channel &channel, const QByteArray &text)
{
    m_lines(channel.name + ": " + text);
}

} // namespace orvane
