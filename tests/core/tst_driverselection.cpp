// Choosing the device backend from the command-line options, and the
// backends that need no hardware to be judged: the missing vendor library
// and the null driver.
#include "acquisition/d2xx/vendor/VendorD2xxDriver.h"
#include "app/DriverSelection.h"

#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

using namespace orvane;

namespace {

DWORD deviceCount(D2xxDriver &driver)
{
    DWORD count = 0;
    return driver.FT_ListDevices(&count, nullptr, FT_LIST_NUMBER_ONLY) == FT_OK ? count : 999;
}

} // namespace

class TestDriverSelection : public QObject
{
    Q_OBJECT
private slots:
    void selection_data()
    {
        QTest::addColumn<QString>("driver");
        QTest::addColumn<bool>("simulate");
        QTest::addColumn<QByteArray>("scenario"); // none when null
        QTest::addColumn<QString>("error"); // how the one-line error ends; empty: the simulator
        QTest::addColumn<uint>("devices");
        QTest::addColumn<QString>("log"); // a console line that must come
        const QByteArray twoDevices
            = R"({"devices": [{"serial": "OVI5", "location": 17, "interface": true},
                              {"serial": "X", "location": 18}]})";
        const QByteArray shortRaw = R"({"modules": [{"band": 0, "type": 1, "raw": [1, 2]}]})";
        QTest::newRow("unknown driver")
            << "ftdi" << false << QByteArray()
            << R"(unknown driver "ftdi" (use auto, d2xx or libftdi))" << 0u << "";
        QTest::newRow("built-in network")
            << "auto" << true << QByteArray() << "" << 1u
            << "device driver: simulator, built-in demonstration network";
        QTest::newRow("scenario beats --driver") << "libftdi" << false << twoDevices << "" << 2u
                                                 << "--driver libftdi is ignored: simulating";
        QTest::newRow("bad scenario")
            << "auto" << false << shortRaw << "name.json: modules[0].raw must hold 5 numbers" << 0u
            << "";
    }

    void selection()
    {
        QFETCH(QString, driver);
        QFETCH(bool, simulate);
        QFETCH(QByteArray, scenario);
        QFETCH(QString, error);
        QFETCH(uint, devices);
        QFETCH(QString, log);
        QTemporaryDir dir;
        DriverOptions options { driver, simulate, {} };
        if (!scenario.isNull()) {
            // A bad file's name that would break the error in two.
            QFile file(dir.filePath(error.isEmpty() ? "net.json" : "broken\nname.json"));
            QVERIFY(file.open(QIODevice::WriteOnly) && file.write(scenario) == scenario.size());
            options.scenarioFile = file.fileName();
        }
        if (!log.isEmpty())
            QTest::ignoreMessage(QtInfoMsg, qPrintable(log));
        const DriverSelection selection = selectDriver(options);
        QVERIFY2(error.isEmpty()
                ? selection.error.isEmpty()
                : selection.error.endsWith(error) && !selection.error.contains('\n'),
            qPrintable(selection.error));
        QCOMPARE(!selection.driver, !error.isEmpty());
        if (selection.driver) {
            QCOMPARE(selection.driver->name(), QStringLiteral("simulator"));
            QCOMPARE(deviceCount(*selection.driver), devices);
        }
    }

    void forcedBackendFallsBackToNull()
    {
        QString reason;
        if (VendorD2xxDriver::load(&reason))
            QSKIP("the vendor library is installed on this machine");
        // The reason names the library and carries the loader's own text.
        QVERIFY2(
            reason.startsWith("cannot load " + d2xxLibraryFileName() + ": ") && reason.size() > 40,
            qPrintable(reason));
        DriverOptions options;
        options.driver = "d2xx";
        QTest::ignoreMessage(QtWarningMsg,
            QRegularExpression("^device driver not usable: cannot load "
                + QRegularExpression::escape(d2xxLibraryFileName())));
        QTest::ignoreMessage(QtWarningMsg, "device driver: none (no device can be reached)");
        DriverSelection selection = selectDriver(options);
        QVERIFY(selection.error.isEmpty());
        QCOMPARE(selection.driver->name(), QStringLiteral("none"));
        QCOMPARE(deviceCount(*selection.driver), 0u);

        if (!haveLibftdiBackend()) {
            options.driver = "libftdi";
            QTest::ignoreMessage(
                QtWarningMsg, "device driver not usable: this build has no libftdi1 backend");
            QTest::ignoreMessage(QtWarningMsg, "device driver: none (no device can be reached)");
            QCOMPARE(selectDriver(options).driver->name(), QStringLiteral("none"));
        }
    }
};

QTEST_GUILESS_MAIN(TestDriverSelection)
#include "tst_driverselection.moc"
