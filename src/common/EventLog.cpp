#include "EventLog.h"

#include "Text1252.h"

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

namespace orvane {

Q_LOGGING_CATEGORY(lcEventLog, "orvane.eventlog", QtInfoMsg)

namespace {

// Each waiting line costs its text and about this much besides.
constexpr qsizetype kLineOverhead = 64;

// Writes the console lines of the event log on a thread of its own. The
// thread starts with the first line and ends with the process; at exit it
// writes what is left, unless the console takes nothing for two seconds.
class ConsoleWriter
{
public:
    ConsoleWriter()
    {
        // Made before this object, so destroyed after it.
        (void)lcEventLog();
    }

    ~ConsoleWriter()
    {
        {
            std::lock_guard lock(m_mutex);
            if (!m_thread.joinable())
                return;
            m_stopping = true;
        }
        m_wake.notify_all();
        if (flush(2000))
            m_thread.join();
        else
            m_thread.detach(); // stuck on a console nobody reads
    }

    void post(const QByteArray *lines, qsizetype count)
    {
        {
            std::lock_guard lock(m_mutex);
            if (!m_thread.joinable())
                m_thread = std::thread([this] { run(); });
            for (qsizetype i = 0; i < count; ++i) {
                const qsizetype cost = lines[i].size() + kLineOverhead;
                if (m_queuedBytes + cost > kEventLogConsoleBacklog) {
                    ++m_dropped;
                    continue;
                }
                if (m_dropped > 0)
                    enqueue(eventLogDroppedText(std::exchange(m_dropped, 0)));
                enqueue(lines[i]);
            }
        }
        m_wake.notify_one();
    }

    bool flush(int timeoutMs)
    {
        std::unique_lock lock(m_mutex);
        if (!m_thread.joinable())
            return true;
        const quint64 target = m_posted;
        return m_written.wait_for(lock, std::chrono::milliseconds(timeoutMs),
            [&] { return m_done >= target && m_dropped == 0; });
    }

private:
    void enqueue(const QByteArray &line)
    {
        m_queue.append(line);
        m_queuedBytes += line.size() + kLineOverhead;
        ++m_posted;
    }

    void run()
    {
        QList<QByteArray> batch;
        std::unique_lock lock(m_mutex);
        while (true) {
            m_wake.wait(lock, [&] { return !m_queue.isEmpty() || m_dropped > 0 || m_stopping; });
            if (m_queue.isEmpty() && m_dropped > 0) // lines missing at the end
                enqueue(eventLogDroppedText(std::exchange(m_dropped, 0)));
            if (m_queue.isEmpty())
                return; // stopping, and everything is written
            batch.swap(m_queue);
            lock.unlock();
            qsizetype bytes = 0;
            for (const QByteArray &line : std::as_const(batch)) {
                qCInfo(lcEventLog).noquote() << eventLogConsoleText(line);
                bytes += line.size() + kLineOverhead;
            }
            const qsizetype written = batch.size();
            batch.clear();
            lock.lock();
            m_queuedBytes -= bytes;
            m_done += quint64(written);
            m_written.notify_all();
        }
    }

    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::condition_variable m_written;
    QList<QByteArray> m_queue;
    qsizetype m_queuedBytes = 0;
    qint64 m_dropped = 0; // lines not queued since the last queued one
    quint64 m_posted = 0;
    quint64 m_done = 0;
    bool m_stopping = false;
    std::thread m_thread;
};

ConsoleWriter &consoleWriter()
{
    static ConsoleWriter writer;
    return writer;
}

void writeToCategory(const QByteArray *lines, qsizetype count)
{
    if (count > 0 && lcEventLog().isInfoEnabled())
        consoleWriter().post(lines, count);
}

// TAB stays: the program's own lines (the device list) are laid out with it,
// and it can neither split a line nor drive a terminal.
bool isShownAsQuestionMark(uchar c)
{
    return (c < 0x20 && c != '\t') || c == 0x7F || c == 0x81 || c == 0x8D || c == 0x8F || c == 0x90
        || c == 0x9D;
}

} // namespace

void appendEventLogLine(LogMemo *memo, const QByteArray &line)
{
    writeToCategory(&line, 1);
    if (!memo)
        return;
    if (memo->lineCount() >= kEventLogMaxLines)
        memo->clear();
    memo->appendLine(line);
}

void appendEventLogLines(LogMemo *memo, const QList<QByteArray> &lines)
{
    writeToCategory(lines.constData(), lines.size());
    if (!memo || lines.isEmpty())
        return;

    // Find the last line that would have emptied the memo: only the lines from
    // there on are visible afterwards.
    qsizetype first = 0;
    bool clearFirst = false;
    int count = memo->lineCount();
    for (qsizetype i = 0; i < lines.size(); ++i) {
        if (count >= kEventLogMaxLines) {
            count = 0;
            first = i;
            clearFirst = true;
        }
        ++count;
    }
    if (clearFirst)
        memo->clear();
    for (qsizetype i = first; i < lines.size(); ++i)
        memo->appendLine(lines.at(i));
}

void noteEventLogLinesDropped(qint64 count)
{
    if (count <= 0)
        return;
    const QByteArray text = eventLogDroppedText(count);
    writeToCategory(&text, 1);
}

QByteArray eventLogDroppedText(qint64 count)
{
    return "(" + QByteArray::number(count)
        + " event-log lines dropped here: the log could not keep up)";
}

bool flushEventLogConsole(int timeoutMs)
{
    return consoleWriter().flush(timeoutMs);
}

QString eventLogConsoleText(const QByteArray &line)
{
    QByteArray shown = line;
    for (char &c : shown) {
        if (isShownAsQuestionMark(uchar(c)))
            c = '?';
    }
    return fromWindows1252(shown);
}

} // namespace orvane
