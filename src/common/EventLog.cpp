#include "EventLog.h"

#include "Text1252.h"

namespace orvane {

Q_LOGGING_CATEGORY(lcEventLog, "orvane.eventlog", QtInfoMsg)

namespace {
void writeToCategory(const QByteArray &line)
{
    if (lcEventLog().isInfoEnabled())
        qCInfo(lcEventLog).noquote() << fromWindows1252(line);
}
} // namespace

void appendEventLogLine(LogMemo *memo, const QByteArray &line)
{
    writeToCategory(line);
    if (!memo)
        return;
    if (memo->lineCount() >= kEventLogMaxLines)
        memo->clear();
    memo->appendLine(line);
}

void appendEventLogLines(LogMemo *memo, const QList<QByteArray> &lines)
{
    for (const QByteArray &line : lines)
        writeToCategory(line);
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

} // namespace orvane
