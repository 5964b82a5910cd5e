#include "DataServerCore.h"

#include <QObject>

namespace orvane {

namespace {
constexpr int kLogBlock = 30; // the memo empties itself every 30 lines
}

void ClientConnection::consumeOutput(qsizetype written)
{
    outputPos += written;
    if (outputPos >= output.size()) {
        output.resize(0); // keeps the capacity for the next replies
        outputPos = 0;
    } else if (outputPos > 64 * 1024 && outputPos > output.size() / 2) {
        output.remove(0, outputPos);
        outputPos = 0;
    }
}

void DataServerCore::publishDataLine(const QByteArray &line)
{
    QByteArray withEnd;
    withEnd.reserve(line.size() + 2);
    withEnd += line;
    withEnd += "\r\n";
    std::lock_guard lock(m_lineLock);
    m_dataLine = std::move(withEnd);
    m_lineVersion.fetch_add(1, std::memory_order_release);
}

const QByteArray &DataServerCore::currentDataLine()
{
    // A request costs one atomic load while nothing changed; the copy taken
    // under the lock shares the main thread's bytes, which nobody modifies.
    const quint64 version = m_lineVersion.load(std::memory_order_acquire);
    if (version != m_cachedVersion) {
        std::lock_guard lock(m_lineLock);
        m_cachedLine = m_dataLine;
        m_cachedVersion = m_lineVersion.load(std::memory_order_relaxed);
    }
    return m_cachedLine;
}

void DataServerCore::setLogReceiver(QObject *receiver, const char *member)
{
    std::lock_guard lock(m_logLock);
    m_logReceiver = receiver;
    m_logMember = member;
    m_announced = false;
}

QList<QByteArray> DataServerCore::takeLogLines()
{
    std::lock_guard lock(m_logLock);
    m_announced = false;
    return std::exchange(m_pendingLog, {});
}

qint64 DataServerCore::droppedLogLines() const
{
    std::lock_guard lock(m_logLock);
    return m_droppedLog;
}

void DataServerCore::IdTCPServerConnect(ClientConnection &client)
{
    log("Client connected from : " + client.peerAddress);
    client.send("!Welcome\r\n");
}

void DataServerCore::IdTCPServerExecute(ClientConnection &client, QByteArrayView line)
{
    QByteArray entry;
    entry.reserve(16 + line.size());
    entry += "Data received : ";
    entry += line;
    log(std::move(entry));
    client.send(currentDataLine());
    requestsTotal.fetch_add(1, std::memory_order_relaxed);
}

void DataServerCore::IdTCPServerDisconnect(ClientConnection &)
{
    log("Client disconnected");
}

DataServerCore::InputResult DataServerCore::serveInput(
    ClientConnection &client, qsizetype socketPending)
{
    QByteArray &in = client.input;
    qsizetype pos = 0;
    client.lineWaiting = false;
    while (true) {
        const qsizetype lf = in.indexOf('\n', pos);
        if (lf < 0)
            break;
        if (lf - pos > kMaxLineLength)
            return InputResult::Close;
        if (client.pendingOutput() + socketPending >= kMaxPendingOutput) {
            client.lineWaiting = true;
            break;
        }
        qsizetype length = lf - pos;
        if (length > 0 && in.at(lf - 1) == '\r')
            --length;
        IdTCPServerExecute(client, QByteArrayView(in.constData() + pos, length));
        pos = lf + 1;
    }
    if (pos == in.size())
        in.resize(0);
    else if (pos > 0)
        in.remove(0, pos);
    notePendingOutput(client.pendingOutput() + socketPending);
    // Without a complete line the rest is the start of one: bound it.
    if (!client.lineWaiting && in.size() > kMaxLineLength)
        return InputResult::Close;
    return InputResult::KeepOpen;
}

bool DataServerCore::wantsInput(const ClientConnection &client, qsizetype socketPending)
{
    return !client.lineWaiting && client.pendingOutput() + socketPending < kMaxPendingOutput;
}

void DataServerCore::log(QByteArray line)
{
    m_logBatch.append(std::move(line));
}

void DataServerCore::flushLog()
{
    if (m_logBatch.isEmpty())
        return;
    std::lock_guard lock(m_logLock);
    if (m_pendingLog.isEmpty())
        m_pendingLog.swap(m_logBatch);
    else
        m_pendingLog.append(std::move(m_logBatch));
    m_logBatch.clear();
    if (m_pendingLog.size() >= 2 * kMaxPendingLogLines) {
        // Drop whole blocks of 30 from the front and keep at least 30 lines
        // after them, so applying the rest leaves the memo as the full list would.
        const qsizetype drop = (m_pendingLog.size() - kMaxPendingLogLines) / kLogBlock * kLogBlock;
        m_pendingLog.remove(0, drop);
        m_droppedLog += drop;
    }
    if (!m_announced && m_logReceiver) {
        m_announced = true;
        // Posting is thread-safe, and the receiver unregisters under this lock
        // before it is destroyed. The call carries no data: the lines travel
        // under m_logLock, where thread checkers can follow them.
        QMetaObject::invokeMethod(m_logReceiver, m_logMember, Qt::QueuedConnection);
    }
}

bool DataServerCore::admitClient()
{
    acceptedTotal.fetch_add(1, std::memory_order_relaxed);
    if (clients.load(std::memory_order_relaxed) >= maxClients.load(std::memory_order_relaxed)) {
        refusedTotal.fetch_add(1, std::memory_order_relaxed);
        if (!m_refusing) {
            m_refusing = true;
            log("Client limit of " + QByteArray::number(maxClients.load())
                + " reached: new connections are closed.");
        }
        return false;
    }
    m_refusing = false;
    clients.fetch_add(1, std::memory_order_relaxed);
    return true;
}

void DataServerCore::clientClosed()
{
    clients.fetch_sub(1, std::memory_order_relaxed);
}

void DataServerCore::notePendingOutput(qsizetype bytes)
{
    qint64 seen = maxPendingOutputSeen.load(std::memory_order_relaxed);
    while (bytes > seen
        && !maxPendingOutputSeen.compare_exchange_weak(seen, bytes, std::memory_order_relaxed)) { }
}

} // namespace orvane
