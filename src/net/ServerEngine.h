#pragma once

#include <QByteArray>

#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>

namespace orvane {

class DataServerCore;

// One way of running the server's sockets on a thread of its own. The engine
// owns that thread; the connection handlers and the shared state are in the
// DataServerCore it was given.
class ServerEngine
{
public:
    virtual ~ServerEngine() = default;
    // Binds the port on every local IPv4 address (0: any free port, reported
    // in boundPort) and starts the server thread. On failure returns false
    // with the text for the event log.
    virtual bool start(quint16 port, QByteArray *errorText, quint16 *boundPort) = 0;
    // Stops accepting, closes every connection and waits at most timeoutMs
    // for the server thread to end. False when it has not ended: the engine
    // must then be left alive (leaked), as the thread still uses it.
    virtual bool stop(int timeoutMs) = 0;
};

// A one-time flag one thread raises and another waits for, with a time-out.
// Built on the standard primitives so that thread checkers see the hand-over.
class OneShotSignal
{
public:
    void raise()
    {
        {
            std::lock_guard lock(m_mutex);
            m_raised = true;
        }
        m_condition.notify_all();
    }
    bool waitFor(int timeoutMs)
    {
        std::unique_lock lock(m_mutex);
        return m_condition.wait_for(
            lock, std::chrono::milliseconds(timeoutMs), [this] { return m_raised; });
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_condition;
    bool m_raised = false;
};

// The text for a bind that fails because the port is taken.
inline constexpr char kAddressInUseText[]
    = "Could not bind socket. Address and port are already in use.";

std::unique_ptr<ServerEngine> makeQtEngine(std::shared_ptr<DataServerCore> core);
#ifdef Q_OS_LINUX
std::unique_ptr<ServerEngine> makeEpollEngine(std::shared_ptr<DataServerCore> core);
#endif

} // namespace orvane
