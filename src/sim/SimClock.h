#pragma once

#include <QElapsedTimer>
#include <QtGlobal>

namespace orvane {

// The simulator's time. Everything the simulated network does (when an
// answer arrives, how values move, when the device is unplugged) is computed
// from nowMs(), and every wait goes through sleepMs().
class SimClock
{
public:
    virtual ~SimClock() = default;
    // Milliseconds on a monotonic scale; only differences matter.
    virtual qint64 nowMs() = 0;
    virtual void sleepMs(qint64 ms) = 0;
};

// Real time: a steady clock, and sleeps that block the calling thread.
class SteadySimClock : public SimClock
{
public:
    SteadySimClock();
    qint64 nowMs() override;
    void sleepMs(qint64 ms) override;

private:
    QElapsedTimer m_timer;
};

// Time that moves only when told: sleepMs and advanceMs add to it at once.
// Makes tests exact and fast.
class ManualSimClock : public SimClock
{
public:
    explicit ManualSimClock(qint64 startMs = 0)
        : m_now(startMs)
    {
    }
    qint64 nowMs() override { return m_now; }
    void sleepMs(qint64 ms) override { advanceMs(ms); }
    void advanceMs(qint64 ms)
    {
        if (ms > 0)
            m_now += ms;
    }

private:
    qint64 m_now;
};

} // namespace orvane
