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
// lines is emptied first. Every line is also written, unchanged, to the
// "orvane.eventlog" logging category so it can be followed from a terminal.
// A null memo still gets the line into the logging category.
void appendEventLogLine(LogMemo *memo, const QByteArray &line);

// Applies a batch of lines with the same result as appending them one by one,
// but touches the memo only for the lines that survive the 30-line rule.
void appendEventLogLines(LogMemo *memo, const QList<QByteArray> &lines);

} // namespace orvane
