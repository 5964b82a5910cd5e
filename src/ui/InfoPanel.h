#pragma once

#include "common/EventLog.h"
#include "widgets/Paneles.h"

class QLabel;
class QPlainTextEdit;

namespace orvane {

// The event-log memo as the core writes it: its paragraphs are its lines.
class MemoLog : public LogMemo
{
public:
    explicit MemoLog(QPlainTextEdit *memo)
        : m_memo(memo)
    {
    }
    int lineCount() const override;
    void clear() override;
    void appendLine(const QByteArray &line) override;

private:
    QPlainTextEdit *m_memo;
};

// Panel 4: the event log, at most 30 lines (the core's rule); the operator
// may type into it, nothing reads it back.
class TInfoPanel : public TPaneles
{
    Q_OBJECT
public:
    explicit TInfoPanel(QWidget *parent = nullptr);

    QLabel *InfoPanelLabel = nullptr; // heading
    QPlainTextEdit *InfoMemo = nullptr;
    MemoLog *eventLog() { return &m_log; }

private:
    MemoLog m_log { nullptr };
};

} // namespace orvane
