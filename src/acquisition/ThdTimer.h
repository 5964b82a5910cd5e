#pragma once

#include <QObject>
#include <QThread>

#include <condition_variable>
#include <functional>
#include <mutex>

namespace orvane {

class TThreadedTimer;

// The timer's worker: waits for the interval, then hands the tick to the
// thread that owns the timer and blocks until the tick has returned, so ticks
// never overlap and the next interval starts after the handler.
class TTimerThread : public QThread
{
public:
    explicit TTimerThread(TThreadedTimer *timer);

protected:
    void run() override;

private:
    TThreadedTimer *m_timer;
};

// A timer whose interval is measured on a worker thread while the handler
// (OnTimer) runs on the owner's (main) thread. Enabling restarts the interval.
// Destruction never deadlocks, also while a tick is queued or running or the
// owner's thread sits in a nested event loop.
class TThreadedTimer : public QObject
{
    Q_OBJECT
public:
    explicit TThreadedTimer(QObject *parent = nullptr);
    ~TThreadedTimer() override;

    bool Enabled() const { return m_enabled; }
    void setEnabled(bool enabled);
    unsigned Interval() const;
    void setInterval(unsigned ms);
    QThread::Priority ThreadPriority() const { return m_priority; }
    void setThreadPriority(QThread::Priority priority);

    // Called on the owner's thread once per elapsed interval while enabled.
    std::function<void(TThreadedTimer *sender)> OnTimer;

    // Number of ticks handed to the owner's thread so far (for diagnostics).
    quint64 tickCount() const;

private:
    friend class TTimerThread;
    void workerLoop();
    void runTick();

    TTimerThread m_thread;
    mutable std::mutex m_mutex;
    std::condition_variable m_wake;
    bool m_enabled = false;
    bool m_suspended = true; // the worker does not measure intervals
    bool m_signalled = false; // auto-reset event: ends the current wait without a tick
    bool m_terminated = false;
    bool m_tickPending = false; // a tick was handed over and has not returned yet
    unsigned m_interval = 1000;
    quint64 m_ticks = 0;
    QThread::Priority m_priority = QThread::NormalPriority;
};

} // namespace orvane
