#pragma once

#include "common/EventLog.h"
#include "common/OperatorMessages.h"
#include "modules/ModulePorts.h"

#include <QPointer>

class QCheckBox;
class QLabel;
class QPlainTextEdit;
class QTableWidget;
class QWidget;

namespace orvane {

class TWarningForm;

// The event-log memo: a plain text area whose paragraphs are its lines.
class MemoLog : public LogMemo
{
public:
    explicit MemoLog(QPlainTextEdit *memo) : m_memo(memo) {}
    int lineCount() const override;
    void clear() override;
    void appendLine(const QByteArray &line) override;

private:
    QPlainTextEdit *m_memo;
};

// Modal message boxes with one OK button.
class MessageBoxes : public OperatorMessages
{
public:
    explicit MessageBoxes(QWidget *owner) : m_owner(owner) {}
    void showError(const QByteArray &text) override;
    void showWarning(const QByteArray &caption, const QByteArray &text) override;

private:
    QPointer<QWidget> m_owner;
};

// The configuration grid with its caption and trace check boxes.
class GridConfigView : public ConfigView
{
public:
    GridConfigView(QTableWidget *grid, QLabel *caption, QList<QCheckBox *> boxes)
        : m_grid(grid), m_caption(caption), m_boxes(std::move(boxes))
    {
    }
    void setCaption(const QByteArray &text) override;
    void setCell(int column, int row, const QByteArray &text) override;
    QByteArray cell(int column, int row) const override;
    void setTraceBox(int index, bool visible, bool checked) override;
    void repaint() override;

private:
    QTableWidget *m_grid;
    QLabel *m_caption;
    QList<QCheckBox *> m_boxes;
};

// Alarm lines go to the alarm memo; the latest alarm also to the warning
// window, which is made visible.
class AlarmPanelOutput : public AlarmOutput
{
public:
    explicit AlarmPanelOutput(QPlainTextEdit *memo) : m_memo(memo) {}
    void setWarningForm(TWarningForm *form) { m_form = form; }
    void appendAlarmLine(const QByteArray &line) override;
    void showWarning(const QByteArray &timeText, const QByteArray &moduleText,
                     const QByteArray &signalText, const QByteArray &limitsText) override;

private:
    QPlainTextEdit *m_memo;
    QPointer<TWarningForm> m_form;
};

} // namespace orvane
