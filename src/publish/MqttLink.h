#pragma once

// Between MqttPublisher (the session's thread) and its connection thread.
#include "modules/ModuleSnapshot.h"
#include "publish/PublishSettings.h"

#include <QList>
#include <QObject>

#include <atomic>
#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>

namespace orvane {

struct MqttCommand
{
    QByteArray serial;
    int output = 0;
    int mode = 0;
};

// Everything both threads touch, under `mutex`; owned jointly so that a
// connection thread left behind at exit never reads freed memory.
struct MqttShared
{
    std::mutex mutex;
    std::condition_variable finishedChanged;

    // To the connection thread: the newest cycle not yet taken, the newest
    // snapshot of either kind, whether a scan step or edit came since, and
    // the alarm events in order, at most MqttPublisher::kMaxKeptEvents.
    SnapshotPtr cycle;
    SnapshotPtr latest;
    bool changed = false;
    std::deque<PlantEvent> events;
    qint64 droppedEvents = 0;
    QByteArray interfaceSerial; // from the first snapshot that names it
    bool stop = false;
    bool finished = false; // the thread has ended

    // Back to the session's thread, bounded; `receiver` is cleared before
    // the publisher goes away, and the thread posts only while holding the
    // lock, so it never posts to a destroyed object.
    QObject *receiver = nullptr;
    bool delivering = false; // a delivery is posted and not yet run
    QList<QByteArray> lines;
    QList<MqttCommand> commands;
    qint64 droppedLines = 0;

    // Wakes the connection thread: a pipe it polls beside the broker socket.
    int wakeRead = -1;
    int wakeWrite = -1;
    std::atomic<bool> wakePending { false };

    void wake();
    // From the connection thread: queue a line or a command for the
    // session's thread and post one delivery for all that waits.
    void toSession(const QByteArray &line);
    void toSession(const MqttCommand &command);
    ~MqttShared();

private:
    void post();
};

// The connection thread's body: returns when `stop` is set (after saying
// "offline" and disconnecting, within about a second) or when it cannot run.
void runMqttLink(std::shared_ptr<MqttShared> shared, MqttSettings settings);

} // namespace orvane
