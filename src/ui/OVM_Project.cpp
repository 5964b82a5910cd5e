// The program's start: command line, driver choice, then either the windows
// in their order and the message loop, or a run without a window.
#include "MainFormUnit.h"
#include "OrvaneVersion.h"
#include "app/DriverSelection.h"
#include "app/HeadlessRun.h"
#include "modules/WarningFormUnit.h"
#include "trace/TPlotWindowUnit.h"
#include "widgets/Icons.h"
#include "widgets/VersionInfo.h"

#include <QApplication>
#include <QCommandLineParser>

#include <cstdio>
#include <cstring>
#include <initializer_list>

using namespace orvane;

namespace {
bool hasArgument(int argc, char *argv[], std::initializer_list<const char *> names)
{
    for (int i = 1; i < argc; ++i) {
        for (const char *name : names) {
            if (std::strcmp(argv[i], name) == 0)
                return true;
        }
    }
    return false;
}
} // namespace

int main(int argc, char *argv[])
{
    // A run without a window needs no display: no GUI application then; nor
    // do --help and --version, which also answer on a machine without one.
    const bool headless = hasArgument(argc, argv, { "--headless" });
    const bool windowless
        = headless || hasArgument(argc, argv, { "--help", "-h", "--help-all", "--version", "-v" });
    std::unique_ptr<QCoreApplication> app = windowless
        ? std::make_unique<QCoreApplication>(argc, argv)
        : std::make_unique<QApplication>(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("orvane-monitor"));
    QCoreApplication::setApplicationVersion(TVerInfo().FileVersion());

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Monitors an Orvane wireless measurement network through its USB interface."));
    parser.addHelpOption();
    parser.addVersionOption();
    const QCommandLineOption simulate(
        QStringLiteral("simulate"), QStringLiteral("Run on the built-in simulated network."));
    const QCommandLineOption scenario(QStringLiteral("scenario"),
        QStringLiteral("Run on the simulated network described by <file>."),
        QStringLiteral("file"));
    const QCommandLineOption driver(QStringLiteral("driver"),
        QStringLiteral("USB driver backend: auto, d2xx or libftdi (default auto)."),
        QStringLiteral("backend"), QStringLiteral("auto"));
    const QCommandLineOption headlessOption(QStringLiteral("headless"),
        QStringLiteral("Run without a window: the event log, messages and alarms go to the "
                       "console; SIGTERM or SIGINT ends the run."));
    const QCommandLineOption port(QStringLiteral("port"),
        QStringLiteral("TCP port of the data service (default 5001)."), QStringLiteral("port"),
        QStringLiteral("5001"));
    const QCommandLineOption reconnect(QStringLiteral("reconnect"),
        QStringLiteral("After the interface is lost, wait for the same interface (same USB "
                       "serial number) and scan again when it is back (default with "
                       "--headless)."));
    const QCommandLineOption noReconnect(QStringLiteral("no-reconnect"),
        QStringLiteral("Do not wait for a lost interface: polling resumes only after a scan "
                       "(default in a window)."));
    parser.addOptions({ simulate, scenario, driver, headlessOption, port, reconnect, noReconnect });
    parser.process(*app);
    if (parser.isSet(reconnect) && parser.isSet(noReconnect)) {
        std::fprintf(stderr, "orvane-monitor: --reconnect and --no-reconnect exclude each other\n");
        return 1;
    }

    OrvaneSession::Options sessionOptions;
    bool portOk = false;
    const uint portNumber = parser.value(port).toUInt(&portOk);
    if (!portOk || portNumber > 65535) {
        std::fprintf(stderr, "orvane-monitor: invalid port \"%s\" (use 0 to 65535)\n",
            qPrintable(parser.value(port)));
        return 1;
    }
    sessionOptions.dataPort = quint16(portNumber);
    sessionOptions.reconnect = parser.isSet(reconnect) || (headless && !parser.isSet(noReconnect));

    DriverOptions options;
    options.driver = parser.value(driver);
    options.simulate = parser.isSet(simulate);
    options.scenarioFile = parser.value(scenario);
    DriverSelection selection = selectDriver(options);
    if (!selection.error.isEmpty()) {
        std::fprintf(stderr, "orvane-monitor: %s\n", qPrintable(selection.error));
        return 1;
    }
    const QByteArray fileVersion = TVerInfo().FileVersion().toLatin1();

    if (headless)
        return runHeadless(std::move(selection.driver), sessionOptions, fileVersion);

    QGuiApplication::setApplicationDisplayName(QStringLiteral("Orvane System"));
    // The icon of the window and the task bar; the desktop entry names it too.
    QGuiApplication::setWindowIcon(programIcon());
    QGuiApplication::setDesktopFileName(QStringLiteral("orvane-monitor"));

    // Windows in their order: main window, trace window, alarm window (the
    // About box is made anew for each look).
    TMainForm mainForm(std::move(selection.driver), sessionOptions);
    TPlotWindow traceWindow;
    mainForm.setTraceWindow(&traceWindow);
    TWarningForm warningForm;
    mainForm.setWarningForm(&warningForm);

    mainForm.show();
    return QCoreApplication::exec();
}
