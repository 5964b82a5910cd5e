#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QList>

#include <atomic>
#include <mutex>

class QObject;

namespace orvane {

// Limits that keep a hostile or broken client from growing the server.
// A client line (the bytes before its LF) longer than this closes the connection.
inline constexpr qsizetype kMaxLineLength = 64 * 1024;
// Replies waiting for a client that does not read them. Once reached, the
// client's further lines wait (the server stops reading from it) until the
// socket has taken the replies.
inline constexpr qsizetype kMaxPendingOutput = 1024 * 1024;
// Concurrent clients served by default; connections beyond are closed right
// after they are accepted.
inline constexpr int kDefaultMaxClients = 1024;
// Accept queue of the listening socket. Accepting is cheap, so the queue is
// sized for a burst of connects rather than the traditional 5.
inline constexpr int kListenBacklog = 1024;
// Event-log lines waiting for the main thread. In a flood, whole blocks of 30
// lines are dropped from the front: the memo (emptied every 30 lines) ends in
// the same state, only the logging category misses them.
inline constexpr int kMaxPendingLogLines = 600;

// Server-thread state of one client connection, the same for every socket
// backend. The backend owns the socket; this holds the protocol's buffers.
struct ClientConnection
{
    QByteArray peerAddress; // dotted IPv4
    QByteArray input; // received bytes not handled yet
    QByteArray output; // replies the socket has not taken yet, from outputPos on
    qsizetype outputPos = 0;
    bool lineWaiting = false; // input holds a complete line that waits for output space

    qsizetype pendingOutput() const { return output.size() - outputPos; }
    void send(QByteArrayView bytes) { output.append(bytes); }
    // Forget what the socket has taken; keeps the buffer's capacity.
    void consumeOutput(qsizetype written);
};

// What the connection handlers share with the main thread: the published data
// line and the event-log lines on their way to it. Both socket backends and
// the public TcpDataServer hold it, so it outlives a server thread that does
// not end in time. Members marked "server thread" are used by the one server
// thread only; the rest are thread-safe.
class DataServerCore
{
public:
    enum class InputResult { KeepOpen, Close };

    // --- main thread ---
    // Publishes the line (without CR LF) that every following request gets.
    void publishDataLine(const QByteArray &line);
    // Waiting lines are announced by a queued call of the receiver's slot
    // `member` (no arguments; the lines are fetched with takeLogLines). Null
    // stops the announcements.
    void setLogReceiver(QObject *receiver, const char *member);
    QList<QByteArray> takeLogLines();
    qint64 droppedLogLines() const;

    // --- server thread: the connection handlers ---
    // A connection has been accepted: log it, then greet.
    void IdTCPServerConnect(ClientConnection &client);
    // One client line (CR before LF removed): log it, then answer with the data line.
    void IdTCPServerExecute(ClientConnection &client, QByteArrayView line);
    // The connection has ended.
    void IdTCPServerDisconnect(ClientConnection &client);

    // --- server thread ---
    // Answers the complete lines in client.input while the client's pending
    // output (plus `socketPending`, output the backend's socket still holds)
    // is below kMaxPendingOutput. Close when a line is too long.
    InputResult serveInput(ClientConnection &client, qsizetype socketPending = 0);
    // Whether the backend should read more from this client now.
    static bool wantsInput(const ClientConnection &client, qsizetype socketPending = 0);
    // Logs a line from the server itself (not tied to one connection).
    void log(QByteArray line);
    // Hands the lines logged since the last call to the main thread.
    void flushLog();
    // Accounting of accepted and refused connections; true if the new one may stay.
    bool admitClient();
    void clientClosed();
    void notePendingOutput(qsizetype bytes);

    // --- any thread ---
    std::atomic<int> maxClients { kDefaultMaxClients };
    std::atomic<int> clients { 0 };
    std::atomic<qint64> acceptedTotal { 0 };
    std::atomic<qint64> refusedTotal { 0 };
    std::atomic<qint64> requestsTotal { 0 };
    std::atomic<qint64> maxPendingOutputSeen { 0 };

private:
    const QByteArray &currentDataLine();

    std::mutex m_lineLock;
    QByteArray m_dataLine { "Data : \r\n" };
    std::atomic<quint64> m_lineVersion { 1 };

    mutable std::mutex m_logLock;
    QList<QByteArray> m_pendingLog;
    qint64 m_droppedLog = 0;
    QObject *m_logReceiver = nullptr;
    const char *m_logMember = nullptr;
    bool m_announced = false;

    // server thread
    QByteArray m_cachedLine;
    quint64 m_cachedVersion = 0;
    QList<QByteArray> m_logBatch;
    bool m_refusing = false;
};

} // namespace orvane
