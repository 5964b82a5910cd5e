#pragma once

#include "modules/ModulePorts.h"
#include "widgets/Paneles.h"

#include <QPointer>

class QLabel;
class QPlainTextEdit;
class QPushButton;

namespace orvane {

class TWarningForm;

// Alarm lines go to the alarm memo; the latest alarm also to the warning
// window, which is made visible.
class AlarmPanelOutput : public AlarmOutput
{
public:
    explicit AlarmPanelOutput(QPlainTextEdit *memo)
        : m_memo(memo)
    {
    }
    void setWarningForm(TWarningForm *form) { m_form = form; }
    void appendAlarmLine(const QByteArray &line) override;
    void showWarning(const QByteArray &timeText, const QByteArray &moduleText,
        const QByteArray &signalText, const QByteArray &limitsText) override;

private:
    QPlainTextEdit *m_memo;
    QPointer<TWarningForm> m_form;
};

// Panel 6: the alarm lines of all modules until the operator clears them.
// The memo keeps the newest kAlarmMemoMaxLines lines: a signal that flaps
// for weeks must not fill the memory.
class TAlarmPanel : public TPaneles
{
    Q_OBJECT
public:
    static constexpr int kAlarmMemoMaxLines = 10000;

    explicit TAlarmPanel(QWidget *parent = nullptr);

    QLabel *AlarmPanelLabel = nullptr; // heading
    QPlainTextEdit *AlarmMemo = nullptr;
    QPushButton *ClearAlarmButton = nullptr;
    AlarmPanelOutput *alarmOutput() { return &m_output; }

    // Empties the memo; the modules' alarm latches stay as they are.
    void ClearAlarmList();

private:
    AlarmPanelOutput m_output { nullptr };
};

} // namespace orvane
