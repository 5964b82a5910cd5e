#pragma once

#include <QByteArray>
#include <QLoggingCategory>

namespace orvane {

Q_DECLARE_LOGGING_CATEGORY(lcEventLog)

// The event-log memo as the core sees it. The window binds it to its memo
// widget; tests use a recording fake. Lines are 8-bit (Windows-1252) bytes.
class LogMemo
{
public:
    virtual ~LogMemo() = default;
    virtual int lineCount() const = 0;
    virtual void clear() = 0;
    virtual void appendLine(const QByteArray &line) = 0;
};

// Maximum number of lines the event log holds; the next line empties it first.
inline constexpr int kEventLogMaxLines = 30;

// Appends one line by the event-log rule: a memo that already holds 30 or more
// lines is emptied first. Every line is also written to the "orvane.eventlog"
// logging category so it can be followed from a terminal (see
// eventLogConsoleText). A null memo still gets the line into the category.
//
// The category is written on a thread of its own, in order, so a slow or
// stopped terminal never holds up the caller. Should more than
// kEventLogConsoleBacklog bytes of lines wait for it, further lines are not
// queued, and one line in their place says how many are missing.
void appendEventLogLine(LogMemo *memo, const QByteArray &line);

// Applies a batch of lines with the same result as appending them one by one,
// but touches the memo only for the lines that survive the 30-line rule.
void appendEventLogLines(LogMemo *memo, const QList<QByteArray> &lines);

inline constexpr qsizetype kEventLogConsoleBacklog = 16 * 1024 * 1024;

// Tells the console (not the memo) that `count` event-log lines were dropped
// at this point before they reached the event log.
void noteEventLogLinesDropped(qint64 count);

// The console's text of "count lines dropped".
QByteArray eventLogDroppedText(qint64 count);

// Waits at most timeoutMs until every line given so far has been written to
// the category. False on time-out.
bool flushEventLogConsole(int timeoutMs = 5000);

// How the console and the memos show an event-log line: bytes below 0x20
// other than TAB, 0x7F and the five bytes Windows-1252 leaves undefined
// (which would become C1 controls) are shown as "?", so text from a radio or
// a client can neither split the line nor send control sequences to the
// terminal.
QString eventLogConsoleText(const QByteArray &line);

} // namespace orvane
