// The program's start: command line, driver choice, then the windows in
// their order and the message loop.
#include "MainFormUnit.h"
#include "OrvaneVersion.h"
#include "app/DriverSelection.h"
#include "modules/WarningFormUnit.h"

#include <QApplication>
#include <QCommandLineParser>

#include <cstdio>

using namespace orvane;

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("orvane-monitor"));
    QCoreApplication::setApplicationVersion(QStringLiteral(ORVANE_VERSION));

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
    parser.addOptions({ simulate, scenario, driver });
    parser.process(app);

    DriverOptions options;
    options.driver = parser.value(driver);
    options.simulate = parser.isSet(simulate);
    options.scenarioFile = parser.value(scenario);
    DriverSelection selection = selectDriver(options);
    if (!selection.error.isEmpty()) {
        std::fprintf(stderr, "orvane-monitor: %s\n", qPrintable(selection.error));
        return 1;
    }

    QGuiApplication::setApplicationDisplayName(QStringLiteral("Orvane System"));

    // Windows in their order: main window, (trace window, about box,) alarm window.
    TMainForm mainForm(std::move(selection.driver), TMainForm::Options {});
    TWarningForm warningForm;
    mainForm.setWarningForm(&warningForm);

    mainForm.show();
    const int status = app.exec();
    return status;
}
