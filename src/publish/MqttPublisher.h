#pragma once

#include "modules/ModuleSnapshot.h"
#include "publish/PublishSettings.h"

#include <QObject>

#include <memory>
#include <thread>

namespace orvane {

struct MqttShared;

// Publishes the plant to an MQTT broker ([mqtt] settings): the status with
// its last will, each module's state once per polling cycle, alarm events,
// the module list, Home Assistant discovery, and takes output commands.
//
// The broker connection runs on a thread of its own. The take* calls only
// hand the newest snapshot and the events over (a pointer and a bounded
// queue under a short lock) and never wait for the network; while the broker
// is away the newest state per module and at most kMaxKeptEvents alarm
// events are kept. The thread's event-log lines and commands come back to
// this object's thread as signals.
class MqttPublisher : public QObject
{
    Q_OBJECT
public:
    static constexpr int kMaxKeptEvents = 1000;

    explicit MqttPublisher(const MqttSettings &settings, QObject *parent = nullptr);
    // finish() with a short wait.
    ~MqttPublisher() override;

    // Starts the connection thread. Without a client id or topic prefix in
    // the settings it connects once a snapshot names the interface.
    void start();

    // After each completed polling cycle.
    void takeCycle(const SnapshotPtr &snapshot);
    // After a scan step or an edit: the module list, discovery and output
    // states follow it.
    void takeChange(const SnapshotPtr &snapshot);
    // Alarm raised and cleared are published; other kinds are not.
    void takeEvent(const PlantEvent &event);

    // The thread says "offline", disconnects and ends; returns at once.
    void requestStop();
    // requestStop(), then waits at most waitMs for the thread. A thread held
    // up by the network (a name lookup, a connect that hangs) is left to end
    // by itself; nothing it does reaches this object any more.
    void finish(int waitMs = 2000);

Q_SIGNALS:
    void eventLogLine(const QByteArray &line);
    // A valid command from the broker: output 1 or 2 of the module with this
    // serial number text to mode 0 "Off", 1 "On" or 2 "Use Rule".
    void outputCommand(const QByteArray &serial, int output, int mode);

private:
    friend struct MqttShared;
    void deliver(bool commandsToo);
    void wake();

    MqttSettings m_settings;
    std::shared_ptr<MqttShared> m_shared;
    std::thread m_thread;
};

} // namespace orvane
