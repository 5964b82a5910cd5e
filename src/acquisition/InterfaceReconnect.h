#pragma once

#include <QByteArray>
#include <QElapsedTimer>
#include <QList>

#include <functional>

namespace orvane {

class AcquisitionControl;
class D2xxDriver;

// Brings polling back on its own after the interface was lost (unplugged,
// power-cycled, a USB error), for runs that nobody watches. Runs after every
// polling tick.
//
// While the interface is connected its USB serial number is remembered. When
// a tick finds it lost, the event log says so and the watch begins: every 2 s
// one device-list look-up, with no dialog and no event-log line. Once a
// device with that serial number is listed again, a scan runs as the Scan
// button's does, opening only that device; the modules and their settings
// come back with it, and measurement logs that were on (stopped at the loss)
// continue in new files. A different interface never takes the lost one's place. When no
// interface was found at start, the watch waits for the first one listed.
//
// An attempt that does not bring polling back (the interface does not
// answer, or no module answers where modules were) is tried again after 4, 8,
// 16 ... up to 300 s while the device stays listed; a device that leaves the
// list and returns is tried at the next look-up.
class InterfaceReconnect
{
public:
    enum class State {
        Starting, // the start-up scan has not run yet
        Watching, // the interface is connected
        Waiting, // the interface is lost (or none was found at start)
    };
    static constexpr qint64 LookUpIntervalMs = 2000;
    static constexpr qint64 MaxRetryMs = 300000;

    // `nowMs` is a monotonic clock in milliseconds; empty: the steady clock.
    // The driver is the one the acquisition's interface link uses.
    InterfaceReconnect(
        AcquisitionControl &acq, D2xxDriver *driver, std::function<qint64()> nowMs = {});

    // After every tick of the polling timer.
    void afterTick();

    State state() const { return m_state; }
    // The interface watched or waited for; empty while waiting for any.
    QByteArray serial() const { return m_serial; }

private:
    qint64 now();
    void log(const QByteArray &line);
    void lose();
    void waitFor(const QByteArray &serial);
    // One quiet look-up: the wanted device's serial number, or empty.
    QByteArray lookUp();
    void attempt(const QByteArray &serial);
    void continueLogs();

    AcquisitionControl &m_acq;
    D2xxDriver *m_driver;
    std::function<qint64()> m_nowMs;
    QElapsedTimer m_steady;

    State m_state = State::Starting;
    QByteArray m_serial;
    bool m_busy = false;
    qint64 m_nextLookUpMs = 0;
    qint64 m_retryAtMs = 0;
    int m_failures = 0;
    bool m_hadModules = false; // modules were polled when the interface was lost
    QList<QByteArray> m_loggingSerials; // modules whose log was on then
};

} // namespace orvane
