#include "FTDI_Object_Unit.h"

#include "common/OperatorMessages.h"

#include <cstring>

namespace orvane {

namespace {
constexpr const char *kInterfaceMark = "OVI";

// Dialog suffix per driver status 1..17.
constexpr const char *kStatusSuffix[] = {
    "",
    " - Invalid handle...",
    " - Device not found...",
    " - Device not opened...",
    " - General IO error...",
    " - Insufficient resources...",
    " - Invalid parameter...",
    " - Invalid baud rate...",
    " Device not opened for erase...",
    " Device not opened for write...",
    " - Failed to write...",
    " - EEPROM read failed...",
    " - EEPROM write failed...",
    " - EEPROM erase failed...",
    " - EEPROM not present...",
    " - EEPROM not programmed...",
    " - Invalid arguments...",
    " - Other error ...",
};

QByteArray boundedText(const char *text, size_t capacity)
{
    size_t n = 0;
    while (n < capacity && text[n] != '\0')
        ++n;
    return QByteArray(text, qsizetype(n));
}
} // namespace

TFTDIObject::TFTDIObject(D2xxDriver *driver, OperatorMessages *messages)
    : m_driver(driver)
    , m_messages(messages)
{
}

void TFTDIObject::Init()
{
    Location = 0;
    Opened = false;
    SerialNumber.clear();
}

QByteArray TFTDIObject::ErrorText(const char *name, FT_STATUS status)
{
    QByteArray text(name);
    if (status >= 1 && status < std::size(kStatusSuffix))
        text += kStatusSuffix[status];
    else
        text += " - Unknown driver status " + QByteArray::number(status) + "...";
    return text;
}

void TFTDIObject::ReportError(const char *name, FT_STATUS status)
{
    Opened = false;
    if (m_messages)
        m_messages->showError(ErrorText(name, status));
}

QByteArray TFTDIObject::nodeSerial(const FT_DEVICE_LIST_INFO_NODE &node)
{
    return boundedText(node.SerialNumber, sizeof node.SerialNumber);
}

QByteArray TFTDIObject::nodeDescription(const FT_DEVICE_LIST_INFO_NODE &node)
{
    return boundedText(node.Description, sizeof node.Description);
}

FT_STATUS TFTDIObject::GetFTDeviceCount()
{
    const FT_STATUS status = m_driver->FT_ListDevices(&DeviceCount, nullptr, FT_LIST_NUMBER_ONLY);
    if (status != FT_OK)
        ReportError("GetFTDeviceCount", status);
    return status;
}

FT_STATUS TFTDIObject::CreateDeviceInfoList()
{
    const FT_STATUS status = m_driver->FT_CreateDeviceInfoList(&DeviceCount);
    if (status != FT_OK)
        ReportError("FT_CreateDeviceInfoList", status);
    return status;
}

FT_STATUS TFTDIObject::GetDeviceInfoList()
{
    // The driver fills at most as many nodes as the list was sized for; a
    // larger count it reports back is cut to what was actually filled.
    DeviceList.assign(DeviceCount, FT_DEVICE_LIST_INFO_NODE {});
    DWORD count = DeviceCount;
    const FT_STATUS status
        = m_driver->FT_GetDeviceInfoList(DeviceList.empty() ? nullptr : DeviceList.data(), &count);
    DeviceCount = std::min<DWORD>(count, DWORD(DeviceList.size()));
    DeviceList.resize(DeviceCount);
    if (status != FT_OK)
        ReportError("FT_GetDeviceInfoList", status);
    return status;
}

qint32 TFTDIObject::FindInterfaceLocation()
{
    Location = 0;
    for (const FT_DEVICE_LIST_INFO_NODE &node : DeviceList) {
        const QByteArray serial = nodeSerial(node);
        if (RequiredSerial.isEmpty() ? serial.contains(kInterfaceMark) : serial == RequiredSerial) {
            Location = qint32(node.LocId);
            break;
        }
    }
    return Location;
}

FT_STATUS TFTDIObject::SetLocation(qint32 location)
{
    Location = location;
    return FT_OK;
}

void TFTDIObject::GetSerialAtLocation()
{
    SerialNumber.clear();
    for (const FT_DEVICE_LIST_INFO_NODE &node : DeviceList) {
        if (qint32(node.LocId) == Location)
            SerialNumber = nodeSerial(node);
    }
}

FT_STATUS TFTDIObject::Open_USB_Device_By_Device_Location()
{
    const FT_STATUS status
        = m_driver->FT_OpenEx(locationArg(DWORD(Location)), FT_OPEN_BY_LOCATION, &Handle);
    Opened = status == FT_OK;
    if (status != FT_OK)
        ReportError("Open_USB_Device_By_Device_Location", status);
    return status;
}

FT_STATUS TFTDIObject::Close()
{
    const FT_STATUS status = m_driver->FT_Close(Handle);
    if (status == FT_OK)
        Handle = nullptr;
    else
        ReportError("FT_Close", status);
    Opened = false;
    return status;
}

void TFTDIObject::ReleaseFailedHandle()
{
    if (Handle == nullptr || Opened)
        return;
    m_driver->FT_Close(Handle); // an unplugged device may refuse; the handle is gone either way
    Handle = nullptr;
}

FT_STATUS TFTDIObject::ResetDevice()
{
    const FT_STATUS status = m_driver->FT_ResetDevice(Handle);
    if (status != FT_OK)
        ReportError("FT_ResetDevice", status);
    return status;
}

FT_STATUS TFTDIObject::SetBaudRate(DWORD baud)
{
    FT_STATUS status = m_driver->FT_SetBaudRate(Handle, baud);
    if (status == FT_OK)
        status = m_driver->FT_SetFlowControl(Handle, FT_FLOW_NONE, 0, 0);
    if (status != FT_OK)
        ReportError("FT_SetBaudRate", status);
    return status;
}

FT_STATUS TFTDIObject::SetTimeouts(DWORD readMs, DWORD writeMs)
{
    const FT_STATUS status = m_driver->FT_SetTimeouts(Handle, readMs, writeMs);
    if (status != FT_OK)
        ReportError("FT_SetTimeouts", status);
    return status;
}

DWORD TFTDIObject::Read(DWORD count)
{
    count = std::min<DWORD>(count, BufferSize);
    DWORD received = 0;
    LastStatus = m_driver->FT_Read(Handle, ReadBuffer.data(), count, &received);
    if (LastStatus != FT_OK) {
        ReportError("FT_Read", LastStatus);
        return 0;
    }
    return std::min(received, count);
}

DWORD TFTDIObject::Write(DWORD count)
{
    count = std::min<DWORD>(count, BufferSize);
    DWORD sent = 0;
    LastStatus = m_driver->FT_Write(Handle, WriteBuffer.data(), count, &sent);
    if (LastStatus != FT_OK) {
        ReportError("FT_Write", LastStatus);
        return 0;
    }
    return std::min(sent, count);
}

int TFTDIObject::WriteString(const QByteArray &bytes)
{
    if (bytes.size() > BufferSize)
        return -1;
    std::memcpy(WriteBuffer.data(), bytes.constData(), size_t(bytes.size()));
    const DWORD sent = Write(DWORD(bytes.size()));
    if (LastStatus != FT_OK)
        return -1;
    return sent == DWORD(bytes.size()) ? 0 : int(sent);
}

QByteArray TFTDIObject::ReadString()
{
    const DWORD received = Read(BufferSize);
    return QByteArray(reinterpret_cast<const char *>(ReadBuffer.data()), qsizetype(received));
}

} // namespace orvane
