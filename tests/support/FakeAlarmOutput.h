#pragma once

#include "modules/ModulePorts.h"

#include <QByteArrayList>

namespace orvane {

// Records the alarm memo lines and the warning window's latest four labels.
class FakeAlarmOutput : public AlarmOutput
{
public:
    void appendAlarmLine(const QByteArray &line) override { lines.append(line); }
    void showWarning(const QByteArray &timeText, const QByteArray &moduleText,
        const QByteArray &signalText, const QByteArray &limitsText) override
    {
        labels = { timeText, moduleText, signalText, limitsText };
        ++warningsShown;
    }
    QByteArrayList lines;
    QByteArrayList labels;
    int warningsShown = 0;
};

} // namespace orvane
