#pragma once

#include "modules/ModulePorts.h"

#include <QByteArray>
#include <QList>

namespace orvane {

// Records the alarm memo lines and the warning window's latest labels.
class FakeAlarmOutput : public AlarmOutput
{
public:
    void appendAlarmLine(const QByteArray &line) override { lines.append(line); }
    void showWarning(const QByteArray &timeText, const QByteArray &moduleText,
                     const QByteArray &signalText, const QByteArray &limitsText) override;

    QList<QByteArray> lines;
    QByteArray labels[4];
    int warningsShown = 0;
};

} // namespace orvane
