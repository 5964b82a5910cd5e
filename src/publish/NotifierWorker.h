#pragma once

#include "publish/DeliveryCurl.h"
#include "publish/NotifierMessages.h"
#include "publish/PublishSettings.h"

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <set>
#include <thread>
#include <vector>

namespace orvane {

// How many events wait per channel at most; past that the oldest go.
inline constexpr int kNotifyQueueLimit = 1000;

// Delivers notices on a thread of its own: every notice to the web hook as
// one call, and to the mail recipients in messages that gather the events
// of a few seconds. A failed delivery is tried again with growing pauses for
// as long as the timing allows; each channel keeps its order. Nothing here
// waits for the thread that posts.
class NotifierWorker
{
public:
    // Receives the event-log lines, on the worker's thread.
    using LineSink = std::function<void(const QByteArray &line)>;

    NotifierWorker(const NotifySettings &settings, LineSink lines);
    ~NotifierWorker();
    NotifierWorker(const NotifierWorker &) = delete;
    NotifierWorker &operator=(const NotifierWorker &) = delete;

    // From any thread; returns at once.
    void post(const Notice &notice);
    // Ends the thread: what waits gets one last try, without pauses, for at
    // most timing.closeGraceMs. Returns how many events were not delivered.
    // Later calls return 0.
    qint64 stop();

private:
    struct Waiting
    {
        Notice notice;
        qint64 queuedMs;
    };
    struct Channel
    {
        QByteArray name; // "Web hook http://host:port" in event-log lines
        bool mail = false;
        std::deque<Waiting> queue;
        size_t inFlight = 0; // the front of the queue being sent now
        qint64 lastArrivalMs = 0;
        qint64 retryAtMs = 0; // after a failure: not before this
        qint64 backoffMs = 0;
        qint64 overflowToLog = 0; // dropped for the bound, not yet in the event log
        qint64 overflowToTell = 0; // and not yet in a message
        bool closeTried = false;
        std::set<QByteArray> reported; // failure reasons logged in this outage
    };

    void run();
    qint64 readyAt(const Channel &channel) const;
    DeliveryOutcome deliver(
        const Channel &channel, const std::vector<Notice> &notices, qint64 dropped);
    void settle(Channel &channel, size_t count, const DeliveryOutcome &outcome);
    void line(const Channel &channel, const QByteArray &text);

    const NotifySettings m_settings;
    const LineSink m_lines;
    CurlDelivery m_curl;
    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::vector<Channel> m_channels;
    bool m_stopping = false;
    qint64 m_closeDeadlineMs = 0;
    qint64 m_undelivered = 0;
    std::thread m_thread;
};

} // namespace orvane
