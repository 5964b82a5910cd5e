#include "AlarmPanel.h"

#include "PanelKit.h"
#include "common/EventLog.h"
#include "modules/WarningFormUnit.h"

#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>

namespace orvane {

void AlarmPanelOutput::appendAlarmLine(const QByteArray &line)
{
    m_memo->appendPlainText(eventLogConsoleText(line)); // one alarm, one line
    showNewestLine(m_memo);
}

void AlarmPanelOutput::showWarning(const QByteArray &timeText, const QByteArray &moduleText,
    const QByteArray &signalText, const QByteArray &limitsText)
{
    if (m_form)
        m_form->showAlarm(timeText, moduleText, signalText, limitsText);
}

TAlarmPanel::TAlarmPanel(QWidget *parent)
    : TPaneles(parent)
{
    setObjectName(QStringLiteral("AlarmPanel"));
    AlarmPanelLabel = headingLabel(
        this, QStringLiteral("Alarm messages"), "AlarmPanelLabel", QRect(10, 8, 300, 21));
    AlarmMemo = memo(this, "AlarmMemo", QRect(8, 32, 465, 353));
    AlarmMemo->setMaximumBlockCount(kAlarmMemoMaxLines);
    ClearAlarmButton = new QPushButton(QStringLiteral("&Clear"), this);
    ClearAlarmButton->setObjectName(QStringLiteral("ClearAlarmButton"));
    ClearAlarmButton->setGeometry(8, 392, 75, 25);
    ClearAlarmButton->setIcon(buttonIcon(ButtonFace::ClearList));
    connect(ClearAlarmButton, &QPushButton::clicked, this, &TAlarmPanel::ClearAlarmList);
    m_output = AlarmPanelOutput(AlarmMemo);
}

void TAlarmPanel::ClearAlarmList()
{
    AlarmMemo->clear();
}

} // namespace orvane
