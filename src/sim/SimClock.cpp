#include "SimClock.h"

#include <QThread>

namespace orvane {

SteadySimClock::SteadySimClock()
{
    m_timer.start();
}

qint64 SteadySimClock::nowMs()
{
    return m_timer.elapsed();
}

void SteadySimClock::sleepMs(qint64 ms)
{
    if (ms > 0)
        QThread::msleep(static_cast<unsigned long>(ms));
}

} // namespace orvane
