#include "DataServerCore.h"

#include <QObject>

#include <algorithm>

#ifdef __GLIBC__
#include <malloc.h>
#endif

namespace orvane {

namespace {
constexpr int kLogBlock = 30; // the memo empties itself every 30 lines
// A waiting log line costs its text and its end offset.
constexpr qsizetype kLogLineOverhead = sizeof(qsizetype);
constexpr qsizetype kLogBatchLines = 1024;
// An empty first output block keeps its memory for the next replies only up
// to this size; a larger one, grown by a backlog, is freed.
constexpr qsizetype kKeptBlockCapacity = 4 * 1024;
// The same for the input buffer of a client with nothing left in it.
constexpr qsizetype kKeptInputCapacity = 4 * 1024;
// Memory is given back to the system after the waiting replies have shrunk
// by this much since the last time, and at most once per interval.
constexpr qsizetype kReleaseStep = 8 * 1024 * 1024;
constexpr std::chrono::milliseconds kReleaseInterval { 1000 };
} // namespace

void PackedLines::append(QByteArrayView head, QByteArrayView tail)
{
    if (m_text.capacity() == 0)
        m_text.reserve(kLogBatchLines * 32);
    m_text.append(head);
    m_text.append(tail);
    m_ends.push_back(m_text.size());
}

qsizetype PackedLines::lineSize(qsizetype i) const
{
    const size_t at = size_t(m_first + i);
    return m_ends[at] - (at == 0 ? 0 : m_ends[at - 1]);
}

QByteArray PackedLines::line(qsizetype i) const
{
    const size_t at = size_t(m_first + i);
    const qsizetype begin = at == 0 ? 0 : m_ends[at - 1];
    return QByteArray(m_text.constData() + begin, m_ends[at] - begin);
}

void OutputQueue::append(QByteArrayView bytes)
{
    m_size += bytes.size();
    while (!bytes.isEmpty()) {
        if (m_blocks.isEmpty() || m_blocks.last().size() >= kBlockSize) {
            m_blocks.append(QByteArray());
            // The first block grows with what is appended (a reply usually
            // leaves at once); a backlog gets whole blocks.
            if (m_blocks.size() > 1)
                m_blocks.last().reserve(kBlockSize);
        }
        QByteArray &last = m_blocks.last();
        const qsizetype n = std::min(kBlockSize - last.size(), bytes.size());
        last.append(bytes.first(n));
        bytes = bytes.sliced(n);
    }
}

int OutputQueue::pieces(QByteArrayView *out, int max) const
{
    int count = 0;
    for (qsizetype i = 0; i < m_blocks.size() && count < max; ++i) {
        const QByteArray &block = m_blocks.at(i);
        const qsizetype from = i == 0 ? m_front : 0;
        if (block.size() > from)
            out[count++] = QByteArrayView(block).sliced(from);
    }
    return count;
}

void OutputQueue::consume(qsizetype n)
{
    n = std::min(n, m_size);
    m_size -= n;
    if (m_size == 0) {
        // Keep a small first block for the next replies; free the rest.
        while (m_blocks.size() > 1)
            m_blocks.removeLast();
        if (!m_blocks.isEmpty() && m_blocks.first().capacity() > kKeptBlockCapacity)
            m_blocks.clear();
        else if (!m_blocks.isEmpty())
            m_blocks.first().resize(0);
        m_front = 0;
        return;
    }
    m_front += n;
    while (m_front >= m_blocks.first().size()) {
        m_front -= m_blocks.first().size();
        m_blocks.removeFirst();
    }
}

void OutputQueue::clear()
{
    m_blocks.clear();
    m_front = 0;
    m_size = 0;
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
    std::lock_guard receiverLock(m_receiverLock);
    m_logReceiver = receiver;
    m_logMember = member;
    std::lock_guard lock(m_logLock);
    m_announced = false;
}

QList<QByteArray> DataServerCore::takeLogLines(qint64 *droppedBefore)
{
    QList<PackedLines> packed;
    {
        std::lock_guard lock(m_logLock);
        m_announced = false;
        m_logBytesHanded.fetch_add(m_pendingLogBytes, std::memory_order_relaxed);
        m_pendingLogBytes = 0;
        const qint64 dropped = std::exchange(m_droppedLogUntaken, 0);
        if (droppedBefore)
            *droppedBefore = dropped;
        packed.swap(m_pendingLog);
        m_pendingLogLines = 0;
    }
    // The lines are made here, on the main thread, which also frees them.
    QList<QByteArray> lines;
    qsizetype count = 0;
    for (const PackedLines &part : std::as_const(packed))
        count += part.size();
    lines.reserve(count);
    for (const PackedLines &part : std::as_const(packed)) {
        for (qsizetype i = 0; i < part.size(); ++i)
            lines.append(part.line(i));
    }
    return lines;
}

qint64 DataServerCore::droppedLogLines() const
{
    std::lock_guard lock(m_logLock);
    return m_droppedLog;
}

void DataServerCore::IdTCPServerConnect(ClientConnection &client)
{
    log("Client connected from : ", client.peerAddress);
    send(client, "!Welcome\r\n");
}

void DataServerCore::IdTCPServerExecute(ClientConnection &client, QByteArrayView line)
{
    log("Data received : ", line);
    send(client, currentDataLine());
    requestsTotal.fetch_add(1, std::memory_order_relaxed);
}

void DataServerCore::IdTCPServerDisconnect(ClientConnection &)
{
    log("Client disconnected");
}

void DataServerCore::send(ClientConnection &client, QByteArrayView bytes)
{
    client.output.append(bytes);
    addPending(client, bytes.size());
}

void DataServerCore::outputTaken(ClientConnection &client, qsizetype n)
{
    n = std::min(n, client.output.size());
    client.output.consume(n);
    addPending(client, -n);
}

void DataServerCore::setSocketPending(ClientConnection &client, qsizetype bytes)
{
    const qsizetype delta = bytes - client.socketPending;
    client.socketPending = bytes;
    addPending(client, delta);
}

void DataServerCore::addPending(ClientConnection &client, qsizetype delta)
{
    if (delta == 0)
        return;
    m_totalPending += delta;
    totalPendingOutput.store(m_totalPending, std::memory_order_relaxed);
    if (delta > 0) {
        m_peakSinceRelease = std::max(m_peakSinceRelease, m_totalPending);
        if (m_totalPending > maxTotalPendingOutputSeen.load(std::memory_order_relaxed))
            maxTotalPendingOutputSeen.store(m_totalPending, std::memory_order_relaxed);
        const qsizetype own = client.pendingOutput();
        if (own > maxPendingOutputSeen.load(std::memory_order_relaxed))
            maxPendingOutputSeen.store(own, std::memory_order_relaxed);
        if (m_totalPending >= kMaxTotalPendingOutput)
            m_overBound = true;
    } else if (m_overBound && m_totalPending < kMaxTotalPendingOutput / 4 * 3) {
        m_overBound = false;
        m_boundLifted = true;
    }
}

qsizetype DataServerCore::outputRoom(const ClientConnection &client) const
{
    const qsizetype limit = m_overBound ? kPendingOutputShare : kMaxPendingOutput;
    return limit - client.pendingOutput();
}

qsizetype DataServerCore::readAllowance(const ClientConnection &client) const
{
    if (client.lineWaiting || client.inputEnded)
        return 0;
    const qsizetype room = outputRoom(client);
    if (room <= 0)
        return 0;
    // Every byte read may end a line, and every line gets one data line.
    const qsizetype reply = std::max<qsizetype>(m_cachedLine.size(), 9);
    return std::clamp(room / reply, kMinReadChunk, kReadChunk);
}

DataServerCore::InputResult DataServerCore::serveInput(ClientConnection &client)
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
        if (outputRoom(client) <= 0) {
            client.lineWaiting = true;
            break;
        }
        qsizetype length = lf - pos;
        if (length > 0 && in.at(lf - 1) == '\r')
            --length;
        IdTCPServerExecute(client, QByteArrayView(in.constData() + pos, length));
        pos = lf + 1;
    }
    if (pos == in.size()) {
        if (in.capacity() > kKeptInputCapacity)
            in = QByteArray(); // a burst is over: give its buffer back
        else
            in.resize(0);
    } else if (pos > 0) {
        in.remove(0, pos);
    }
    // Without a complete line the rest is the start of one: bound it.
    if (!client.lineWaiting && in.size() > kMaxLineLength)
        return InputResult::Close;
    return InputResult::KeepOpen;
}

int DataServerCore::releaseMemory()
{
#ifdef __GLIBC__
    // glibc keeps freed memory for later allocations; after a backlog of
    // replies has drained, most of it would stay with the process. The log
    // lines the main thread took count too: it frees them there.
    const qint64 handed = m_logBytesHanded.load(std::memory_order_relaxed);
    const qint64 released
        = qint64(m_peakSinceRelease - m_totalPending) + handed - m_handedAtRelease;
    if (released < kReleaseStep && !m_settleRelease)
        return -1;
    const auto now = std::chrono::steady_clock::now();
    if (now < m_nextRelease)
        return int(std::chrono::ceil<std::chrono::milliseconds>(m_nextRelease - now).count());
    if (released > 0) {
        malloc_trim(0);
        memoryReleases.fetch_add(1, std::memory_order_relaxed);
    }
    // A large release gets one more pass an interval later, for what was
    // still being freed meanwhile.
    m_settleRelease = released >= kReleaseStep;
    m_peakSinceRelease = m_totalPending;
    m_handedAtRelease = handed;
    m_nextRelease = now + kReleaseInterval;
    return m_settleRelease ? int(kReleaseInterval.count()) : -1;
#else
    return -1;
#endif
}

void DataServerCore::log(QByteArrayView head, QByteArrayView tail)
{
    m_logBatch.append(head, tail);
    // A round of a busy server answers many thousands of lines: hand them
    // over in parts, so the bound on waiting lines holds within a round too.
    if (m_logBatch.size() >= kLogBatchLines)
        flushLog();
}

void DataServerCore::flushLog()
{
    if (m_logBatch.isEmpty())
        return;
    qsizetype batchBytes = 0;
    for (qsizetype i = 0; i < m_logBatch.size(); ++i)
        batchBytes += m_logBatch.lineSize(i) + kLogLineOverhead;
    const qsizetype batchLines = m_logBatch.size();
    std::unique_lock lock(m_logLock);
    m_pendingLog.append(std::exchange(m_logBatch, {}));
    m_pendingLogLines += batchLines;
    m_pendingLogBytes += batchBytes;
    if (m_pendingLogBytes > kMaxPendingLogBytes) {
        // The main thread is held up. Drop whole blocks of 30 from the front
        // until half the bound is left, keeping at least 30 lines after them,
        // so applying the rest leaves the memo as the full list would.
        qint64 dropped = 0;
        while (m_pendingLogLines >= 2 * kLogBlock && m_pendingLogBytes > kMaxPendingLogBytes / 2) {
            for (int i = 0; i < kLogBlock; ++i) {
                PackedLines &front = m_pendingLog.first();
                m_pendingLogBytes -= front.lineSize(0) + kLogLineOverhead;
                front.dropFront(1);
                if (front.isEmpty())
                    m_pendingLog.removeFirst();
            }
            m_pendingLogLines -= kLogBlock;
            dropped += kLogBlock;
        }
        m_droppedLog += dropped;
        m_droppedLogUntaken += dropped;
    }
    if (std::exchange(m_announced, true))
        return;
    lock.unlock();
    // Posted outside m_logLock, so the main thread never waits for a post
    // when it takes the lines. Posting is thread-safe, and the receiver
    // unregisters under m_receiverLock before it is destroyed. The call
    // carries no data: the lines travel under m_logLock, where thread
    // checkers can follow them.
    std::lock_guard receiverLock(m_receiverLock);
    if (m_logReceiver)
        QMetaObject::invokeMethod(m_logReceiver, m_logMember, Qt::QueuedConnection);
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

void DataServerCore::clientClosed(ClientConnection &client)
{
    addPending(client, -client.pendingOutput());
    client.output.clear();
    client.socketPending = 0;
    client.input = QByteArray();
    clients.fetch_sub(1, std::memory_order_relaxed);
}

} // namespace orvane
