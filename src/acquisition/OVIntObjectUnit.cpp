#include "OVIntObjectUnit.h"

#include "common/EventLog.h"
#include "protocol/WireProtocol.h"

#include <QEventLoop>
#include <QTimer>

#include <cstdio>

namespace orvane {

TOV_INT_Object::TOV_INT_Object(D2xxDriver *driver, OperatorMessages *messages)
    : m_device(std::make_unique<TFTDIObject>(driver, messages))
{
    m_device->Init();
}

TOV_INT_Object::~TOV_INT_Object() = default;

void TOV_INT_Object::Init()
{
    Location = 0;
    Connected = false;
}

void TOV_INT_Object::AddLog(const QByteArray &text)
{
    appendEventLogLine(LogMemo, text);
}

void TOV_INT_Object::Wait(int ms)
{
    if (m_waitFunction) {
        m_waitFunction(ms);
        return;
    }
    // A nested loop ended by a one-shot timer: window events and polling
    // ticks keep running during the wait.
    QEventLoop loop;
    QTimer::singleShot(ms, Qt::PreciseTimer, &loop, &QEventLoop::quit);
    loop.exec();
}

void TOV_INT_Object::Connect()
{
    if (Closing)
        return;
    if (OpenDevice() != 0)
        return;
    if (ConfigureDevice() != FT_OK)
        return;
    if (IdentifyInterface() != 0)
        return;
    Connected = true;
}

void TOV_INT_Object::Disconnect()
{
    if (m_device->IsOpen())
        m_device->Close();
    else
        m_device->ReleaseFailedHandle();
    Connected = false;
}

bool TOV_INT_Object::IsConnected()
{
    if (!m_device->IsOpen())
        Connected = false;
    return m_device->IsOpen() && Connected;
}

int TOV_INT_Object::OpenDevice()
{
    TFTDIObject &dev = *m_device;
    AddLog("Scanning for FTDI devices...");
    dev.GetFTDeviceCount();
    AddLog("Nr. devices found : " + QByteArray::number(dev.DeviceCount));
    dev.CreateDeviceInfoList();
    dev.GetDeviceInfoList();
    if (dev.DeviceCount == 0)
        return 4;

    for (DWORD i = 0; i < dev.DeviceCount; ++i) {
        const FT_DEVICE_LIST_INFO_NODE &node = dev.DeviceList[i];
        char index[16];
        char location[16];
        std::snprintf(index, sizeof index, "%4d ", int(i));
        std::snprintf(location, sizeof location, "%4d ", int(qint32(node.LocId)));
        AddLog(QByteArray("Device : ") + index + '\t' + "Loc : " + location + '\t'
            + TFTDIObject::nodeSerial(node) + '\t' + TFTDIObject::nodeDescription(node));
    }

    Location = dev.FindInterfaceLocation();
    if (Location <= 0) {
        AddLog("OVI not found");
        return 4;
    }
    AddLog("OVI at loc : " + QByteArray::number(Location));
    dev.SetLocation(Location);
    dev.GetSerialAtLocation();
    SerialNumber = dev.SerialNumber;

    const FT_STATUS openStatus = dev.Open_USB_Device_By_Device_Location();
    dev.ResetDevice();
    if (openStatus != FT_OK)
        return 4;
    AddLog("OVI opened : true");
    return 0;
}

FT_STATUS TOV_INT_Object::ConfigureDevice()
{
    FT_STATUS status = m_device->SetBaudRate(BaudRate);
    if (status == FT_OK)
        status = m_device->SetTimeouts(ReadTimeoutMs, WriteTimeoutMs);
    return status;
}

int TOV_INT_Object::IdentifyInterface()
{
    if (!m_device->IsOpen() || Closing)
        return 4;
    // A failed write has been reported and the device marked closed: no
    // read follows, so an unplugged device costs the operator one message.
    if (m_device->WriteString(identityRequest()) < 0)
        return 4;
    Wait(IdentityWaitMs);
    if (Closing)
        return 4;
    IdentText = m_device->ReadString();
    AddLog(IdentText);
    return namesInterface(IdentText) ? 0 : 4;
}

} // namespace orvane
