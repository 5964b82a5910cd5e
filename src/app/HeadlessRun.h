#pragma once

#include "app/OrvaneSession.h"
#include "common/OperatorMessages.h"
#include "modules/ModulePorts.h"

#include <QLoggingCategory>

#include <memory>

namespace orvane {

Q_DECLARE_LOGGING_CATEGORY(lcMessages)
Q_DECLARE_LOGGING_CATEGORY(lcAlarms)

// Operator messages as console lines ("caption: text") instead of modal
// boxes, so nothing waits for a click that no one can give.
class ConsoleMessages : public OperatorMessages
{
public:
    void showError(const QByteArray &text) override;
    void showWarning(const QByteArray &caption, const QByteArray &text) override;
};

// Alarm lines on the console; the warning window has no place here.
class ConsoleAlarms : public AlarmOutput
{
public:
    void appendAlarmLine(const QByteArray &line) override;
    void showWarning(
        const QByteArray &, const QByteArray &, const QByteArray &, const QByteArray &) override
    {
    }
};

// Runs one session without a window until SIGTERM or SIGINT (or the event
// loop is quit otherwise): polling, settings and log files, the TCP service;
// the event log, operator messages and alarm lines go to the console. On a
// signal the session closes as the window would (the cycle stops, one second
// passes, the device closes) and the run returns 0. Needs a QCoreApplication.
int runHeadless(std::unique_ptr<D2xxDriver> driver, const OrvaneSession::Options &options,
    const QByteArray &fileVersion);

} // namespace orvane
