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
// thread: it picks the events the settings ask for, holds back a signal
// (or module, or interface) that changes more often than min-interval, and
// hands the rest to a delivery thread, whose event-log lines it writes.
class Notifier : public QObject
{
    Q_OBJECT
public:
    Notifier(const NotifySettings &settings, LogMemo *eventLog, QObject *parent = nullptr);
    ~Notifier() override;

    // A plant event (connect the session's plantEvent here).
    void notify(const orvane::PlantEvent &event);
    // Ends delivery: held-back changes of state and whatever waits get one
    // last try (at most timing.closeGraceMs), what is left is one event-log
    // line. Later events are ignored. Safe to call more than once.
    void stop();

private:
    // One source of events under min-interval.
    struct Hold
    {
        qint64 lastSentMs = 0;
        PlantEvent::Kind lastSentKind = PlantEvent::Kind::Test;
        int held = 0; // events not sent since the last message
        std::optional<PlantEvent> latest; // the newest of them, if still to be told
    };

    bool wanted(const PlantEvent &event) const;
    qint64 nowMs() const;
    void send(const PlantEvent &event, int heldBack);
    // Sends what min-interval held back once its time has come (`all`: now).
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
