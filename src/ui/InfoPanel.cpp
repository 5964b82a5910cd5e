#include "InfoPanel.h"

#include "PanelKit.h"

#include <QLabel>
#include <QPlainTextEdit>

namespace orvane {

int MemoLog::lineCount() const
{
    return m_memo->document()->isEmpty() ? 0 : m_memo->document()->blockCount();
}

void MemoLog::clear()
{
    m_memo->clear();
}

void MemoLog::appendLine(const QByteArray &line)
{
    // Shown as on the console: a CR or LF from the radio or a client must
    // not split one line of the log into several.
    m_memo->appendPlainText(eventLogConsoleText(line));
    showNewestLine(m_memo);
}

TInfoPanel::TInfoPanel(QWidget *parent)
    : TPaneles(parent)
{
    setObjectName(QStringLiteral("InfoPanel"));
    InfoPanelLabel
        = headingLabel(this, QStringLiteral("Logging"), "InfoPanelLabel", QRect(10, 8, 300, 21));
    InfoMemo = memo(this, "InfoMemo", QRect(8, 32, 465, 385));
    m_log = MemoLog(InfoMemo);
}

} // namespace orvane
