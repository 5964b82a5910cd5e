#pragma once

#include "d2xx/D2xxDriver.h"

#include <QByteArray>

#include <array>
#include <vector>

namespace orvane {

class OperatorMessages;

// Thin wrapper over the D2XX driver: enumeration, open by USB location,
// configuration, and byte strings through two fixed 256-byte buffers. Every
// failing driver call is shown in an error dialog and marks the device as not
// open. Operations return the driver status (0 = success) unless noted.
class TFTDIObject
{
public:
    static constexpr int BufferSize = 256;

    TFTDIObject(D2xxDriver *driver, OperatorMessages *messages);

    bool Opened = false;
    FT_HANDLE Handle = nullptr;
    FT_STATUS LastStatus = FT_OK;
    qint32 Location = 0;
    QByteArray SerialNumber;
    DWORD DeviceCount = 0;
    std::vector<FT_DEVICE_LIST_INFO_NODE> DeviceList;
    std::array<unsigned char, BufferSize> ReadBuffer {};
    std::array<unsigned char, BufferSize> WriteBuffer {};
    // Set while a reconnect waits for one interface: FindInterfaceLocation
    // then takes only the device with exactly this serial number.
    QByteArray RequiredSerial;

    void Init();
    FT_STATUS GetFTDeviceCount();
    FT_STATUS CreateDeviceInfoList();
    FT_STATUS GetDeviceInfoList();
    // Location id of the first listed device whose serial number contains
    // "OVI" (or is RequiredSerial, when set); also stored in Location. 0 when
    // there is none.
    qint32 FindInterfaceLocation();
    FT_STATUS SetLocation(qint32 location);
    void GetSerialAtLocation();
    FT_STATUS Open_USB_Device_By_Device_Location();
    FT_STATUS Close();
    // Gives back the handle of a device in the failed state (a call failed,
    // the handle was kept) without a dialog, so that the device can be opened
    // again: a driver refuses to open a device whose old handle is still held.
    void ReleaseFailedHandle();
    bool IsOpen() const { return Handle != nullptr && Opened; }
    FT_STATUS ResetDevice();
    FT_STATUS SetBaudRate(DWORD baud);
    FT_STATUS SetTimeouts(DWORD readMs, DWORD writeMs);
    // Return the number of bytes moved; the status is in LastStatus.
    DWORD Read(DWORD count);
    DWORD Write(DWORD count);
    // 0 when every byte was sent, else the number sent; -1 when the driver
    // call failed or the string is longer than the write buffer (then nothing
    // is written), so a failure never reads as success.
    int WriteString(const QByteArray &bytes);
    // The bytes one read of up to 256 bytes brought; empty after a failure.
    QByteArray ReadString();

    // Marks the device as not open and shows "<name><suffix>" in a modal
    // error dialog; the caller goes on once it is closed.
    void ReportError(const char *name, FT_STATUS status);
    static QByteArray ErrorText(const char *name, FT_STATUS status);

    // Serial number and description of a listed node, up to their terminator.
    static QByteArray nodeSerial(const FT_DEVICE_LIST_INFO_NODE &node);
    static QByteArray nodeDescription(const FT_DEVICE_LIST_INFO_NODE &node);

private:
    D2xxDriver *m_driver;
    OperatorMessages *m_messages;
};

} // namespace orvane
