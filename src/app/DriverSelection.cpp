#include "DriverSelection.h"

#include "acquisition/d2xx/DriverCommon.h"
#include "acquisition/d2xx/NullDriver.h"
#include "acquisition/d2xx/vendor/VendorD2xxDriver.h"
#include "sim/Scenario.h"
#include "sim/SimDriver.h"
#ifdef ORVANE_HAVE_LIBFTDI
#include "acquisition/d2xx/libftdi/LibftdiDriver.h"
#endif

namespace orvane {

namespace {

std::unique_ptr<D2xxDriver> tryVendor(QString *reason)
{
    return VendorD2xxDriver::load(reason);
}

std::unique_ptr<D2xxDriver> tryLibftdi(QString *reason)
{
#ifdef ORVANE_HAVE_LIBFTDI
    return LibftdiDriver::create(reason);
#else
    *reason = QStringLiteral("this build has no libftdi1 backend");
    return nullptr;
#endif
}

using Loader = std::unique_ptr<D2xxDriver> (*)(QString *);

// Tries the loaders in order; logs each refusal; NullDriver if all refuse.
std::unique_ptr<D2xxDriver> firstUsable(std::initializer_list<Loader> loaders)
{
    for (Loader load : loaders) {
        QString reason;
        if (auto driver = load(&reason)) {
            qCInfo(lcDevice).noquote() << "device driver:" << driver->name();
            return driver;
        }
        qCWarning(lcDevice).noquote() << "device driver not usable:" << reason;
    }
    qCWarning(lcDevice).noquote() << "device driver: none (no device can be reached)";
    return std::make_unique<NullDriver>();
}

QString oneLine(QString text)
{
    text.replace('\r', ' ');
    text.replace('\n', ' ');
    return text;
}

} // namespace

bool haveLibftdiBackend()
{
#ifdef ORVANE_HAVE_LIBFTDI
    return true;
#else
    return false;
#endif
}

DriverSelection selectDriver(const DriverOptions &options)
{
    DriverSelection selection;
    const QString choice = options.driver.isEmpty() ? QStringLiteral("auto") : options.driver;
    if (choice != "auto" && choice != "d2xx" && choice != "libftdi") {
        selection.error = oneLine(
            QStringLiteral("unknown driver \"%1\" (use auto, d2xx or libftdi)").arg(choice));
        return selection;
    }

    if (options.simulate || !options.scenarioFile.isEmpty()) {
        Scenario scenario = builtInScenario();
        QString source = QStringLiteral("built-in demonstration network");
        if (!options.scenarioFile.isEmpty()) {
            QString error;
            if (!loadScenario(options.scenarioFile, scenario, &error)) {
                selection.error = oneLine(error);
                return selection;
            }
            source = QStringLiteral("scenario %1").arg(options.scenarioFile);
        }
        if (choice != "auto")
            qCInfo(lcDevice).noquote() << "--driver" << choice << "is ignored: simulating";
        qCInfo(lcDevice).noquote() << "device driver: simulator," << source;
        selection.driver = std::make_unique<SimDriver>(scenario);
        return selection;
    }

    if (choice == "d2xx") {
        selection.driver = firstUsable({ tryVendor });
    } else if (choice == "libftdi") {
        selection.driver = firstUsable({ tryLibftdi });
    } else {
#ifdef Q_OS_WIN
        selection.driver = firstUsable({ tryVendor, tryLibftdi });
#else
        selection.driver = firstUsable({ tryLibftdi, tryVendor });
#endif
    }
    return selection;
}

} // namespace orvane
