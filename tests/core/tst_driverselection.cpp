// Choosing the device backend from the command-line options, and the two
// backends that need no hardware to be judged: the missing vendor library
// and the null driver.
#include "acquisition/d2xx/DriverSelection.h"
#include "acquisition/d2xx/NullDriver.h"
#include "acquisition/d2xx/vendor/VendorD2xxDriver.h"

#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

using namespace orvane;

class TestDriverSelection : public QObject
{
    Q_OBJECT

private slots:
    void unknownDriverIsAnError();
    void simulateUsesBuiltInNetwork();
    void scenarioFile();
    void badScenarioFileIsOneLineNamingIt();
    void vendorLibraryWithoutSymbols();
    void forcedBackendFallsBackToNull();
    void libftdiListsAndRefusesUnknownLocation();
    void nullDriverHasNoDevice();
};

void TestDriverSelection::unknownDriverIsAnError()
{
    DriverOptions options;
    options.driver = "ftdi";
    const DriverSelection selection = selectDriver(options);
    QVERIFY(!selection.driver);
    QCOMPARE(
        selection.error, QStringLiteral("unknown driver \"ftdi\" (use auto, d2xx or libftdi)"));
}

void TestDriverSelection::simulateUsesBuiltInNetwork()
{
    DriverOptions options;
    options.simulate = true;
    QTest::ignoreMessage(QtInfoMsg, "device driver: simulator, built-in demonstration network");
    const DriverSelection selection = selectDriver(options);
    QVERIFY(selection.error.isEmpty());
    QVERIFY(selection.driver);
    QCOMPARE(selection.driver->name(), QStringLiteral("simulator"));
    DWORD count = 0;
    QCOMPARE(selection.driver->FT_CreateDeviceInfoList(&count), FT_OK);
    QCOMPARE(count, 1u);
    FT_DEVICE_LIST_INFO_NODE node;
    QCOMPARE(selection.driver->FT_GetDeviceInfoList(&node, &count), FT_OK);
    QVERIFY(QByteArray(node.SerialNumber).contains("OVI"));
}

void TestDriverSelection::scenarioFile()
{
    QTemporaryDir dir;
    const QString path = dir.filePath("net.json");
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(R"({"devices": [{"serial": "OVI5", "location": 17, "interface": true},
                               {"serial": "X", "location": 18}]})");
    file.close();

    DriverOptions options;
    options.scenarioFile = path;
    options.driver = "libftdi"; // the simulator wins
    QTest::ignoreMessage(QtInfoMsg, "--driver libftdi is ignored: simulating");
    QTest::ignoreMessage(QtInfoMsg, qPrintable("device driver: simulator, scenario " + path));
    const DriverSelection selection = selectDriver(options);
    QVERIFY2(selection.error.isEmpty(), qPrintable(selection.error));
    QCOMPARE(selection.driver->name(), QStringLiteral("simulator"));
    DWORD count = 0;
    QCOMPARE(selection.driver->FT_ListDevices(&count, nullptr, FT_LIST_NUMBER_ONLY), FT_OK);
    QCOMPARE(count, 2u);
}

void TestDriverSelection::badScenarioFileIsOneLineNamingIt()
{
    QTemporaryDir dir;
    const QString path = dir.filePath("broken\nname.json");
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(R"({"modules": [{"band": 0, "type": 1, "raw": [1, 2]}]})");
    file.close();

    DriverOptions options;
    options.scenarioFile = path;
    DriverSelection selection = selectDriver(options);
    QVERIFY(!selection.driver);
    QVERIFY2(selection.error.endsWith("name.json: modules[0].raw must hold 5 numbers"),
        qPrintable(selection.error));
    QVERIFY(!selection.error.contains('\n'));

    options.scenarioFile = dir.filePath("absent.json");
    selection = selectDriver(options);
    QVERIFY(!selection.driver);
    QVERIFY2(selection.error.startsWith(options.scenarioFile + ": cannot open"),
        qPrintable(selection.error));
}

void TestDriverSelection::vendorLibraryWithoutSymbols()
{
    // A library that loads but is not the D2XX library.
#ifdef Q_OS_WIN
    const QString other = "kernel32.dll";
#elif defined(Q_OS_MACOS)
    const QString other = "/usr/lib/libSystem.B.dylib";
#else
    const QString other = "libc.so.6";
#endif
    QString reason;
    QVERIFY(!VendorD2xxDriver::loadFrom(other, &reason));
    QCOMPARE(reason, other + " has no symbol FT_ListDevices");
}

void TestDriverSelection::forcedBackendFallsBackToNull()
{
    QString reason;
    if (VendorD2xxDriver::load(&reason))
        QSKIP("the vendor library is installed on this machine");
    // The reason names the library and carries the loader's own text.
    QVERIFY2(reason.startsWith("cannot load " + d2xxLibraryFileName() + ": ") && reason.size() > 40,
        qPrintable(reason));
    DriverOptions options;
    options.driver = "d2xx";
    QTest::ignoreMessage(QtWarningMsg,
        QRegularExpression("^device driver not usable: cannot load "
            + QRegularExpression::escape(d2xxLibraryFileName())));
    QTest::ignoreMessage(QtWarningMsg, "device driver: none (no device can be reached)");
    const DriverSelection selection = selectDriver(options);
    QVERIFY(selection.error.isEmpty());
    QCOMPARE(selection.driver->name(), QStringLiteral("none"));

    if (!haveLibftdiBackend()) {
        options.driver = "libftdi";
        QTest::ignoreMessage(
            QtWarningMsg, "device driver not usable: this build has no libftdi1 backend");
        QTest::ignoreMessage(QtWarningMsg, "device driver: none (no device can be reached)");
        QCOMPARE(selectDriver(options).driver->name(), QStringLiteral("none"));
    }
}

void TestDriverSelection::libftdiListsAndRefusesUnknownLocation()
{
    if (!haveLibftdiBackend())
        QSKIP("this build has no libftdi1 backend");
    DriverOptions options;
    options.driver = "libftdi";
    const DriverSelection selection = selectDriver(options);
    D2xxDriver &driver = *selection.driver;
    QCOMPARE(driver.name(), QStringLiteral("libftdi1"));

    // Whatever is attached, the two counts and the list agree.
    DWORD listed = 0;
    DWORD counted = 0;
    QCOMPARE(driver.FT_ListDevices(&listed, nullptr, FT_LIST_NUMBER_ONLY), FT_OK);
    QCOMPARE(driver.FT_CreateDeviceInfoList(&counted), FT_OK);
    QCOMPARE(counted, listed);
    std::vector<FT_DEVICE_LIST_INFO_NODE> nodes(counted + 1);
    DWORD got = 0;
    QCOMPARE(driver.FT_GetDeviceInfoList(nodes.data(), &got), FT_OK);
    QCOMPARE(got, counted);
    for (DWORD i = 0; i < got; ++i)
        QVERIFY(qint32(nodes[i].LocId) > 0);

    // No location id is ever this large, so nothing opens.
    FT_HANDLE handle = &got;
    QCOMPARE(driver.FT_OpenEx(locationArg(0x7FFFFFFF), FT_OPEN_BY_LOCATION, &handle),
        FT_DEVICE_NOT_FOUND);
    QCOMPARE(handle, nullptr);
    DWORD moved = 0;
    char buffer[4];
    QCOMPARE(driver.FT_Read(&got, buffer, 4, &moved), FT_INVALID_HANDLE);
    QCOMPARE(driver.FT_Close(&got), FT_INVALID_HANDLE);
}

void TestDriverSelection::nullDriverHasNoDevice()
{
    NullDriver driver;
    DWORD count = 7;
    QCOMPARE(driver.FT_ListDevices(&count, nullptr, FT_LIST_NUMBER_ONLY), FT_OK);
    QCOMPARE(count, 0u);
    FT_HANDLE handle = &count;
    QCOMPARE(
        driver.FT_OpenEx(locationArg(0x1221), FT_OPEN_BY_LOCATION, &handle), FT_DEVICE_NOT_FOUND);
    QCOMPARE(handle, nullptr);
}

QTEST_GUILESS_MAIN(TestDriverSelection)
#include "tst_driverselection.moc"
