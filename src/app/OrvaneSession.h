#pragma once

#include "acquisition/AcquisitionControl.h"
#include "acquisition/InterfaceReconnect.h"
#include "net/TcpDataServer.h"

#include <QObject>

#include <functional>
#include <memory>

namespace orvane {

class D2xxDriver;
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
    };

    // Takes the driver over. The polling timer is enabled at once (when the
    // options say so); its first tick runs once the event loop does. The
    // module objects exist and are attached to the ports when this returns,
    // and the data server is listening (or its bind error waits for the
    // first tick's event-log line).
    OrvaneSession(std::unique_ptr<D2xxDriver> driver, const AcquisitionControl::Ports &ports,
        const Options &options, QObject *parent = nullptr);
    // Stops the timer first, then the data server; the device is closed by
    // close() or with the driver.
    ~OrvaneSession() override;

    AcquisitionControl *acquisition() const { return m_acq.get(); }
    TcpDataServer *server() const { return m_server.get(); }
    TThreadedTimer *timer() const { return m_timer.get(); }
    D2xxDriver *driver() const { return m_driver.get(); }
    InterfaceReconnect *reconnect() const { return m_reconnect.get(); }

    // The program is up (the window shown, or a headless run started): the
    // trace view gets the modules and the event log the version line.
    void start(const QByteArray &fileVersion);
    // Ends the run: the cycle stops, one second passes while events are still
    // processed, the device closes. Safe to call more than once.
    void close();
    bool isClosed() const { return m_closed; }

    // A module changed outside the polling cycle (an operator's edit): the
    // data line follows at once, also while polling is stopped.
    void publishModules();

private:
    std::unique_ptr<D2xxDriver> m_driver;
    std::unique_ptr<AcquisitionControl> m_acq;
    std::unique_ptr<InterfaceReconnect> m_reconnect;
    std::unique_ptr<TThreadedTimer> m_timer;
    std::unique_ptr<TcpDataServer> m_server;
    bool m_closed = false;
};

} // namespace orvane
