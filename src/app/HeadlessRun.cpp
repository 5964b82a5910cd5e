#include "HeadlessRun.h"

#include "acquisition/d2xx/D2xxDriver.h"
#include "common/EventLog.h"
#include "common/NavigationTree.h"

#include <QCoreApplication>
#include <QTimer>

#include <csignal>

#ifdef Q_OS_UNIX
#include <QSocketNotifier>

#include <fcntl.h>
#include <unistd.h>
#endif

namespace orvane {

Q_LOGGING_CATEGORY(lcMessages, "orvane.message", QtInfoMsg)
Q_LOGGING_CATEGORY(lcAlarms, "orvane.alarm", QtInfoMsg)

namespace {
volatile std::sig_atomic_t g_stopRequested = 0;
#ifdef Q_OS_UNIX
int g_signalPipe[2] = { -1, -1 };
#endif

void onStopSignal(int)
{
    g_stopRequested = 1;
#ifdef Q_OS_UNIX
    const char byte = 1;
    // Async-signal-safe; a full pipe already holds a wake-up.
    [[maybe_unused]] const ssize_t n = ::write(g_signalPipe[1], &byte, 1);
#endif
}
} // namespace

void ConsoleMessages::showError(const QByteArray &text)
{
    qCWarning(lcMessages).noquote() << "Error:" << eventLogConsoleText(text);
}

void ConsoleMessages::showWarning(const QByteArray &caption, const QByteArray &text)
{
    qCWarning(lcMessages).noquote()
        << eventLogConsoleText(caption) + QLatin1Char(':') << eventLogConsoleText(text);
}

void ConsoleAlarms::appendAlarmLine(const QByteArray &line)
{
    qCInfo(lcAlarms).noquote() << eventLogConsoleText(line);
}

int runHeadless(std::unique_ptr<D2xxDriver> driver, const OrvaneSession::Options &options,
    const QByteArray &fileVersion)
{
    ConsoleMessages messages;
    ConsoleAlarms alarms;
    // The module objects keep their nodes in a tree as in the window; nobody
    // draws it, but the scan and the cycle work on the same model.
    NavigationTree tree;
    AcquisitionControl::Ports ports;
    ports.messages = &messages;
    ports.alarms = &alarms;
    ports.tree = &tree;
    OrvaneSession session(std::move(driver), ports, options);

    const auto stop = [&session] {
        if (session.isClosed())
            return;
        qCInfo(lcMessages).noquote() << "Stopping.";
        session.close();
        QCoreApplication::exit(0);
    };

#ifdef Q_OS_UNIX
    std::unique_ptr<QSocketNotifier> notifier;
    if (::pipe(g_signalPipe) == 0) {
        ::fcntl(g_signalPipe[0], F_SETFL, O_NONBLOCK);
        ::fcntl(g_signalPipe[1], F_SETFL, O_NONBLOCK);
        notifier = std::make_unique<QSocketNotifier>(g_signalPipe[0], QSocketNotifier::Read);
        QObject::connect(notifier.get(), &QSocketNotifier::activated, &session, [stop] {
            char buffer[16];
            while (::read(g_signalPipe[0], buffer, sizeof buffer) > 0) { }
            stop();
        });
    }
    struct sigaction action
    {
    };
    action.sa_handler = onStopSignal;
    sigemptyset(&action.sa_mask);
    ::sigaction(SIGTERM, &action, nullptr);
    ::sigaction(SIGINT, &action, nullptr);
#else
    std::signal(SIGTERM, onStopSignal);
    std::signal(SIGINT, onStopSignal);
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, &session, [stop] {
        if (g_stopRequested)
            stop();
    });
    poll.start(200);
#endif

    session.start(fileVersion);
    const int status = QCoreApplication::exec();
    // Quit by other means than a signal still closes the device properly.
    session.close();
#ifdef Q_OS_UNIX
    notifier.reset();
    ::signal(SIGTERM, SIG_DFL);
    ::signal(SIGINT, SIG_DFL);
    ::close(g_signalPipe[0]);
    ::close(g_signalPipe[1]);
    g_signalPipe[0] = g_signalPipe[1] = -1;
#endif
    return status;
}

} // namespace orvane
