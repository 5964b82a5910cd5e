#pragma once

#include "acquisition/AcquisitionControl.h"
#include "acquisition/InterfaceReconnect.h"
#include "modules/ModuleSnapshot.h"
#include "net/TcpDataServer.h"
#include "publish/PublishSettings.h"

#include <QObject>

#include <functional>
#include <memory>

namespace orvane {

class D2xxDriver;
class Notifier;
class MqttPublisher;
class TThreadedTimer;

// One run of the program without its windows: the device driver, the
// acquisition (interface link, four module objects, polling cycle, scan), the
// 180 ms polling timer and the TCP data server, connected to each other.
// The window owns one and binds its ports to it; a headless run binds console
// ports. Everything here lives on the thread that creates the session.
class OrvaneSession : public QObject
{
    Q_OBJECT
public:
    struct Options
    {
        quint16 dataPort = 5001; // 0: any free port (tests)
        bool startTimer = true; // false: ticks only by calling MainTimerTimer (tests)
        unsigned intervalMs = 180;
        TcpDataServer::Backend serverBackend = TcpDataServer::Backend::Auto;
        // Watch for the same interface after it is lost and scan when it is
        // back (InterfaceReconnect).
        bool reconnect = false;
        std::function<qint64()> reconnectClockMs; // empty: the steady clock (tests: simulated)
        MqttSettings mqtt; // publishing to a broker, when its host is set
        NotifySettings notify; // e-mail and web-hook notifications
    };

    // Takes the driver over. The polling timer is enabled at once (when the
    // options say so); its first tick runs once the event loop does. The
    // module objects exist and are attached to the ports when this returns,
    // and the data server is listening (or its bind error waits for the
    // first tick's event-log line).
    OrvaneSession(std::unique_ptr<D2xxDriver> driver, const AcquisitionControl::Ports &ports,
        const Options &options, QObject *parent = nullptr);
    // Stops the timer first, then the data server and the publishers; the
    // device is closed by close() or with the driver.
    ~OrvaneSession() override;

    AcquisitionControl *acquisition() const { return m_acq.get(); }
    TcpDataServer *server() const { return m_server.get(); }
    TThreadedTimer *timer() const { return m_timer.get(); }
    D2xxDriver *driver() const { return m_driver.get(); }
    InterfaceReconnect *reconnect() const { return m_reconnect.get(); }
    MqttPublisher *mqtt() const { return m_mqtt.get(); } // null when MQTT is off

    // The program is up (the window shown, or a headless run started): the
    // trace view gets the modules and the event log the version line.
    void start(const QByteArray &fileVersion);
    // Ends the run: the cycle stops, one second passes while events are still
    // processed, the device closes. Safe to call more than once.
    void close();
    bool isClosed() const { return m_closed; }

    // The values after the latest completed cycle, scan step or edit.
    SnapshotPtr latestSnapshot() const { return m_latest; }

Q_SIGNALS:
    // Once per completed polling cycle, after the cycle's own work (replies
    // processed, panels and trace updated): the values of that cycle. The
    // data line, publishers and notifications take their values from here.
    void cycleCompleted(const orvane::SnapshotPtr &snapshot);
    // A scan step or an operator's edit changed the modules: their values
    // now, also while polling is stopped.
    void modulesChanged(const orvane::SnapshotPtr &snapshot);
    // Alarm raised or cleared, a module that stopped or started answering,
    // the interface lost or back; after the cycleCompleted of the same cycle.
    void plantEvent(const orvane::PlantEvent &event);

private:
    SnapshotPtr takeSnapshot();
    void onCycleCompleted();
    void onModulesChanged();
    void afterTick();
    PlantEvent eventFor(const AcquisitionControl::CycleChange &change, qint64 timeMs) const;

    std::unique_ptr<D2xxDriver> m_driver;
    std::unique_ptr<AcquisitionControl> m_acq;
    std::unique_ptr<InterfaceReconnect> m_reconnect;
    std::unique_ptr<TThreadedTimer> m_timer;
    std::unique_ptr<TcpDataServer> m_server;
    std::unique_ptr<Notifier> m_notifier;
    std::unique_ptr<MqttPublisher> m_mqtt;
    bool m_closed = false;
    SnapshotPtr m_latest;
    // The interface of the last tick, for its lost and back events.
    bool m_interfaceUp = false;
    QByteArray m_interfaceSerial;
};

} // namespace orvane
