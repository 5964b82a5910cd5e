#pragma once

#include "modules/ModuleSnapshot.h"
#include "publish/NotifierMessages.h"
#include "publish/PublishSettings.h"

#include <QHash>
#include <QMutex>
#include <QObject>
#include <QTimer>

#include <memory>
#include <optional>

namespace orvane {

class LogMemo;
class NotifierWorker;

// Tells people about plant events by e-mail and web hook. Lives on the main
// thread: it picks the events the settings ask for, and hands them to a
// delivery thread, whose event-log lines it writes. Under min-interval a
// source that keeps getting into trouble (a signal crossing its limit, a
// module or the interface lost) is told at most once per interval; the end
// of a trouble that was told is told at once, and what was held back is
// counted in the source's next message.
class Notifier : public QObject
{
    Q_OBJECT
public:
    Notifier(const NotifySettings &settings, LogMemo *eventLog, QObject *parent = nullptr);
    ~Notifier() override;

    // A plant event (connect the session's plantEvent here).
    void notify(const orvane::PlantEvent &event);
    // Ends delivery: troubles held back and whatever waits get one
    // last try (at most timing.closeGraceMs), what is left is one event-log
    // line. Later events are ignored. Safe to call more than once.
    void stop();

private:
    // What one source of events (a signal, a module, the interface) was
    // told to be, under min-interval.
    struct Hold
    {
        bool toldTrouble = false; // alarm raised or link lost, as last told
        std::optional<qint64> troubleMs; // when a trouble was last told
        int held = 0; // events not sent since the last message
        std::optional<PlantEvent> pending; // a trouble held back, still to be told
    };

    bool wanted(const PlantEvent &event) const;
    qint64 nowMs() const;
    void tell(Hold &hold, const PlantEvent &event, qint64 now);
    // Tells the troubles held back once their interval is over (`all`: now).
    void releaseHeld(bool all);
    void writeLines();

    NotifySettings m_settings;
    LogMemo *m_eventLog;
    std::unique_ptr<NotifierWorker> m_worker;
    QHash<QByteArray, Hold> m_holds;
    QTimer m_releaseTimer;
    QMutex m_linesMutex;
    QByteArrayList m_lines; // from the worker, for the event log
};

} // namespace orvane
