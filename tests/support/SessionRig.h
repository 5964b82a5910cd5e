#pragma once

#include "FakeAlarmOutput.h"
#include "FakePorts.h"
#include "app/OrvaneSession.h"
#include "sim/Scenario.h"
#include "sim/SimClock.h"
#include "sim/SimDriver.h"

namespace orvane {

// A session on the built-in simulated network with recording ports; time
// and polling ticks move only when the test calls ticks().
struct SessionRig : FakePortSet
{
    ManualSimClock clock;
    FakeAlarmOutput alarms;
    std::unique_ptr<OrvaneSession> session;

    explicit SessionRig(quint16 dataPort = 0, const MqttSettings &mqtt = {})
    {
        OrvaneSession::Options options;
        options.dataPort = dataPort;
        options.startTimer = false;
        options.mqtt = mqtt;
        AcquisitionControl::Ports p = ports();
        p.alarms = &alarms;
        session = std::make_unique<OrvaneSession>(
            std::make_unique<SimDriver>(builtInScenario(), clock), p, options);
        session->acquisition()->IntObject->setWaitFunction([this](int ms) { clock.advanceMs(ms); });
        session->acquisition()->ThreadedTimer1 = nullptr; // the start-up scan enables no timer
        session->start("2.2.0.0");
    }
    void ticks(int n)
    {
        for (int i = 0; i < n; ++i) {
            clock.advanceMs(180);
            session->acquisition()->MainTimerTimer();
        }
    }
    bool logged(const QByteArray &part) const
    {
        return std::any_of(memo.history.cbegin(), memo.history.cend(),
            [&](const QByteArray &line) { return line.contains(part); });
    }
};

} // namespace orvane
