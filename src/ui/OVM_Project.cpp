// The program's start: command line, driver choice, then either the windows
// in their order and the message loop, or a run without a window.
#include "MainFormUnit.h"
#include "OrvaneVersion.h"
#include "app/DriverSelection.h"
#include "app/HeadlessRun.h"
#include "app/NotifyTest.h"
#include "app/ProgramOptions.h"
#include "modules/WarningFormUnit.h"
#include "trace/TPlotWindowUnit.h"
#include "widgets/Icons.h"
#include "widgets/VersionInfo.h"

#include <QApplication>

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
    // do --help, --version and --notify-test, which also answer on a machine
    // without one.
    const bool headless = hasArgument(argc, argv, { "--headless" });
    const bool windowless = headless
        || hasArgument(
            argc, argv, { "--help", "-h", "--help-all", "--version", "-v", "--notify-test" });
    std::unique_ptr<QCoreApplication> app = windowless
        ? std::make_unique<QCoreApplication>(argc, argv)
        : std::make_unique<QApplication>(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("orvane-monitor"));
    QCoreApplication::setApplicationVersion(TVerInfo().FileVersion());

    ProgramOptions options;
    QString problem;
    if (!readProgramOptions(QCoreApplication::arguments(), &options, &problem)) {
        std::fprintf(stderr, "orvane-monitor: %s\n", qPrintable(problem));
        return 1;
    }
    // A check of the notification set-up opens no device and no window.
    if (options.notifyTest)
        return runNotifyTest(options.session.notify, options.configFile);
    DriverSelection selection = selectDriver(options.driver);
    if (!selection.error.isEmpty()) {
        std::fprintf(stderr, "orvane-monitor: %s\n", qPrintable(selection.error));
        return 1;
    }
    const QByteArray fileVersion = TVerInfo().FileVersion().toLatin1();

    if (headless)
        return runHeadless(std::move(selection.driver), options.session, fileVersion);

    QGuiApplication::setApplicationDisplayName(QStringLiteral("Orvane System"));
    // The icon of the window and the task bar; the desktop entry names it too.
    QGuiApplication::setWindowIcon(programIcon());
    QGuiApplication::setDesktopFileName(QStringLiteral("orvane-monitor"));

    // Windows in their order: main window, trace window, alarm window (the
    // About box is made anew for each look).
    TMainForm mainForm(std::move(selection.driver), options.session);
    TPlotWindow traceWindow;
    mainForm.setTraceWindow(&traceWindow);
    TWarningForm warningForm;
    mainForm.setWarningForm(&warningForm);

    mainForm.show();
    return QCoreApplication::exec();
}
