#include "FakePorts.h"
#include "ScriptedDriver.h"
#include "acquisition/OVIntObjectUnit.h"

#include <QTest>

using namespace orvane;

namespace {
ScriptedDriver::Device dev(DWORD loc, const char *serial, const char *desc = "USB Serial")
{
    return {loc, serial, desc};
}
} // namespace

class TestInterfaceLink : public QObject
{
    Q_OBJECT

    ScriptedDriver *driver = nullptr;
    FakeLogMemo *memo = nullptr;
    FakeOperatorMessages *messages = nullptr;
    TOV_INT_Object *link = nullptr;

    void makeLink()
    {
        link = new TOV_INT_Object(driver, messages);
        link->Init();
        link->SetLog(memo);
        link->setWaitFunction([](int) {});
    }

private Q_SLOTS:
    void init()
    {
        driver = new ScriptedDriver;
        memo = new FakeLogMemo;
        messages = new FakeOperatorMessages;
        makeLink();
    }
    void cleanup()
    {
        delete link;
        delete messages;
        delete memo;
        delete driver;
    }

    void noDeviceFailsQuietly()
    {
        link->Connect();
        QVERIFY(!link->IsConnected());
        QCOMPARE(memo->history,
                 QByteArrayList({"Scanning for FTDI devices...", "Nr. devices found : 0"}));
        QVERIFY(messages->errors.isEmpty());
        QCOMPARE(driver->lastListFlags, FT_LIST_NUMBER_ONLY);
        QVERIFY(!driver->calls.contains("FT_OpenEx"));
    }

    void findsInterfaceByMark_data()
    {
        QTest::addColumn<QList<ScriptedDriver::Device>>("devices");
        QTest::addColumn<qint32>("location");
        QTest::addColumn<QByteArray>("required"); // the serial a reconnect waits for
        const QList three{dev(17, "FT1"), dev(33, "OVI20417"), dev(49, "OVI99999")};
        QTest::newRow("first of two with mark") << three << 33 << QByteArray();
        QTest::newRow("mark in the middle") << QList{dev(5, "ABOVI123")} << 5 << QByteArray();
        QTest::newRow("lower-case mark") << QList{dev(5, "ovi12345")} << 0 << QByteArray();
        QTest::newRow("no mark") << QList{dev(5, "FT8Q2X1A"), dev(6, "A0B1")} << 0 << QByteArray();
        QTest::newRow("required, not the first") << three << 49 << QByteArray("OVI99999");
        QTest::newRow("required, not listed") << three << 0 << QByteArray("OVI55555");
        QTest::newRow("required, whole serial") << three << 0 << QByteArray("OVI9999");
    }
    void findsInterfaceByMark()
    {
        QFETCH(QList<ScriptedDriver::Device>, devices);
        QFETCH(qint32, location);
        QFETCH(QByteArray, required);
        link->device().RequiredSerial = required;
        driver->devices = devices;
        driver->reads = {"ORVANE INTERFACE V2.0"};
        link->Connect();
        QCOMPARE(link->Location, location);
        QCOMPARE(link->IsConnected(), location != 0);
        if (location == 0) {
            QCOMPARE(memo->history.last(), QByteArray("OVI not found"));
            QVERIFY(!driver->calls.contains("FT_OpenEx"));
        } else {
            QCOMPARE(driver->openedLocation, DWORD(location));
            QVERIFY(memo->history.contains("OVI at loc : " + QByteArray::number(location)));
        }
    }

    void logsEveryDeviceLine()
    {
        driver->devices = {dev(4641, "FT8Q2X1A", "USB Serial Converter"),
                           dev(4642, "OVI20417", "Orvane Interface")};
        driver->reads = {"orvane interface v2.0"};
        link->Connect();
        QCOMPARE(memo->history,
                 QByteArrayList({"Scanning for FTDI devices...", "Nr. devices found : 2",
                                 "Device :    0 \tLoc : 4641 \tFT8Q2X1A\tUSB Serial Converter",
                                 "Device :    1 \tLoc : 4642 \tOVI20417\tOrvane Interface",
                                 "OVI at loc : 4642", "OVI opened : true",
                                 "orvane interface v2.0"}));
        QVERIFY(link->IsConnected()); // identity matched in lower case
        QCOMPARE(link->SerialNumber, QByteArray("OVI20417"));
        QCOMPARE(driver->written, QByteArrayList({QByteArray("\xFF?", 2)}));
        QCOMPARE(driver->baudRate, DWORD(57600));
        QCOMPARE(driver->flowControl, FT_FLOW_NONE);
        QCOMPARE(driver->readTimeout, DWORD(10));
        QCOMPARE(driver->writeTimeout, DWORD(10));
    }

    void identityFailureStillLogsReply()
    {
        const QByteArray reply = "ORVANE INTERFAC";
        driver->devices = {dev(9, "OVI1")};
        driver->reads = {reply};
        link->Connect();
        QVERIFY(!link->IsConnected());
        QCOMPARE(memo->history.last(), reply);
        QCOMPARE(link->IdentText, reply);
    }

    void openFailureShowsBothDialogs()
    {
        driver->devices = {dev(9, "OVI1")};
        driver->failures = {{"FT_OpenEx", FT_DEVICE_NOT_FOUND}, {"FT_ResetDevice", FT_INVALID_HANDLE}};
        link->Connect();
        QVERIFY(!link->IsConnected());
        QCOMPARE(messages->errors,
                 QByteArrayList({"Open_USB_Device_By_Device_Location - Device not found...",
                                 "FT_ResetDevice - Invalid handle..."}));
        QCOMPARE(memo->history.last(), QByteArray("OVI at loc : 9"));
        QVERIFY(!driver->calls.contains("FT_SetBaudRate"));
    }

    void configurationFailureStopsConnect_data()
    {
        QTest::addColumn<QString>("call");
        QTest::addColumn<QByteArray>("dialog");
        QTest::newRow("baud") << "FT_SetBaudRate" << QByteArray("FT_SetBaudRate - Invalid baud rate...");
        QTest::newRow("flow") << "FT_SetFlowControl" << QByteArray("FT_SetBaudRate - Invalid baud rate...");
        QTest::newRow("timeouts") << "FT_SetTimeouts" << QByteArray("FT_SetTimeouts - Invalid baud rate...");
    }
    void configurationFailureStopsConnect()
    {
        QFETCH(QString, call);
        QFETCH(QByteArray, dialog);
        driver->devices = {dev(9, "OVI1")};
        driver->failures = {{call, FT_INVALID_BAUD_RATE}};
        link->Connect();
        QVERIFY(!link->IsConnected());
        QCOMPARE(messages->errors, QByteArrayList({dialog}));
        QVERIFY(driver->written.isEmpty());
        QCOMPARE(memo->history.last(), QByteArray("OVI opened : true"));
    }

    void errorTexts_data()
    {
        QTest::addColumn<int>("status");
        QTest::addColumn<QByteArray>("text");
        QTest::newRow("4") << 4 << QByteArray("FT_Write - General IO error...");
        QTest::newRow("8 no dash") << 8 << QByteArray("FT_Write Device not opened for erase...");
        QTest::newRow("9 no dash") << 9 << QByteArray("FT_Write Device not opened for write...");
        QTest::newRow("17") << 17 << QByteArray("FT_Write - Other error ...");
        QTest::newRow("18 names status") << 18 << QByteArray("FT_Write - Unknown driver status 18...");
        QTest::newRow("huge") << int(0x7fffffff)
                              << QByteArray("FT_Write - Unknown driver status 2147483647...");
    }
    void errorTexts()
    {
        QFETCH(int, status);
        QFETCH(QByteArray, text);
        driver->devices = {dev(9, "OVI1")};
        driver->reads = {"ORVANE INTERFACE"};
        link->Connect();
        QVERIFY(link->IsConnected());
        driver->failures = {{"FT_Write", FT_STATUS(status)}};
        QVERIFY(link->device().WriteString("\xFE\x30@") != 0);
        QCOMPARE(messages->errors, QByteArrayList({text}));
        QVERIFY(!link->IsConnected());
    }

    void failedReadMarksDeviceNotOpen()
    {
        driver->devices = {dev(9, "OVI1")};
        driver->reads = {"ORVANE INTERFACE", "would be lost"};
        link->Connect();
        QVERIFY(link->IsConnected());
        driver->failures = {{"FT_Read", FT_IO_ERROR}};
        QCOMPARE(link->device().ReadString(), QByteArray());
        QCOMPARE(link->device().LastStatus, FT_STATUS(FT_IO_ERROR));
        QCOMPARE(messages->errors, QByteArrayList({"FT_Read - General IO error..."}));
        QVERIFY(!link->device().IsOpen());
        QVERIFY(link->device().Handle != nullptr); // the handle is kept
        QVERIFY(!link->IsConnected());
        QVERIFY(!link->Connected);
        // Disconnect gives the failed device's handle back without a dialog,
        // so the next Connect can open the device again.
        link->Disconnect();
        QVERIFY(driver->calls.contains("FT_Close"));
        QCOMPARE(link->device().Handle, nullptr);
        QCOMPARE(messages->errors.size(), 1);
        driver->failures.clear();
        driver->reads = {"ORVANE INTERFACE"};
        link->Connect();
        QVERIFY(link->IsConnected());
    }

    void writeStringRefusesOversizedFrames()
    {
        driver->devices = {dev(9, "OVI1")};
        driver->reads = {"ORVANE INTERFACE"};
        link->Connect();
        driver->written.clear();
        QCOMPARE(link->device().WriteString(QByteArray(257, 'x')), -1);
        QVERIFY(driver->written.isEmpty());
        QCOMPARE(link->device().WriteString(QByteArray(256, 'y')), 0);
        QCOMPARE(driver->written.size(), 1);
        QVERIFY(link->IsConnected());
    }

    void disconnectClosesOpenDevice()
    {
        driver->devices = {dev(9, "OVI1")};
        driver->reads = {"ORVANE INTERFACE"};
        link->Connect();
        link->Disconnect();
        QVERIFY(driver->calls.contains("FT_Close"));
        QVERIFY(!link->IsConnected());
        QCOMPARE(link->device().Handle, nullptr);
    }
};

QTEST_GUILESS_MAIN(TestInterfaceLink)
#include "tst_interfacelink.moc"
