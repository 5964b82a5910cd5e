#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QList>

#include <atomic>
#include <chrono>
#include <mutex>
#include <vector>

class QObject;

namespace orvane {

// Limits that keep a hostile or broken client from growing the server.
// A client line (the bytes before its LF) longer than this closes the connection.
inline constexpr qsizetype kMaxLineLength = 64 * 1024;
// Replies waiting for a client that does not read them. Once reached, the
// client's further lines wait (the server stops reading from it) until the
// socket has taken the replies.
inline constexpr qsizetype kMaxPendingOutput = 1024 * 1024;
// Replies waiting for all clients together. Past it, every client holding
// more than kPendingOutputShare is not read until its replies drain, so
// clients that do not read cannot take the process's memory, while clients
// that read their replies go on being served. Reading resumes for all once
// the total is back below three quarters of the bound.
inline constexpr qsizetype kMaxTotalPendingOutput = 64 * 1024 * 1024;
inline constexpr qsizetype kPendingOutputShare = 4 * 1024;
// Bytes taken from a client's socket at once: at most kReadChunk, and no more
// than the client's room for replies can answer (but at least kMinReadChunk),
// so lines that cannot be answered yet stay in the system's buffers.
inline constexpr qsizetype kReadChunk = 64 * 1024;
inline constexpr qsizetype kMinReadChunk = 4 * 1024;
// Concurrent clients served by default; connections beyond are closed right
// after they are accepted.
inline constexpr int kDefaultMaxClients = 1024;
// Accept queue of the listening socket. Accepting is cheap, so the queue is
// sized for a burst of connects rather than the traditional 5.
inline constexpr int kListenBacklog = 1024;
// Event-log lines waiting for the main thread, counted in bytes of memory.
// The main thread takes them every 20 ms, so this is only reached when it is
// held up for a while (more than half a second of lines at 200,000 requests
// per second). Then whole blocks of 30 lines are dropped from the front: the
// memo (emptied every 30 lines) ends in the same state, and the console gets
// one line that says how many lines are missing.
inline constexpr qsizetype kMaxPendingLogBytes = 4 * 1024 * 1024;

// Event-log lines packed one after the other: a busy server spends one
// allocation on many lines instead of one per line, and the main thread
// makes the lines it hands on from them.
class PackedLines
{
public:
    void append(QByteArrayView head, QByteArrayView tail = {});
    qsizetype size() const { return qsizetype(m_ends.size()) - m_first; }
    bool isEmpty() const { return size() == 0; }
    qsizetype lineSize(qsizetype i) const;
    QByteArray line(qsizetype i) const;
    void dropFront(qsizetype n) { m_first += n; }

private:
    QByteArray m_text;
    std::vector<qsizetype> m_ends; // where each line ends in m_text
    qsizetype m_first = 0;
};

// Replies waiting to be sent to one client, held in blocks of at most
// kBlockSize bytes: the memory held follows the bytes waiting, and is given
// back as the socket takes them.
class OutputQueue
{
public:
    static constexpr qsizetype kBlockSize = 16000; // one allocation stays within 16 KiB

    qsizetype size() const { return m_size; }
    bool isEmpty() const { return m_size == 0; }
    void append(QByteArrayView bytes);
    // The waiting bytes in order, as up to `max` pieces; returns how many.
    int pieces(QByteArrayView *out, int max) const;
    // Forgets the first n bytes (at most size()).
    void consume(qsizetype n);
    void clear();

private:
    QList<QByteArray> m_blocks;
    qsizetype m_front = 0; // bytes of the first block already taken
    qsizetype m_size = 0;
};

// Server-thread state of one client connection, the same for every socket
// backend. The backend owns the socket; this holds the protocol's buffers.
// The output accounting (output, socketPending) is changed only through
// DataServerCore, which keeps the process-wide total.
struct ClientConnection
{
    QByteArray peerAddress; // dotted IPv4
    QByteArray input; // received bytes not handled yet
    OutputQueue output; // replies not handed to the socket yet
    qsizetype socketPending = 0; // replies the backend's socket object still holds
    bool lineWaiting = false; // input holds a complete line that waits for output room
    bool inputEnded = false; // the client has shut down its sending side

    qsizetype pendingOutput() const { return output.size() + socketPending; }
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
    // The waiting lines, and how many lines were dropped in front of them.
    QList<QByteArray> takeLogLines(qint64 *droppedBefore = nullptr);
    qint64 droppedLogLines() const;

    // --- server thread: the connection handlers ---
    // A connection has been accepted: log it, then greet.
    void IdTCPServerConnect(ClientConnection &client);
    // One client line (CR before LF removed): log it, then answer with the data line.
    void IdTCPServerExecute(ClientConnection &client, QByteArrayView line);
    // The connection has ended.
    void IdTCPServerDisconnect(ClientConnection &client);

    // --- server thread ---
    // Answers the complete lines in client.input while the client has room
    // for output. Close when a line is too long.
    InputResult serveInput(ClientConnection &client);
    // How many bytes to take from the client's socket now; 0: none.
    qsizetype readAllowance(const ClientConnection &client) const;
    // Whether the connection is done: the client has shut down its sending
    // side, every complete line is answered and every reply handed over.
    static bool finished(const ClientConnection &client)
    {
        return client.inputEnded && !client.lineWaiting && client.output.isEmpty();
    }
    // The socket has taken the first n bytes of client.output.
    void outputTaken(ClientConnection &client, qsizetype n);
    // The backend's socket object holds this many bytes of replies.
    void setSocketPending(ClientConnection &client, qsizetype bytes);
    // True once after the total of waiting replies has fallen back below the
    // resume mark: clients held back meanwhile may be read again.
    bool takeBoundLifted() { return std::exchange(m_boundLifted, false); }
    // Gives memory freed by drained replies back to the system, at most once a
    // second. Returns the milliseconds until it should be called again, or -1.
    int releaseMemory();
    // Logs a line made of `head` and `tail`.
    void log(QByteArrayView head, QByteArrayView tail = {});
    // Hands the lines logged since the last call to the main thread.
    void flushLog();
    // Accounting of accepted and refused connections; true if the new one may stay.
    bool admitClient();
    // The connection is gone: its buffers are released.
    void clientClosed(ClientConnection &client);

    // --- any thread ---
    std::atomic<int> maxClients { kDefaultMaxClients };
    std::atomic<int> clients { 0 };
    std::atomic<qint64> acceptedTotal { 0 };
    std::atomic<qint64> refusedTotal { 0 };
    std::atomic<qint64> requestsTotal { 0 };
    std::atomic<qint64> maxPendingOutputSeen { 0 }; // largest output held for one client
    std::atomic<qint64> totalPendingOutput { 0 };
    std::atomic<qint64> maxTotalPendingOutputSeen { 0 };
    std::atomic<qint64> memoryReleases { 0 };

private:
    const QByteArray &currentDataLine();
    void send(ClientConnection &client, QByteArrayView bytes);
    void addPending(ClientConnection &client, qsizetype delta);
    qsizetype outputRoom(const ClientConnection &client) const;

    std::mutex m_lineLock;
    QByteArray m_dataLine { "Data : \r\n" };
    std::atomic<quint64> m_lineVersion { 1 };

    mutable std::mutex m_logLock;
    QList<PackedLines> m_pendingLog;
    qsizetype m_pendingLogLines = 0;
    qsizetype m_pendingLogBytes = 0;
    qint64 m_droppedLog = 0; // in all
    qint64 m_droppedLogUntaken = 0; // in front of the lines waiting now
    std::atomic<qint64> m_logBytesHanded { 0 }; // to the main thread, in all
    bool m_announced = false; // a post to the receiver is on its way
    std::mutex m_receiverLock;
    QObject *m_logReceiver = nullptr;
    const char *m_logMember = nullptr;

    // server thread
    QByteArray m_cachedLine;
    quint64 m_cachedVersion = 0;
    PackedLines m_logBatch;
    bool m_refusing = false;
    qsizetype m_totalPending = 0;
    bool m_overBound = false;
    bool m_boundLifted = false;
    qsizetype m_peakSinceRelease = 0;
    qint64 m_handedAtRelease = 0;
    bool m_settleRelease = false;
    std::chrono::steady_clock::time_point m_nextRelease {};
};

} // namespace orvane
