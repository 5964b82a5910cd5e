#pragma once

#include "DataLineRequest.h"
#include "FakeAlarmOutput.h"
#include "FakePorts.h"
#include "app/OrvaneSession.h"
#include "sim/Scenario.h"
#include "sim/SimClock.h"
#include "sim/SimDriver.h"

#include <QDateTime>
#include <QFile>

#include <memory>

namespace orvane {

// The simulated network, counting its device-list look-ups.
class CountingSimDriver : public SimDriver
{
public:
    using SimDriver::SimDriver;
    FT_STATUS FT_CreateDeviceInfoList(DWORD *count) override
    {
        ++lookUps;
        return SimDriver::FT_CreateDeviceInfoList(count);
    }
    int lookUps = 0;
};

// Lines of a file, -1 when it cannot be read.
inline int fileLineCount(const QByteArray &name)
{
    QFile file(QString::fromLatin1(name));
    return file.open(QIODevice::ReadOnly) ? int(file.readAll().count('\n')) : -1;
}

// A session (alone or under the window) on the simulated network and a manual
// clock: radio waits advance the clock instead of taking time, no timer runs,
// tick() is the timer's tick 180 ms after the previous one, and the data
// service listens on a free port. Module clocks follow the simulated time.
struct SimRig
{
    ManualSimClock clock;
    CountingSimDriver *driver = nullptr; // owned by the session
    OrvaneSession *session = nullptr;

    static OrvaneSession::Options options()
    {
        OrvaneSession::Options o;
        o.dataPort = 0;
        o.startTimer = false;
        return o;
    }
    std::unique_ptr<D2xxDriver> makeDriver(const Scenario &scenario)
    {
        auto owned = std::make_unique<CountingSimDriver>(scenario, clock);
        driver = owned.get();
        return owned;
    }
    void bind(OrvaneSession *s)
    {
        session = s;
        acq().IntObject->setWaitFunction([this](int ms) { clock.advanceMs(ms); });
        for (TOV_MOD_Object *m : acq().modules())
            m->Clock = [this] {
                return QDateTime(QDate(2024, 5, 1), QTime(8, 0)).addMSecs(clock.nowMs());
            };
    }
    AcquisitionControl &acq() { return *session->acquisition(); }
    TOV_MOD_Object &module(int slot) { return *acq().ModObject[slot]; }
    void tick()
    {
        clock.advanceMs(180);
        acq().MainTimerTimer();
    }
    void ticks(int n)
    {
        for (int i = 0; i < n; ++i)
            tick();
    }
    void cycles(int n) { ticks(5 * n); }
    void ticksUntil(qint64 ms)
    {
        while (clock.nowMs() < ms)
            tick();
    }
    QByteArray dataLine() { return requestDataLine(session->server()->port()); }
};

// The session alone, with recording ports, started.
struct SimSession : SimRig, FakePortSet
{
    FakeAlarmOutput alarms;
    std::unique_ptr<OrvaneSession> owned;

    explicit SimSession(
        const Scenario &scenario = builtInScenario(), OrvaneSession::Options o = options())
    {
        AcquisitionControl::Ports p = ports();
        p.alarms = &alarms;
        o.reconnectClockMs = [this] { return clock.nowMs(); };
        owned = std::make_unique<OrvaneSession>(makeDriver(scenario), p, o);
        bind(owned.get());
        owned->start("2.2.0.0");
    }
    // Some event-log line holds `part`.
    bool logged(const QByteArray &part) const
    {
        return std::any_of(memo.history.cbegin(), memo.history.cend(),
            [&](const QByteArray &line) { return line.contains(part); });
    }
};

} // namespace orvane
