// The interface link on a scripted driver: finding the interface in the
// device list, opening and configuring it, the identity check, and what a
// failing driver call leaves behind.
#include "FakePorts.h"
#include "ScriptedDriver.h"
#include "acquisition/OVIntObjectUnit.h"
#include "protocol/WireProtocol.h"

#include <QTest>

using namespace orvane;

namespace {
ScriptedDriver::Device dev(DWORD loc, const char *serial, const char *desc = "USB Serial")
{
    return { loc, serial, desc };
}

struct Rig
{
    ScriptedDriver driver;
    FakeLogMemo memo;
    FakeOperatorMessages messages;
    TOV_INT_Object link { &driver, &messages };

    // One interface "OVI1" at location 9 that answers `identity`.
    explicit Rig(const QByteArray &identity = "ORVANE INTERFACE")
    {
        link.Init();
        link.SetLog(&memo);
        link.setWaitFunction([](int) {});
        driver.devices = { dev(9, "OVI1") };
        driver.reads = { identity };
    }
};
} // namespace

class TestInterfaceLink : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void findsInterfaceByMark_data()
    {
        QTest::addColumn<QList<ScriptedDriver::Device>>("devices");
        QTest::addColumn<qint32>("location");
        QTest::addColumn<QByteArray>("required"); // the serial a reconnect waits for
        const QList three { dev(17, "FT1"), dev(33, "OVI20417"), dev(49, "OVI99999") };
        QTest::newRow("first of two with mark") << three << 33 << QByteArray();
        QTest::newRow("mark in the middle") << QList { dev(5, "ABOVI123") } << 5 << QByteArray();
        QTest::newRow("lower-case mark") << QList { dev(5, "ovi12345") } << 0 << QByteArray();
        QTest::newRow("required, not the first") << three << 49 << QByteArray("OVI99999");
        QTest::newRow("required, not listed") << three << 0 << QByteArray("OVI55555");
        QTest::newRow("required, whole serial") << three << 0 << QByteArray("OVI9999");
    }
    void findsInterfaceByMark()
    {
        QFETCH(QList<ScriptedDriver::Device>, devices);
        QFETCH(qint32, location);
        QFETCH(QByteArray, required);
        Rig rig;
        rig.link.device().RequiredSerial = required;
        rig.driver.devices = devices;
        rig.link.Connect();
        QCOMPARE(rig.link.Location, location);
        QCOMPARE(rig.link.IsConnected(), location != 0);
        if (location == 0) {
            QCOMPARE(rig.memo.history.last(), QByteArray("OVI not found"));
            QVERIFY(!rig.driver.calls.contains("FT_OpenEx"));
        } else {
            QCOMPARE(rig.driver.openedLocation, DWORD(location));
            QVERIFY(rig.memo.history.contains("OVI at loc : " + QByteArray::number(location)));
        }
    }

    void logsEveryDeviceLine()
    {
        Rig rig("orvane interface v2.0");
        rig.driver.devices = { dev(4641, "FT8Q2X1A", "USB Serial Converter"),
            dev(4642, "OVI20417", "Orvane Interface") };
        rig.link.Connect();
        QCOMPARE(rig.memo.history,
            QByteArrayList({ "Scanning for FTDI devices...", "Nr. devices found : 2",
                "Device :    0 \tLoc : 4641 \tFT8Q2X1A\tUSB Serial Converter",
                "Device :    1 \tLoc : 4642 \tOVI20417\tOrvane Interface", "OVI at loc : 4642",
                "OVI opened : true", "orvane interface v2.0" }));
        QVERIFY(rig.link.IsConnected()); // identity matched in lower case
        QCOMPARE(rig.link.SerialNumber, QByteArray("OVI20417"));
        QCOMPARE(rig.driver.written, QByteArrayList { identityRequest() });
        QVERIFY(rig.driver.baudRate == 57600 && rig.driver.flowControl == FT_FLOW_NONE);
        QVERIFY(rig.driver.readTimeout == 10 && rig.driver.writeTimeout == 10);
    }

    void openFailureShowsBothDialogs()
    {
        Rig rig;
        rig.driver.failures
            = { { "FT_OpenEx", FT_DEVICE_NOT_FOUND }, { "FT_ResetDevice", FT_INVALID_HANDLE } };
        rig.link.Connect();
        QVERIFY(!rig.link.IsConnected());
        QCOMPARE(rig.messages.errors,
            QByteArrayList({ "Open_USB_Device_By_Device_Location - Device not found...",
                "FT_ResetDevice - Invalid handle..." }));
        QCOMPARE(rig.memo.history.last(), QByteArray("OVI at loc : 9"));
        QVERIFY(!rig.driver.calls.contains("FT_SetBaudRate"));
    }

    void configurationFailureStopsConnect_data()
    {
        QTest::addColumn<QString>("call");
        QTest::addColumn<QByteArray>("dialog");
        QTest::newRow("baud") << "FT_SetBaudRate"
                              << QByteArray("FT_SetBaudRate - Invalid baud rate...");
        QTest::newRow("flow") << "FT_SetFlowControl"
                              << QByteArray("FT_SetBaudRate - Invalid baud rate...");
        QTest::newRow("timeouts") << "FT_SetTimeouts"
                                  << QByteArray("FT_SetTimeouts - Invalid baud rate...");
    }
    void configurationFailureStopsConnect()
    {
        QFETCH(QString, call);
        QFETCH(QByteArray, dialog);
        Rig rig;
        rig.driver.failures = { { call, FT_INVALID_BAUD_RATE } };
        rig.link.Connect();
        QVERIFY(!rig.link.IsConnected());
        QCOMPARE(rig.messages.errors, QByteArrayList({ dialog }));
        QVERIFY(rig.driver.written.isEmpty());
        QCOMPARE(rig.memo.history.last(), QByteArray("OVI opened : true"));
    }

    // A failed read marks the device not open but keeps its handle, which
    // Disconnect gives back without a dialog, so Connect can open it again.
    void failedReadMarksDeviceNotOpen()
    {
        Rig rig;
        rig.driver.reads.append("would be lost");
        rig.link.Connect();
        rig.driver.failures = { { "FT_Read", FT_IO_ERROR } };
        QCOMPARE(rig.link.device().ReadString(), QByteArray());
        QCOMPARE(rig.link.device().LastStatus, FT_STATUS(FT_IO_ERROR));
        QCOMPARE(rig.messages.errors, QByteArrayList({ "FT_Read - General IO error..." }));
        QVERIFY(!rig.link.device().IsOpen() && rig.link.device().Handle != nullptr);
        QVERIFY(!rig.link.IsConnected() && !rig.link.Connected);
        rig.link.Disconnect();
        QVERIFY(rig.driver.calls.contains("FT_Close") && rig.link.device().Handle == nullptr);
        QCOMPARE(rig.messages.errors.size(), 1);
        rig.driver.failures.clear();
        rig.driver.reads = { "ORVANE INTERFACE" };
        rig.link.Connect();
        QVERIFY(rig.link.IsConnected());
    }
};

QTEST_GUILESS_MAIN(TestInterfaceLink)
#include "tst_interfacelink.moc"
