#include "FakeAlarmOutput.h"

namespace orvane {

void FakeAlarmOutput::showWarning(const QByteArray &timeText, const QByteArray &moduleText,
                                  const QByteArray &signalText, const QByteArray &limitsText)
{
    labels[0] = timeText;
    labels[1] = moduleText;
    labels[2] = signalText;
    labels[3] = limitsText;
    ++warningsShown;
}

} // namespace orvane
