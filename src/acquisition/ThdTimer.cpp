#include "ThdTimer.h"

#include <QMetaObject>
#include <QPointer>

#include <chrono>

namespace orvane {

TTimerThread::TTimerThread(TThreadedTimer *timer)
    : m_timer(timer)
{
    setObjectName(QStringLiteral("ThreadedTimer"));
}

void TTimerThread::run()
{
    m_timer->workerLoop();
}

TThreadedTimer::TThreadedTimer(QObject *parent)
    : QObject(parent)
    , m_thread(this)
{
    m_thread.start(m_priority);
}

TThreadedTimer::~TThreadedTimer()
{
    {
        std::lock_guard lock(m_mutex);
        m_terminated = true;
        m_signalled = true;
        m_suspended = false;
    }
    m_wake.notify_all();
    m_thread.wait();
    // A tick still queued for this object is dropped with it.
}

void TThreadedTimer::setEnabled(bool enabled)
{
    {
        std::lock_guard lock(m_mutex);
        if (m_enabled == enabled)
            return;
        m_enabled = enabled;
        if (enabled) {
            if (m_interval != 0) {
                m_signalled = true;
                m_suspended = false;
            }
        } else {
            m_suspended = true;
        }
    }
    m_wake.notify_all();
}

unsigned TThreadedTimer::Interval() const
{
    std::lock_guard lock(m_mutex);
    return m_interval;
}

void TThreadedTimer::setInterval(unsigned ms)
{
    if (ms == Interval())
        return;
    const bool wasEnabled = m_enabled;
    setEnabled(false);
    {
        std::lock_guard lock(m_mutex);
        m_interval = ms;
    }
    setEnabled(wasEnabled);
}

void TThreadedTimer::setThreadPriority(QThread::Priority priority)
{
    m_priority = priority;
    m_thread.setPriority(priority);
}

quint64 TThreadedTimer::tickCount() const
{
    std::lock_guard lock(m_mutex);
    return m_ticks;
}

void TThreadedTimer::workerLoop()
{
    std::unique_lock lock(m_mutex);
    while (!m_terminated) {
        m_wake.wait(lock, [this] { return m_terminated || !m_suspended; });
        if (m_terminated)
            break;
        const auto deadline
            = std::chrono::steady_clock::now() + std::chrono::milliseconds(m_interval);
        const bool woken = m_wake.wait_until(
            lock, deadline, [this] { return m_terminated || m_signalled || m_suspended; });
        if (m_terminated)
            break;
        if (woken) {
            // Signalled (interval restarted) or suspended: no tick.
            m_signalled = false;
            continue;
        }
        // Interval elapsed: run the tick on the owner's thread and wait for it.
        m_tickPending = true;
        ++m_ticks;
        lock.unlock();
        QMetaObject::invokeMethod(
            this, [this] { runTick(); }, Qt::QueuedConnection);
        lock.lock();
        m_wake.wait(lock, [this] { return m_terminated || !m_tickPending; });
    }
}

void TThreadedTimer::runTick()
{
    bool call;
    {
        std::lock_guard lock(m_mutex);
        call = m_enabled && !m_terminated;
    }
    if (call && OnTimer) {
        // The handler may destroy the timer (e.g. by closing its window).
        QPointer<TThreadedTimer> self(this);
        OnTimer(this);
        if (!self)
            return;
    }
    {
        std::lock_guard lock(m_mutex);
        m_tickPending = false;
    }
    m_wake.notify_all();
}

} // namespace orvane
